// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Azimuth.h"

#include <charconv>
#include <cstdint>

#include "app/HexStr.h"

namespace skyvane {

std::string SectorLabel(int degrees) {
    struct Sector {
        int last;
        const char* label;
    };
    // Upper bounds of the sectors; the widths differ (south is 68 values wide,
    // south-west 22), so this is a table, not a division.
    static constexpr Sector sectors[] = {
        {22, "N"}, {67, "NE"}, {112, "E"}, {157, "SE"}, {225, "S"},
        {247, "SO"}, {292, "O"}, {337, "NO"}, {360, "N"},
    };
    if (degrees < 0) return {};
    for (const Sector& s : sectors)
        if (degrees <= s.last) return s.label;
    return {};
}

std::optional<int> AzimuthValue(std::string_view token) {
    std::string_view digits = token;
    if (!digits.empty() && digits.front() == '-') digits.remove_prefix(1);
    if (digits.empty()) return std::nullopt;
    for (char c : digits)
        if (c < '0' || c > '9') return std::nullopt;
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), value);
    if (error != std::errc() || end != token.data() + token.size()) return std::nullopt;
    return value;
}

std::optional<AzimuthReading> ParseRotorReply(std::string reply) {
    if (!IsNumeric(reply)) return std::nullopt;
    const std::optional<int> value = AzimuthValue(reply);
    if (!value) return std::nullopt;
    return AzimuthReading{std::move(reply), *value};
}

}  // namespace skyvane
