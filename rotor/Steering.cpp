// SPDX-License-Identifier: GPL-3.0-or-later
#include "rotor/Steering.h"

namespace skyvane {

bool IsSteerHeading(int heading) {
    return heading >= MinSteerHeading && heading <= MaxSteerHeading;
}

std::optional<int> MoveEndHeading(int sense) {
    if (sense == 0) return std::nullopt;
    return sense < 0 ? MinSteerHeading : MaxSteerHeading;
}

std::optional<std::string> TurnCommand(int heading) {
    if (!IsSteerHeading(heading)) return std::nullopt;
    std::string digits = std::to_string(heading);
    digits.insert(0, 3 - digits.size(), '0');
    return "AP1" + digits + ";AM1;";
}

std::string StopCommand() {
    return ";";
}

}  // namespace skyvane
