// SPDX-License-Identifier: GPL-3.0-or-later
// The azimuthal equidistant projection centred on a station: every straight line from
// the centre is a great circle, its angle the bearing and its length the distance.
#pragma once

#include <optional>

#include "rotor/Locator.h"

namespace skyvane {

// Half the great circle: the distance of the antipode, which is the map's rim.
inline constexpr double HalfCircumferenceKm = 3.14159265358979323846 * EarthRadiusKm;

// A point of the map in units of its radius: the station at (0, 0), the antipode on
// the rim (distance 1 from the centre); x grows to the east, y to the north.
struct TMapPoint {
    double x = 0;
    double y = 0;
};

class TAzimuthalProjection {
public:
    // The map centred on `station`.
    explicit TAzimuthalProjection(const TGeoPosition& station);

    // The station the map is centred on.
    const TGeoPosition& Station() const { return station_; }

    // Where `position` lies on the map (the short path's bearing and distance).
    TMapPoint Point(const TGeoPosition& position) const;
    // The point at the end of `path` from the station; a distance beyond the rim is
    // held to it.
    static TMapPoint PathPoint(const TGreatCirclePath& path);
    // The bearing and distance of a map point from the station; nothing outside the
    // rim. At the centre the bearing is 0.
    static std::optional<TGreatCirclePath> PathAt(const TMapPoint& point);
    // The place shown at a map point; nothing outside the rim. Fast enough to be asked
    // for every pixel of the picture.
    std::optional<TGeoPosition> Position(const TMapPoint& point) const;

private:
    TGeoPosition station_;
    double sinLatitude_;
    double cosLatitude_;
};

}  // namespace skyvane
