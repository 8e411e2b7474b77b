// SPDX-License-Identifier: GPL-3.0-or-later
#include "rotor/RotctlProtocol.h"

#include <charconv>
#include <cmath>

#include "rotor/Steering.h"
#include "rotor/TextParsing.h"

namespace skyvane {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::vector<std::string> SplitAtBlanks(std::string_view text) {
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && IsBlank(text[i])) ++i;
        const std::size_t start = i;
        while (i < text.size() && !IsBlank(text[i])) ++i;
        if (i > start) words.emplace_back(text.substr(start, i - start));
    }
    return words;
}

// The punctuation characters that ask for the one-line extended form: what C's
// ispunct() accepts in the "C" locale, less "\" (long names), "?" and "_" (commands)
// and "#" (comments). "+" asks for the extended form with line ends.
bool IsSeparatorPrefix(char c) {
    const bool punct = (c >= '!' && c <= '/') || (c >= ':' && c <= '@') || (c >= '[' && c <= '`') ||
                       (c >= '{' && c <= '~');
    return punct && c != '\\' && c != '?' && c != '_' && c != '#';
}

struct TCommandName {
    char shortName;  // 0: long name only
    std::string_view longName;
    TRotctlCommand command;
    std::size_t argumentCount;
};

constexpr TCommandName kCommands[] = {
    {'p', "get_pos", TRotctlCommand::GetPosition, 0},
    {'P', "set_pos", TRotctlCommand::SetPosition, 2},
    {'S', "stop", TRotctlCommand::Stop, 0},
    {'K', "park", TRotctlCommand::Park, 0},
    {'_', "get_info", TRotctlCommand::GetInfo, 0},
    {0, "dump_state", TRotctlCommand::DumpState, 0},
    {'M', "move", TRotctlCommand::Move, 2},
    {'s', "get_status", TRotctlCommand::GetStatus, 0},
    {'R', "reset", TRotctlCommand::Reset, 1},
    {'1', "dump_caps", TRotctlCommand::DumpCaps, 0},
};

// The rotor's elevation range: it turns in azimuth only.
constexpr double MinElevation = 0;
constexpr double MaxElevation = 0;

const TCommandName* FindShort(char c) {
    for (const TCommandName& name : kCommands)
        if (name.shortName != 0 && name.shortName == c) return &name;
    return nullptr;
}

const TCommandName* FindLong(std::string_view word) {
    for (const TCommandName& name : kCommands)
        if (name.longName == word) return &name;
    return nullptr;
}

// A decimal number as clients write it, in any locale: "200", "200.5", "+200", and
// "200,5" from programs that print numbers with a decimal comma.
std::optional<double> ParseNumber(std::string text) {
    if (text.find('.') == std::string::npos) {
        const std::size_t comma = text.find(',');
        if (comma != std::string::npos) text[comma] = '.';
    }
    return DecimalNumber(text);
}

// A whole number as Hamlib's argument parsing reads one: optional sign, digits only.
std::optional<int> ParseWhole(std::string text) {
    if (!text.empty() && text.front() == '+') text.erase(0, 1);
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end) return std::nullopt;
    return value;
}

std::optional<TMoveDirection> ParseDirection(const std::string& text) {
    const std::optional<int> value = ParseWhole(text);
    if (!value) return std::nullopt;
    for (int known = 2; known <= 256; known *= 2)
        if (*value == known) return static_cast<TMoveDirection>(known);
    return std::nullopt;
}

bool IsMoveSpeed(const std::string& text) {
    const std::optional<int> speed = ParseWhole(text);
    return speed &&
           (*speed == UnchangedMoveSpeed || (*speed >= MinMoveSpeed && *speed <= MaxMoveSpeed));
}

// The error the arguments of a known command earn, filling in what they mean.
int CheckArguments(TRotctlRequest& request) {
    switch (request.command) {
        case TRotctlCommand::SetPosition: {
            const std::optional<double> azimuth = ParseNumber(request.arguments[0]);
            const std::optional<double> elevation = ParseNumber(request.arguments[1]);
            if (!azimuth || !elevation || *azimuth < MinRequestAzimuth ||
                *azimuth > MaxRequestAzimuth || *elevation < MinElevation ||
                *elevation > MaxElevation)
                return RprtInvalidArgument;
            request.azimuth = static_cast<int>(std::lround(*azimuth));
            return RprtOk;
        }
        case TRotctlCommand::Move:
            request.direction = ParseDirection(request.arguments[0]);
            if (!request.direction || !IsMoveSpeed(request.arguments[1])) {
                request.direction.reset();
                return RprtInvalidArgument;
            }
            return RprtOk;
        case TRotctlCommand::Reset:
            return ParseWhole(request.arguments[0]) ? RprtOk : RprtInvalidArgument;
        default:
            return RprtOk;
    }
}

// "%.2f" of a whole number, without the locale's say in the decimal mark.
std::string TwoDecimals(int value) {
    return std::to_string(value) + ".00";
}

// "%f" of a whole number, the same way.
std::string SixDecimals(int value) {
    return std::to_string(value) + ".000000";
}

}  // namespace

std::vector<TRotctlLineSplitter::TLine> TRotctlLineSplitter::Feed(std::string_view bytes) {
    std::vector<TLine> lines;
    for (char c : bytes) {
        if (c == '\n' || c == '\r') {
            lines.push_back(TLine{overlong_ ? std::string() : std::move(pending_), overlong_});
            pending_.clear();
            overlong_ = false;
        } else if (!overlong_) {
            if (pending_.size() < MaxLineLength) {
                pending_.push_back(c);
            } else {
                pending_.clear();
                pending_.shrink_to_fit();
                overlong_ = true;
            }
        }
    }
    return lines;
}

std::optional<TRotctlRequest> ParseRotctlLine(std::string_view line) {
    line = TrimmedBlanks(line);
    if (line.empty() || line.front() == '#') return std::nullopt;

    TRotctlRequest request;
    if (line.front() == '+' || IsSeparatorPrefix(line.front())) {
        // A blank after the prefix leaves the default form, as rotctld reads it.
        request.extended = line.size() > 1 && !IsBlank(line[1]);
        if (request.extended) request.separator = line.front() == '+' ? '\n' : line.front();
        line = TrimmedBlanks(line.substr(1));
        if (line.empty()) return std::nullopt;
    }

    const TCommandName* name = nullptr;
    std::string_view rest;
    if (line.front() == '\\') {
        std::size_t end = 1;
        while (end < line.size() && !IsBlank(line[end])) ++end;
        name = FindLong(line.substr(1, end - 1));
        rest = line.substr(end);
    } else {
        name = FindShort(line.front());
        if (!name && (line.front() == 'q' || line.front() == 'Q')) {
            request.command = TRotctlCommand::Quit;
            return request;
        }
        rest = line.substr(1);
    }
    request.arguments = SplitAtBlanks(rest);
    if (!name) {
        request.argumentError = RprtNotImplemented;
        return request;
    }
    request.command = name->command;
    request.longName = std::string(name->longName);
    if (request.arguments.size() != name->argumentCount) {
        request.argumentError = RprtInvalidArgument;
        return request;
    }
    request.argumentError = CheckArguments(request);
    return request;
}

std::string FormatRotctlAnswer(const TRotctlRequest& request, int code,
                               const std::vector<TRotctlRecord>& records) {
    const std::string rprt = "RPRT " + std::to_string(code);
    if (request.command == TRotctlCommand::Unknown) return rprt + "\n";
    if (!request.extended) {
        const bool getCommand = request.command == TRotctlCommand::GetPosition ||
                                request.command == TRotctlCommand::GetInfo ||
                                request.command == TRotctlCommand::DumpState ||
                                request.command == TRotctlCommand::GetStatus ||
                                request.command == TRotctlCommand::DumpCaps;
        if (code != RprtOk || !getCommand) return rprt + "\n";
        std::string answer;
        for (const TRotctlRecord& record : records) answer += record.plain + "\n";
        if (request.command == TRotctlCommand::DumpCaps) answer += rprt + "\n";
        return answer;
    }
    std::string answer = request.longName + ":";
    for (const std::string& argument : request.arguments) answer += " " + argument;
    answer += request.separator;
    if (code == RprtOk)
        for (const TRotctlRecord& record : records) answer += record.extended + request.separator;
    return answer + rprt + "\n";
}

std::vector<TRotctlRecord> PositionRecords(int azimuth) {
    return {
        {TwoDecimals(azimuth), "Azimuth: " + TwoDecimals(azimuth)},
        {TwoDecimals(0), "Elevation: " + TwoDecimals(0)},
    };
}

std::vector<TRotctlRecord> InfoRecords(std::string_view info) {
    return {{std::string(info), "Info: " + std::string(info)}};
}

int AzimuthSense(TMoveDirection direction) {
    switch (direction) {
        case TMoveDirection::CounterClockwise:
        case TMoveDirection::UpCounterClockwise:
        case TMoveDirection::DownCounterClockwise:
            return -1;
        case TMoveDirection::Clockwise:
        case TMoveDirection::UpClockwise:
        case TMoveDirection::DownClockwise:
            return 1;
        case TMoveDirection::Up:
        case TMoveDirection::Down:
            break;
    }
    return 0;
}

std::vector<TRotctlRecord> StatusRecords(int turning) {
    std::string flags;
    if (turning != 0)
        flags = turning > 0 ? "MOVING MOVING_AZ MOVING_RIGHT " : "MOVING MOVING_AZ MOVING_LEFT ";
    return {{flags, "Status flags: " + flags}};
}

std::vector<TRotctlRecord> CapsRecords(std::string_view info, const TAzimuthRange& range) {
    const std::string name(info);
    const auto degrees = [](int value) { return std::to_string(value) + ".00"; };
    const std::string caps =
        "Caps dump for model:\t2\n"
        "Model name:\t\t" +
        name +
        "\n"
        "Mfg name:\t\t" +
        name +
        "\n"
        "Backend version:\t1.0\n"
        "Backend copyright:\tGPL\n"
        "Backend status:\t\tStable\n"
        "Rot type:\t\tAz\n"
        "Port type:\t\tNetwork link\n"
        "Write delay:\t\t0mS, timeout 0mS, 0 retries\n"
        "Post Write delay:\t0mS\n"
        "Status flags: MOVING MOVING_AZ MOVING_LEFT MOVING_RIGHT \n"
        "Get functions: \nSet functions: \nExtra functions:\n"
        "Get level: \nSet level: \nExtra levels:\n"
        "Get parameters: \nSet parameters: \nExtra parameters:\n"
        "Min Azimuth:\t\t" +
        degrees(range.min) +
        "\n"
        "Max Azimuth:\t\t" +
        degrees(range.max) +
        "\n"
        "Min Elevation:\t\t0.00\nMax Elevation:\t\t0.00\n"
        "Has priv data:\t\tN\nHas Init:\t\tN\nHas Cleanup:\t\tN\n"
        "Has Open:\t\tY\nHas Close:\t\tY\n"
        "Can set Conf:\t\tN\nCan get Conf:\t\tN\n"
        "Can set Position:\tY\nCan get Position:\tY\n"
        "Can Stop:\t\tY\nCan Park:\t\tY\nCan Reset:\t\tN\nCan Move:\t\tY\n"
        "Can get Info:\t\tY\nCan get Status:\t\tY\n"
        "Can set Func:\tN\nCan get Func:\tN\nCan set Level:\tN\nCan get Level:\tN\n"
        "Can set Param:\tN\nCan get Param:\tN\n"
        "\nOverall backend warnings: 0";
    return {{caps, caps}};
}

std::vector<TRotctlRecord> DumpStateRecords(const TAzimuthRange& range) {
    const std::string minimum = SixDecimals(range.min);
    const std::string maximum = SixDecimals(range.max);
    return {
        {"1", "rotctld Protocol Ver: 1"},
        // Hamlib's model number of a rotor reached over the network.
        {"2", "Rotor Model: 2"},
        {"min_az=" + minimum, "Minimum Azimuth: " + minimum},
        {"max_az=" + maximum, "Maximum Azimuth: " + maximum},
        {"min_el=0.000000", "Minimum Elevation: 0.000000"},
        {"max_el=0.000000", "Maximum Elevation: 0.000000"},
        {"south_zero=0", "South Zero: 0"},
        {"rot_type=Az", "rot_type=Az"},
        {"done", "done"},
    };
}

}  // namespace skyvane
