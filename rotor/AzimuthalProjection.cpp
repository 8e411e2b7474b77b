// SPDX-License-Identifier: GPL-3.0-or-later
#include "rotor/AzimuthalProjection.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace skyvane {
namespace {

constexpr double DegreesPerRadian = 180.0 / std::numbers::pi;

}  // namespace

TAzimuthalProjection::TAzimuthalProjection(const TGeoPosition& station)
    : station_(station),
      sinLatitude_(std::sin(station.latitude / DegreesPerRadian)),
      cosLatitude_(std::cos(station.latitude / DegreesPerRadian)) {}

TMapPoint TAzimuthalProjection::Point(const TGeoPosition& position) const {
    return PathPoint(GreatCirclePaths(station_, position).shortPath);
}

TMapPoint TAzimuthalProjection::PathPoint(const TGreatCirclePath& path) {
    const double r = std::clamp(path.distanceKm / HalfCircumferenceKm, 0.0, 1.0);
    const double bearing = path.bearing / DegreesPerRadian;
    return TMapPoint{r * std::sin(bearing), r * std::cos(bearing)};
}

std::optional<TGreatCirclePath> TAzimuthalProjection::PathAt(const TMapPoint& point) {
    const double r = std::hypot(point.x, point.y);
    if (!(r <= 1.0)) return std::nullopt;
    double bearing = r > 0 ? std::atan2(point.x, point.y) * DegreesPerRadian : 0.0;
    if (bearing < 0) bearing += 360.0;
    if (bearing >= 360.0) bearing = 0.0;
    return TGreatCirclePath{bearing, r * HalfCircumferenceKm};
}

std::optional<TGeoPosition> TAzimuthalProjection::Position(const TMapPoint& point) const {
    const double r = std::hypot(point.x, point.y);
    if (!(r <= 1.0)) return std::nullopt;
    if (r == 0) return station_;
    // The destination a great-circle angle r·π away along the bearing of the point; the
    // bearing's sine and cosine are the point's own coordinates over r.
    const double angle = r * std::numbers::pi;
    const double sinAngle = std::sin(angle);
    const double cosAngle = std::cos(angle);
    const double sinBearing = point.x / r;
    const double cosBearing = point.y / r;
    const double sinLatitude =
        std::clamp(sinLatitude_ * cosAngle + cosLatitude_ * sinAngle * cosBearing, -1.0, 1.0);
    const double latitude = std::asin(sinLatitude);
    const double longitude =
        station_.longitude / DegreesPerRadian +
        std::atan2(sinBearing * sinAngle * cosLatitude_, cosAngle - sinLatitude_ * sinLatitude);
    double degrees = std::remainder(longitude * DegreesPerRadian, 360.0);
    if (degrees >= 180.0) degrees -= 360.0;
    return TGeoPosition{latitude * DegreesPerRadian, degrees};
}

}  // namespace skyvane
