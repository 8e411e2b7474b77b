// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/HeadingDisplay.h"

#include "app/Azimuth.h"
#include "toolkit/Label.h"
#include "tray/TextIcon.h"

namespace skyvane {

std::string HeadingHint(const std::optional<std::string>& text, bool stale) {
    if (!text) return stale ? "Rotor not answering" : "Skyvane - no heading yet";
    std::string hint = "Az(" + *text + ")";
    if (stale) hint += " - rotor not answering";
    return hint;
}

THeadingDisplay::THeadingDisplay(TLabel& response, TTextIcon& trayIcon)
    : response_(response),
      trayIcon_(trayIcon),
      liveLabelColour_(response.Font().color),
      liveIconColour_(trayIcon.Font().color) {
    trayIcon_.SetText(NoHeadingText);
    trayIcon_.SetHint(HeadingHint(shown_, stale_));
}

void THeadingDisplay::Show(const AzimuthReading& reading, bool numeric) {
    shown_ = reading.text;
    std::string trayText = numeric ? reading.text : SectorLabel(reading.degrees);
    if (stale_) {
        stale_ = false;
        response_.SetFont(LabelFont(false));
        trayIcon_.SetTextAndFont(std::move(trayText), IconFont(false));
    } else {
        trayIcon_.SetText(std::move(trayText));
    }
    response_.SetCaption(reading.text);
    trayIcon_.SetHint(HeadingHint(shown_, stale_));
}

void THeadingDisplay::SetStale(bool stale) {
    if (stale == stale_) return;
    stale_ = stale;
    response_.SetFont(LabelFont(stale));
    trayIcon_.SetFont(IconFont(stale));
    trayIcon_.SetHint(HeadingHint(shown_, stale_));
}

TFont THeadingDisplay::LabelFont(bool stale) const {
    TFont font = response_.Font();
    font.color = stale ? clStaleHeading : liveLabelColour_;
    return font;
}

TFont THeadingDisplay::IconFont(bool stale) const {
    TFont font = trayIcon_.Font();
    font.color = stale ? clStaleHeading : liveIconColour_;
    return font;
}

}  // namespace skyvane
