// SPDX-License-Identifier: GPL-3.0-or-later
// The UDP rotor packets that loggers send, read and answered without any socket:
// N1MM Logger+'s <N1MMRotor> datagrams (also sent by other contest loggers) and the
// PST-style <PST> commands of GridTracker's "Aim Rotator" and QLog's rotator driver.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace skyvane {

// The ports these programs use unless told otherwise.
inline constexpr std::uint16_t DefaultN1mmPort = 12040;       // commands to the rotor
inline constexpr std::uint16_t N1mmHeadingReplyPort = 13010;  // headings back to the logger
inline constexpr std::uint16_t DefaultPstPort = 12000;        // answers go to this + 1

// A turn or stop for a named rotor.
struct TN1mmCommand {
    enum Kind { Turn, Stop } kind = Turn;
    std::string rotor;   // the rotor's name as the logger knows it
    double heading = 0;  // Turn: <goazi> less <offset>, in degrees
    bool operator==(const TN1mmCommand&) const = default;
};

// Reads "<N1MMRotor><rotor>NAME</rotor><goazi>55.0</goazi><offset>0.0</offset>...
// </N1MMRotor>" (a turn) or "<N1MMRotor><stop><rotor>NAME</rotor></stop></N1MMRotor>"
// (a stop); an XML declaration and blanks between elements are allowed. Nothing for
// anything else, a turn without a number in <goazi> among it.
std::optional<TN1mmCommand> ParseN1mmCommand(std::string_view datagram);

// The heading going back to the logger: "NAME @ 1460" (tenths of a degree).
std::string N1mmHeadingText(std::string_view rotor, int degrees);

// True when `rotor` names the rotor called `ours` (letter case and blanks around aside).
bool SameRotorName(std::string_view rotor, std::string_view ours);

// A PST-style command.
struct TPstCommand {
    enum Kind { Turn, Park, Stop, AskHeading } kind = AskHeading;
    double heading = 0;  // Turn: the <AZIMUTH> in degrees
    bool operator==(const TPstCommand&) const = default;
};

// Reads "<PST><AZIMUTH>85</AZIMUTH></PST>", "<PST><PARK>1</PARK></PST>",
// "<PST><STOP>1</STOP></PST>" and "<PST>AZ?</PST>". Nothing for anything else.
std::optional<TPstCommand> ParsePstCommand(std::string_view datagram);

// The answer to "AZ?": "AZ:085".
std::string PstHeadingText(int degrees);

// A packet's heading as the whole degree asked for, held within +-100000 so that any
// number, however large, stays a number a range check can refuse.
int RequestedDegrees(double heading);

}  // namespace skyvane
