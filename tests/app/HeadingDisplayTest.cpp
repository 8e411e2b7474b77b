// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <set>

#include "app/HeadingDisplay.h"
#include "platform/status_icon_recording.h"
#include "tests/app/MainWindowFixture.h"
#include "toolkit/Form.h"
#include "toolkit/Label.h"
#include "tray/TextIcon.h"

namespace skyvane {
namespace {

TEST(HeadingHint, NamesTheHeadingAndNotesARotorThatIsNotAnswering) {
    const struct {
        std::optional<std::string> text;
        bool stale;
        const char* hint;
    } cases[] = {
        {"123", false, "Az(123)"},
        {"123", true, "Az(123) - rotor not answering"},
        {"-5", true, "Az(-5) - rotor not answering"},
        {std::nullopt, false, "Skyvane - no heading yet"},
        {std::nullopt, true, "Rotor not answering"},
    };
    for (const auto& c : cases) EXPECT_EQ(HeadingHint(c.text, c.stale), c.hint) << c.hint;
}

class HeadingDisplayTest : public ::testing::Test {
protected:
    HeadingDisplayTest() {
        EnsureApplication();
        previous_ = platform::SetStatusIconService(&tray_);
        form_ = std::make_unique<TForm>(nullptr);
        label_ = new TLabel(form_.get());
        label_->SetFont(TFont{"Arial", -115, clLime, 0});
        icon_ = new TTextIcon(form_.get());
        icon_->SetFont(TFont{"Arial", -8, clLime, 0});
        icon_->SetColor(clBlack);
        icon_->SetIconVisible(true);
        display_ = std::make_unique<THeadingDisplay>(*label_, *icon_);
    }
    ~HeadingDisplayTest() override {
        display_.reset();
        form_.reset();
        platform::SetStatusIconService(previous_);
    }
    // Every colour in the tray image (black background, the text's colour).
    std::set<QRgb> PixelColours() const {
        std::set<QRgb> colours;
        const QImage& image = icon_->TextBitmap().Image();
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) colours.insert(image.pixel(x, y) | 0xFF000000u);
        return colours;
    }
    // The colours of the number and of the tray text.
    std::pair<TColor, TColor> Colours() const {
        return {label_->Font().color, icon_->Font().color};
    }

    platform::RecordingStatusIconService tray_;
    platform::StatusIconService* previous_ = nullptr;
    std::unique_ptr<TForm> form_;
    TLabel* label_ = nullptr;
    TTextIcon* icon_ = nullptr;
    std::unique_ptr<THeadingDisplay> display_;
};

TEST_F(HeadingDisplayTest, StaleDimsBothTextsUntilLiveAgain) {
    // Before the first reading: lime dashes on black, and a hint that says so.
    EXPECT_EQ(icon_->Text(), NoHeadingText);
    EXPECT_EQ(PixelColours(), (std::set<QRgb>{qRgb(0, 0, 0), qRgb(0, 255, 0)}));
    EXPECT_EQ(icon_->Hint(), "Skyvane - no heading yet");
    display_->Show({"045", 45}, true);
    EXPECT_EQ(label_->Caption(), "045");
    EXPECT_EQ(icon_->Text(), "045");
    EXPECT_EQ(icon_->Hint(), "Az(045)");
    EXPECT_EQ(Colours(), std::make_pair(clLime, clLime));

    display_->SetStale(true);
    EXPECT_EQ(Colours(), std::make_pair(clStaleHeading, clStaleHeading));
    EXPECT_EQ(icon_->Hint(), "Az(045) - rotor not answering");
    EXPECT_EQ(label_->Caption(), "045") << "the old heading stays readable";
    EXPECT_EQ(icon_->Text(), "045");
    EXPECT_EQ(PixelColours(), (std::set<QRgb>{qRgb(0, 0, 0), ToQColor(clStaleHeading).rgb()}))
        << "the tray image is drawn dimmed";

    // The first reply after the stale spell: drawn live at once, one new tray picture.
    const std::size_t callsBefore = tray_.Calls().size();
    display_->Show({"200", 200}, false);  // the label mode
    std::set<const void*> pictures;
    for (std::size_t i = callsBefore; i < tray_.Calls().size(); ++i)
        pictures.insert(tray_.Calls()[i].data.hIcon.get());
    EXPECT_EQ(pictures.size(), 1u) << "one drawing for one reply";
    EXPECT_EQ(icon_->Text(), "S");
    EXPECT_EQ(Colours(), std::make_pair(clLime, clLime));
    EXPECT_EQ(PixelColours(), (std::set<QRgb>{qRgb(0, 0, 0), qRgb(0, 255, 0)}));
    EXPECT_EQ(icon_->Hint(), "Az(200)");
    EXPECT_FALSE(display_->Stale());
    display_->SetStale(false);  // as the readings then say: nothing more to do
    EXPECT_EQ(tray_.Calls().size() - callsBefore, 2u) << "the picture, then the hint";
    EXPECT_EQ(label_->Font().height, -115) << "only the colour changes";
}

}  // namespace
}  // namespace skyvane
