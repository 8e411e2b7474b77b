// SPDX-License-Identifier: GPL-3.0-or-later
// Which rotor link is in use: the built-in "AI1;" line, or a Hamlib link built from the
// rotor settings; the "Rotor…" entry of the tray menu with its dialog, whose OK puts
// the chosen rotor to use at once (reopened when tracking) and has it saved.
#pragma once

#include <QObject>
#include <functional>
#include <memory>
#include <string>

#include "app/RotorSettings.h"
#include "toolkit/Component.h"

namespace skyvane {

class TForm;
class TMenuItem;
class TPopupMenu;
class TLinkAccess;
class TRotorLink;
class THamlibRotorLink;

// Connects a link's readings and line changes to the window.
using TLinkWiring = std::function<void(TRotorLink& link)>;

class TRotorSelection : public TComponent {
public:
    // Appends "Rotor…" to `menu` (the entry owned by `form`, which also parents the
    // dialog). Puts links under `access`, each wired through `wire`; `builtIn` is the
    // built-in line; `track` is the Track entry, whose check mark says whether to track.
    TRotorSelection(TForm* form, TPopupMenu* menu, TLinkAccess& access, TRotorLink& builtIn,
                    TMenuItem* track, TLinkWiring wire);
    ~TRotorSelection() override;

    // Puts the rotor of `settings` to use; `trace` writes the trace log (from the GUI
    // thread), and with `hamlibDebug` Hamlib's own debug output goes there too.
    void Start(const TRotorSettings& settings, std::function<void(const std::string&)> trace,
               bool hamlibDebug);
    // Puts the rotor of `settings` to use now: the link in use is closed, the new one
    // opened when tracking. A line that cannot be opened leaves Track off and raises.
    void Apply(const TRotorSettings& settings);
    // The settings in use.
    const TRotorSettings& Settings() const { return settings_; }

    // The menu entry.
    TMenuItem* RotorEntry() const { return entry_; }
    // Told the settings the user chose, to save them.
    void SetOnChosen(std::function<void(const TRotorSettings&)> handler) {
        onChosen_ = std::move(handler);
    }
    // "Rotor…": the dialog, then its choice put to use and saved.
    void RotorClick(TComponent* sender);

protected:
    // Closes the Hamlib link and silences Hamlib's debug output before the window goes.
    void BeforeDestruction() override;

private:
    TForm* form_;
    TMenuItem* entry_;
    TMenuItem* track_;
    TLinkAccess& access_;
    TRotorLink& builtIn_;
    TLinkWiring wire_;
    std::function<void(const std::string&)> trace_;
    std::unique_ptr<THamlibRotorLink> hamlib_;
    TRotorSettings settings_;
    std::function<void(const TRotorSettings&)> onChosen_;
    // Hamlib's debug lines reach the trace log as queued calls on this object.
    QObject debugContext_;
};

}  // namespace skyvane
