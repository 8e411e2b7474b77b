// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QPainter>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "tests/tray/TraySupport.h"
#include "toolkit/Form.h"
#include "toolkit/Menu.h"
#include "tray/TextIcon.h"

namespace skyvane {
namespace {

using namespace platform;

const TFont kStoredFont{"Arial", -8, clLime, 0};

// Metrics of a font as drawn into an image.
struct Metrics {
    int height;
    int ascent;
    int Width(const std::string& text) const { return widthOf(text); }
    std::function<int(const std::string&)> widthOf;
};

Metrics MeasureFont(const TFont& font) {
    static QImage canvas(1, 1, QImage::Format_RGB32);
    QPainter painter(&canvas);
    painter.setFont(IconTextFont(font));
    const QFontMetrics m = painter.fontMetrics();
    const QFont qfont = IconTextFont(font);
    return {m.height(), m.ascent(), [qfont](const std::string& text) {
                QImage c(1, 1, QImage::Format_RGB32);
                QPainter p(&c);
                p.setFont(qfont);
                return p.fontMetrics().horizontalAdvance(QString::fromLocal8Bit(text));
            }};
}

// The glyphs of `text` drawn alone on a large canvas with their cell's top-left corner
// at (kOrigin, kOrigin): what the 16 × 16 icon must show, moved to its place.
constexpr int kOrigin = 32;
QImage Glyphs(const TFont& font, const std::string& text, QRgb background) {
    QImage canvas(96, 96, QImage::Format_RGB32);
    canvas.fill(background);
    QPainter painter(&canvas);
    painter.setFont(IconTextFont(font));
    painter.setPen(ToQColor(ColorToRGB(font.color)));
    painter.drawText(kOrigin, kOrigin + painter.fontMetrics().ascent(),
                     QString::fromLocal8Bit(text));
    return canvas;
}

// One line of text whose cell must start at (x, y) in the icon.
struct Placed {
    std::string text;
    int x, y;
};

// Compares the icon's text bitmap with the lines drawn at the given places.
void ExpectRendering(const TTextIcon& icon, const std::vector<Placed>& lines, QRgb background) {
    const QImage& bitmap = icon.TextBitmap().Image();
    ASSERT_EQ(bitmap.size(), QSize(16, 16));
    QImage expected(16, 16, QImage::Format_RGB32);
    expected.fill(background);
    const Metrics m = MeasureFont(icon.Font());
    for (const Placed& line : lines) {
        // A line paints its cell in the background colour, then its glyphs (whose ink
        // may reach past the cell).
        const QImage glyphs = Glyphs(icon.Font(), line.text, background);
        const QRect cell(line.x, line.y, m.Width(line.text), m.height);
        for (int py = 0; py < 16; ++py)
            for (int px = 0; px < 16; ++px) {
                const QRgb g = glyphs.pixel(px - line.x + kOrigin, py - line.y + kOrigin);
                if (cell.contains(px, py) || g != glyphs.pixel(0, 0)) expected.setPixel(px, py, g);
            }
    }
    int differing = 0;
    for (int py = 0; py < 16; ++py)
        for (int px = 0; px < 16; ++px)
            if ((bitmap.pixel(px, py) & 0xFFFFFF) != (expected.pixel(px, py) & 0xFFFFFF))
                ++differing;
    EXPECT_EQ(differing, 0);
}

// Number of pixels of the icon's image with exactly this ARGB value.
int Count(const TIcon& icon, QRgb argb) {
    int n = 0;
    for (int y = 0; y < icon.Height(); ++y)
        for (int x = 0; x < icon.Width(); ++x) n += icon.Image().pixel(x, y) == argb;
    return n;
}

class TextIconTest : public test::TrayTest {
protected:
    // A text icon with the application's stored values.
    std::unique_ptr<TTextIcon> StoredIcon() {
        auto icon = std::make_unique<TTextIcon>(nullptr);
        icon->SetFont(kStoredFont);
        icon->SetColor(clBlack);
        icon->SetBorder(false);
        icon->SetIconVisible(true);
        return icon;
    }
};

TEST_F(TextIconTest, StoredValuesGiveLimeTextOnOpaqueBlack) {
    auto icon = StoredIcon();
    icon->SetText("123");
    const Metrics m = MeasureFont(kStoredFont);
    ExpectRendering(*icon, {{"123", (15 - m.Width("123")) / 2, (15 - m.height) / 2}}, 0xFF000000);
    const TIcon& shown = icon->Icon();
    ASSERT_EQ(shown.Width(), 16);
    int glyphPixels = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const QRgb p = shown.Image().pixel(x, y);
            EXPECT_EQ(qAlpha(p), 255);
            EXPECT_EQ(qRed(p), 0);
            EXPECT_EQ(qBlue(p), 0);
            glyphPixels += qGreen(p) >= 0x80;  // bright lime, whatever the smoothing
        }
    EXPECT_GT(glyphPixels, 6);
    // The tray got that image.
    const auto& record = shell.Calls().back().data;
    ASSERT_TRUE(record.hIcon);
    EXPECT_EQ(record.hIcon->pixels,
              std::vector<std::uint32_t>(
                  reinterpret_cast<const std::uint32_t*>(shown.Image().constBits()),
                  reinterpret_cast<const std::uint32_t*>(shown.Image().constBits()) + 256));
}

TEST_F(TextIconTest, SingleLineIsCentredOnFifteenWithOffsets) {
    const Metrics m = MeasureFont(kStoredFont);
    // A text wider than 15 with an odd overhang: truncating division moves it one pixel
    // less to the left than flooring would.
    std::string wide;
    for (const char* candidate : {"8888", "88888", "WWW", "WWWW", "1234", "12345", "MMM", "MMMM"})
        if (m.Width(candidate) > 15 && (15 - m.Width(candidate)) % 2 != 0) wide = candidate;
    ASSERT_FALSE(wide.empty()) << "no test text of odd overhang in this font";
    struct Case {
        std::string text;
        int offsetX, offsetY, lineDistance;
    };
    const std::vector<Case> cases = {
        {"123", 0, 0, 0}, {"123", 1, 0, 0}, {"123", 0, 0, 7}, {"NE", -3, 2, 0},
        {"N", 0, -1, 0},  {"", 0, 0, 0},    {wide, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text + " " + std::to_string(c.offsetX) + "," + std::to_string(c.offsetY));
        auto icon = StoredIcon();
        icon->Options().SetOffsetX(c.offsetX);
        icon->Options().SetOffsetY(c.offsetY);
        icon->Options().SetLineDistance(c.lineDistance);
        icon->SetText(c.text);
        const int x = (15 - m.Width(c.text)) / 2 + c.offsetX;
        const int y = (15 - m.height) / 2 + c.offsetY;
        if (c.text == wide) {
            EXPECT_LT(x, 0);
        }
        ExpectRendering(*icon, {{c.text, x, y}}, 0xFF000000);
    }
}

TEST_F(TextIconTest, CarriageReturnsSplitLinesCentredAsABlock) {
    const Metrics m = MeasureFont(kStoredFont);
    struct Case {
        std::string text;
        std::vector<std::string> lines;
        int lineDistance, offsetY;
    };
    const std::vector<Case> cases = {
        {"N\rE", {"N", "E"}, 0, 0},
        {"N\rE", {"N", "E"}, 2, 1},
        {"N\r", {"N", ""}, 0, 0},
        {"1\r22\r333", {"1", "22", "333"}, 0, 0},  // taller than the icon: negative top
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        auto icon = StoredIcon();
        icon->Options().SetLineDistance(c.lineDistance);
        icon->Options().SetOffsetY(c.offsetY);
        icon->SetText(c.text);
        const int n = static_cast<int>(c.lines.size());
        const int h = m.height + c.lineDistance;
        const int top = (15 - n * h) / 2 + c.offsetY;
        std::vector<Placed> placed;
        for (int i = 0; i < n; ++i)
            placed.push_back({c.lines[i], (15 - m.Width(c.lines[i])) / 2, top + i * h});
        ExpectRendering(*icon, placed, 0xFF000000);
    }
}

TEST_F(TextIconTest, SplitTextLinesSplitsOnlyAtCarriageReturns) {
    const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
        {"", {""}},
        {"NE", {"NE"}},
        {"N\rE", {"N", "E"}},
        {"N\r\nE", {"N", "\nE"}},
        {"N\n", {"N\n"}},
        {"\r\r", {"", "", ""}},
        {"a\rb\r", {"a", "b", ""}},
    };
    TTextIcon icon(nullptr);
    for (const auto& [text, lines] : cases) {
        icon.SetText(text);
        std::vector<std::string> got{"stale"};
        icon.SplitTextLines(got);
        EXPECT_EQ(got, lines);
    }
}

TEST_F(TextIconTest, BackgroundColourAndTransparency) {
    struct Case {
        const char* name;
        TColor color;
        QRgb background;  // ARGB of the icon's background pixels
        TColor key;       // KeyColor after the rebuild
    };
    const std::vector<Case> cases = {
        {"black", clBlack, 0xFF000000, clNone},
        {"same as the text: opaque inverse", clLime, 0xFFFF00FF, clNone},
        {"none: transparent inverse", clNone, 0x00000000, 0x00FF00FF},
        {"a plain colour", 0x00332211, 0xFF112233, clNone},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto icon = StoredIcon();
        icon->SetColor(c.color);
        icon->SetText("");
        EXPECT_EQ(icon->KeyColor(), c.key);
        EXPECT_EQ(Count(icon->Icon(), c.background), 256);  // an empty text: a plain square
        icon->SetText("8");
        const TIcon& shown = icon->Icon();
        EXPECT_LT(Count(shown, c.background), 256);  // the glyphs are there
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                // Only the background may be transparent: glyph pixels stay opaque.
                const QRgb p = shown.Image().pixel(x, y);
                if (p != c.background) {
                    ASSERT_EQ(qAlpha(p), 255) << x << "," << y;
                }
            }
    }
}

TEST_F(TextIconTest, BorderRingIsDrawnOverTheText) {
    auto icon = StoredIcon();
    icon->SetColor(0x00808080);
    icon->SetBorder(true);
    icon->SetBorderColor(clBlack);
    icon->SetText("WWWWWW");  // runs over the edges
    const QImage& image = icon->Icon().Image();
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(image.pixel(i, 0), 0xFF000000u);
        EXPECT_EQ(image.pixel(i, 15), 0xFF000000u);
        EXPECT_EQ(image.pixel(0, i), 0xFF000000u);
        EXPECT_EQ(image.pixel(15, i), 0xFF000000u);
    }
    int inner = 0;
    for (int y = 1; y < 15; ++y)
        for (int x = 1; x < 15; ++x) inner += image.pixel(x, y) == 0xFF000000u;
    EXPECT_LT(inner, 14 * 14);  // the ring only
}

TEST_F(TextIconTest, EverySetterRedrawsOnceAndSendsOneModify) {
    auto icon = StoredIcon();
    TImageList list(nullptr);
    list.AddIcon(TIcon(QImage(16, 16, QImage::Format_ARGB32)));
    const std::vector<std::pair<const char*, std::function<void()>>> setters = {
        {"Text", [&] { icon->SetText("NE"); }},
        {"same Text", [&] { icon->SetText("NE"); }},
        {"Font",
         [&] {
             icon->SetFont(TFont{"Arial", -9, clLime, 0});
         }},
        {"Color", [&] { icon->SetColor(clBlack); }},
        {"Border", [&] { icon->SetBorder(true); }},
        {"BorderColor", [&] { icon->SetBorderColor(clLime); }},
        {"OffsetX", [&] { icon->Options().SetOffsetX(1); }},
        {"OffsetY", [&] { icon->Options().SetOffsetY(1); }},
        {"LineDistance", [&] { icon->Options().SetLineDistance(1); }},
        {"Options",
         [&] {
             TOffsetOptions o;
             o.SetOffsetX(2);
             o.SetOffsetY(-1);
             o.SetLineDistance(3);
             icon->SetOptions(o);
         }},
        {"BackgroundIcon",
         [&] { icon->SetBackgroundIcon(TIcon(QImage(16, 16, QImage::Format_ARGB32))); }},
        {"Hint", [&] { icon->SetHint("Az(45)"); }},
    };
    for (const auto& [name, set] : setters) {
        SCOPED_TRACE(name);
        icon->SetIconList(&list);
        icon->SetCycleInterval(100);
        icon->SetCycleIcons(true);
        shell.ClearCalls();
        set();
        EXPECT_EQ(shell.Messages(), (std::vector<std::uint32_t>{NIM_MODIFY}));
        if (std::string(name) != "Hint") {
            EXPECT_FALSE(icon->CycleIcons());
        }
    }
    EXPECT_EQ(shell.Calls().back().Tip(), "Az(45)");
    EXPECT_EQ(icon->Options().OffsetX(), 2);
    EXPECT_EQ(icon->Options().LineDistance(), 3);
    icon->SetIconList(nullptr);
    // An unchanged option value draws nothing.
    shell.ClearCalls();
    icon->Options().SetOffsetX(2);
    EXPECT_TRUE(shell.Calls().empty());
}

TEST_F(TextIconTest, SmallBackgroundIconIsRefusedAndNothingIsLost) {
    auto icon = StoredIcon();
    icon->SetText("12");
    const QImage before = icon->Icon().Image();
    shell.ClearCalls();
    try {
        icon->SetBackgroundIcon(TIcon(QImage(8, 16, QImage::Format_ARGB32)));
        ADD_FAILURE() << "small background accepted";
    } catch (const EInvalidGraphic& e) {
        EXPECT_EQ(e.Message(), "Invalid image size");
    }
    EXPECT_TRUE(shell.Calls().empty());
    EXPECT_EQ(icon->Icon().Image(), before);
    EXPECT_TRUE(icon->BackgroundIcon().Empty());
    icon->SetText("34");  // later changes still work
    EXPECT_EQ(shell.Messages(), (std::vector<std::uint32_t>{NIM_MODIFY}));
}

TEST_F(TextIconTest, TextOverBackgroundIconKeepsItsTransparency) {
    // Left half opaque red, right half transparent; 32 × 32, so it is scaled down.
    QImage background(32, 32, QImage::Format_ARGB32);
    background.fill(0x00000000);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 16; ++x) background.setPixel(x, y, 0xFFFF0000);
    auto icon = StoredIcon();
    icon->SetColor(clNone);
    icon->SetBackgroundIcon(TIcon(background));
    icon->SetText("");
    const QImage& image = icon->Icon().Image();
    ASSERT_EQ(image.size(), QSize(16, 16));
    EXPECT_EQ(image.pixel(2, 8), 0xFFFF0000u);
    EXPECT_EQ(qAlpha(image.pixel(13, 8)), 0);
    icon->SetText("WWWW");
    int visibleOnRight = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 9; x < 16; ++x)
            visibleOnRight += qAlpha(icon->Icon().Image().pixel(x, y)) != 0;
    EXPECT_GT(visibleOnRight, 0);  // the glyphs show over the transparent half
}

// A main window built from its stored layout, as the application builds its own.
class TTestForm : public TForm {
public:
    TTestForm() : TForm(nullptr) {
        PopUpMenu = new TPopupMenu(this);
        TextIcon = new TTextIcon(this);
        LoadLayout([this] {
            TextIcon->SetCycleInterval(0);
            TextIcon->SetIconVisible(true);
            TextIcon->SetIconIndex(0);
            TextIcon->SetPopupMenu(PopUpMenu);
            TextIcon->SetFont(kStoredFont);
            TextIcon->SetColor(clBlack);
            TextIcon->SetBorder(false);
            TextIcon->Options().SetOffsetX(0);
            TextIcon->Options().SetOffsetY(0);
            TextIcon->Options().SetLineDistance(0);
        });
    }
    TPopupMenu* PopUpMenu;
    TTextIcon* TextIcon;
};

TEST_F(TextIconTest, LayoutLoadAddsTheIconAndDestructionRemovesIt) {
    auto form = std::make_unique<TTestForm>();
    TTextIcon* icon = form->TextIcon;
    EXPECT_FALSE(icon->IsLoading());
    EXPECT_TRUE(shell.Shown(TTrayIconHandler::Shared(), icon->IconId()));
    int acceptedAdds = 0;
    for (const auto& call : shell.Calls()) acceptedAdds += call.message == NIM_ADD && call.accepted;
    EXPECT_EQ(acceptedAdds, 1);
    EXPECT_EQ(shell.Calls().back().message, NIM_SETVERSION);
    // The tray shows a plain black square until the first reading.
    const NotifyIconData* record = shell.LastRecord();
    ASSERT_TRUE(record->hIcon);
    EXPECT_EQ(record->hIcon->pixels, std::vector<std::uint32_t>(256, 0xFF000000u));
    EXPECT_EQ(icon->PopupMenu(), form->PopUpMenu);

    shell.ClearCalls();
    icon->SetText("NE");
    icon->SetHint("Az(45)");
    EXPECT_EQ(shell.Messages(), (std::vector<std::uint32_t>{NIM_MODIFY, NIM_MODIFY}));
    EXPECT_EQ(icon->Text(), "NE");
    EXPECT_EQ(icon->Hint(), "Az(45)");
    EXPECT_EQ(shell.Calls().back().Tip(), "Az(45)");

    MessageWindow* window = TTrayIconHandler::Shared();
    const std::uintptr_t id = icon->IconId();
    shell.ClearCalls();
    form.reset();
    EXPECT_EQ(shell.Messages(), (std::vector<std::uint32_t>{NIM_DELETE}));
    EXPECT_FALSE(shell.Shown(window, id));
    EXPECT_EQ(TTrayIconHandler::Shared(), nullptr);
}

}  // namespace
}  // namespace skyvane

namespace skyvane {
namespace {

// The runs of columns of a 16 × 16 picture that hold any lime pixel.
int LimeColumnRuns(const QImage& image) {
    int runs = 0;
    bool inRun = false;
    for (int x = 0; x < image.width(); ++x) {
        bool lime = false;
        for (int y = 0; y < image.height(); ++y)
            lime = lime || (qGreen(image.pixel(x, y)) > 200 && qRed(image.pixel(x, y)) < 80);
        runs += lime && !inRun;
        inRun = lime;
    }
    return runs;
}

TEST_F(TextIconTest, TwoLetterSectorLabelsKeepAGapBetweenTheLetters) {
    auto icon = StoredIcon();
    for (const char* label : {"NE", "NO", "SO", "SE"}) {
        icon->SetText(label);
        EXPECT_EQ(LimeColumnRuns(icon->Icon().Image()), 2) << label;
    }
}

// Every heading the rotor can report, as its digits in the 16-pixel picture: each
// digit stays apart from its neighbours (a column without lime between them).
TEST_F(TextIconTest, EveryHeadingKeepsItsDigitsApartAtSixteenPixels) {
    auto icon = StoredIcon();
    std::vector<std::string> joined;
    for (int degrees = 0; degrees < 360; ++degrees) {
        char text[8];
        std::snprintf(text, sizeof text, "%03d", degrees);
        icon->SetText(text);
        if (LimeColumnRuns(icon->Icon().Image()) != 3) joined.push_back(text);
    }
    EXPECT_TRUE(joined.empty()) << joined.size() << " joined, the first " << joined.front();
}

// A character's ink is found once per font: the layouts of many fonts, asked for in
// one order in one thread, are those asked for in the other order in a fresh thread
// (a font the remembered ink confused with another would lay out as that one).
TEST_F(TextIconTest, LayoutsDoNotDependOnWhichFontsWereLaidOutBefore) {
    std::vector<QFont> fonts;
    for (int pixels : {6, 8, 11, 16, 23, 40})
        for (bool bold : {false, true})
            for (auto hinting : {QFont::PreferFullHinting, QFont::PreferNoHinting}) {
                QFont font(QStringLiteral("Arial"));
                font.setPixelSize(pixels);
                font.setBold(bold);
                font.setHintingPreference(hinting);
                font.setStyleStrategy(QFont::NoAntialias);
                fonts.push_back(font);
            }
    const QString text = QStringLiteral("4071 NESO");
    auto layOut = [&](bool reversed) {
        std::vector<std::pair<std::vector<int>, int>> layouts(fonts.size());
        std::thread([&] {
            for (std::size_t k = 0; k < fonts.size(); ++k) {
                const std::size_t n = reversed ? fonts.size() - 1 - k : k;
                const TextLineLayout layout = LayOutTextLine(fonts[n], text);
                layouts[n] = {layout.starts, layout.width};
            }
        }).join();
        return layouts;
    };
    const auto forward = layOut(false), backward = layOut(true);
    for (std::size_t n = 0; n < fonts.size(); ++n)
        EXPECT_EQ(forward[n], backward[n]) << fonts[n].toString().toStdString();
}

TEST_F(TextIconTest, LargerSizesAreTheSameTextDrawnAnew) {
    auto icon = StoredIcon();
    TIcon background(QImage(16, 16, QImage::Format_ARGB32));
    const std::vector<std::function<void(TTextIcon&)>> looks = {
        [](TTextIcon& i) { i.SetText("123"); },
        [](TTextIcon& i) { i.SetText("N\rE"); },
        [](TTextIcon& i) { i.SetColor(clNone); },
        [](TTextIcon& i) {
            i.SetColor(clLime);
            i.SetBorder(true);
            i.Options().SetOffsetX(2);
        },
        [&](TTextIcon& i) { i.SetBackgroundIcon(background); },
    };
    for (std::size_t n = 0; n < looks.size(); ++n) {
        looks[n](*icon);
        const IconHandle handle = icon->Icon().Handle();
        ASSERT_TRUE(handle && handle->drawAtSize) << n;
        // At 16 the larger drawing is exactly the icon itself.
        const IconImage same = handle->drawAtSize(16);
        EXPECT_TRUE(same.SamePicture(*handle)) << n;
        // At 32 it is drawn anew, not the 16-pixel picture doubled.
        const IconImage big = handle->drawAtSize(32);
        ASSERT_EQ(big.width, 32);
        ASSERT_EQ(big.pixels.size(), 32u * 32u);
        bool blocky = true;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x)
                blocky = blocky && big.pixels[std::size_t(y * 32 + x)] ==
                                       big.pixels[std::size_t((y & ~1) * 32 + (x & ~1))];
        EXPECT_FALSE(blocky) << n;
    }
}

// Two large background icons that differ only in detail the 16-pixel picture loses:
// the larger drawings are those of the background set last.
TEST_F(TextIconTest, ALookThatChangesOnlyTheLargerDrawingsReachesThem) {
    QImage plain(64, 64, QImage::Format_ARGB32), checked(64, 64, QImage::Format_ARGB32);
    plain.fill(qRgb(127, 127, 127));
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            checked.setPixel(x, y, (x / 2 + y / 2) % 2 ? qRgb(254, 254, 254) : qRgb(0, 0, 0));
    auto icon = StoredIcon();
    icon->SetText("1");
    icon->SetBackgroundIcon(TIcon(plain));
    const QImage before = icon->Icon().Image();
    icon->SetBackgroundIcon(TIcon(checked));
    ASSERT_EQ(icon->Icon().Image(), before) << "the case needs equal 16-pixel pictures";
    TTextIconLook look;
    look.text = "1";
    look.font = kStoredFont;
    look.color = clBlack;
    look.background = checked;
    const IconImage drawn = icon->Icon().Handle()->drawAtSize(64);
    const QImage expected = DrawTextIcon(look, 64).convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(drawn.pixels.size(), 64u * 64u);
    EXPECT_EQ(std::memcmp(drawn.pixels.data(), expected.constBits(), 64 * 64 * 4), 0);
}

TEST_F(TextIconTest, AnUnchangedPictureKeepsItsHandleAndStillUpdatesTheEntry) {
    auto icon = StoredIcon();
    icon->SetText("123");
    const IconHandle first = shell.Calls().back().data.hIcon;
    shell.ClearCalls();
    icon->SetText("123");
    ASSERT_EQ(shell.Messages(), std::vector<std::uint32_t>{NIM_MODIFY});
    EXPECT_EQ(shell.Calls().back().data.hIcon, first);  // the very same image
    icon->SetHint("Az(123)");
    EXPECT_EQ(shell.Calls().back().data.hIcon, first);
    icon->SetText("124");
    EXPECT_NE(shell.Calls().back().data.hIcon, first);
    EXPECT_FALSE(shell.Calls().back().data.hIcon->SamePicture(*first));
}

}  // namespace
}  // namespace skyvane
