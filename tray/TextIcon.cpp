// SPDX-License-Identifier: GPL-3.0-or-later
#include "tray/TextIcon.h"

#include <QFontMetrics>
#include <QPainter>

namespace skyvane {

namespace {
constexpr int kSize = 16;
// Text is centred on 15, not 16: (15 - width) div 2, truncating toward zero.
constexpr int kCentre = 15;

QColor Rgb(TColor color) {
    return ToQColor(ColorToRGB(color));
}
}  // namespace

void TOffsetOptions::Set(int& field, int value) {
    if (field == value) return;
    field = value;
    NotifyChange();
}

void TOffsetOptions::NotifyChange() {
    if (onChange_) onChange_(this);
}

TTextIcon::TTextIcon(TComponent* owner) : TTrayIcon(owner), textBitmap_(kSize, kSize) {
    options_.SetOnChange([this](TOffsetOptions*) { RebuildIcon(); });
}

TTextIcon::~TTextIcon() = default;

void TTextIcon::SetBackgroundIcon(const TIcon& icon) {
    TIcon previous;
    previous.Assign(backgroundIcon_);
    backgroundIcon_.Assign(icon);
    try {
        RebuildIcon();
    } catch (...) {
        backgroundIcon_.Assign(previous);  // a refused picture is not kept
        throw;
    }
}

void TTextIcon::SetText(std::string text) {
    text_ = std::move(text);
    RebuildIcon();
}

void TTextIcon::SetFont(const TFont& font) {
    font_ = font;
    RebuildIcon();
}

void TTextIcon::SetColor(TColor color) {
    color_ = color;
    RebuildIcon();
}

void TTextIcon::SetBorder(bool border) {
    border_ = border;
    RebuildIcon();
}

void TTextIcon::SetBorderColor(TColor color) {
    borderColor_ = color;
    RebuildIcon();
}

void TTextIcon::SetOptions(const TOffsetOptions& options) {
    options_.offsetX_ = options.offsetX_;
    options_.offsetY_ = options.offsetY_;
    options_.lineDistance_ = options.lineDistance_;
    RebuildIcon();
}

TColor TTextIcon::BackgroundKey(TColor given) const {
    if (color_ == clNone || color_ == font_.color) return ColorToRGB(font_.color) ^ 0xFFFFFFu;
    return given;
}

void TTextIcon::RebuildIcon() {
    SetCycleIcons(false);  // a text icon never cycles through an image list
    RenderTextBitmap();
    TIcon icon;
    if (!backgroundIcon_.Empty()) {
        MakeIconOverBackground(textBitmap_, icon, color_);
    } else {
        if (color_ != clNone) keyColor_ = clNone;
        MakeIconFromBitmap(textBitmap_, icon, keyColor_);
    }
    SetIcon(icon);
}

QFont IconTextFont(const TFont& font) {
    // The icon's mask has one bit per pixel: a glyph pixel is text colour or background,
    // never a blend (a blend with the key colour would show as a fringe).
    QFont qfont = ToQFont(font);
    qfont.setStyleStrategy(QFont::NoAntialias);
    return qfont;
}

void TTextIcon::SplitTextLines(std::vector<std::string>& lines) const {
    lines.clear();
    std::string rest = text_;
    for (std::size_t p = rest.find('\r'); p != std::string::npos; p = rest.find('\r')) {
        lines.push_back(rest.substr(0, p));
        rest.erase(0, p + 1);
    }
    lines.push_back(rest);
}

void TTextIcon::RenderTextBitmap() {
    TBitmap bitmap(kSize, kSize);
    keyColor_ = BackgroundKey(color_);
    const QColor background = Rgb(keyColor_);
    bitmap.Image().fill(background);

    QPainter painter(&bitmap.Image());
    painter.setFont(IconTextFont(font_));
    painter.setPen(Rgb(font_.color));
    const QFontMetrics metrics = painter.fontMetrics();
    // Each line paints its whole cell in the background colour before its glyphs.
    auto drawLine = [&](const std::string& line, int x, int y) {
        const QString text = QString::fromLocal8Bit(line);
        painter.fillRect(x, y, metrics.horizontalAdvance(text), metrics.height(), background);
        painter.drawText(x, y + metrics.ascent(), text);
    };
    auto width = [&](const std::string& line) {
        return metrics.horizontalAdvance(QString::fromLocal8Bit(line));
    };

    if (text_.find('\r') != std::string::npos) {
        std::vector<std::string> lines;
        SplitTextLines(lines);
        const int n = static_cast<int>(lines.size());
        const int lineHeight = metrics.height() + options_.LineDistance();
        const int top = (kCentre - n * lineHeight) / 2 + options_.OffsetY();
        for (int i = 0; i < n; ++i)
            drawLine(lines[static_cast<std::size_t>(i)],
                     (kCentre - width(lines[static_cast<std::size_t>(i)])) / 2 + options_.OffsetX(),
                     top + i * lineHeight);
    } else {
        drawLine(text_, (kCentre - width(text_)) / 2 + options_.OffsetX(),
                 (kCentre - metrics.height()) / 2 + options_.OffsetY());
    }

    if (border_) {
        painter.setPen(QPen(Rgb(borderColor_), 0));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(0, 0, kSize - 1, kSize - 1);
    }
    painter.end();
    textBitmap_ = bitmap;
}

bool TTextIcon::MakeIconOverBackground(const TBitmap& bitmap, TIcon& icon, TColor maskColor) {
    const TColor mask = BackgroundKey(maskColor);
    if (backgroundIcon_.Width() < kSize || backgroundIcon_.Height() < kSize)
        throw EInvalidGraphic("Invalid image size");

    QImage surface(kSize, kSize, QImage::Format_RGB32);
    surface.fill(Rgb(mask));
    QPainter painter(&surface);
    // Only the background's opaque pixels are painted.
    painter.drawImage(QRect(0, 0, kSize, kSize),
                      backgroundIcon_.Image().scaled(kSize, kSize, Qt::IgnoreAspectRatio,
                                                     Qt::SmoothTransformation));
    // The text bitmap without its background colour.
    painter.drawImage(0, 0, MaskedImage(bitmap.Image(), keyColor_));
    painter.end();
    icon.SetImage(MaskedImage(surface, mask));
    return true;
}

}  // namespace skyvane
