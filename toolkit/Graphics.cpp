// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/Graphics.h"

#include <QGuiApplication>
#include <QPalette>

namespace skyvane {

namespace {
// Windows system colour numbers mapped onto the palette roles that play their part.
QColor SystemColor(unsigned index) {
    const QPalette palette = QGuiApplication::palette();
    switch (index) {
        case 5: return palette.color(QPalette::Base);                 // window background
        case 8: return palette.color(QPalette::WindowText);           // window text
        case 13: return palette.color(QPalette::Highlight);           // highlight
        case 14: return palette.color(QPalette::HighlightedText);     // highlighted text
        case 15: return palette.color(QPalette::Button);              // button face
        case 18: return palette.color(QPalette::ButtonText);          // button text
        default: return palette.color(QPalette::Window);
    }
}
}  // namespace

QColor ToQColor(TColor color) {
    if (color == clNone) return QColor(0, 0, 0, 0);
    if ((color & 0xFF000000u) == 0xFF000000u) return SystemColor(color & 0xFFu);
    return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

TColor ColorToRGB(TColor color) {
    if ((color & 0xFF000000u) != 0xFF000000u) return color & 0x00FFFFFFu;
    const QColor c = ToQColor(color);
    return static_cast<TColor>(c.red()) | static_cast<TColor>(c.green()) << 8 |
           static_cast<TColor>(c.blue()) << 16;
}

QFont ToQFont(const TFont& font) {
    // fontconfig has no alias for the classic dialog font and would give a much wider
    // face; Liberation Sans (Arial metrics) is the close substitute.
    static const bool substituted = [] {
        QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"));
        return true;
    }();
    (void)substituted;
    QFont f(QString::fromStdString(font.name));
    if (font.height < 0)
        f.setPixelSize(-font.height);
    else if (font.height > 0)
        f.setPixelSize(font.height);  // cell height; close enough for the layouts in use
    f.setBold(font.style & static_cast<std::uint8_t>(TFontStyle::Bold));
    f.setItalic(font.style & static_cast<std::uint8_t>(TFontStyle::Italic));
    f.setUnderline(font.style & static_cast<std::uint8_t>(TFontStyle::Underline));
    f.setStrikeOut(font.style & static_cast<std::uint8_t>(TFontStyle::StrikeOut));
    return f;
}

}  // namespace skyvane
