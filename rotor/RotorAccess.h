// SPDX-License-Identifier: GPL-3.0-or-later
// What the rotor server needs of the rest of the program: the latest live heading, and
// someone to carry out turn and stop requests on the line to the controller.
#pragma once

#include <optional>

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
    // Which way the rotor is being turned now: +1 clockwise, -1 counter-clockwise,
    // 0 standing (or not known to move).
    virtual int Turning() const { return 0; }
};

}  // namespace skyvane
