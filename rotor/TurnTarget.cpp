// SPDX-License-Identifier: GPL-3.0-or-later
#include "rotor/TurnTarget.h"

#include "rotor/Steering.h"

namespace skyvane {
namespace {

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

}  // namespace

TTurnTarget ParseTurnTarget(std::string_view text, std::string_view station) {
    text = Trimmed(text);
    TTurnTarget target;
    if (text.empty()) return target;
    if (text.size() <= 3 && text.find_first_not_of("0123456789") == text.npos) {
        const int degrees = std::stoi(std::string(text));
        target.kind = IsSteerHeading(degrees) ? TTurnTarget::Heading : TTurnTarget::Invalid;
        target.heading = degrees;
        return target;
    }
    const std::optional<TGeoPosition> where = LocatorPosition(text);
    if (!where) {
        target.kind = TTurnTarget::Invalid;
        return target;
    }
    target.locator = *NormalLocator(text);
    const std::optional<TGeoPosition> home = LocatorPosition(Trimmed(station));
    if (!home) {
        target.kind = TTurnTarget::LocatorNoStation;
        return target;
    }
    target.kind = TTurnTarget::Locator;
    target.paths = GreatCirclePaths(*home, *where);
    target.heading = WholeDegreeBearing(target.paths.shortPath.bearing);
    return target;
}

}  // namespace skyvane
