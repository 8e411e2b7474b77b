// SPDX-License-Identifier: GPL-3.0-or-later
#include "tray/TextIcon.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <climits>
#include <cmath>
#include <map>
#include <utility>

namespace skyvane {

namespace {
constexpr int kSize = 16;

QColor Rgb(TColor color) {
    return ToQColor(ColorToRGB(color));
}

// The background colour of a rendering: the inverse of the text colour when the
// background would not stand out (none given, or the text's own colour).
TColor KeyColorOf(const TTextIconLook& look, TColor given) {
    if (look.color == clNone || look.color == look.font.color)
        return ColorToRGB(look.font.color) ^ 0xFFFFFFu;
    return given;
}

// `value` pixels of the 16 × 16 picture at `size`, rounded to whole pixels.
int Scaled(int value, int size) {
    return static_cast<int>(std::lround(static_cast<double>(value) * size / kSize));
}

// What a font draws, told apart by all that changes its glyphs (the key leaves out
// the hinting).
QString FontKey(const QFont& font) {
    return font.key() + QLatin1Char('/') + QString::number(font.hintingPreference());
}

// A result per font and text, worked out once in this thread. The icon is drawn at
// every reading, at 16 pixels and at the tray's size, and working out its layout
// anew each time was most of its cost. Bounded for texts of every kind there are.
template <typename Value, typename Compute>
const Value& Remembered(std::map<std::pair<QString, QString>, Value>& known,
                        std::pair<QString, QString> key, Compute compute) {
    if (const auto found = known.find(key); found != known.end()) return found->second;
    if (known.size() >= 1024) known.clear();
    return known.emplace(std::move(key), compute()).first->second;
}

// The first and last column a character's ink covers, from its pen position
// (first > last: no ink, a space).
std::pair<int, int> InkColumns(const QFont& font, const QString& fontKey,
                               const QString& character) {
    thread_local std::map<std::pair<QString, QString>, std::pair<int, int>> known;
    return Remembered(known, {fontKey, character}, [&] {
        const QFontMetrics metrics(font);
        const int margin = metrics.height();
        QImage canvas(4 * margin + metrics.horizontalAdvance(character), metrics.height(),
                      QImage::Format_RGB32);
        canvas.fill(Qt::black);
        QPainter painter(&canvas);
        painter.setFont(font);
        painter.setPen(Qt::white);
        painter.drawText(2 * margin, metrics.ascent(), character);
        painter.end();
        int first = canvas.width(), last = -1;
        for (int y = 0; y < canvas.height(); ++y) {
            const auto* row = reinterpret_cast<const QRgb*>(canvas.constScanLine(y));
            for (int x = 0; x < canvas.width(); ++x)
                if ((row[x] & 0xFFFFFFu) != 0) {
                    first = std::min(first, x);
                    last = std::max(last, x);
                }
        }
        return std::pair{first - 2 * margin, last - 2 * margin};
    });
}
}  // namespace

TextLineLayout LayOutTextLine(const QFont& font, const QString& text) {
    thread_local std::map<std::pair<QString, QString>, TextLineLayout> known;
    const QString fontKey = FontKey(font);
    return Remembered(known, {fontKey, text}, [&] {
        const QFontMetrics metrics(font);
        TextLineLayout layout;
        int shift = 0;          // how far the widening has moved this character so far
        int lastInk = INT_MIN;  // the rightmost inked column so far
        for (qsizetype i = 0; i < text.size(); ++i) {
            const int natural = metrics.horizontalAdvance(text.left(i)) + shift;
            const auto [first, last] = InkColumns(font, fontKey, text.mid(i, 1));
            int start = natural;
            // One clear column between this character's ink and what came before.
            if (first <= last && lastInk != INT_MIN && start + first <= lastInk + 1)
                start = lastInk + 2 - first;
            shift += start - natural;
            if (first <= last) lastInk = std::max(lastInk, start + last);
            layout.starts.push_back(start);
        }
        layout.width = metrics.horizontalAdvance(text) + shift;
        return layout;
    });
}

std::vector<std::string> SplitAtCarriageReturns(const std::string& text) {
    std::vector<std::string> lines;
    std::string rest = text;
    for (std::size_t p = rest.find('\r'); p != std::string::npos; p = rest.find('\r')) {
        lines.push_back(rest.substr(0, p));
        rest.erase(0, p + 1);
    }
    lines.push_back(rest);
    return lines;
}

QImage DrawTextBitmap(const TTextIconLook& look, int size) {
    QImage bitmap(size, size, QImage::Format_RGB32);
    const QColor background = Rgb(KeyColorOf(look, look.color));
    bitmap.fill(background);
    // Centred on size - 1, not size: (15 - width) div 2 at 16, truncating toward zero.
    const int centre = size - 1;
    TFont font = look.font;
    font.height = Scaled(font.height, size);

    QPainter painter(&bitmap);
    painter.setFont(IconTextFont(font));
    painter.setPen(Rgb(look.font.color));
    const QFontMetrics metrics = painter.fontMetrics();
    const int offsetX = Scaled(look.offsetX, size);
    // Each line, centred across the picture, paints its whole cell in the background
    // colour before its glyphs.
    auto drawLine = [&](const std::string& line, int y) {
        const QString text = QString::fromLocal8Bit(line);
        const TextLineLayout layout = LayOutTextLine(painter.font(), text);
        const int x = (centre - layout.width) / 2 + offsetX;
        painter.fillRect(x, y, layout.width, metrics.height(), background);
        for (qsizetype i = 0; i < text.size(); ++i)
            painter.drawText(x + layout.starts[static_cast<std::size_t>(i)], y + metrics.ascent(),
                             text.mid(i, 1));
    };
    const int offsetY = Scaled(look.offsetY, size);

    if (look.text.find('\r') != std::string::npos) {
        const std::vector<std::string> lines = SplitAtCarriageReturns(look.text);
        const int n = static_cast<int>(lines.size());
        const int lineHeight = metrics.height() + Scaled(look.lineDistance, size);
        const int top = (centre - n * lineHeight) / 2 + offsetY;
        for (int i = 0; i < n; ++i)
            drawLine(lines[static_cast<std::size_t>(i)], top + i * lineHeight);
    } else {
        drawLine(look.text, (centre - metrics.height()) / 2 + offsetY);
    }

    if (look.border) {
        // One pixel at 16 × 16, as thick in proportion at larger sizes.
        const int thickness = std::max(1, size / kSize);
        const QColor frame = Rgb(look.borderColor);
        painter.fillRect(0, 0, size, thickness, frame);
        painter.fillRect(0, size - thickness, size, thickness, frame);
        painter.fillRect(0, 0, thickness, size, frame);
        painter.fillRect(size - thickness, 0, thickness, size, frame);
    }
    painter.end();
    return bitmap;
}

QImage DrawTextIcon(const TTextIconLook& look, int size) {
    const QImage text = DrawTextBitmap(look, size);
    const TColor key = KeyColorOf(look, look.color);
    if (look.background.isNull()) return MaskedImage(text, look.color == clNone ? key : clNone);
    // Over the background icon: its opaque pixels, then the text without its
    // background colour; what is still the key colour is transparent.
    QImage surface(size, size, QImage::Format_RGB32);
    surface.fill(Rgb(key));
    QPainter painter(&surface);
    painter.drawImage(
        QRect(0, 0, size, size),
        look.background.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    painter.drawImage(0, 0, MaskedImage(text, key));
    painter.end();
    return MaskedImage(surface, key);
}

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
    // The same text draws the same picture: a heading that stands still costs no
    // drawing on each reply, and the entry is brought up to date all the same.
    if (text == text_ && Icon().DrawAtSize()) {
        SetCycleIcons(false);
        UpdateTrayEntry();
        return;
    }
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

void TTextIcon::SetTextAndFont(std::string text, const TFont& font) {
    text_ = std::move(text);
    font_ = font;
    RebuildIcon();
}

TColor TTextIcon::BackgroundKey(TColor given) const {
    return KeyColorOf(Look(), given);
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
    // The same picture drawn from the same look keeps its handle, so that the tray
    // host is not handed a new image for nothing; the entry is updated all the same.
    // Another look with the same 16-pixel picture (a large background icon whose
    // detail the small picture loses) is a new image: its larger drawings differ.
    const TTextIconLook look = Look();
    if (icon.Image() == Icon().Image() && Icon().DrawAtSize() && look == drawnLook_) {
        UpdateTrayEntry();
        return;
    }
    drawnLook_ = look;
    icon.SetDrawAtSize([look](int size) { return DrawTextIcon(look, size); });
    SetIcon(icon);
}

QFont IconTextFont(const TFont& font) {
    // The icon's mask has one bit per pixel: a glyph pixel is text colour or background,
    // never a blend (a blend with the key colour would show as a fringe). Full hinting
    // puts every glyph on whole pixels, so neighbouring letters keep their gap.
    QFont qfont = ToQFont(font);
    qfont.setStyleStrategy(QFont::NoAntialias);
    qfont.setHintingPreference(QFont::PreferFullHinting);
    return qfont;
}

void TTextIcon::SplitTextLines(std::vector<std::string>& lines) const {
    lines = SplitAtCarriageReturns(text_);
}

TTextIconLook TTextIcon::Look() const {
    return TTextIconLook{text_,
                         font_,
                         color_,
                         border_,
                         borderColor_,
                         options_.OffsetX(),
                         options_.OffsetY(),
                         options_.LineDistance(),
                         backgroundIcon_.Image()};
}

void TTextIcon::RenderTextBitmap() {
    keyColor_ = BackgroundKey(color_);
    textBitmap_.Image() = DrawTextBitmap(Look(), kSize);
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
