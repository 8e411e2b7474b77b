// SPDX-License-Identifier: GPL-3.0-or-later
// One source of turns (the menu, a preset, the rotctld server, WSJT-X, a logger) in
// front of the one steering path: it names itself in the trace log on every request,
// turns to the park heading on Park, and does not pass on a turn outside the rotor's
// range (one trace line instead).
#pragma once

#include <functional>
#include <string>

#include "rotor/RotorAccess.h"

namespace skyvane {

class TSteeringSource : public TRotorAccess {
public:
    using TTrace = std::function<void(const std::string& line)>;
    using TParkHeading = std::function<int()>;

    // Requests of source `name` go to `rotor` (which outlives this); `trace` writes a
    // trace line, `parkHeading` gives the heading Park turns to.
    TSteeringSource(TRotorAccess& rotor, std::string name, TTrace trace, TParkHeading parkHeading);

    // The source's name as the trace log shows it.
    const std::string& Name() const { return name_; }

    bool CanSteer() const override { return rotor_.CanSteer(); }
    std::optional<int> LiveHeading() const override { return rotor_.LiveHeading(); }
    bool RequestTurn(int heading) override;
    bool RequestStop() override;
    bool RequestPark() override;
    bool RequestMove(int sense) override;
    bool Reaches(int heading) const override { return rotor_.Reaches(heading); }
    TAzimuthRange TurningScale() const override { return rotor_.TurningScale(); }
    int Turning() const override { return rotor_.Turning(); }

private:
    bool Carried(bool reached, const std::string& what);

    TRotorAccess& rotor_;
    std::string name_;
    TTrace trace_;
    TParkHeading parkHeading_;
};

}  // namespace skyvane
