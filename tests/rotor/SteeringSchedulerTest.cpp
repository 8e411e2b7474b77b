// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <random>

#include "rotor/Steering.h"
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

// Random request floods between polls, seeded: each period carries at most
// MaxCommandsPerPeriod steering commands, none between a query and its reply, a repeat only after
// an answered query, and the line ends up with the latest request.
TEST(SteeringScheduler, PacesAndDropsRepeatsUnderAnyFlood) {
    for (unsigned seed = 1; seed <= 200; ++seed) {
        std::mt19937 random(seed);
        std::vector<std::string> events;  // "T" tick, "Q" query, "A" answer, else a command
        TSteeringScheduler paced([] { return std::optional<int>(100); }, [] { return true; },
                                 [&](const std::string& bytes) {
                                     events.push_back(bytes);
                                     return true;
                                 });
        std::string latest;
        const auto poll = [&](bool answered) {
            events.push_back("T");  // what waits goes before the query
            paced.QueryStarting();
            events.push_back("Q");
            if (!answered) return;
            events.push_back("A");
            paced.QueryAnswered();
        };
        for (int step = 0; step < 300; ++step) {
            const unsigned pick = random() % 10;
            if (pick < 2) {
                poll(pick == 1);
            } else if (pick < 6) {
                const int heading = static_cast<int>(random() % 4) * 90;  // repeats likely
                ASSERT_TRUE(paced.RequestTurn(heading));
                latest = *TurnCommand(heading);
            } else {
                ASSERT_TRUE(paced.RequestStop());
                latest = StopCommand();
            }
        }
        poll(true);  // a last full period lets what waits go out
        int inPeriod = 0;
        bool queryOut = false, answered = true;
        std::string last;
        for (const std::string& e : events) {
            inPeriod = e == "T" ? 0 : inPeriod;
            answered = answered || e == "A";
            if (e == "T" || e == "Q" || e == "A") {
                queryOut = e == "Q";
                continue;
            }
            ASSERT_TRUE(!queryOut && ++inPeriod <= TSteeringScheduler::MaxCommandsPerPeriod &&
                        (e != last || answered))
                << "seed " << seed;
            last = e;
            answered = false;
        }
        EXPECT_EQ(last, latest) << "seed " << seed;
        EXPECT_FALSE(paced.Waiting()) << "seed " << seed;
    }
}

}  // namespace
}  // namespace skyvane
