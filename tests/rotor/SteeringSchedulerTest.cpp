// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "rotor/SteeringScheduler.h"

namespace skyvane {
namespace {

// A line that records what goes out; the test plays the window's poll cycle on it.
struct Line {
    std::optional<int> live = 100;
    bool open = true;
    bool fails = false;
    std::string sent;

    TSteeringScheduler Scheduler() {
        return TSteeringScheduler([this] { return live; }, [this] { return open; },
                                  [this](const std::string& bytes) {
                                      if (fails) return false;
                                      sent += bytes;
                                      return true;
                                  });
    }
    // One poll as the window does it: steering that waits goes first, then the query.
    void Poll(TSteeringScheduler& s) {
        s.QueryStarting();
        sent += "AI1;";
    }
};

TEST(SteeringScheduler, WritesAtOnceWhileNoQueryWaitsForItsReply) {
    Line line;
    auto s = line.Scheduler();
    EXPECT_TRUE(s.RequestTurn(200));
    EXPECT_EQ(line.sent, "AP1200;AM1;");
    line.Poll(s);
    s.QueryAnswered();
    EXPECT_TRUE(s.RequestStop());
    EXPECT_EQ(line.sent, "AP1200;AM1;AI1;;");
}

TEST(SteeringScheduler, NeverSplitsAQueryFromItsReply) {
    struct Case {
        const char* name;
        std::function<void(Line&, TSteeringScheduler&)> script;
        std::string sent;
    } cases[] = {
        {"held until the reply",
         [](Line& l, TSteeringScheduler& s) {
             l.Poll(s);
             s.RequestTurn(45);
             l.sent += "|reply|";
             s.QueryAnswered();
         },
         "AI1;|reply|AP1045;AM1;"},
        {"only the latest waits",
         [](Line& l, TSteeringScheduler& s) {
             l.Poll(s);
             s.RequestTurn(45);
             s.RequestTurn(90);
             s.RequestStop();
             s.QueryAnswered();
         },
         "AI1;;"},
        {"a turn after a stop replaces it",
         [](Line& l, TSteeringScheduler& s) {
             l.Poll(s);
             s.RequestStop();
             s.RequestTurn(0);
             s.QueryAnswered();
         },
         "AI1;AP1000;AM1;"},
        {"no reply: it goes before the next query",
         [](Line& l, TSteeringScheduler& s) {
             l.Poll(s);
             s.RequestTurn(300);
             l.Poll(s);
         },
         "AI1;AP1300;AM1;AI1;"},
        {"dropped when the line closes",
         [](Line& l, TSteeringScheduler& s) {
             l.Poll(s);
             s.RequestTurn(300);
             s.LineClosed();
             s.QueryAnswered();
             l.Poll(s);
         },
         "AI1;AI1;"},
        {"a reply with nothing waiting sends nothing",
         [](Line&, TSteeringScheduler& s) {
             s.RequestTurn(10);
             s.QueryAnswered();
             s.QueryAnswered();
         },
         "AP1010;AM1;"},
    };
    for (const Case& c : cases) {
        Line line;
        auto s = line.Scheduler();
        c.script(line, s);
        EXPECT_EQ(line.sent, c.sent) << c.name;
        EXPECT_FALSE(s.Waiting()) << c.name;
    }
}

TEST(SteeringScheduler, RefusesWhatCannotReachTheRotor) {
    Line line;
    auto s = line.Scheduler();
    line.open = false;  // tracking off, or the line lost
    EXPECT_FALSE(s.CanSteer());
    EXPECT_FALSE(s.RequestTurn(200));
    EXPECT_FALSE(s.RequestStop());

    // A silent rotor has no live reading to share but still takes a stop.
    line.open = true;
    line.live.reset();
    EXPECT_EQ(s.LiveHeading(), std::nullopt);
    EXPECT_TRUE(s.RequestStop());
    EXPECT_EQ(line.sent, ";");
    line.sent.clear();

    line.live = 5;
    EXPECT_TRUE(s.CanSteer());
    EXPECT_EQ(s.LiveHeading(), 5);
    EXPECT_FALSE(s.RequestTurn(361));
    EXPECT_FALSE(s.RequestTurn(-1));
    line.fails = true;
    EXPECT_FALSE(s.RequestTurn(200));
    EXPECT_EQ(line.sent, "");
    EXPECT_FALSE(s.Waiting());
}

}  // namespace
}  // namespace skyvane
