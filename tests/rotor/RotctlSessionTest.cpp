// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "rotor/RotctlSession.h"
#include "tests/rotor/FakeRotorAccess.h"

namespace skyvane {
namespace {

using test::FakeRotorAccess;

TEST(RotctlSession, AnswersPositionOnlyFromALiveReading) {
    FakeRotorAccess rotor;
    TRotctlSession session(rotor);
    EXPECT_EQ(session.Receive("p\n"), "RPRT -5\n");
    EXPECT_EQ(session.Receive("+p\n"), "get_pos:\nRPRT -5\n");
    rotor.heading = 217;
    EXPECT_EQ(session.Receive("p\n"), "217.00\n0.00\n");
    rotor.heading = 45;
    EXPECT_EQ(session.Receive("\\get_pos\n"), "45.00\n0.00\n");
    rotor.heading.reset();  // the reading went stale: no old heading
    EXPECT_EQ(session.Receive("p\n"), "RPRT -5\n");
}

TEST(RotctlSession, CarriesOutTurnsParkAndStopOnlyWhenTheRotorCanBeReached) {
    struct Case {
        std::string line;
        bool reachable;
        std::string answer;
        std::vector<std::string> requests;
    } cases[] = {
        {"P 200 0\n", true, "RPRT 0\n", {"turn 200"}},
        {"\\set_pos 359.6 0\n", true, "RPRT 0\n", {"turn 360"}},
        {"M 8 -1\n", true, "RPRT 0\n", {"turn 0"}},
        {"M 2 50\n", true, "RPRT -1\n", {}},
        {"M 16 -1\n", false, "RPRT -5\n", {}},
        {"+P 90 0\n", true, "set_pos: 90 0\nRPRT 0\n", {"turn 90"}},
        {"P 361 0\n", true, "RPRT -1\n", {}},
        {"P 200\n", true, "RPRT -1\n", {}},
        {"K\n", true, "RPRT 0\n", {"turn 0"}},
        {"S\n", true, "RPRT 0\n", {"stop"}},
        {"P 200 0\n", false, "RPRT -5\n", {}},
        {"K\n", false, "RPRT -5\n", {}},
        {"+S\n", false, "stop:\nRPRT -5\n", {}},
        {"P 999 0\n", false, "RPRT -1\n", {}},  // a bad argument is reported as such
    };
    for (const Case& c : cases) {
        FakeRotorAccess rotor;
        rotor.reachable = c.reachable;
        TRotctlSession session(rotor);
        EXPECT_EQ(session.Receive(c.line), c.answer) << c.line;
        EXPECT_EQ(rotor.requests, c.requests) << c.line;
    }
}

TEST(RotctlSession, AnswersEachLineInOrderWhateverTheReadsAndStopsAtQuit) {
    FakeRotorAccess rotor;
    rotor.heading = 10;
    TRotctlSession session(rotor);
    std::string answers;
    const std::string stream = "p\n\n_\r\nx\nP 20 0\n" + std::string(300, 'g') + "\np\nq\np\nS\n";
    for (char c : stream) answers += session.Receive(std::string(1, c));
    EXPECT_EQ(answers, "10.00\n0.00\nSkyvane\nRPRT -4\nRPRT 0\nRPRT -1\n10.00\n0.00\n");
    EXPECT_TRUE(session.Finished());
    EXPECT_EQ(rotor.requests, std::vector<std::string>{"turn 20"});  // nothing after q
    EXPECT_EQ(session.Receive("p\n"), "");
}

TEST(RotctlSession, GarbageEarnsErrorsAndLeavesTheSessionUsable) {
    FakeRotorAccess rotor;
    rotor.heading = 300;
    TRotctlSession session(rotor);
    // Every byte value but those that start a command that acts (P, S, K, q, Q).
    std::string garbage;
    for (int i = 0; i < 20000; ++i) {
        const char c = static_cast<char>((i * 131 + i / 256) % 256);
        if (std::string_view("PSKqQ").find(c) == std::string_view::npos) garbage.push_back(c);
    }
    const std::string answers = session.Receive(garbage);
    EXPECT_TRUE(rotor.requests.empty());
    EXPECT_FALSE(session.Finished());
    // Only whole answers came back, each ending in a line end.
    EXPECT_TRUE(answers.empty() || answers.back() == '\n');
    // The unfinished garbage line ends first; the line after it gets its proper answer.
    const std::string last = session.Receive("\np\n");
    EXPECT_TRUE(last.ends_with("\n300.00\n0.00\n")) << last;
}

}  // namespace
}  // namespace skyvane
