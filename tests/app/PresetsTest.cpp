// SPDX-License-Identifier: GPL-3.0-or-later
// Presets kept in the profile file and edited in their dialog.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <random>

#include "app/IniFile.h"
#include "app/PresetsDialog.h"
#include "rotor/Presets.h"
#include "tests/support/QtApplication.h"
#include "tests/support/TempDir.h"

namespace skyvane {
namespace {

// Seeded random lists of presets, written and read back, growing and shrinking in turn:
// what is read is what was written, in order, and nothing of a longer list before.
TEST(Presets, WhatIsWrittenIsReadBackInOrder) {
    test::TempDir dir;
    TIniFile ini(dir / "Skyvane.INI");
    std::mt19937 random(2112);
    const char* targets[] = {"0", "270", "360", "JN58td", "FN42", "W1AW", "DL/K1ABC", "VK9"};
    const char* names[] = {"", "West", "Long path Japan", "a = b", "  spaced  ", "W1AW"};
    for (int round = 0; round < 60; ++round) {
        std::vector<TPreset> presets(random() % (MaxPresets + 3));
        for (TPreset& p : presets) {
            p.target = targets[random() % std::size(targets)];
            p.name = names[random() % std::size(names)];
        }
        WritePresets(ini, presets);
        std::vector<TPreset> expected;
        for (const TPreset& p : presets) {
            if (expected.size() == MaxPresets) break;
            std::string name = p.name;
            while (!name.empty() && name.front() == ' ') name.erase(0, 1);
            while (!name.empty() && name.back() == ' ') name.pop_back();
            expected.push_back({name.empty() ? p.target : name, p.target});
        }
        ASSERT_EQ(ReadPresets(ini), expected) << round;
    }
    EXPECT_FALSE(PresetText({"Name", "JN 58"}));
    EXPECT_FALSE(PresetText({"Na\nme", "JN58"}));
    EXPECT_FALSE(PresetText({"Name", ""}));
    EXPECT_EQ(PresetText({"Munich club", "JN58td"}), "JN58td Munich club");
}

class PresetsDialogTest : public ::testing::Test {
protected:
    void SetUp() override { test_support::EnsureQtApplication<QApplication>(); }
};

TEST_F(PresetsDialogTest, AddChangeMoveAndDeleteAsAUserDoes) {
    // Targets are checked by the caller's rule: here, "bad" is refused.
    TPresetsDialog dialog({{"West", "270"}, {"East", "90"}},
                          [](const std::string& t) { return t == "bad" ? "Not a target." : ""; });
    EXPECT_EQ(dialog.List()->count(), 2);
    EXPECT_EQ(dialog.NameEdit()->text(), "West");
    EXPECT_FALSE(dialog.UpButton()->isEnabled());

    dialog.NameEdit()->setText("Japan");
    dialog.TargetEdit()->setText("bad");
    EXPECT_FALSE(dialog.AddButton()->isEnabled());
    dialog.TargetEdit()->setText("JA1");
    dialog.AddButton()->click();
    dialog.UpButton()->click();  // Japan before East
    dialog.List()->setCurrentRow(0);
    dialog.NameEdit()->setText("West beam");
    dialog.ChangeButton()->click();
    dialog.List()->setCurrentRow(2);
    dialog.DeleteButton()->click();  // East
    const std::vector<TPreset> expected{{"West beam", "270"}, {"Japan", "JA1"}};
    EXPECT_EQ(dialog.Presets(), expected);

    // No more than MaxPresets.
    for (int i = 0; i < 30; ++i) {
        dialog.TargetEdit()->setText(QString::number(i));
        dialog.AddButton()->click();
    }
    EXPECT_EQ(dialog.Presets().size(), MaxPresets);
    EXPECT_FALSE(dialog.AddButton()->isEnabled());
}

}  // namespace
}  // namespace skyvane
