// SPDX-License-Identifier: GPL-3.0-or-later
// The map of the beam: an azimuthal equidistant map of the earth centred on the
// station, with the beam along the live heading, the turn in progress and the paths to
// the last target; a click turns the rotor. Opened from the "Map" menu entry or by a
// double click on the main window; it remembers whether it was open and where
// (MAPVISIBLE, MAPGEOMETRY) and draws the beam BEAMWIDTH degrees wide.
#pragma once

#include <QPointer>
#include <QTimer>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "rotor/TurnTarget.h"
#include "toolkit/Component.h"
#include "toolkit/IniFile.h"

class QObject;

namespace skyvane {

class TForm;
class TMapWindow;
class TMenuItem;
class TPopupMenu;
class TRotorAccess;

// The heading the beam is drawn along.
struct TMapHeading {
    enum State {
        None,   // no reading: no beam
        Live,   // the rotor answers
        Stale,  // the last reading, no longer confirmed: the beam dimmed
    } state = None;
    int degrees = 0;
    bool operator==(const TMapHeading&) const = default;
};

// What the main window tells the map; the map keeps the latest of each.
class TMapFeed {
public:
    virtual ~TMapFeed() = default;
    // The station's own locator; empty while it is not known.
    virtual void SetStation(const std::string& locator) = 0;
    // An accepted reading: the heading is live.
    virtual void HeadingRead(int degrees) = 0;
    // The rotor stopped answering (true) or answers again (false).
    virtual void HeadingStale(bool stale) = 0;
    // Tracking stopped: there is no heading.
    virtual void HeadingGone() = 0;
    // A request the rotor took: a turn to `heading`, or a stop (nothing). A turn
    // aims at no place until SetTarget, which whoever aimed at one calls right after.
    virtual void TurnRequested(std::optional<int> heading) = 0;
    // The place of the last target aimed at; nothing: the last turn aimed at no place.
    virtual void SetTarget(const std::optional<TAimedPlace>& place) = 0;
};

// The settings of the map in the configuration file: read once, written as they change.
struct TMapSettings {
    bool visible = false;                        // MAPVISIBLE
    std::optional<std::array<int, 4>> geometry;  // MAPGEOMETRY: left, top, width, height
    int beamWidth = 60;                          // BEAMWIDTH, 1 to 360 degrees
};

// Reads MAPVISIBLE (yes/no), MAPGEOMETRY ("left,top,width,height", a size of 200 to
// 10000 pixels, else none) and BEAMWIDTH (1 to 360, else 60).
TMapSettings ReadMapSettings(const TCustomIniFile& ini);
// The MAPGEOMETRY text of a window's place and size.
std::string MapGeometryText(const std::array<int, 4>& geometry);

class TMapView : public TComponent, public TMapFeed {
public:
    // The configuration file in use now.
    using TIniAccess = std::function<TCustomIniFile&()>;
    // The user gave the station's locator in the map.
    using TStationEvent = std::function<void(const std::string& locator)>;

    // Appends "Map" to `menu` (the entry owned by `form`), listens for double clicks on
    // `form`, turns through `rotor`, reads and writes its settings through `ini`, and
    // opens the map when MAPVISIBLE says it was open.
    TMapView(TForm* form, TPopupMenu* menu, TRotorAccess& rotor, TIniAccess ini,
             TStationEvent onStation);
    ~TMapView() override;

    // The menu entry, checked while the map is open.
    TMenuItem* MapEntry() const { return entry_; }
    // The map's window while it is open, else nullptr.
    TMapWindow* Window() const;
    // Opens the map (or brings it to the front), and closes it.
    void Open();
    void Close();

    void SetStation(const std::string& locator) override;
    void HeadingRead(int degrees) override;
    void HeadingStale(bool stale) override;
    void HeadingGone() override;
    void TurnRequested(std::optional<int> heading) override;
    void SetTarget(const std::optional<TAimedPlace>& place) override;

    // The heading of the turn in progress: from a turn request until the rotor is
    // within a degree of it, stands still elsewhere, stops or stops being tracked.
    std::optional<int> Turn() const { return turn_; }
    // The place of the last target aimed at, if any.
    const std::optional<TAimedPlace>& Target() const { return target_; }

protected:
    void BeforeDestruction() override;

private:
    void ShowHeading(const TMapHeading& heading);
    void ShowTurn(std::optional<int> heading);
    // Writes one setting; a failure is reported once, and the map goes on.
    void Save(const char* key, const std::string& value);
    void SaveGeometry();
    // The user closed the map's window.
    void WindowClosed();

    TForm* form_;
    TMenuItem* entry_;
    TRotorAccess& rotor_;
    TIniAccess ini_;
    TStationEvent onStation_;
    TMapSettings settings_;
    // Cleared by Qt should the window go with the main window's widgets first.
    QPointer<TMapWindow> window_;
    std::unique_ptr<QObject> doubleClicks_;
    QTimer geometrySave_;
    bool saveFailureShown_ = false;
    std::string station_;
    std::optional<TAimedPlace> target_;
    TMapHeading heading_;
    std::optional<int> turn_;
    int stillReadings_ = 0;
};

}  // namespace skyvane
