// SPDX-License-Identifier: GPL-3.0-or-later
// The tray menu's aiming entries: "Turn to CALL (GRID) 123°" and its long path above
// "Turn to…" while WSJT-X names a DX station, and below it the "Presets" submenu (the
// presets, then "Edit presets…") and "Park".
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "rotor/Locator.h"
#include "rotor/Presets.h"

namespace skyvane {

class TComponent;
class TMenuItem;
class TPopupMenu;

// The DX station as the menu offers it.
struct TDxEntry {
    std::string call;              // "K1ABC"
    std::string where;             // the grid, or the country when WSJT-X gave no grid
    TGeoPosition position;         // where the grid or the country lies
    std::optional<int> shortPath;  // bearings from the station; none while its locator
    std::optional<int> longPath;   // is not known
};

// "Turn to K1ABC (FN42) 290°", or "Turn to K1ABC (FN42)…" while no bearing is known.
std::string DxCaption(const TDxEntry& dx);
// "Turn to K1ABC long path 110°".
std::string DxLongPathCaption(const TDxEntry& dx);

class TAimingMenu {
public:
    // Where the entries' choices go.
    struct THandlers {
        std::function<void(bool longPath)> turnToDx;
        std::function<void(std::size_t index)> turnToPreset;
        std::function<void()> editPresets;
        std::function<void()> park;
    };

    // Puts the entries (owned by `owner`) around `turnTo` in `menu`.
    TAimingMenu(TComponent* owner, TPopupMenu& menu, TMenuItem* turnTo, THandlers handlers);

    // Shows the DX entries for `dx`, or hides them.
    void ShowDx(const std::optional<TDxEntry>& dx);
    // Fills the Presets submenu.
    void ShowPresets(const std::vector<TPreset>& presets);
    // Enables the entries that turn the rotor while it can be steered.
    void SetSteerable(bool steerable);

    // The entries, for tests.
    TMenuItem* DxEntry() const { return dx_; }
    TMenuItem* DxLongPathEntry() const { return dxLong_; }
    TMenuItem* PresetsEntry() const { return presets_; }
    TMenuItem* EditPresetsEntry() const { return edit_; }
    TMenuItem* ParkEntry() const { return park_; }
    const std::vector<TMenuItem*>& PresetEntries() const { return presetEntries_; }

private:
    TMenuItem* Entry(const char* name, const char* caption);

    TComponent* owner_;
    THandlers handlers_;
    TMenuItem* dx_;
    TMenuItem* dxLong_;
    TMenuItem* presets_;
    TMenuItem* presetsSeparator_;
    TMenuItem* edit_;
    TMenuItem* park_;
    std::vector<TMenuItem*> presetEntries_;  // made once, shown as needed
    bool steerable_ = false;
};

}  // namespace skyvane
