// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <climits>
#include <random>

#include "rotor/ReplyAssembler.h"

namespace skyvane {
namespace {

using namespace std::chrono_literals;
using Replies = std::vector<std::string>;

// Stand-ins for what happens between the bytes.
constexpr std::string_view Quiet = "<quiet>";
constexpr std::string_view Query = "<query>";

// Plays the steps (received bytes, a quiet line or a due query) and collects every reply.
Replies Play(TReplyAssembler& assembler, const std::vector<std::string_view>& steps) {
    Replies replies;
    for (std::string_view step : steps) {
        std::optional<std::string> reply;
        if (step == Quiet)
            reply = assembler.TakeAtQuiet();
        else if (step == Query)
            reply = assembler.QueryDue();
        else
            assembler.Feed(step, replies);
        if (reply) replies.push_back(*reply);
    }
    return replies;
}

TEST(ReplyAssembler, EveryLayoutAndEveryCutGivesWholeReplies) {
    const std::string longest(TReplyAssembler::MaxReplyLength, '7');
    const std::string tooLong = longest + "7";
    struct Case {
        const char* what;
        std::vector<std::string_view> steps;
        Replies replies;
    } cases[] = {
        {"digits then ';'", {"123;"}, {"123"}},
        {"leading zeros kept", {"045;"}, {"045"}},
        {"byte by byte", {"1", "2", "3", ";"}, {"123"}},
        {"two pieces with a quiet line between", {"12", Quiet, "3;"}, {"123"}},
        {"two replies in one read, in order", {"123;124;"}, {"123", "124"}},
        {"CR, LF and CR LF endings", {"123\r", "124\n", "125\r\n"}, {"123", "124", "125"}},
        {"echo before the reply", {"AI1;123;"}, {"123"}},
        {"echo, separator first, CR LF", {"AI1;;1", "23\r", "\n"}, {"123"}},
        {"echo on its own", {"AI1", Quiet, Query, "AI1;"}, {}},
        {"nothing but terminators", {";", "\r\n", ";;"}, {}},
        {"other text is a reply for the judge", {"ERR;", "12.5;"}, {"ERR", "12.5"}},
        // Without a terminator the first heading waits for the next query, later ones
        // only for a quiet line.
        {"separator first", {";123", Quiet, Query, ";045", Quiet}, {"123", "045"}},
        {"digits alone", {"123", Query, "124", Quiet, Query}, {"123", "124"}},
        // Once the line is known to end its replies, text without an end is a piece.
        {"a piece never shown", {"045;", "12", Quiet, "3;"}, {"045", "123"}},
        {"a reply cut by the next query", {"045;", "12", Query, "3;", "200;"}, {"045", "200"}},
        {"an echoed command does not teach the ending",
         {"AP1200;", ";123", Query},
         {"AP1200", "123"}},
        {"longest reply kept", {longest, ";"}, {longest}},
        {"too long for a reply", {tooLong, ";", "123;"}, {"123"}},
        {"an overflowed run outlives quiet and queries",
         {tooLong, Quiet, Query, "123", Quiet, Query, ";045;"},
         {"045"}},
    };
    for (const Case& c : cases) {
        TReplyAssembler assembler;
        EXPECT_EQ(Play(assembler, c.steps), c.replies) << c.what;
    }
}

TEST(ReplyAssembler, LearnsHowTheLineEndsItsRepliesUntilReset) {
    TReplyAssembler assembler;
    Play(assembler, {";123", Query});
    EXPECT_EQ(assembler.Ending(), TReplyEnding::LineGoesQuiet);
    Play(assembler, {"12"});
    EXPECT_TRUE(assembler.AwaitingQuiet());
    assembler.DropPending();  // a closed line keeps what was learnt
    EXPECT_EQ(assembler.HeldBytes(), 0u);
    EXPECT_EQ(Play(assembler, {"045", Quiet}), Replies{"045"});
    Play(assembler, {"300;"});
    EXPECT_EQ(assembler.Ending(), TReplyEnding::Terminator) << "a terminated heading wins";
    EXPECT_TRUE(Play(assembler, {"12"}).empty());
    EXPECT_FALSE(assembler.AwaitingQuiet());
    assembler.Reset();
    EXPECT_EQ(assembler.Ending(), TReplyEnding::Unknown);
    EXPECT_EQ(Play(assembler, {Query}), Replies{}) << "the piece went with the reset";
}

TEST(ReplyAssembler, RandomCutsOfAStreamGiveTheSameReplies) {
    const std::string stream =
        "123;045;AI1;;200\r\nAI1;7;ERR;\r\n-5;361;" + std::string(100, '9') + ";12.5;0;";
    const Replies expected = {"123", "045", "200", "7", "ERR", "-5", "361", "12.5", "0"};
    for (unsigned seed = 1; seed <= 200; ++seed) {
        std::mt19937 random(seed);
        TReplyAssembler assembler;
        Replies replies;
        for (std::size_t at = 0; at < stream.size();) {
            const std::size_t length = std::uniform_int_distribution<std::size_t>(1, 9)(random);
            assembler.Feed(std::string_view(stream).substr(at, length), replies);
            at += length;
            if (auto reply = assembler.TakeAtQuiet()) replies.push_back(*reply);
            EXPECT_LE(assembler.HeldBytes(), TReplyAssembler::MaxReplyLength);
        }
        EXPECT_EQ(replies, expected) << "seed " << seed;
    }
}

TEST(ReplyAssembler, FiveMegabytesWithoutATerminatorHoldNothingAndGiveNothing) {
    TReplyAssembler assembler;
    Replies replies;
    const std::string block(4096, '5');
    for (int i = 0; i < 5 * 256; ++i) {
        assembler.Feed(block, replies);
        if (i % 64 == 0) Play(assembler, {Quiet, Query});
        ASSERT_LE(assembler.HeldBytes(), TReplyAssembler::MaxReplyLength);
    }
    EXPECT_TRUE(replies.empty());
    EXPECT_FALSE(assembler.AwaitingQuiet());
}

TEST(ReplyAssembler, QuietTimeIsTenCharactersAndAtLeast20Ms) {
    struct Case {
        int baud;
        double bits;
        std::chrono::milliseconds quiet;
    } cases[] = {
        {4800, 12, 25ms},   {1200, 12, 100ms},   {300, 10, 334ms},  {9600, 10, 20ms},
        {115200, 10, 20ms}, {INT_MAX, 10, 20ms}, {0, 10, 20ms},     {-4800, 10, 20ms},
        {4800, 0, 20ms},    {1, 12, 120000ms},   {1200, 8.5, 71ms},
    };
    for (const Case& c : cases)
        EXPECT_EQ(QuietTimeFor(c.baud, c.bits), c.quiet)
            << c.baud << " baud, " << c.bits << " bits";
}

}  // namespace
}  // namespace skyvane
