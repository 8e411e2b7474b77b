// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "tools/rotorsim/RotorSim.h"
#include "tools/rotorsim/RotorTurning.h"

namespace skyvane::rotorsim {
namespace {

std::string Describe(const std::vector<TSteeringCommand>& commands) {
    std::string text;
    for (const TSteeringCommand& c : commands) {
        if (!text.empty()) text += " ";
        switch (c.kind) {
            case TSteeringCommand::SetTarget:
                text += "target " + std::to_string(c.target);
                break;
            case TSteeringCommand::Move:
                text += "move";
                break;
            case TSteeringCommand::Stop:
                text += "stop";
                break;
            case TSteeringCommand::Unknown:
                text += "unknown";
                break;
        }
    }
    return text;
}

TEST(SteeringScanner, FindsTargetMoveAndStopAmongQueriesAndNoise) {
    struct Case {
        std::vector<std::string> reads;
        std::string commands;
    } cases[] = {
        {{"AP1200;AM1;"}, "target 200 move"},
        {{"AP1", "2", "00;A", "M1;"}, "target 200 move"},
        {{";"}, "stop"},
        {{"AI1;"}, ""},
        {{"AI1;;AI1;"}, "stop"},
        {{"AI1;AP1000;AM1;AI1;"}, "target 0 move"},
        {{"\r\nAP1045;\r\nAM1;\r\n"}, "target 45 move"},
        {{"AP1360;"}, "target 360"},
        {{"AP1361;"}, ""},
        {{"AP12000;"}, ""},
        {{"AP1-20;"}, ""},
        {{"AP12a0;"}, ""},
        {{"AP120;"}, ""},
        {{"am1;"}, "unknown"},
        {{std::string(1000, 'x'), ";"}, ""},  // a long run of noise is not a stop
        {{std::string(1000, 'x'), ";AM1;"}, "move"},
    };
    for (const Case& c : cases) {
        TSteeringScanner scanner;
        std::vector<TSteeringCommand> found;
        for (const std::string& read : c.reads) {
            auto more = scanner.Feed(read);
            found.insert(found.end(), more.begin(), more.end());
        }
        EXPECT_EQ(Describe(found), c.commands) << ::testing::PrintToString(c.reads);
    }
}

TEST(RotorMotion, TurnsTowardTheTargetAtItsRateWithoutCrossingNorth) {
    struct Case {
        double from;
        int target;
        std::vector<std::pair<double, double>> timeAndHeading;
    } cases[] = {
        {100, 200, {{0, 100}, {5, 150}, {9.9, 199}, {10, 200}, {60, 200}}},
        {300, 0, {{1, 290}, {30, 0}, {31, 0}}},
        {350, 10, {{1, 340}, {33, 20}, {34, 10}, {40, 10}}},  // the long way round
        {123, 123, {{0, 123}, {5, 123}}},
        {0, 360, {{18, 180}, {36, 360}, {99, 360}}},
    };
    for (const Case& c : cases) {
        TRotorMotion motion(10.0);
        motion.SetTarget(c.target);
        motion.Move(c.from, 0);
        EXPECT_TRUE(motion.Engaged());
        for (auto [time, heading] : c.timeAndHeading)
            EXPECT_NEAR(motion.HeadingAt(time), heading, 1e-9)
                << c.from << " to " << c.target << " at " << time;
    }
}

TEST(RotorMotion, StopsShortAndTurnsAgainOnlyWhenTold) {
    TRotorMotion motion(6.0);
    motion.Move(50, 0);  // no target yet: nothing happens
    EXPECT_FALSE(motion.Engaged());
    motion.Stop(1);
    EXPECT_FALSE(motion.Engaged());

    motion.SetTarget(200);
    motion.Move(50, 10);
    EXPECT_DOUBLE_EQ(motion.HeadingAt(15), 80);
    motion.SetTarget(20);  // a new target waits for the next move
    EXPECT_DOUBLE_EQ(motion.HeadingAt(20), 110);
    motion.Stop(20);
    EXPECT_DOUBLE_EQ(motion.HeadingAt(20), 110);
    EXPECT_DOUBLE_EQ(motion.HeadingAt(1000), 110);
    motion.Move(motion.HeadingAt(30), 30);
    EXPECT_DOUBLE_EQ(motion.HeadingAt(35), 80);
    EXPECT_DOUBLE_EQ(motion.HeadingAt(100), 20);
}

TEST(RotorSimArgs, TurnRateIsSixUnlessSetToAPositiveRate) {
    EXPECT_DOUBLE_EQ(ParseRotorSimArgs({}).options.turnRate, 6.0);
    EXPECT_DOUBLE_EQ(ParseRotorSimArgs({"--turn-rate", "2.5"}).options.turnRate, 2.5);
    EXPECT_DOUBLE_EQ(ParseRotorSimArgs({"--turn-rate=360"}).options.turnRate, 360.0);
    for (const char* bad : {"0", "-6", "fast", "nan", "inf", "36001", ""}) {
        const TParseResult r = ParseRotorSimArgs({"--turn-rate", bad});
        EXPECT_EQ(r.outcome, TParseOutcome::Error) << bad;
        EXPECT_NE(r.error.find("--turn-rate"), std::string::npos) << r.error;
    }
    EXPECT_EQ(ParseRotorSimArgs({"--turn-rate"}).outcome, TParseOutcome::Error);
}

}  // namespace
}  // namespace skyvane::rotorsim
