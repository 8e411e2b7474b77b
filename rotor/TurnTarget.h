// SPDX-License-Identifier: GPL-3.0-or-later
// What a user types to turn the rotor: a heading in whole degrees, or the Maidenhead
// locator of a target, whose bearing then comes from the station's own locator.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "rotor/Locator.h"

namespace skyvane {

struct TTurnTarget {
    enum Kind {
        Empty,            // nothing typed
        Invalid,          // neither a heading 0..360 nor a locator
        Heading,          // degrees typed: heading holds them
        Locator,          // a locator with a known station: paths hold both ways
        LocatorNoStation  // a locator, but the station's own is not known
    } kind = Empty;
    int heading = 0;
    std::string locator;  // the target's locator in its usual spelling
    TGreatCirclePaths paths;
};

// Understands `text` (blanks around it ignored): 1 to 3 digits for a heading 0..360, or
// a 4- or 6-character locator, with `station` the station's own locator (may be empty).
TTurnTarget ParseTurnTarget(std::string_view text, std::string_view station);

}  // namespace skyvane
