// SPDX-License-Identifier: GPL-3.0-or-later
// Sharing and steering the rotor: the "Turn to…" and "Stop rotor" entries of the tray
// menu and the rotctld-compatible server, both steering the rotor through one access.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/SharingSettings.h"
#include "rotor/SteeringSource.h"
#include "rotor/TurnTarget.h"
#include "toolkit/Component.h"

namespace skyvane {

class TForm;
class TLog;
class TMenuItem;
class TPopupMenu;
class TCountryFile;
class TRotorAccess;
class TRotorServer;

// The message for a turn asked for while the rotor cannot be reached.
extern const char* const RotorNotReachableText;

class TRotorSharing : public TComponent {
public:
    // Appends a separator, "Turn to…" and "Stop rotor" to `menu` (entries owned by
    // `form`, which also parents the dialog). Steers and reads the rotor through
    // `rotor`, which must outlive it.
    TRotorSharing(TForm* form, TPopupMenu* menu, TRotorAccess& rotor);
    ~TRotorSharing() override;

    // The menu entries.
    TMenuItem* SeparatorEntry() const { return separator_; }
    TMenuItem* TurnToEntry() const { return turnTo_; }
    TMenuItem* StopEntry() const { return stop_; }
    // The rotor it steers.
    TRotorAccess& Rotor() { return rotor_; }

    // Starts the server when `settings` ask for it and remembers the station's locator.
    // A port that cannot be used is reported once (a message and a log line); the rest
    // of the program runs on without sharing.
    void Start(const TSharingSettings& settings, TLog& log);
    // The server while sharing, else nullptr.
    TRotorServer* Server() const { return server_.get(); }

    // The station's own locator (usual spelling; empty while unknown).
    const std::string& StationLocator() const { return stationLocator_; }
    // Told when the user gives a new station locator in the dialog, to keep it.
    void SetOnStationLocator(std::function<void(const std::string&)> handler) {
        onStationLocator_ = std::move(handler);
    }
    // Takes a new station locator given elsewhere (the map), as the dialog does.
    void SetStationLocator(const std::string& locator);
    // Told of the place each turn aimed at (nothing: a heading), from the dialog or Aimed.
    void SetOnTarget(std::function<void(const std::optional<TAimedPlace>&)> handler) {
        onTarget_ = std::move(handler);
    }
    // A turn elsewhere (a preset, WSJT-X's DX) aimed at `place`, or at a heading alone.
    void Aimed(const std::optional<TAimedPlace>& place);

    // Enables the two entries while the rotor can be steered; the window calls it
    // whenever tracking, the line or the reading changed.
    void Refresh();
    // Told with the new state whenever the rotor became steerable or stopped being so.
    void SetOnSteerable(std::function<void(bool)> handler) { onSteerable_ = std::move(handler); }

    // A steering source named `name` in front of the scheduler: its turns go to the
    // trace log, its Park to the park heading.
    std::unique_ptr<TSteeringSource> NewSource(std::string name);
    // The heading Park turns to (the server's K among them); 0 until set.
    void SetParkHeading(int heading) { parkHeading_ = heading; }
    // Where the dialog gets the country file it looks callsigns up in, when it opens
    // (nothing, or a nullptr from it: none).
    void SetCountryFile(std::function<const TCountryFile*()> countries) {
        countries_ = std::move(countries);
    }

    // "Turn to…": the dialog, then the turn it chose.
    void TurnToClick(TComponent* sender);
    // The dialog with `target` already typed in.
    void TurnToDialog(const std::string& target);
    // "Stop rotor".
    void StopRotorClick(TComponent* sender);

protected:
    // Stops serving before the window goes: no client reaches a half-destroyed owner.
    void BeforeDestruction() override;

private:
    TForm* form_;
    TMenuItem* separator_;
    TMenuItem* turnTo_;
    TMenuItem* stop_;
    TRotorAccess& rotor_;
    TLog* log_ = nullptr;
    int parkHeading_ = 0;
    std::function<const TCountryFile*()> countries_;
    std::unique_ptr<TSteeringSource> menuSource_;
    std::unique_ptr<TSteeringSource> serverSource_;
    std::unique_ptr<TRotorServer> server_;
    std::function<void(bool)> onSteerable_;
    std::string stationLocator_;
    std::function<void(const std::string&)> onStationLocator_;
    std::function<void(const std::optional<TAimedPlace>&)> onTarget_;
};

// The message for a server that cannot listen: why, and that the program goes on.
std::string SharingFailedText(const std::string& reason);

}  // namespace skyvane
