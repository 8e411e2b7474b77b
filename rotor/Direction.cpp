// SPDX-License-Identifier: GPL-3.0-or-later
#include "rotor/Direction.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace skyvane {

bool IsTurningRange(const TAzimuthRange& range) {
    return range.min >= LowestAzimuth && range.max <= HighestAzimuth && range.min < range.max &&
           range.max - range.min <= WidestTurn;
}

TAzimuthRange TurningRangeOf(double minAzimuth, double maxAzimuth) {
    if (!std::isfinite(minAzimuth) || !std::isfinite(maxAzimuth)) return {};
    const auto whole = [](double degrees) {
        return static_cast<int>(std::lround(std::clamp(degrees, -1000.0, 1000.0)));
    };
    TAzimuthRange range{whole(minAzimuth), whole(maxAzimuth)};
    if (range.max - range.min > WidestTurn)
        range = {std::max(range.min, 0), std::min(range.max, HighestAzimuth)};
    return IsTurningRange(range) ? range : TAzimuthRange{};
}

int Folded(int degrees) {
    const int folded = degrees % 360;
    return folded < 0 ? folded + 360 : folded;
}

TDirection::TDirection(int offset, const TAzimuthRange& range)
    : offset_(std::clamp(offset, -LargestOffset, LargestOffset)),
      range_(IsTurningRange(range) ? range : TAzimuthRange{}) {}

std::optional<int> TDirection::TurnTarget(int heading, std::optional<int> currentRaw) const {
    const TAzimuthRange scale = Scale();
    if (heading < std::min(0, scale.min) || heading > std::max(360, scale.max)) return std::nullopt;
    const int asked = heading - offset_;
    std::optional<int> best;
    // Every position of the range that points the way asked, lowest first.
    const int first = range_.min + Folded(asked - range_.min);
    for (int target = first; target <= range_.max; target += 360) {
        if (!best) {
            best = target;
            continue;
        }
        if (currentRaw) {
            const int nearer = std::abs(target - *currentRaw) - std::abs(*best - *currentRaw);
            if (nearer < 0 || (nearer == 0 && target == asked)) best = target;
        } else if (target == asked) {
            best = target;
        }
    }
    return best;
}

}  // namespace skyvane
