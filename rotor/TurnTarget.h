// SPDX-License-Identifier: GPL-3.0-or-later
// What a user types to turn the rotor: a heading in whole degrees, the Maidenhead
// locator of a target, or a callsign or prefix whose country's point the country file
// gives; the bearing to a locator or a country comes from the station's own locator.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "rotor/CountryFile.h"
#include "rotor/Locator.h"

namespace skyvane {

struct TTurnTarget {
    enum Kind {
        Empty,             // nothing typed
        Invalid,           // neither a heading 0..360 nor a locator
        Heading,           // degrees typed: heading holds them
        Locator,           // a locator with a known station: paths hold both ways
        LocatorNoStation,  // a locator, but the station's own is not known
        Country,           // a callsign or prefix with a country: paths hold both ways
        CountryNoStation,  // a country, but the station's own locator is not known
        UnknownCall,       // a callsign or prefix no country of the file matches
        MobileCall         // a maritime or aeronautical mobile call: no country to aim at
    } kind = Empty;
    int heading = 0;
    std::string locator;  // the target's locator in its usual spelling
    std::string call;     // the callsign or prefix in upper case
    TCountry country;     // Country, CountryNoStation: the country found
    TGreatCirclePaths paths;
};

// A place aimed at, as the map draws it: where it lies and what it is called there.
struct TAimedPlace {
    TGeoPosition position;
    std::string label;  // "JN58TD", "DL1ABC (Fed. Rep. of Germany)"
};

// The place a locator or country target names; nothing for a heading or a failure.
std::optional<TAimedPlace> AimedPlace(const TTurnTarget& target);

// Understands `text` (blanks around it ignored): 1 to 3 digits for a heading 0..360, a
// 4- or 6-character locator, or, with a country file, a callsign or prefix; `station` is
// the station's own locator (may be empty).
TTurnTarget ParseTurnTarget(std::string_view text, std::string_view station,
                            const TCountryFile* countries = nullptr);

// The paths from `station` (a locator) to `target`; nothing when `station` is no locator.
std::optional<TGreatCirclePaths> PathsFrom(std::string_view station, const TGeoPosition& target);

}  // namespace skyvane
