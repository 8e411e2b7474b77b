// SPDX-License-Identifier: GPL-3.0-or-later
// The loggers' rotor packets as N1MM Logger+, GridTracker and QLog send them, and the
// steering source that names each turn and refuses those outside the rotor's range.
#include <gtest/gtest.h>

#include "rotor/LoggerRotorPackets.h"
#include "rotor/SteeringSource.h"
#include "tests/rotor/FakeRotorAccess.h"

namespace skyvane {
namespace {

TEST(LoggerRotorPackets, N1mmDatagrams) {
    using C = TN1mmCommand;
    const struct {
        const char* datagram;
        std::optional<C> command;
    } cases[] = {
        {"<N1MMRotor><rotor>Skyvane</rotor><goazi>55.0</goazi><offset>0.0</offset>"
         "<bidirectional>0</bidirectional><freqband>14</freqband></N1MMRotor>",
         C{C::Turn, "Skyvane", 55.0}},
        {"<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<N1MMRotor>\r\n  <rotor>Tower 2</rotor>\r\n"
         "  <goazi>300.5</goazi>\r\n  <offset>10</offset>\r\n</N1MMRotor>\r\n",
         C{C::Turn, "Tower 2", 290.5}},
        {"<N1MMRotor><stop><rotor>Skyvane</rotor><freqband>14</freqband></stop></N1MMRotor>",
         C{C::Stop, "Skyvane", 0}},
        {"<N1MMRotor><rotor>A</rotor><goazi>north</goazi></N1MMRotor>", std::nullopt},
        {"<N1MMRotor><rotor>A</rotor><goazi>90</goazi><offset>x</offset></N1MMRotor>",
         std::nullopt},
        {"<N1MMRotor><goazi>90</goazi></N1MMRotor>", std::nullopt},
        {"<N1MMRotor><rotor>A</rotor><goazi>90</goazi>", std::nullopt},
        {"<N1MMRotor><stop></stop></N1MMRotor>", std::nullopt},
        {"<PST><AZIMUTH>85</AZIMUTH></PST>", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(ParseN1mmCommand(c.datagram), c.command) << c.datagram;
    EXPECT_EQ(N1mmHeadingText("Skyvane", 146), "Skyvane @ 1460");
    EXPECT_TRUE(SameRotorName(" skyvane ", "Skyvane"));
    EXPECT_FALSE(SameRotorName("Skyvane2", "Skyvane"));
}

TEST(LoggerRotorPackets, PstDatagrams) {
    using C = TPstCommand;
    const struct {
        const char* datagram;
        std::optional<C> command;
    } cases[] = {
        {"<PST><AZIMUTH>85</AZIMUTH></PST>", C{C::Turn, 85}},
        {"<PST><AZIMUTH>85.6</AZIMUTH></PST>\r\n", C{C::Turn, 85.6}},
        {"<PST><PARK>1</PARK></PST>", C{C::Park, 0}},
        {"<PST><STOP>1</STOP></PST>", C{C::Stop, 0}},
        {"<PST>AZ?</PST>", C{C::AskHeading, 0}},
        {"<PST><AZIMUTH></AZIMUTH></PST>", std::nullopt},
        {"<PST><ELEVATION>10</ELEVATION></PST>", std::nullopt},
        {"<PST>AZ?", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(ParsePstCommand(c.datagram), c.command) << c.datagram;
    EXPECT_EQ(PstHeadingText(85), "AZ:085");
    EXPECT_EQ(PstHeadingText(360), "AZ:360");
    EXPECT_EQ(RequestedDegrees(85.5), 86);
    EXPECT_EQ(RequestedDegrees(-0.4), 0);
    EXPECT_EQ(RequestedDegrees(1e300), 100000);
}

TEST(SteeringSource, EveryRequestNamesItsSourceAndTurnsOutsideTheRangeAreNotCarriedOut) {
    test::FakeRotorAccess rotor;
    std::vector<std::string> trace;
    TSteeringSource source(
        rotor, "WSJT-X", [&](const std::string& line) { trace.push_back(line); },
        [] { return 123; });
    for (int heading : {-1, 0, 200, 360, 361, 100000}) source.RequestTurn(heading);
    EXPECT_TRUE(source.RequestPark());
    EXPECT_TRUE(source.RequestStop());
    rotor.reachable = false;
    EXPECT_FALSE(source.RequestTurn(10));
    EXPECT_EQ(rotor.requests,
              (std::vector<std::string>{"turn 0", "turn 200", "turn 360", "turn 123", "stop"}));
    const std::vector<std::string> expected{
        "Turn to -1\xC2\xB0 from WSJT-X not carried out: outside the rotor's range 0 to 360",
        "Turn to 0\xC2\xB0 from WSJT-X",
        "Turn to 200\xC2\xB0 from WSJT-X",
        "Turn to 360\xC2\xB0 from WSJT-X",
        "Turn to 361\xC2\xB0 from WSJT-X not carried out: outside the rotor's range 0 to 360",
        "Turn to 100000\xC2\xB0 from WSJT-X not carried out: outside the rotor's range 0 to 360",
        "Park at 123\xC2\xB0 from WSJT-X",
        "Stop from WSJT-X",
        "Turn to 10\xC2\xB0 from WSJT-X: the rotor cannot be reached now",
    };
    EXPECT_EQ(trace, expected);
}

}  // namespace
}  // namespace skyvane
