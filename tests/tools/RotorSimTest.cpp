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

TEST(RotorSimFaults, AnswersInEveryReplyLayout) {
    struct Case {
        std::vector<std::string> args;
        std::string answer;  // for the azimuth 45
    };
    const Case cases[] = {
        {{"--pad"}, "045;"},
        {{"--separator-first"}, ";45"},
        {{"--echo", "--pad"}, "AI1;045;"},
        {{"--echo", "--separator-first", "--line-end", "crlf"}, "AI1;;45\r\n"},
        {{"--line-end=lf"}, "45;\n"},
        {{"--line-end", "cr"}, "45;\r"},
        {{"--line-end", "cr", "--line-end", "none"}, "45;"},
        {{"--echo", "--garbage"}, "AI1;ERR;"},
        {{"--junk-after", " "}, "45; "},
        {{"--separator-first", "--junk-after", "\\0x\\r\\n\\t\\\\\\x7f"},
         ";45" + std::string(1, '\0') + "x\r\n\t\\\x7f"},
    };
    for (const Case& c : cases) {
        TParseResult r = ParseRotorSimArgs(c.args);
        ASSERT_EQ(r.outcome, TParseOutcome::Run) << r.error;
        EXPECT_EQ(AnswerText(r.options, 45), c.answer) << c.args[0];
    }
    TParseResult bytes = ParseRotorSimArgs({"--byte-by-byte", "--chunks", "2"});
    EXPECT_EQ(AnswerPieces(bytes.options, "AI1;7;"),
              (std::vector<std::string>{"A", "I", "1", ";", "7", ";"}));
    bytes.options.faults.byteByByte = false;
    EXPECT_EQ(AnswerPieces(bytes.options, "AI1;7;"), (std::vector<std::string>{"AI1", ";7;"}));
    TParseResult doubled = ParseRotorSimArgs({"--double-every", "3"});
    TDoubledAnswers answers(doubled.options.faults);
    std::string sent;
    for (const char* answer : {";1", ";2", ";3", ";4", ";5", ";6", ";7"})
        sent += answers.Pass(answer) + "|";
    EXPECT_EQ(sent, ";1|;2||;3;4|;5||;6;7|");
}

TEST(RotorSimFaults, GoesSilentForAWhileAndUnplugsOnce) {
    TLineFaults faults;
    faults.muteAfter = 2;
    faults.muteForMs = 1000;
    faults.hangUpAfter = 3;
    TFaultSchedule schedule(faults);
    using A = TQueryAction;
    const std::pair<long long, A> queries[] = {
        {0, A::Answer},    {1000, A::Answer}, {2000, A::Ignore}, {2500, A::Ignore},
        {3000, A::Answer}, {4000, A::HangUp}, {5000, A::Answer}, {6000, A::Answer},
    };
    for (const auto& [ms, action] : queries) EXPECT_EQ(schedule.OnQuery(ms), action) << ms << " ms";
}

TEST(RotorSimFaults, OptionsAreReadAndBadOnesNamed) {
    TParseResult r = ParseRotorSimArgs({"--mute-after", "3", "--mute-for=700", "--hang-up-after",
                                        "5", "--replug-after", "250", "--link", "/tmp/rotor"});
    ASSERT_EQ(r.outcome, TParseOutcome::Run) << r.error;
    EXPECT_EQ(r.options.faults.muteAfter, 3);
    EXPECT_EQ(r.options.faults.muteForMs, 700);
    EXPECT_EQ(r.options.faults.hangUpAfter, 5);
    EXPECT_EQ(r.options.faults.replugAfterMs, 250);
    EXPECT_EQ(r.options.faults.link, "/tmp/rotor");

    const std::pair<std::vector<std::string>, std::string> bad[] = {
        {{"--echo=yes"}, "--echo"},
        {{"--line-end", "crcr"}, "--line-end"},
        {{"--line-end"}, "--line-end"},
        {{"--mute-after", "-1"}, "--mute-after"},
        {{"--mute-for", "soon"}, "--mute-for"},
        {{"--hang-up-after"}, "--hang-up-after"},
        {{"--replug-after", "90000000"}, "--replug-after"},
        {{"--link", ""}, "--link"},
        {{"--separator-first", "--reply", "7;"}, "--separator-first"},
        {{"--hang-up-after", "1", "--device", "/dev/ttyUSB0"}, "--device"},
        {{"--junk-after", "\\q"}, "--junk-after"},
        {{"--junk-after", "\\x4"}, "--junk-after"},
        {{"--double-every", "1"}, "--double-every"},
        {{"--banner=yes"}, "--banner"},
    };
    for (const auto& [args, mentions] : bad) {
        TParseResult e = ParseRotorSimArgs(args);
        EXPECT_EQ(e.outcome, TParseOutcome::Error) << args[0];
        EXPECT_NE(e.error.find(mentions), std::string::npos) << e.error;
    }
}

}  // namespace
}  // namespace skyvane::rotorsim
