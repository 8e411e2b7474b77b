// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/HexStr.h"

#include <cctype>

namespace skyvane {

bool IsNumeric(std::string_view text) {
    if (text.empty()) return false;
    for (char c : text) {
        const bool digit = c >= '0' && c <= '9';
        if (!digit && c != ',' && c != '-' && c != '.') return false;
    }
    return true;
}

std::string UpperText(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper;
}

bool IsTrueText(std::string_view text) {
    const std::string upper = UpperText(text);
    return upper == "TRUE" || upper == "YES" || upper == "ON";
}

std::string BoolToText(bool value) { return value ? "TRUE" : "FALSE"; }

void GetToken(std::string& source, char separator, std::string& token) {
    // Positions are not limited to 16 bits here: a long source is cut as any other.
    const std::size_t at = source.find(separator);
    if (at == std::string::npos) {
        token = std::move(source);
        source.clear();
        return;
    }
    token = source.substr(0, at);
    source.erase(0, at + 1);
}

}  // namespace skyvane
