// SPDX-License-Identifier: GPL-3.0-or-later
// Small text helpers for the configuration file, the log header and rotor replies.
// Texts are 8-bit byte strings; none of these functions keeps state or throws.
#pragma once

#include <string>
#include <string_view>

namespace skyvane {

// True when the text is not empty and holds only digits and the characters ",", "-"
// and "." (in any order: "-", "1-2" and "12.5" count, " 45" and "+45" do not).
bool IsNumeric(std::string_view text);

// The text upper-cased byte by byte under the current locale; same length.
std::string UpperText(std::string_view text);

// True when the upper-cased text is exactly "TRUE", "YES" or "ON".
bool IsTrueText(std::string_view text);

// "TRUE" or "FALSE".
std::string BoolToText(bool value);

// Moves the text before the first `separator` of `source` into `token` and leaves
// the text after it in `source`; without a separator the whole source becomes the
// token and the source becomes empty.
void GetToken(std::string& source, char separator, std::string& token);

}  // namespace skyvane
