// SPDX-License-Identifier: GPL-3.0-or-later
#include "rotor/TurnTarget.h"

#include "rotor/Steering.h"
#include "rotor/TextParsing.h"

namespace skyvane {
namespace {}  // namespace

std::optional<TGreatCirclePaths> PathsFrom(std::string_view station, const TGeoPosition& target) {
    const std::optional<TGeoPosition> home = LocatorPosition(TrimmedBlanks(station));
    if (!home) return std::nullopt;
    return GreatCirclePaths(*home, target);
}

TTurnTarget ParseTurnTarget(std::string_view text, std::string_view station,
                            const TCountryFile* countries) {
    text = TrimmedBlanks(text);
    TTurnTarget target;
    if (text.empty()) return target;
    if (text.size() <= 3 && text.find_first_not_of("0123456789") == text.npos) {
        const int degrees = std::stoi(std::string(text));
        target.kind = IsSteerHeading(degrees) ? TTurnTarget::Heading : TTurnTarget::Invalid;
        target.heading = degrees;
        return target;
    }
    std::optional<TGeoPosition> where = LocatorPosition(text);
    if (where) {
        target.locator = *NormalLocator(text);
    } else if (countries && IsCallsignText(text)) {
        const TCountryMatch match = countries->Lookup(text);
        target.call = match.call;
        if (match.kind != TCountryMatch::Found) {
            target.kind = match.kind == TCountryMatch::Mobile ? TTurnTarget::MobileCall
                                                              : TTurnTarget::UnknownCall;
            return target;
        }
        target.country = match.country;
        where = match.country.position;
    } else {
        target.kind = TTurnTarget::Invalid;
        return target;
    }
    const bool country = target.locator.empty();
    const std::optional<TGreatCirclePaths> paths = PathsFrom(station, *where);
    if (!paths) {
        target.kind = country ? TTurnTarget::CountryNoStation : TTurnTarget::LocatorNoStation;
        return target;
    }
    target.kind = country ? TTurnTarget::Country : TTurnTarget::Locator;
    target.paths = *paths;
    target.heading = WholeDegreeBearing(target.paths.shortPath.bearing);
    return target;
}

std::optional<TAimedPlace> AimedPlace(const TTurnTarget& target) {
    switch (target.kind) {
        case TTurnTarget::Locator:
        case TTurnTarget::LocatorNoStation:
            return TAimedPlace{*LocatorPosition(target.locator), target.locator};
        case TTurnTarget::Country:
        case TTurnTarget::CountryNoStation:
            return TAimedPlace{target.country.position,
                               target.call + " (" + target.country.name + ")"};
        default:
            return std::nullopt;
    }
}

}  // namespace skyvane
