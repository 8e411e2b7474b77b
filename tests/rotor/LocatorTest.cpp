// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cmath>

#include "rotor/Locator.h"

namespace skyvane {
namespace {

TEST(Locator, AcceptsFourAndSixCharacterLocatorsOnly) {
    struct Case {
        std::string text;
        std::optional<std::string> normal;
    } cases[] = {
        {"JN58", "JN58"},       {"jn58", "JN58"},        {"JN58td", "JN58td"},
        {"jn58TD", "JN58td"},   {"AA00aa", "AA00aa"},    {"RR99xx", "RR99xx"},
        {"SA00", std::nullopt}, {"AS00", std::nullopt},  {"JN58ty", std::nullopt},
        {"JN5", std::nullopt},  {"JN58t", std::nullopt}, {"JN58td1", std::nullopt},
        {"58JN", std::nullopt}, {"JNA8", std::nullopt},  {"JN58 t", std::nullopt},
        {"", std::nullopt},     {" JN58", std::nullopt}, {"JN58td00", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(NormalLocator(c.text), c.normal) << c.text;
        EXPECT_EQ(IsLocator(c.text), c.normal.has_value()) << c.text;
        EXPECT_EQ(LocatorPosition(c.text).has_value(), c.normal.has_value()) << c.text;
    }
}

TEST(Locator, PositionIsTheCentreOfTheSquare) {
    struct Case {
        std::string locator;
        double latitude, longitude;
    } cases[] = {
        {"JN58", 48.5, 11.0},
        {"JN58td", 48.145833, 11.625},
        {"AA00", -89.5, -179.0},
        {"RR99", 89.5, 179.0},
        {"RR99xx", 89.979167, 179.958333},
        {"IO91wm", 51.520833, -0.125},
        {"FN31pr", 41.729167, -72.708333},
        {"PM95vr", 35.729167, 139.791667},
        {"JJ00aa", 0.020833, 0.041667},
    };
    for (const Case& c : cases) {
        const std::optional<TGeoPosition> p = LocatorPosition(c.locator);
        ASSERT_TRUE(p.has_value()) << c.locator;
        EXPECT_NEAR(p->latitude, c.latitude, 1e-5) << c.locator;
        EXPECT_NEAR(p->longitude, c.longitude, 1e-5) << c.locator;
    }
}

TEST(Locator, BearingAndDistanceOfKnownPairsOnBothPaths) {
    // Reference figures from Hamlib's qrb() (whole-degree bearings, 111.2 km a degree
    // of arc), so bearings are compared to half a degree and distances to 0.05 %.
    struct Case {
        std::string station, target;
        double shortBearing, shortKm, longBearing, longKm;
    } cases[] = {
        {"JN58td", "FN31pr", 298, 6336.07, 118, 33695.93},
        {"IO91wm", "PM95vr", 32, 9557.37, 212, 30474.63},
        {"JO62qm", "KP20le", 35, 1108.61, 215, 38923.39},
        {"FN31pr", "QF56od", 268, 16102.92, 88, 23929.08},
        {"IO91wm", "JN58td", 109, 921.19, 289, 39110.81},
        {"FN31pr", "IO91wm", 52, 5414.97, 232, 34617.03},
        {"JO62qm", "RE78ir", 56, 18134.85, 236, 21897.15},
    };
    for (const Case& c : cases) {
        const TGreatCirclePaths paths =
            GreatCirclePaths(*LocatorPosition(c.station), *LocatorPosition(c.target));
        const std::string pair = c.station + " to " + c.target;
        EXPECT_NEAR(paths.shortPath.bearing, c.shortBearing, 0.5) << pair;
        EXPECT_NEAR(paths.shortPath.distanceKm, c.shortKm, c.shortKm * 5e-4) << pair;
        EXPECT_NEAR(paths.longPath.bearing, c.longBearing, 0.5) << pair;
        // Hamlib's circumference is 40032 km, ours 40030.2 km.
        EXPECT_NEAR(paths.longPath.distanceKm, c.longKm, 2 + c.longKm * 5e-4) << pair;
        EXPECT_NEAR(paths.shortPath.distanceKm + paths.longPath.distanceKm,
                    2 * M_PI * EarthRadiusKm, 1e-6)
            << pair;
    }
}

TEST(Locator, GeometricCasesAreExact) {
    const double kmPerDegree = M_PI * EarthRadiusKm / 180.0;
    struct Case {
        TGeoPosition from, to;
        double bearing, distanceKm;
    } cases[] = {
        {{0, 0}, {0, 0}, 0, 0},
        {{10, 20}, {30, 20}, 0, 20 * kmPerDegree},    // due north along a meridian
        {{30, 20}, {10, 20}, 180, 20 * kmPerDegree},  // due south
        {{0, 0}, {0, 90}, 90, 90 * kmPerDegree},      // east along the equator
        {{0, 10}, {0, -80}, 270, 90 * kmPerDegree},   // west along the equator
        {{0, 170}, {0, -170}, 90, 20 * kmPerDegree},  // east across the date line
        {{0, 0}, {89.999999, 0}, 0, 89.999999 * kmPerDegree},
    };
    for (const Case& c : cases) {
        const TGreatCirclePaths paths = GreatCirclePaths(c.from, c.to);
        EXPECT_NEAR(paths.shortPath.bearing, c.bearing, 1e-6);
        EXPECT_NEAR(paths.shortPath.distanceKm, c.distanceKm, 1e-6);
        EXPECT_NEAR(paths.longPath.bearing, std::fmod(c.bearing + 180, 360), 1e-6);
    }
}

TEST(Locator, WholeDegreeBearingsStayWithinAFullCircle) {
    struct Case {
        double bearing;
        int whole;
    } cases[] = {{0, 0},      {0.49, 0}, {0.5, 1},  {123.4, 123}, {359.4, 359}, {359.5, 0},
                 {359.99, 0}, {360, 0},  {-0.2, 0}, {-1, 359},    {720.6, 1}};
    for (const Case& c : cases) EXPECT_EQ(WholeDegreeBearing(c.bearing), c.whole) << c.bearing;
}

}  // namespace
}  // namespace skyvane
