// SPDX-License-Identifier: GPL-3.0-or-later
// The pop-up menu as tray hosts see it, and the tray icon offering it.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "tests/tray/TraySupport.h"
#include "toolkit/Menu.h"
#include "tray/PopupMenuModel.h"
#include "tray/TrayIcon.h"

namespace skyvane {
namespace {

using platform::MenuEntry;

class PopupMenuModelTest : public test::TrayTest {
protected:
    void SetUp() override {
        test::TrayTest::SetUp();
        menu = std::make_unique<TPopupMenu>(nullptr);
        const auto add = [&](const char* caption) {
            items.push_back(std::make_unique<TMenuItem>(nullptr));
            items.back()->SetCaption(caption);
            menu->Add(items.back().get());
            return items.back().get();
        };
        track = add("Track");
        track->SetAutoCheck(true);
        add("-");
        stop = add("Stop rotor");
        stop->SetEnabled(false);
    }
    std::unique_ptr<TPopupMenu> menu;
    std::vector<std::unique_ptr<TMenuItem>> items;
    TMenuItem* track = nullptr;
    TMenuItem* stop = nullptr;
};

TEST_F(PopupMenuModelTest, EntriesFollowTheMenuWithStableIdentifiers) {
    TPopupMenuModel model(*menu);
    int notices = 0;
    model.SetOnChange([&] { ++notices; });
    std::vector<MenuEntry> entries = model.Entries();
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].label, "Track");
    EXPECT_TRUE(entries[0].checkable);
    EXPECT_FALSE(entries[0].checked);
    EXPECT_TRUE(entries[1].separator);
    EXPECT_FALSE(entries[2].enabled);
    const std::int32_t trackId = entries[0].id, stopId = entries[2].id;
    EXPECT_NE(trackId, 0);
    EXPECT_NE(trackId, stopId);

    // Changes reach the model's listener; identifiers stay.
    track->SetChecked(true);
    stop->SetEnabled(true);
    EXPECT_GT(notices, 0);
    entries = model.Entries();
    EXPECT_TRUE(entries[0].checked);
    EXPECT_TRUE(entries[2].enabled);
    EXPECT_EQ(entries[0].id, trackId);
    EXPECT_EQ(entries[2].id, stopId);

    // An entry that goes away is told and leaves the list.
    notices = 0;
    items[1].reset();
    EXPECT_GT(notices, 0);
    entries = model.Entries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[1].id, stopId);
}

TEST_F(PopupMenuModelTest, ActivationRunsTheEntryAsAClickDoes) {
    TPopupMenuModel model(*menu);
    const std::vector<MenuEntry> entries = model.Entries();
    int trackClicks = 0, stopClicks = 0;
    track->SetOnClick([&](TComponent*) { ++trackClicks; });
    stop->SetOnClick([&](TComponent*) { ++stopClicks; });
    model.Activate(entries[0].id);
    EXPECT_EQ(trackClicks, 1);
    EXPECT_TRUE(track->Checked());  // toggled before its handler, as a click does
    model.Activate(entries[1].id);  // the separator
    model.Activate(entries[2].id);  // disabled
    model.Activate(999);            // unknown
    EXPECT_EQ(stopClicks, 0);
    EXPECT_EQ(trackClicks, 1);
}

TEST_F(PopupMenuModelTest, TheTrayIconOffersItsMenuUntilEitherGoes) {
    auto icon = std::make_unique<TTrayIcon>(nullptr);
    TTrayIconHandler* handler = TTrayIconHandler::Shared();
    EXPECT_EQ(shell.EntryMenu(handler, icon->IconId()), nullptr);
    icon->SetPopupMenu(menu.get());
    platform::MenuModel* offered = shell.EntryMenu(handler, icon->IconId());
    ASSERT_NE(offered, nullptr);
    EXPECT_EQ(offered->Entries().size(), 3u);
    // The menu component is destroyed: the host is no longer given a model of it.
    menu.reset();
    EXPECT_EQ(shell.EntryMenu(handler, icon->IconId()), nullptr);
    // And a tray icon that goes takes its menu along.
    TPopupMenu other(nullptr);
    icon->SetPopupMenu(&other);
    const std::uintptr_t id = icon->IconId();
    EXPECT_NE(shell.EntryMenu(handler, id), nullptr);
    icon.reset();
    EXPECT_EQ(shell.EntryMenu(handler, id), nullptr);
}

TEST_F(PopupMenuModelTest, SubmenusAndHiddenEntriesAsTheHostSeesThem) {
    TPopupMenuModel model(*menu);
    int notices = 0;
    model.SetOnChange([&] { ++notices; });
    const auto add = [&](const char* caption) {
        items.push_back(std::make_unique<TMenuItem>(nullptr));
        items.back()->SetCaption(caption);
        return items.back().get();
    };
    TMenuItem* presets = add("Presets");
    TMenuItem* west = add("West");
    TMenuItem* edit = add("Edit presets");
    TMenuItem* hidden = add("Turn to DX");
    hidden->SetVisible(false);
    menu->Insert(1, hidden);
    menu->Insert(2, presets);
    presets->Add(west);
    presets->Add(edit);
    int westClicks = 0;
    west->SetOnClick([&](TComponent*) { ++westClicks; });
    const auto labels = [&] {
        std::string text;
        for (const MenuEntry& e : model.Entries())
            text += (e.parent ? ">" : "") + e.label + (e.separator ? "" : "|");
        return text;
    };
    EXPECT_EQ(labels(), "Track|Presets|>West|>Edit presets|-Stop rotor|");
    std::vector<MenuEntry> entries = model.Entries();
    EXPECT_EQ(entries[2].parent, entries[1].id);
    // A change deep in a submenu reaches the host; a shown entry takes its place.
    notices = 0;
    west->SetCaption("Europe");
    EXPECT_GT(notices, 0);
    hidden->SetVisible(true);
    EXPECT_EQ(labels(), "Track|Turn to DX|Presets|>Europe|>Edit presets|-Stop rotor|");
    // Entries of a submenu run their command; an entry that opens one runs nothing.
    entries = model.Entries();
    model.Activate(entries[3].id);
    model.Activate(entries[2].id);
    EXPECT_EQ(westClicks, 1);
    // Cleared, and a child destroyed while in a submenu, the host sees them gone.
    presets->Clear();
    EXPECT_EQ(labels(), "Track|Turn to DX|Presets|-Stop rotor|");
    presets->Add(edit);
    items.erase(std::find_if(items.begin(), items.end(), [&](auto& i) { return i.get() == edit; }));
    EXPECT_EQ(labels(), "Track|Turn to DX|Presets|-Stop rotor|");
    EXPECT_TRUE(presets->Items().empty());
}

}  // namespace
}  // namespace skyvane
