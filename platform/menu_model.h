// SPDX-License-Identifier: GPL-3.0-or-later
// A pop-up menu as a desktop service sees it: a flat list of entries with stable
// identifiers, read when needed, chosen by identifier, and a notice after any change.
// Qt-free, so that the notification area can offer the menu to a tray host that
// draws it itself (dbus_menu.h) without knowing the menu component.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace skyvane::platform {

// One entry of the menu as it is now.
struct MenuEntry {
    std::int32_t id = 0;      // stable while the entry exists; never 0 (0 is the root)
    std::string label;        // the caption (8-bit text of the system code page)
    bool separator = false;   // a dividing line instead of a command
    bool enabled = true;      // false: shown greyed out, cannot be chosen
    bool checkable = false;   // shown with a check box
    bool checked = false;     // the check mark
    bool isDefault = false;   // the default command (drawn in bold where hosts can)
    std::int32_t parent = 0;  // the entry whose submenu holds it (0: the menu itself)
    bool operator==(const MenuEntry&) const = default;
};

class MenuModel {
public:
    virtual ~MenuModel() = default;
    // The entries in menu order (those of a submenu in their order among themselves).
    virtual std::vector<MenuEntry> Entries() const = 0;
    // Chooses the entry with identifier `id`, as a click on it would; an unknown or
    // disabled entry is ignored. Runs the entry's command before it returns.
    virtual void Activate(std::int32_t id) = 0;
    // The one listener told after an entry changed, was added or was removed
    // (nullptr: none). It may be told several times for one change.
    virtual void SetOnChange(std::function<void()> listener) = 0;
};

}  // namespace skyvane::platform
