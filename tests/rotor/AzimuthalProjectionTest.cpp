// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "rotor/AzimuthalProjection.h"

namespace skyvane {
namespace {

// The bearing between two headings, 0 to 180 degrees.
double Apart(double a, double b) {
    const double d = std::fmod(std::abs(a - b), 360.0);
    return std::min(d, 360 - d);
}

// Bearing and distance read off the map (the projected point's angle and length) against
// reference figures: WGS84 geodesics as GeographicLib's GeodSolve gives them, rounded.
// The map's sphere may differ from the ellipsoid by up to 0.5 degree and 1 %.
TEST(AzimuthalProjection, MapPointsGiveTheBearingAndDistanceOfKnownCityPairs) {
    struct Case {
        const char* pair;
        TGeoPosition from, to;
        double bearing, km;
    } cases[] = {
        {"London-New York", {51.5074, -0.1278}, {40.7128, -74.0060}, 288.369, 5585.2},
        {"Paris-Tokyo", {48.8566, 2.3522}, {35.6762, 139.6503}, 33.431, 9735.3},
        {"Sydney-Los Angeles", {-33.8688, 151.2093}, {34.0522, -118.2437}, 61.100, 12063.1},
        {"Helsinki-Cape Town", {60.1699, 24.9384}, {-33.9249, 18.4241}, 185.434, 10445.5},
        {"Buenos Aires-Moscow", {-34.6037, -58.3816}, {55.7558, 37.6173}, 40.965, 13459.0},
        {"Anchorage-Reykjavik", {61.2181, -149.9003}, {64.1466, -21.9426}, 27.223, 5439.0},
        {"Singapore-Nairobi", {1.3521, 103.8198}, {-1.2921, 36.8219}, 268.038, 7463.2},
        {"Munich-Honolulu", {48.1351, 11.5820}, {21.3069, -157.8583}, 349.566, 12241.9},
        {"Rio de Janeiro-Delhi", {-22.9068, -43.1729}, {28.6139, 77.2090}, 70.601, 14074.8},
        {"Mexico City-Santiago", {19.4326, -99.1332}, {-33.4489, -70.6693}, 152.355, 6587.1},
    };
    for (const Case& c : cases) {
        const TAzimuthalProjection map(c.from);
        const TMapPoint point = map.Point(c.to);
        const std::optional<TGreatCirclePath> path = TAzimuthalProjection::PathAt(point);
        ASSERT_TRUE(path) << c.pair;
        EXPECT_LE(Apart(path->bearing, c.bearing), 0.5) << c.pair << ": " << path->bearing;
        EXPECT_NEAR(path->distanceKm, c.km, c.km * 0.01) << c.pair;
        // The place shown at that point is the city itself.
        const std::optional<TGeoPosition> back = map.Position(point);
        ASSERT_TRUE(back) << c.pair;
        EXPECT_NEAR(back->latitude, c.to.latitude, 1e-6) << c.pair;
        EXPECT_NEAR(back->longitude, c.to.longitude, 1e-6) << c.pair;
    }
}

TEST(AzimuthalProjection, TheAntipodeLiesOnTheRimAndNothingBeyondIt) {
    std::mt19937 random(20261209);
    std::uniform_real_distribution<double> latitude(-89, 89), longitude(-180, 180);
    std::uniform_real_distribution<double> unit(-1, 1);
    for (int i = 0; i < 500; ++i) {
        const TGeoPosition station{latitude(random), longitude(random)};
        const TAzimuthalProjection map(station);
        const TGeoPosition antipode{-station.latitude, station.longitude > 0
                                                           ? station.longitude - 180
                                                           : station.longitude + 180};
        const TMapPoint rim = map.Point(antipode);
        EXPECT_NEAR(std::hypot(rim.x, rim.y), 1.0, 1e-7);  // within a metre
        EXPECT_NEAR(TAzimuthalProjection::PathAt(rim)->distanceKm, HalfCircumferenceKm, 1e-3);
        // Every rim point shows the antipode; beyond the rim there is nothing.
        const double angle = unit(random) * 3.14159;
        const std::optional<TGeoPosition> shown = map.Position({std::sin(angle), std::cos(angle)});
        ASSERT_TRUE(shown);
        EXPECT_NEAR(GreatCirclePaths(*shown, antipode).shortPath.distanceKm, 0, 1e-3);
        EXPECT_FALSE(map.Position({std::sin(angle) * 1.001, std::cos(angle) * 1.001}));
        EXPECT_FALSE(TAzimuthalProjection::PathAt({0.8, 0.7}));
        // Any point inside: the place shown there is at that point's bearing and distance.
        const TMapPoint inside{unit(random) * 0.7, unit(random) * 0.7};
        const TGreatCirclePath there = GreatCirclePaths(station, *map.Position(inside)).shortPath;
        const TGreatCirclePath expected = *TAzimuthalProjection::PathAt(inside);
        EXPECT_NEAR(there.distanceKm, expected.distanceKm, 1e-3);
        EXPECT_LE(Apart(there.bearing, expected.bearing), 1e-6);
    }
}

}  // namespace
}  // namespace skyvane
