// SPDX-License-Identifier: GPL-3.0-or-later
// A tray icon that draws a short text into its 16 × 16 image: one or more lines in
// a given font and colour, centred, on a plain background colour or over a
// background icon, with an optional one-pixel border. Every change of the text or
// of a drawing setting draws the image again and updates the tray entry once.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "toolkit/Graphics.h"
#include "toolkit/Images.h"
#include "tray/TrayIcon.h"

namespace skyvane {

class TOffsetOptions;
// Called when a value of the options changed.
using TOffsetChangeEvent = std::function<void(TOffsetOptions* sender)>;

// Fine placement of the text: offsets in pixels and the extra distance between lines.
class TOffsetOptions {
public:
    int OffsetX() const { return offsetX_; }
    void SetOffsetX(int value) { Set(offsetX_, value); }
    int OffsetY() const { return offsetY_; }
    void SetOffsetY(int value) { Set(offsetY_, value); }
    int LineDistance() const { return lineDistance_; }
    void SetLineDistance(int value) { Set(lineDistance_, value); }
    // Runs after any value changed (not when it is set to the value it has).
    void SetOnChange(TOffsetChangeEvent handler) { onChange_ = std::move(handler); }

protected:
    // Calls OnChange.
    virtual void NotifyChange();

private:
    friend class TTextIcon;
    void Set(int& field, int value);

    int offsetX_ = 0;
    int offsetY_ = 0;
    int lineDistance_ = 0;
    TOffsetChangeEvent onChange_;
};

// Icon is the drawn text: a 16 × 16 ARGB32 picture (see toolkit/Images.h).
// The Qt font the icon's text is drawn with: the stored font without anti-aliasing,
// fully hinted.
QFont IconTextFont(const TFont& font);

// Everything a text icon's picture is drawn from.
struct TTextIconLook {
    std::string text;
    TFont font;
    TColor color = clBtnFace;
    bool border = false;
    TColor borderColor = clBlack;
    int offsetX = 0;
    int offsetY = 0;
    int lineDistance = 0;
    QImage background;  // null: none
    bool operator==(const TTextIconLook&) const = default;
};

// Where the characters of one line of text go: the start of each from the line's
// left edge, and the line's width. The font's own advances, widened wherever two
// neighbours' ink would touch, so that every character keeps one clear column from
// the one before it (in the small font of the 16-pixel icon some digits reach into
// the next one's cell: "4" into "0").
struct TextLineLayout {
    std::vector<int> starts;
    int width = 0;
};
TextLineLayout LayOutTextLine(const QFont& font, const QString& text);

// The lines of a text: split at each carriage return (a line feed stays in the text).
std::vector<std::string> SplitAtCarriageReturns(const std::string& text);
// The text bitmap at size × size (opaque): at 16 the text icon's TextBitmap; at other
// sizes the same drawing with every measure (font, offsets, line distance, border)
// scaled by size / 16.
QImage DrawTextBitmap(const TTextIconLook& look, int size);
// The icon's picture at size × size with its transparency: at 16 what Icon shows.
QImage DrawTextIcon(const TTextIconLook& look, int size);

class TTextIcon : public TTrayIcon {
public:
    explicit TTextIcon(TComponent* owner);
    ~TTextIcon() override;

    // Drawn under the text (scaled down to 16 × 16); a smaller one is refused with
    // "Invalid image size" and the previous one kept. An empty icon means none.
    const TIcon& BackgroundIcon() const { return backgroundIcon_; }
    void SetBackgroundIcon(const TIcon& icon);
    // The text; carriage returns separate lines. Setting it always redraws.
    const std::string& Text() const { return text_; }
    void SetText(std::string text);
    // Font of the text; its colour is the text colour.
    const TFont& Font() const { return font_; }
    void SetFont(const TFont& font);
    // Background colour; clNone: transparent background.
    TColor Color() const { return color_; }
    void SetColor(TColor color);
    // A one-pixel frame on the outermost pixels, in BorderColor.
    bool Border() const { return border_; }
    void SetBorder(bool border);
    TColor BorderColor() const { return borderColor_; }
    void SetBorderColor(TColor color);
    // The placement options; changing one of their values redraws.
    TOffsetOptions& Options() { return options_; }
    const TOffsetOptions& Options() const { return options_; }
    // Copies the three values, then redraws once.
    void SetOptions(const TOffsetOptions& options);
    // Sets the text and the font together, then redraws once.
    void SetTextAndFont(std::string text, const TFont& font);

    // Draws the text again and makes it the tray icon.
    void RebuildIcon();
    // The last rendering (16 × 16, opaque) and its background colour.
    const TBitmap& TextBitmap() const { return textBitmap_; }
    TColor KeyColor() const { return keyColor_; }
    // The lines of Text: split at each carriage return (a line feed stays in the text).
    void SplitTextLines(std::vector<std::string>& lines) const;
    // `bitmap` over BackgroundIcon into `icon`; raises "Invalid image size" when the
    // background icon is smaller than 16 × 16.
    bool MakeIconOverBackground(const TBitmap& bitmap, TIcon& icon, TColor maskColor);

    bool WantsDefaultIcon() const override { return false; }
    // True: a background icon is supplied inside a form designer.
    virtual bool WantsDefaultBackground() const { return false; }

protected:
    // Fills TextBitmap and KeyColor from Text and the drawing settings.
    virtual void RenderTextBitmap();

private:
    // The inverse of the font colour when the background would not stand out.
    TColor BackgroundKey(TColor given) const;
    // What the picture is drawn from now.
    TTextIconLook Look() const;

    TIcon backgroundIcon_;
    std::string text_;
    TFont font_;
    TColor color_ = clBtnFace;
    bool border_ = false;
    TColor borderColor_ = clBlack;
    TOffsetOptions options_;
    TBitmap textBitmap_;
    TColor keyColor_ = clNone;
    TTextIconLook drawnLook_;  // what Icon's larger drawings are drawn from
};

}  // namespace skyvane
