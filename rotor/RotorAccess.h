// SPDX-License-Identifier: GPL-3.0-or-later
// What the rotor server needs of the rest of the program: the latest live heading, and
// someone to carry out turn and stop requests on the line to the controller.
#pragma once

#include <optional>

#include "rotor/Direction.h"
#include "rotor/Steering.h"

namespace skyvane {

class TRotorAccess {
public:
    virtual ~TRotorAccess() = default;

    // True when turn and stop requests can be carried out now (the line to the rotor
    // is open); a rotor that merely stopped answering may still take a stop.
    virtual bool CanSteer() const { return true; }

    // The latest reading while it is live, in whole degrees; nothing while there is
    // none (tracking off, no reply yet, the rotor no longer answering).
    virtual std::optional<int> LiveHeading() const = 0;
    // Asks the rotor to turn to `heading` (0..360). False when the rotor cannot be
    // reached now; the request is then dropped.
    virtual bool RequestTurn(int heading) = 0;
    // Asks a turning rotor to stop. False when the rotor cannot be reached now.
    virtual bool RequestStop() = 0;
    // Asks the rotor to go to its park position. False when it cannot be reached now.
    virtual bool RequestPark() { return RequestTurn(0); }
    // Asks the rotor to turn on toward its end stop clockwise (`sense` +1) or
    // counter-clockwise (-1). False when it cannot be reached now.
    virtual bool RequestMove(int sense) {
        const std::optional<int> end = MoveEndHeading(sense);
        return end && RequestTurn(*end);
    }

    // True when a turn to `heading` is one the rotor can take at all (within its range).
    virtual bool Reaches(int heading) const { return heading >= 0 && heading <= 360; }
    // The azimuths a client may ask for, as the rotor's range on the clients' scale.
    virtual TAzimuthRange TurningScale() const { return {}; }
    // Which way the rotor is being turned now: +1 clockwise, -1 counter-clockwise,
    // 0 standing (or not known to move).
    virtual int Turning() const { return 0; }
};

}  // namespace skyvane
