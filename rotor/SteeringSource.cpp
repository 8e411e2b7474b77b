// SPDX-License-Identifier: GPL-3.0-or-later
#include "rotor/SteeringSource.h"


namespace skyvane {

TSteeringSource::TSteeringSource(TRotorAccess& rotor, std::string name, TTrace trace,
                                 TParkHeading parkHeading)
    : rotor_(rotor),
      name_(std::move(name)),
      trace_(std::move(trace)),
      parkHeading_(std::move(parkHeading)) {}

bool TSteeringSource::Carried(bool reached, const std::string& what) {
    trace_(what + " from " + name_ + (reached ? "" : ": the rotor cannot be reached now"));
    return reached;
}

bool TSteeringSource::RequestTurn(int heading) {
    const std::string what = "Turn to " + std::to_string(heading) + "\xC2\xB0";
    if (!rotor_.Reaches(heading)) {
        const TAzimuthRange range = rotor_.TurningScale();
        trace_(what + " from " + name_ + " not carried out: outside the rotor's range " +
               std::to_string(range.min) + " to " + std::to_string(range.max));
        return false;
    }
    return Carried(rotor_.RequestTurn(heading), what);
}

bool TSteeringSource::RequestStop() {
    return Carried(rotor_.RequestStop(), "Stop");
}

bool TSteeringSource::RequestMove(int sense) {
    return Carried(rotor_.RequestMove(sense),
                   sense > 0 ? "Move clockwise" : "Move counter-clockwise");
}

bool TSteeringSource::RequestPark() {
    const int heading = parkHeading_ ? parkHeading_() : 0;
    return Carried(rotor_.RequestTurn(heading), "Park at " + std::to_string(heading) + "\xC2\xB0");
}

}  // namespace skyvane
