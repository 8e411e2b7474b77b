// SPDX-License-Identifier: GPL-3.0-or-later
// Maidenhead locators and the great-circle paths between two of them.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace skyvane {

// A point on the earth in degrees: north and east are positive.
struct TGeoPosition {
    double latitude = 0;
    double longitude = 0;
};

// The mean earth radius the distances are worked out with, in kilometres.
inline constexpr double EarthRadiusKm = 6371.0;

// True for a 4- or 6-character Maidenhead locator (field A-R, square 0-9, optional
// subsquare A-X; letters in either case), such as "JN58" or "jn58td".
bool IsLocator(std::string_view text);

// The usual spelling of a locator: field letters upper case, subsquare lower case
// ("JN58td"); nothing for text that is not a locator.
std::optional<std::string> NormalLocator(std::string_view text);

// The centre of the square or subsquare a locator names; nothing for other text.
std::optional<TGeoPosition> LocatorPosition(std::string_view text);

// One way round the earth from a station to a target.
struct TGreatCirclePath {
    double bearing = 0;     // initial heading at the station, 0 to below 360 degrees
    double distanceKm = 0;  // along the great circle
};

// Both ways to a target: the short path and the long path (the opposite heading, the
// rest of the great circle).
struct TGreatCirclePaths {
    TGreatCirclePath shortPath;
    TGreatCirclePath longPath;
};

// The paths from `station` to `target` on a sphere of EarthRadiusKm. For the same
// point the short path has bearing 0 and distance 0.
TGreatCirclePaths GreatCirclePaths(const TGeoPosition& station, const TGeoPosition& target);

// A bearing as the whole degree a rotor is sent to, 0 to 359.
int WholeDegreeBearing(double bearing);

// The text of one path: "298°  6336 km" (UTF-8).
std::string PathText(const TGreatCirclePath& path);

}  // namespace skyvane
