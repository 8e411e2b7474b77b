// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/rotorsim/Model603.h"

#include <cctype>
#include <cstdio>

namespace skyvane::rotorsim {
namespace {

bool Digits(std::string_view text) {
    if (text.empty()) return false;
    for (char c : text)
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    return true;
}

// The turn target of "Waaa eee" or "Maaa": three digits, at most 450.
TModel603Command TurnTo(std::string_view digits) {
    if (digits.size() != 3 || !Digits(digits)) return {};
    const int target = std::stoi(std::string(digits));
    if (target > 450) return {};
    return {TModel603Command::Turn, target};
}

TModel603Command Understood(std::string_view line) {
    if (line == "C2") return {TModel603Command::Position};
    if (line == "C") return {TModel603Command::Azimuth};
    if (line == "S" || line == "A") return {TModel603Command::Stop};
    if (line.size() == 2 && line[0] == 'X' && line[1] >= '1' && line[1] <= '4')
        return {TModel603Command::Speed, line[1] - '0'};
    if (line.size() == 4 && line[0] == 'M') return TurnTo(line.substr(1));
    if (line.size() == 8 && line[0] == 'W' && line[4] == ' ' && Digits(line.substr(5)))
        return TurnTo(line.substr(1, 3));
    return {};
}

}  // namespace

std::vector<TModel603Command> TModel603Scanner::Feed(std::string_view bytes) {
    std::vector<TModel603Command> commands;
    for (char c : bytes) {
        if (c == '\n') continue;
        if (c != '\r') {
            if (command_.size() < MaxCommandLength)
                command_.push_back(c);
            else
                overflow_ = true;
            continue;
        }
        if (overflow_)
            commands.push_back({});
        else if (!command_.empty())
            commands.push_back(Understood(command_));
        command_.clear();
        overflow_ = false;
    }
    return commands;
}

std::string Model603Reply(const TModel603Command& command, int azimuth) {
    char text[32];
    switch (command.kind) {
        case TModel603Command::Position:
            std::snprintf(text, sizeof text, "AZ=%03d  EL=000\r\n", azimuth);
            return text;
        case TModel603Command::Azimuth:
            std::snprintf(text, sizeof text, "AZ=%03d\r\n", azimuth);
            return text;
        case TModel603Command::Unknown:
            return "?>\r\n";
        default:
            return {};
    }
}

}  // namespace skyvane::rotorsim
