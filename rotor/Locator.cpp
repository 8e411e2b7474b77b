// SPDX-License-Identifier: GPL-3.0-or-later
#include "rotor/Locator.h"

#include <cmath>
#include <numbers>

namespace skyvane {
namespace {

char Upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool LetterWithin(char c, char last) {
    const char u = Upper(c);
    return u >= 'A' && u <= last;
}

bool Digit(char c) {
    return c >= '0' && c <= '9';
}

double Radians(double degrees) {
    return degrees * std::numbers::pi / 180.0;
}
double Degrees(double radians) {
    return radians * 180.0 / std::numbers::pi;
}

double NormalBearing(double degrees) {
    double b = std::fmod(degrees, 360.0);
    if (b < 0) b += 360.0;
    return b >= 360.0 ? 0.0 : b;
}

}  // namespace

bool IsLocator(std::string_view t) {
    if (t.size() != 4 && t.size() != 6) return false;
    if (!LetterWithin(t[0], 'R') || !LetterWithin(t[1], 'R') || !Digit(t[2]) || !Digit(t[3]))
        return false;
    return t.size() == 4 || (LetterWithin(t[4], 'X') && LetterWithin(t[5], 'X'));
}

std::optional<std::string> NormalLocator(std::string_view text) {
    if (!IsLocator(text)) return std::nullopt;
    std::string normal(text);
    for (std::size_t i = 0; i < normal.size(); ++i) {
        normal[i] = Upper(normal[i]);
        if (i >= 4) normal[i] = static_cast<char>(normal[i] - 'A' + 'a');
    }
    return normal;
}

std::optional<TGeoPosition> LocatorPosition(std::string_view t) {
    if (!IsLocator(t)) return std::nullopt;
    // Fields are 20 x 10 degrees, squares 2 x 1 degree, subsquares 5 x 2.5 minutes.
    double longitude = -180.0 + (Upper(t[0]) - 'A') * 20.0 + (t[2] - '0') * 2.0;
    double latitude = -90.0 + (Upper(t[1]) - 'A') * 10.0 + (t[3] - '0') * 1.0;
    if (t.size() == 4) {
        longitude += 1.0;
        latitude += 0.5;
    } else {
        longitude += (Upper(t[4]) - 'A') * (2.0 / 24.0) + 1.0 / 24.0;
        latitude += (Upper(t[5]) - 'A') * (1.0 / 24.0) + 0.5 / 24.0;
    }
    return TGeoPosition{latitude, longitude};
}

TGreatCirclePaths GreatCirclePaths(const TGeoPosition& station, const TGeoPosition& target) {
    const double phi1 = Radians(station.latitude);
    const double phi2 = Radians(target.latitude);
    const double dLambda = Radians(target.longitude - station.longitude);

    // Haversine form: accurate for short and long distances alike.
    const double h = std::pow(std::sin((phi2 - phi1) / 2), 2) +
                     std::cos(phi1) * std::cos(phi2) * std::pow(std::sin(dLambda / 2), 2);
    const double angle = 2 * std::atan2(std::sqrt(h), std::sqrt(std::max(0.0, 1 - h)));
    const double distance = angle * EarthRadiusKm;

    double bearing = 0;
    if (distance > 0) {
        const double y = std::sin(dLambda) * std::cos(phi2);
        const double x =
            std::cos(phi1) * std::sin(phi2) - std::sin(phi1) * std::cos(phi2) * std::cos(dLambda);
        bearing = NormalBearing(Degrees(std::atan2(y, x)));
    }
    const double circumference = 2 * std::numbers::pi * EarthRadiusKm;
    return TGreatCirclePaths{
        .shortPath = {bearing, distance},
        .longPath = {NormalBearing(bearing + 180.0), circumference - distance},
    };
}

int WholeDegreeBearing(double bearing) {
    return static_cast<int>(std::lround(NormalBearing(bearing))) % 360;
}

std::string PathText(const TGreatCirclePath& path) {
    return std::to_string(WholeDegreeBearing(path.bearing)) + "\xC2\xB0  " +
           std::to_string(std::lround(path.distanceKm)) + " km";
}

}  // namespace skyvane
