// SPDX-License-Identifier: GPL-3.0-or-later
#include "rotor/RotorLink.h"

#include <cstdio>

namespace skyvane {

void TLinkAccess::SetDirection(int offset, std::optional<TAzimuthRange> range) {
    offset_ = offset;
    range_ = range;
}

TDirection TLinkAccess::Direction() const {
    return TDirection(offset_, range_.value_or(link_->NativeRange().value_or(TAzimuthRange{})));
}

TShownReading TLinkAccess::Shown(const AzimuthReading& raw) const {
    const TDirection direction = Direction();
    if (direction.Identity()) return {raw, false};
    const int bearing = direction.Bearing(raw.degrees);
    char digits[8];
    std::snprintf(digits, sizeof digits, "%03d", bearing);
    return {AzimuthReading{digits, bearing}, direction.InOverlap(raw.degrees)};
}

std::optional<int> TLinkAccess::LiveHeading() const {
    const std::optional<AzimuthReading> reading = link_->LatestLiveReading();
    return reading ? std::optional<int>(Direction().OnScale(reading->degrees)) : std::nullopt;
}

bool TLinkAccess::RequestTurn(int heading) {
    const std::optional<AzimuthReading> reading = link_->LatestLiveReading();
    const std::optional<int> target = Direction().TurnTarget(
        heading, reading ? std::optional<int>(reading->degrees) : std::nullopt);
    if (!target || !link_->Turn(*target)) return false;
    if (onRequest_) onRequest_(heading);
    return true;
}

bool TLinkAccess::RequestMove(int sense) {
    const TAzimuthRange range = Direction().Range();
    return link_->Turn(sense < 0 ? range.min : range.max);
}

bool TLinkAccess::RequestStop() {
    if (!link_->StopTurning()) return false;
    if (onRequest_) onRequest_(std::nullopt);
    return true;
}

}  // namespace skyvane
