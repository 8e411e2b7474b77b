// SPDX-License-Identifier: GPL-3.0-or-later
// A pop-up menu component seen as the notification area's menu model, so that a tray
// host that draws menus itself shows the component's entries, check marks, enabled
// states, separators and submenus (hidden entries left out), and a choice there runs
// the entry's command.
#pragma once

#include <map>
#include <vector>

#include "platform/menu_model.h"

namespace skyvane {

class TMenuItem;
class TPopupMenu;

class TPopupMenuModel : public platform::MenuModel {
public:
    // The model of `menu`, which must outlive it; it becomes the menu's one change
    // listener until the model is destroyed.
    explicit TPopupMenuModel(TPopupMenu& menu);
    ~TPopupMenuModel() override;
    TPopupMenuModel(const TPopupMenuModel&) = delete;
    TPopupMenuModel& operator=(const TPopupMenuModel&) = delete;

    std::vector<platform::MenuEntry> Entries() const override;
    // Runs the entry's Click (exceptions go to the standard report).
    void Activate(std::int32_t id) override;
    void SetOnChange(std::function<void()> listener) override;
    // The menu is being destroyed: the model shows nothing from now on and leaves
    // the menu alone.
    void MenuDestroyed() { menu_ = nullptr; }

private:
    // The entry's identifier: given on first sight, kept while the entry lives.
    std::int32_t IdOf(const TMenuItem* item) const;
    // Appends the shown entries of `items` and their submenus, under `parent`.
    void Collect(const std::vector<TMenuItem*>& items, std::int32_t parent,
                 std::vector<platform::MenuEntry>& entries) const;

    TPopupMenu* menu_;
    mutable std::map<const TMenuItem*, std::int32_t> ids_;
    mutable std::int32_t nextId_ = 1;
    std::function<void()> listener_;
};

}  // namespace skyvane
