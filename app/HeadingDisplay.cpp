// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/HeadingDisplay.h"

#include "app/Azimuth.h"
#include "toolkit/Label.h"
#include "tray/TextIcon.h"

namespace skyvane {

std::string HeadingHint(const std::optional<std::string>& text, bool stale, bool overlap) {
    if (!text) return stale ? "Rotor not answering" : "";
    std::string hint = "Az(" + *text + ")";
    if (overlap) hint += " overlap";
    if (stale) hint += " - rotor not answering";
    return hint;
}

THeadingDisplay::THeadingDisplay(TLabel& response, TTextIcon& trayIcon)
    : response_(response),
      trayIcon_(trayIcon),
      liveLabelColour_(response.Font().color),
      liveIconColour_(trayIcon.Font().color) {}

void THeadingDisplay::Show(const AzimuthReading& reading, bool numeric, bool overlap) {
    shown_ = reading.text;
    overlap_ = overlap;
    trayIcon_.SetText(numeric ? reading.text : SectorLabel(reading.degrees));
    response_.SetCaption(reading.text);
    trayIcon_.SetHint(HeadingHint(shown_, stale_, overlap_));
}

void THeadingDisplay::SetStale(bool stale) {
    if (stale == stale_) return;
    stale_ = stale;
    if (stale)
        SetTextColour(clStaleHeading, clStaleHeading);
    else
        SetTextColour(liveLabelColour_, liveIconColour_);
    trayIcon_.SetHint(HeadingHint(shown_, stale_, overlap_));
}

void THeadingDisplay::SetTextColour(TColor labelColour, TColor iconColour) {
    TFont labelFont = response_.Font();
    labelFont.color = labelColour;
    response_.SetFont(labelFont);
    TFont iconFont = trayIcon_.Font();
    iconFont.color = iconColour;
    trayIcon_.SetFont(iconFont);
}

}  // namespace skyvane
