// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "rotor/RotctlProtocol.h"

namespace skyvane {
namespace {

TEST(RotctlLineSplitter, EndsLinesAtLfOrCrAndKeepsPartsAcrossReads) {
    struct Case {
        std::vector<std::string> reads;
        std::vector<std::string> lines;
    } cases[] = {
        {{"p\n"}, {"p"}},
        {{"p\r\n"}, {"p", ""}},
        {{"p\rP 1 2\r"}, {"p", "P 1 2"}},
        {{"P 2", "00 ", "0\n"}, {"P 200 0"}},
        {{"p"}, {}},  // no line end yet
        {{"", "\n"}, {""}},
        {{std::string("a\0b\n", 4)}, {std::string("a\0b", 3)}},
    };
    for (const Case& c : cases) {
        TRotctlLineSplitter splitter;
        std::vector<std::string> lines;
        for (const std::string& read : c.reads)
            for (const auto& line : splitter.Feed(read)) {
                EXPECT_FALSE(line.overlong);
                lines.push_back(line.text);
            }
        EXPECT_EQ(lines, c.lines) << ::testing::PrintToString(c.reads);
    }
}

TEST(RotctlLineSplitter, DropsAnOverlongLineWholeAndGoesOnAfterIt) {
    TRotctlLineSplitter splitter;
    const std::string longest(TRotctlLineSplitter::MaxLineLength, 'x');
    auto lines = splitter.Feed(longest + "\n");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_FALSE(lines[0].overlong);
    EXPECT_EQ(lines[0].text, longest);

    // One byte more, sent in pieces and then a megabyte more: one overlong line.
    EXPECT_TRUE(splitter.Feed(longest).empty());
    EXPECT_TRUE(splitter.Feed("y").empty());
    for (int i = 0; i < 256; ++i) EXPECT_TRUE(splitter.Feed(std::string(4096, 'z')).empty());
    lines = splitter.Feed("tail\np\n");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_TRUE(lines[0].overlong);
    EXPECT_EQ(lines[0].text, "");
    EXPECT_FALSE(lines[1].overlong);
    EXPECT_EQ(lines[1].text, "p");
}

TEST(RotctlParse, KnowsTheShortAndLongNamesAndTheResponseForms) {
    using C = TRotctlCommand;
    struct Case {
        std::string line;
        C command;
        bool extended;
        char separator;
        int argumentError;
    } cases[] = {
        {"p", C::GetPosition, false, '\n', RprtOk},
        {"\\get_pos", C::GetPosition, false, '\n', RprtOk},
        {"  p  ", C::GetPosition, false, '\n', RprtOk},
        {"+p", C::GetPosition, true, '\n', RprtOk},
        {"+\\get_pos", C::GetPosition, true, '\n', RprtOk},
        {";p", C::GetPosition, true, ';', RprtOk},
        {"|p", C::GetPosition, true, '|', RprtOk},
        {",\\get_pos", C::GetPosition, true, ',', RprtOk},
        {"P 200 0", C::SetPosition, false, '\n', RprtOk},
        {"\\set_pos 200 0", C::SetPosition, false, '\n', RprtOk},
        {"S", C::Stop, false, '\n', RprtOk},
        {"\\stop", C::Stop, false, '\n', RprtOk},
        {"K", C::Park, false, '\n', RprtOk},
        {"+\\park", C::Park, true, '\n', RprtOk},
        {"_", C::GetInfo, false, '\n', RprtOk},
        {"\\get_info", C::GetInfo, false, '\n', RprtOk},
        {"\\dump_state", C::DumpState, false, '\n', RprtOk},
        {"q", C::Quit, false, '\n', RprtOk},
        {"Q", C::Quit, false, '\n', RprtOk},
        {"x", C::Unknown, false, '\n', RprtNotImplemented},
        {"M 2 5", C::Move, false, '\n', RprtOk},
        {"+ p", C::GetPosition, false, '\n', RprtOk},
        {"\\get_pos_x", C::Unknown, false, '\n', RprtNotImplemented},
        {"\\GET_POS", C::Unknown, false, '\n', RprtNotImplemented},
        {"\\", C::Unknown, false, '\n', RprtNotImplemented},
        {"?", C::Unknown, false, '\n', RprtNotImplemented},
        {"s", C::GetStatus, false, '\n', RprtOk},
        {"p extra", C::GetPosition, false, '\n', RprtInvalidArgument},
        {"pp", C::GetPosition, false, '\n', RprtInvalidArgument},
        {"S now", C::Stop, false, '\n', RprtInvalidArgument},
    };
    for (const Case& c : cases) {
        const std::optional<TRotctlRequest> r = ParseRotctlLine(c.line);
        ASSERT_TRUE(r.has_value()) << c.line;
        EXPECT_EQ(r->command, c.command) << c.line;
        EXPECT_EQ(r->extended, c.extended) << c.line;
        EXPECT_EQ(r->separator, c.separator) << c.line;
        EXPECT_EQ(r->argumentError, c.argumentError) << c.line;
    }
    for (const char* silent : {"", "   ", "\t", "# a comment", "+", "; "})
        EXPECT_FALSE(ParseRotctlLine(silent).has_value()) << '"' << silent << '"';
}

TEST(RotctlParse, SetPositionTakesWholeDegreesWithinAFullCircle) {
    struct Case {
        std::string line;
        std::optional<int> azimuth;  // unset: invalid argument
    } cases[] = {
        {"P 200 0", 200},
        {"P 0 0", 0},
        {"P 360 0", 360},
        {"P 200.4 0", 200},
        {"P 200.4 10", std::nullopt},  // no elevation beyond 0..0
        {"P 200.5 0", 201},
        {"P 359.6 0", 360},
        {"P +45 0", 45},
        {"P 45.000000 0.000000", 45},
        {"P 123,6 0,0", 124},  // decimal comma from some locales
        {"P\t90\t0", 90},
        {"P  90   0", 90},
        {"P90 0", 90},
        {"P 360.4 0", std::nullopt},
        {"P -0.5 0", std::nullopt},
        {"P -10 0", std::nullopt},
        {"P 400 0", std::nullopt},
        {"P abc 0", std::nullopt},
        {"P 200 abc", std::nullopt},
        {"P 200", std::nullopt},
        {"P", std::nullopt},
        {"P 1 2 3", std::nullopt},
        {"P nan 0", std::nullopt},
        {"P inf 0", std::nullopt},
        {"P 1e2 0", 100},
        {"P 1e400 0", std::nullopt},
        {"P 0x10 0", std::nullopt},
        {"P 12,5.5 0", std::nullopt},
    };
    for (const Case& c : cases) {
        const std::optional<TRotctlRequest> r = ParseRotctlLine(c.line);
        ASSERT_TRUE(r.has_value()) << c.line;
        EXPECT_EQ(r->command, TRotctlCommand::SetPosition) << c.line;
        EXPECT_EQ(r->azimuth, c.azimuth) << c.line;
        EXPECT_EQ(r->argumentError, c.azimuth ? RprtOk : RprtInvalidArgument) << c.line;
    }
}

// The answers as Hamlib's rotctld writes them, byte for byte.
TEST(RotctlFormat, DefaultAndExtendedAnswers) {
    struct Case {
        std::string line;
        int code;
        std::vector<TRotctlRecord> records;
        std::string answer;
    } cases[] = {
        {"p", RprtOk, PositionRecords(123), "123.00\n0.00\n"},
        {"\\get_pos", RprtOk, PositionRecords(5), "5.00\n0.00\n"},
        {"p", RprtTimedOut, {}, "RPRT -5\n"},
        {"+p", RprtOk, PositionRecords(45), "get_pos:\nAzimuth: 45.00\nElevation: 0.00\nRPRT 0\n"},
        {";p", RprtOk, PositionRecords(45), "get_pos:;Azimuth: 45.00;Elevation: 0.00;RPRT 0\n"},
        {"|\\get_pos", RprtOk, PositionRecords(0),
         "get_pos:|Azimuth: 0.00|Elevation: 0.00|RPRT 0\n"},
        {"+p", RprtTimedOut, {}, "get_pos:\nRPRT -5\n"},
        {";p", RprtTimedOut, {}, "get_pos:;RPRT -5\n"},
        {"P 200 10", RprtOk, {}, "RPRT 0\n"},
        {"P 400 0", RprtInvalidArgument, {}, "RPRT -1\n"},
        {"+P 200 10", RprtOk, {}, "set_pos: 200 10\nRPRT 0\n"},
        {"+P abc 0", RprtInvalidArgument, {}, "set_pos: abc 0\nRPRT -1\n"},
        {";P 10 20", RprtOk, {}, "set_pos: 10 20;RPRT 0\n"},
        {"S", RprtOk, {}, "RPRT 0\n"},
        {"+S", RprtOk, {}, "stop:\nRPRT 0\n"},
        {";S", RprtOk, {}, "stop:;RPRT 0\n"},
        {"K", RprtTimedOut, {}, "RPRT -5\n"},
        {"+K", RprtOk, {}, "park:\nRPRT 0\n"},
        {"_", RprtOk, InfoRecords("Skyvane"), "Skyvane\n"},
        {"+_", RprtOk, InfoRecords("Skyvane"), "get_info:\nInfo: Skyvane\nRPRT 0\n"},
        {";_", RprtOk, InfoRecords("Skyvane"), "get_info:;Info: Skyvane;RPRT 0\n"},
        {"x", RprtNotImplemented, {}, "RPRT -4\n"},
        {"+x", RprtNotImplemented, {}, "RPRT -4\n"},
        {";x", RprtNotImplemented, {}, "RPRT -4\n"},
    };
    for (const Case& c : cases) {
        const std::optional<TRotctlRequest> r = ParseRotctlLine(c.line);
        ASSERT_TRUE(r.has_value()) << c.line;
        EXPECT_EQ(FormatRotctlAnswer(*r, c.code, c.records), c.answer) << c.line;
    }
}

TEST(RotctlFormat, DumpStateIsWhatTheNetworkClientReadsWhenItOpens) {
    // Protocol 1: version, model, then key=value lines up to "done"; the client takes
    // min/max azimuth and elevation, south_zero and rot_type from them.
    EXPECT_EQ(FormatRotctlAnswer(*ParseRotctlLine("\\dump_state"), RprtOk, DumpStateRecords()),
              "1\n2\nmin_az=0.000000\nmax_az=360.000000\nmin_el=0.000000\nmax_el=0.000000\n"
              "south_zero=0\nrot_type=Az\ndone\n");
    EXPECT_EQ(FormatRotctlAnswer(*ParseRotctlLine(";\\dump_state"), RprtOk, DumpStateRecords()),
              "dump_state:;rotctld Protocol Ver: 1;Rotor Model: 2;Minimum Azimuth: 0.000000;"
              "Maximum Azimuth: 360.000000;Minimum Elevation: 0.000000;"
              "Maximum Elevation: 0.000000;South Zero: 0;rot_type=Az;done;RPRT 0\n");
}

}  // namespace
}  // namespace skyvane
