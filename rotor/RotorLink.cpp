// SPDX-License-Identifier: GPL-3.0-or-later
#include "rotor/RotorLink.h"

#include "rotor/Steering.h"

namespace skyvane {

std::optional<int> TLinkAccess::LiveHeading() const {
    const std::optional<AzimuthReading> reading = link_->LatestLiveReading();
    return reading ? std::optional<int>(reading->degrees) : std::nullopt;
}

bool TLinkAccess::RequestTurn(int heading) {
    if (!IsSteerHeading(heading) || !link_->Turn(heading)) return false;
    if (onRequest_) onRequest_(heading);
    return true;
}

bool TLinkAccess::RequestStop() {
    if (!link_->StopTurning()) return false;
    if (onRequest_) onRequest_(std::nullopt);
    return true;
}

}  // namespace skyvane
