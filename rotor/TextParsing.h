// SPDX-License-Identifier: GPL-3.0-or-later
// Small text helpers shared by the readers of outside text (commands, datagrams,
// files): trimming and decimal numbers.
#pragma once

#include <optional>
#include <string_view>

namespace skyvane {

// `text` without the spaces and tabs around it.
std::string_view TrimmedBlanks(std::string_view text);
// `text` without the spaces, tabs, CRs and LFs around it.
std::string_view TrimmedSpace(std::string_view text);
// A finite decimal number ("12", "-0.5", "+7.25"), with white space around it allowed;
// nothing for any other text.
std::optional<double> DecimalNumber(std::string_view text);

}  // namespace skyvane
