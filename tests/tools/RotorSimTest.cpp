// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/rotorsim/RotorSim.h"

namespace skyvane::rotorsim {
namespace {

TEST(QueryScanner, CountsQueriesSplitOrMixedWithOtherBytes) {
    struct Case {
        std::vector<std::string> reads;
        int expected;
    };
    const Case cases[] = {
        {{"AI1;"}, 1},
        {{"AI1;AI1;AI1;"}, 3},
        {{"A", "I", "1", ";"}, 1},
        {{"AI", "1;A", "I1;"}, 2},
        {{"xxAI1;zz\r\nAI1;"}, 2},
        {{"AAI1;"}, 1},  // a fresh "A" restarts the match
        {{"AIAI1;"}, 1},
        {{"AI1AI1;"}, 1},
        {{"ai1;", "AI2;", "AI1", "x;"}, 0},
        {{"AI1;;"}, 1},
        {{std::string("AI\0"
                      "1;",
                      5),
          "AI1;"},
         1},
    };
    for (const Case& c : cases) {
        TQueryScanner scanner;
        int total = 0;
        for (const std::string& r : c.reads) total += scanner.Feed(r);
        std::string joined;
        for (const std::string& r : c.reads) joined += "[" + r + "]";
        EXPECT_EQ(total, c.expected) << joined;
    }
}

TEST(RotorSimReply, SweepWrapsWithinAFullTurn) {
    TRotorSimOptions o;
    o.sweep = true;
    o.heading = 350;
    o.sweepRate = 10.0;
    EXPECT_EQ(AzimuthAt(o, 0.0), 350);
    EXPECT_EQ(AzimuthAt(o, 0.95), 359);
    EXPECT_EQ(AzimuthAt(o, 1.0), 0);
    EXPECT_EQ(AzimuthAt(o, 3.55), 25);
    EXPECT_EQ(AzimuthAt(o, 36.0 * 100 + 1.0), 0);
    o.sweepRate = -20.0;
    o.heading = 10;
    EXPECT_EQ(AzimuthAt(o, 1.0), 350);
    EXPECT_EQ(AzimuthAt(o, 0.49), 0);
    o.heading = 725;  // a start beyond a full turn is taken modulo 360
    o.sweepRate = 0.0;
    EXPECT_EQ(AzimuthAt(o, 5.0), 5);
}

TEST(RotorSimReply, SplitKeepsEveryByteInOrder) {
    EXPECT_EQ(SplitReply("123;", 1), (std::vector<std::string>{"123;"}));
    EXPECT_EQ(SplitReply("123;", 2), (std::vector<std::string>{"12", "3;"}));
    EXPECT_EQ(SplitReply("123;", 3), (std::vector<std::string>{"1", "2", "3;"}));
    EXPECT_EQ(SplitReply("45;", 10), (std::vector<std::string>{"4", "5", ";"}));
    EXPECT_EQ(SplitReply("45;", 0), (std::vector<std::string>{"45;"}));
    EXPECT_TRUE(SplitReply("", 3).empty());
}

TEST(RotorSimArgs, AcceptsEveryOptionInBothSpellings) {
    TParseResult r = ParseRotorSimArgs({"--heading", "45", "--sweep=2.5", "--delay", "300",
                                        "--chunks=3", "--gap", "5", "--pad", "--count-file",
                                        "/tmp/n", "-v", "--device=/dev/pts/9"});
    ASSERT_EQ(r.outcome, TParseOutcome::Run) << r.error;
    EXPECT_EQ(r.options.heading, 45);
    EXPECT_TRUE(r.options.sweep);
    EXPECT_DOUBLE_EQ(r.options.sweepRate, 2.5);
    EXPECT_EQ(r.options.delayMs, 300);
    EXPECT_EQ(r.options.chunks, 3);
    EXPECT_EQ(r.options.gapMs, 5);
    EXPECT_TRUE(r.options.pad);
    EXPECT_EQ(r.options.countFile, "/tmp/n");
    EXPECT_TRUE(r.options.verbose);
    EXPECT_EQ(r.options.device, "/dev/pts/9");

    TParseResult d = ParseRotorSimArgs({});
    ASSERT_EQ(d.outcome, TParseOutcome::Run);
    EXPECT_EQ(d.options.heading, 123);
    EXPECT_FALSE(d.options.sweep);
    EXPECT_EQ(d.options.chunks, 1);
    EXPECT_TRUE(d.options.device.empty());

    EXPECT_EQ(ParseRotorSimArgs({"--split"}).options.chunks, 2);
    EXPECT_EQ(ParseRotorSimArgs({"--garbage"}).options.reply, "ERR;");
    EXPECT_EQ(ParseRotorSimArgs({"--heading", "-5"}).options.heading, -5);
    EXPECT_TRUE(ParseRotorSimArgs({"--silent"}).options.silent);
    EXPECT_EQ(ParseRotorSimArgs({"--verbose", "--help"}).outcome, TParseOutcome::Help);
    EXPECT_EQ(ParseRotorSimArgs({"-h"}).outcome, TParseOutcome::Help);
    EXPECT_DOUBLE_EQ(ParseRotorSimArgs({"--stream", "0.5"}).options.streamRate, 0.5);
    EXPECT_DOUBLE_EQ(d.options.streamRate, 0.0);
}

TEST(RotorSimArgs, RejectsBadOptionsWithAMessageNamingThem) {
    struct Case {
        std::vector<std::string> args;
        std::string mentions;
    };
    const Case cases[] = {
        {{"--bogus"}, "--bogus"},
        {{"stray"}, "stray"},
        {{"--heading"}, "--heading"},
        {{"--heading", "abc"}, "--heading"},
        {{"--heading", "12x"}, "--heading"},
        {{"--heading", ""}, "--heading"},
        {{"--heading", "99999999999999999999"}, "--heading"},
        {{"--sweep", "fast"}, "--sweep"},
        {{"--sweep", "nan"}, "--sweep"},
        {{"--sweep", "inf"}, "--sweep"},
        {{"--delay", "-1"}, "--delay"},
        {{"--delay", "1.5"}, "--delay"},
        {{"--chunks", "0"}, "--chunks"},
        {{"--chunks", "65"}, "--chunks"},
        {{"--gap"}, "--gap"},
        {{"--device"}, "--device"},
        {{"--device="}, "--device"},
        {{"--reply", ""}, "--reply"},
        {{"--count-file"}, "--count-file"},
        {{"--pad=yes"}, "--pad"},
        {{"--garbage", "--silent"}, "--silent"},
        {{"--garbage", "--reply", "X;"}, "--garbage"},
        {{"--stream"}, "--stream"},
        {{"--stream", "0"}, "--stream"},
        {{"--stream", "1001"}, "--stream"},
        {{"--silent", "--stream", "5"}, "--stream"},
    };
    for (const Case& c : cases) {
        TParseResult r = ParseRotorSimArgs(c.args);
        std::string joined;
        for (const std::string& a : c.args) joined += a + " ";
        EXPECT_EQ(r.outcome, TParseOutcome::Error) << joined;
        EXPECT_NE(r.error.find(c.mentions), std::string::npos) << joined << ": " << r.error;
    }
}

}  // namespace
}  // namespace skyvane::rotorsim
