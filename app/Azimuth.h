// SPDX-License-Identifier: GPL-3.0-or-later
// What a rotor reply means: the azimuth text and its compass-sector label.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "rotor/RotorReadings.h"

namespace skyvane {

// The compass label of an azimuth in degrees: "N", "NE", "E", "SE", "S", "SO", "O",
// "NO"; empty below 0 or above 360.
std::string SectorLabel(int degrees);

// The decimal value of a token made of an optional single "-" and one or more digits
// that fits 32 bits; nothing otherwise.
std::optional<int> AzimuthValue(std::string_view token);

// The reading a whole reply (the text between two terminators) stands for: the
// reply itself when it is numeric and converts; nothing when it is to be ignored.
std::optional<AzimuthReading> ParseRotorReply(std::string reply);

}  // namespace skyvane
