// SPDX-License-Identifier: GPL-3.0-or-later
// The text protocol of Hamlib's rotctld, as network clients of rotors speak it: command
// lines in, answers out. Pure functions and small value types; no sockets here.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace skyvane {

// Hamlib's error numbers as they appear in "RPRT n".
inline constexpr int RprtOk = 0;
inline constexpr int RprtInvalidArgument = -1;  // bad or missing argument, heading out of range
inline constexpr int RprtNotImplemented = -4;   // a command this server does not carry out
inline constexpr int RprtTimedOut = -5;         // no live reading: the rotor does not answer
inline constexpr int RprtNotAvailable = -11;    // a feature this rotor does not have (reset)

// Hamlib's move directions (M, \move): up, down, counter-clockwise, clockwise and the
// four diagonals. The rotor turns in azimuth only.
enum class TMoveDirection {
    Up = 2,
    Down = 4,
    CounterClockwise = 8,
    Clockwise = 16,
    UpCounterClockwise = 32,
    UpClockwise = 64,
    DownCounterClockwise = 128,
    DownClockwise = 256
};
// The azimuth part of a move: -1 counter-clockwise, +1 clockwise, 0 none (up, down).
int AzimuthSense(TMoveDirection direction);
// Hamlib's move speeds: 1..100, or -1 to leave the speed as it is.
inline constexpr int MinMoveSpeed = 1;
inline constexpr int MaxMoveSpeed = 100;
inline constexpr int UnchangedMoveSpeed = -1;

// Splits a client's byte stream into command lines ending at LF or CR. A line longer
// than MaxLineLength is not kept: its bytes are dropped as they come and it ends up as
// one overlong line, so a client that never ends a line costs no memory.
class TRotctlLineSplitter {
public:
    static constexpr std::size_t MaxLineLength = 256;

    struct TLine {
        std::string text;       // without the line end; empty when overlong
        bool overlong = false;  // the line was longer than MaxLineLength
    };

    // Takes the next received bytes; returns the lines they complete, in order.
    std::vector<TLine> Feed(std::string_view bytes);

private:
    std::string pending_;
    bool overlong_ = false;
};

// The commands of the protocol this server knows.
enum class TRotctlCommand {
    GetPosition,  // p, \get_pos
    SetPosition,  // P, \set_pos: azimuth and elevation
    Stop,         // S, \stop
    Park,         // K, \park
    GetInfo,      // _, \get_info
    DumpState,    // \dump_state: what the NET rotctl client reads when it opens
    Move,         // M, \move: direction and speed
    GetStatus,    // s, \get_status: moving or not
    Reset,        // R, \reset: a reset type
    DumpCaps,     // 1, \dump_caps: the rotor's capabilities
    Quit,         // q, Q: the client ends the conversation
    Unknown,      // anything else, answered as not implemented
};

// One command line as understood.
struct TRotctlRequest {
    TRotctlCommand command = TRotctlCommand::Unknown;
    std::string longName;  // "get_pos", "set_pos", ...; empty for Unknown
    // Extended response form: asked for by a leading "+" (records end with a line end)
    // or another punctuation character (that character ends each record, one line).
    bool extended = false;
    char separator = '\n';
    std::vector<std::string> arguments;  // as received, split at blanks
    // SetPosition: the azimuth asked for, rounded to a whole degree. Unset when the
    // arguments are missing, not numbers, or the azimuth is outside 0..360.
    std::optional<int> azimuth;
    // Move: the direction asked for (set when the arguments are valid).
    std::optional<TMoveDirection> direction;
    // RprtOk, or the error the arguments alone earn (wrong count, not numbers, range).
    int argumentError = RprtOk;
};

// Understands one command line; nothing for a blank or comment ("#") line.
std::optional<TRotctlRequest> ParseRotctlLine(std::string_view line);

// One value of an answer: how it is written in the default and in the extended form.
struct TRotctlRecord {
    std::string plain;     // "123.00"
    std::string extended;  // "Azimuth: 123.00"
};

// The answer to a request: RPRT code and, for a successful get command, its values.
// Default form: the values one a line, or "RPRT n" for set commands and every error.
// Extended form: the long name with the arguments, the values, "RPRT n", each record
// followed by the separator, the whole ending with a line end.
std::string FormatRotctlAnswer(const TRotctlRequest& request, int code,
                               const std::vector<TRotctlRecord>& records = {});

// The records of get_pos for an azimuth in whole degrees (elevation always 0).
std::vector<TRotctlRecord> PositionRecords(int azimuth);

// The records of get_info: the text naming this rotor.
std::vector<TRotctlRecord> InfoRecords(std::string_view info);

// The records of get_status: the status flags of a rotor turning clockwise (+1),
// counter-clockwise (-1) or standing (0), each followed by a blank as Hamlib writes them.
std::vector<TRotctlRecord> StatusRecords(int turning);

// The records of dump_caps: the capabilities of this rotor in rotctld's layout, with
// `info` as its name. rotctld ends it with "RPRT 0" in the default form too.
std::vector<TRotctlRecord> CapsRecords(std::string_view info);

// The records of dump_state: protocol version 1, the model of a network rotor, the
// azimuth range 0..360, no elevation, azimuth-only type, and "done".
std::vector<TRotctlRecord> DumpStateRecords();

}  // namespace skyvane
