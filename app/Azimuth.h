// SPDX-License-Identifier: GPL-3.0-or-later
// What a rotor reply means: the azimuth text and its compass-sector label.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace skyvane {

// The compass label of an azimuth in degrees: "N", "NE", "E", "SE", "S", "SO", "O",
// "NO"; empty below 0 or above 360.
std::string SectorLabel(int degrees);

// The decimal value of a token made of an optional single "-" and one or more digits
// that fits 32 bits; nothing otherwise.
std::optional<int> AzimuthValue(std::string_view token);

// One accepted reply: the text shown and its value.
struct AzimuthReading {
    std::string text;  // as received, leading zeros kept
    int degrees = 0;
};

// The reading in one received chunk: the text before the first ";" when it is
// numeric and converts; nothing when the chunk is to be ignored.
std::optional<AzimuthReading> ParseRotorReply(std::string chunk);

}  // namespace skyvane
