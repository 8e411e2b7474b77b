// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "app/TurnToDialog.h"
#include "tests/support/QtApplication.h"

namespace skyvane {
namespace {

class TurnToDialogTest : public ::testing::Test {
protected:
    void SetUp() override { test_support::EnsureQtApplication<QApplication>(); }
};

TEST_F(TurnToDialogTest, OffersAHeadingOrBothPathsToALocator) {
    struct Case {
        std::string station, typed;
        bool longPath;
        std::optional<int> heading;
        std::string shortText, longText;
        std::string summary;
        std::string stationNote;
    } cases[] = {
        {"", "", false, std::nullopt, "", "", "Type a heading or a locator.", ""},
        {"", "200", false, 200, "", "", "OK turns the rotor to 200\xC2\xB0.", ""},
        {"JN58td", " 45 ", true, 45, "", "", "OK turns the rotor to 45\xC2\xB0.", ""},
        {"", "400", false, std::nullopt, "", "", "Not a heading from 0 to 360 nor a locator.", ""},
        {"JN58td", "FN31pr", false, 298, "298\xC2\xB0  6336 km", "118\xC2\xB0  33694 km",
         "OK turns the rotor to 298\xC2\xB0 (short path to FN31pr).", ""},
        {"jn58TD", "fn31pr", true, 118, "298\xC2\xB0  6336 km", "118\xC2\xB0  33694 km",
         "OK turns the rotor to 118\xC2\xB0 (long path to FN31pr).", ""},
        {"", "FN31pr", false, std::nullopt, "", "", "The bearing to FN31pr needs your own locator.",
         "Needed for the bearing: please enter it once."},
        {"JN5", "FN31pr", false, std::nullopt, "", "",
         "The bearing to FN31pr needs your own locator.",
         "Not a locator: 4 or 6 characters, such as JO62qm."},
    };
    for (const Case& c : cases) {
        TTurnToDialog dialog(c.station);
        dialog.TargetEdit()->setText(QString::fromStdString(c.typed));
        if (c.longPath) dialog.LongPathButton()->setChecked(true);
        const std::string label = c.station + " -> " + c.typed;
        EXPECT_EQ(dialog.ChosenHeading(), c.heading) << label;
        EXPECT_EQ(dialog.OkButton()->isEnabled(), c.heading.has_value()) << label;
        EXPECT_EQ(dialog.ShortPathButton()->text().toStdString(), c.shortText) << label;
        EXPECT_EQ(dialog.LongPathButton()->text().toStdString(), c.longText) << label;
        EXPECT_EQ(dialog.SummaryLabel()->text().toStdString(), c.summary) << label;
        bool noteShown = false;
        for (QLabel* l : dialog.findChildren<QLabel*>())
            if (!c.stationNote.empty() && l->text().toStdString() == c.stationNote)
                noteShown = true;
        EXPECT_EQ(noteShown, !c.stationNote.empty()) << label;
    }
}

TEST_F(TurnToDialogTest, TheStationLocatorGivenOnceCompletesTheBearing) {
    TTurnToDialog dialog("");
    dialog.TargetEdit()->setText("PM95vr");
    EXPECT_FALSE(dialog.OkButton()->isEnabled());
    EXPECT_EQ(dialog.StationLocator(), "");
    dialog.StationEdit()->setText(" io91WM");
    EXPECT_EQ(dialog.StationLocator(), "IO91wm");
    EXPECT_EQ(dialog.ChosenHeading(), 32);
    EXPECT_TRUE(dialog.OkButton()->isEnabled());
}

TEST_F(TurnToDialogTest, OkAcceptsAndCancelRejects) {
    for (bool ok : {true, false}) {
        TTurnToDialog dialog("JN58td");
        dialog.TargetEdit()->setText("123");
        QTimer::singleShot(0, &dialog, [&] {
            if (ok)
                dialog.OkButton()->click();
            else
                dialog.reject();
        });
        EXPECT_EQ(dialog.exec(), ok ? QDialog::Accepted : QDialog::Rejected);
        EXPECT_EQ(dialog.ChosenHeading(), 123);
    }
    // OK cannot be chosen without a target.
    TTurnToDialog empty("JN58td");
    QTimer::singleShot(0, &empty, [&] {
        empty.OkButton()->click();  // disabled: does nothing
        empty.reject();
    });
    EXPECT_EQ(empty.exec(), QDialog::Rejected);
}

}  // namespace
}  // namespace skyvane
