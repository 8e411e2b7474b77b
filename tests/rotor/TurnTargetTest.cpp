// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "rotor/TurnTarget.h"

namespace skyvane {
namespace {

TEST(TurnTarget, TellsHeadingsFromLocators) {
    using K = TTurnTarget;
    struct Case {
        std::string text, station;
        TTurnTarget::Kind kind;
        int heading;
        std::string locator;
    } cases[] = {
        {"", "JN58td", K::Empty, 0, ""},
        {"   ", "JN58td", K::Empty, 0, ""},
        {"200", "", K::Heading, 200, ""},
        {" 0 ", "", K::Heading, 0, ""},
        {"007", "", K::Heading, 7, ""},
        {"360", "", K::Heading, 360, ""},
        {"361", "", K::Invalid, 361, ""},
        {"1000", "", K::Invalid, 0, ""},
        {"-5", "", K::Invalid, 0, ""},
        {"12.5", "", K::Invalid, 0, ""},
        {"north", "", K::Invalid, 0, ""},
        {"fn31PR", "JN58td", K::Locator, 298, "FN31pr"},
        {"PM95vr", "io91wm", K::Locator, 32, "PM95vr"},
        {"FN31", "JN58td", K::Locator, 298, "FN31"},
        {"FN31pr", "", K::LocatorNoStation, 0, "FN31pr"},
        {"FN31pr", "nowhere", K::LocatorNoStation, 0, "FN31pr"},
        {"FN31p", "JN58td", K::Invalid, 0, ""},
    };
    for (const Case& c : cases) {
        const TTurnTarget t = ParseTurnTarget(c.text, c.station);
        EXPECT_EQ(t.kind, c.kind) << c.text;
        if (c.kind == K::Heading || c.kind == K::Locator) {
            EXPECT_EQ(t.heading, c.heading) << c.text;
        }
        EXPECT_EQ(t.locator, c.locator) << c.text;
    }
    const TTurnTarget far = ParseTurnTarget("FN31pr", "JN58td");
    EXPECT_NEAR(far.paths.shortPath.distanceKm, 6336, 3);
    EXPECT_NEAR(far.paths.longPath.bearing, 118, 0.5);
}

}  // namespace
}  // namespace skyvane
