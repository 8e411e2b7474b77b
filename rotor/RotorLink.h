// SPDX-License-Identifier: GPL-3.0-or-later
// A rotor link: the one narrow way the program reaches a rotor, whatever carries it
// (the built-in "AI1;" line on the program's own serial port, or a rotor driven
// through Hamlib). The window switches tracking and gives the poll ticks; readings and
// changes of the line come back on the GUI thread; steering goes in as turn, stop and
// park requests. Nothing here knows of windows.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "rotor/RotorAccess.h"
#include "rotor/RotorReadings.h"

namespace skyvane {

// The line was opened, lost or opened again.
using TLineEvent = std::function<void()>;

class TRotorLink {
public:
    virtual ~TRotorLink() = default;

    // Track on: opens the line. A line that cannot be opened raises an Exception whose
    // message tells the user why; nothing is left tracking then.
    virtual void StartTracking() = 0;
    // Track off: closes the line; a lost line is no longer opened again.
    virtual void StopTracking() = 0;
    // A poll period begins: the heading is asked for, a lost line is tried again.
    virtual void PollTick() = 0;

    // True while tracking with the line open.
    virtual bool Open() const = 0;
    // True while tracking with the line lost (not yet open again).
    virtual bool Lost() const = 0;
    // True while the rotor has not answered for several polls in a row.
    virtual bool Stale() const = 0;
    // The latest reading while tracking, open and not stale; nothing otherwise.
    virtual std::optional<AzimuthReading> LatestLiveReading() const = 0;

    // Asks the rotor to turn to `azimuth`, in the rotor's own degrees. False when it
    // cannot be reached now or refuses the value; the request is then dropped.
    virtual bool Turn(int azimuth) = 0;
    // Asks a turning rotor to stop. False when it cannot be reached now.
    virtual bool StopTurning() = 0;
    // Asks the rotor to go to its park position. False when it cannot be reached now.
    virtual bool Park() = 0;
    // Which way the rotor is being turned now: +1 clockwise, -1 counter-clockwise, 0
    // standing or not known.
    virtual int Turning() const { return 0; }

    // Called for each accepted reading, in arrival order.
    void SetOnReading(TReadingEvent handler) { onReading_ = std::move(handler); }
    // Called when Stale changes.
    void SetOnStaleChange(TStaleEvent handler) { onStaleChange_ = std::move(handler); }
    // Called when the line opened, was lost or opened again.
    void SetOnLineChange(TLineEvent handler) { onLineChange_ = std::move(handler); }

protected:
    // For implementations: hand an event to whoever listens.
    void NotifyReading(const AzimuthReading& reading) const {
        if (onReading_) onReading_(reading);
    }
    void NotifyStaleChange(bool stale) const {
        if (onStaleChange_) onStaleChange_(stale);
    }
    void NotifyLineChange() const {
        if (onLineChange_) onLineChange_();
    }

private:
    TReadingEvent onReading_;
    TStaleEvent onStaleChange_;
    TLineEvent onLineChange_;
};

// The rotor as the program's steering sources and its server see it, carried on
// whichever link is in use.
class TLinkAccess : public TRotorAccess {
public:
    // Works on `link`, which must outlive it (or be replaced through SetLink first).
    explicit TLinkAccess(TRotorLink& link) : link_(&link) {}

    // The link in use from now on.
    void SetLink(TRotorLink& link) { link_ = &link; }
    TRotorLink& Link() const { return *link_; }

    bool CanSteer() const override { return link_->Open(); }
    std::optional<int> LiveHeading() const override;
    bool RequestTurn(int heading) override;
    bool RequestStop() override;
    int Turning() const override { return link_->Turning(); }

private:
    TRotorLink* link_;
};

}  // namespace skyvane
