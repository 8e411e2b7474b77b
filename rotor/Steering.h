// SPDX-License-Identifier: GPL-3.0-or-later
// The steering commands of the rotor controller's protocol family: turn to a heading
// and stop. They go out on the same line as the heading query, between polls.
#pragma once

#include <optional>
#include <string>

namespace skyvane {

// The headings a turn may ask for, in whole degrees.
inline constexpr int MinSteerHeading = 0;
inline constexpr int MaxSteerHeading = 360;

// True when `heading` lies within MinSteerHeading..MaxSteerHeading.
bool IsSteerHeading(int heading);

// Where a move in azimuth sense `sense` (-1 counter-clockwise, +1 clockwise) turns the
// rotor: the end of the turning range that way. Nothing for sense 0.
std::optional<int> MoveEndHeading(int sense);

// The bytes that turn the rotor to `heading`: "AP1" + three digits + ";" (the target),
// then "AM1;" (start moving). Nothing for a heading outside 0..360.
std::optional<std::string> TurnCommand(int heading);

// The bytes that stop a turning rotor: a lone ";".
std::string StopCommand();

}  // namespace skyvane
