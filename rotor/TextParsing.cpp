// SPDX-License-Identifier: GPL-3.0-or-later
#include "rotor/TextParsing.h"

#include <charconv>
#include <cmath>

namespace skyvane {
namespace {

template <class IsSpace>
std::string_view Trim(std::string_view text, IsSpace isSpace) {
    while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
    return text;
}

}  // namespace

std::string_view TrimmedBlanks(std::string_view text) {
    return Trim(text, [](char c) { return c == ' ' || c == '\t'; });
}

std::string_view TrimmedSpace(std::string_view text) {
    return Trim(text, [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; });
}

std::optional<double> DecimalNumber(std::string_view text) {
    text = TrimmedSpace(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    double value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end || !std::isfinite(value))
        return std::nullopt;
    return value;
}

}  // namespace skyvane
