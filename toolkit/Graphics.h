// SPDX-License-Identifier: GPL-3.0-or-later
// Colours and fonts as the layouts describe them.
#pragma once

#include <QColor>
#include <QFont>
#include <cstdint>
#include <string>

namespace skyvane {

// 0x00BBGGRR is a plain colour, 0xFF0000nn system colour nn, clNone no colour.
using TColor = std::uint32_t;
inline constexpr TColor clNone = 0x1FFFFFFF;
inline constexpr TColor clBlack = 0x00000000;
inline constexpr TColor clLime = 0x0000FF00;
inline constexpr TColor clBtnFace = 0xFF00000F;
inline constexpr TColor clWindowText = 0xFF000008;

// The plain 0x00BBGGRR value of a colour, system colours resolved from the palette.
TColor ColorToRGB(TColor color);
// The Qt colour of a plain or system colour (clNone gives a transparent colour).
QColor ToQColor(TColor color);

enum class TFontStyle : std::uint8_t { Bold = 1, Italic = 2, Underline = 4, StrikeOut = 8 };

// A font as stored: a family name, a height (negative: character height in pixels,
// positive: cell height), a colour and style flags.
struct TFont {
    std::string name = "MS Sans Serif";
    int height = -11;
    TColor color = clWindowText;
    std::uint8_t style = 0;  // TFontStyle bits
    bool operator==(const TFont&) const = default;
};

// The Qt font for a stored font; the family name is matched through fontconfig.
QFont ToQFont(const TFont& font);

}  // namespace skyvane
