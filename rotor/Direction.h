// SPDX-License-Identifier: GPL-3.0-or-later
// The direction model of a rotor: the azimuth offset that calibrates its readings, and
// the range it may turn through in its own degrees (0..360, -180..180, or more than a
// full turn, such as 0..450, where part of the circle can be reached two ways round).
// Readings become true bearings; a requested bearing becomes a target the rotor can
// legally reach, the shorter way round where there are two.
#pragma once

#include <optional>

namespace skyvane {

// The azimuths a rotor may turn between, in its own whole degrees.
struct TAzimuthRange {
    int min = 0;
    int max = 360;
    bool operator==(const TAzimuthRange&) const = default;
};

// The limits any turning range keeps within.
inline constexpr int LowestAzimuth = -180;
inline constexpr int HighestAzimuth = 450;
inline constexpr int WidestTurn = 450;
// The largest offset either way.
inline constexpr int LargestOffset = 180;

// True when `range` lies within LowestAzimuth..HighestAzimuth, min below max, no
// wider than WidestTurn.
bool IsTurningRange(const TAzimuthRange& range);

// The range a rotor library's capabilities give, in whole degrees: as it is when it is a
// turning range; a range wider than WidestTurn (a family's generic limits) narrowed to
// the part within 0..450; the default 0..360 when nothing usable is left.
TAzimuthRange TurningRangeOf(double minAzimuth, double maxAzimuth);

// A bearing folded into 0..359.
int Folded(int degrees);

class TDirection {
public:
    // No offset, 0..360.
    TDirection() = default;
    // `offset` is added to every reading (true = rotor + offset); `range` must be a
    // turning range (the default is used otherwise).
    TDirection(int offset, const TAzimuthRange& range);

    int Offset() const { return offset_; }
    TAzimuthRange Range() const { return range_; }
    // True for no offset and 0..360: readings are shown exactly as they come.
    bool Identity() const { return offset_ == 0 && range_ == TAzimuthRange{}; }

    // The true bearing, 0..359, for the rotor's own degrees `raw`.
    int Bearing(int raw) const { return Folded(raw + offset_); }
    // `raw` on the scale clients see: the rotor's degrees with the offset, unfolded.
    int OnScale(int raw) const { return raw + offset_; }
    // The range on that scale: what a client may ask for.
    TAzimuthRange Scale() const { return {range_.min + offset_, range_.max + offset_}; }
    // True while `raw` lies in the overlap: more than a full turn from the range's start.
    bool InOverlap(int raw) const { return raw > range_.min + 360; }

    // True when `heading` is a value a request may carry (a bearing 0..360 or a point of
    // the scale) and the rotor can point that way at all.
    bool Accepts(int heading) const { return TurnTarget(heading, std::nullopt).has_value(); }
    // The rotor's own degrees to turn to for `heading`: among the positions within the
    // range that point that way, the nearest to `currentRaw`; without a current reading,
    // the heading itself when the rotor can take it, else the lowest. Nothing when the
    // heading is not accepted.
    std::optional<int> TurnTarget(int heading, std::optional<int> currentRaw) const;

private:
    int offset_ = 0;
    TAzimuthRange range_;
};

}  // namespace skyvane
