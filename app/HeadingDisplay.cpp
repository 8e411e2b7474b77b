// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/HeadingDisplay.h"

#include "app/Azimuth.h"
#include "toolkit/Label.h"
#include "tray/TextIcon.h"

namespace skyvane {

std::string HeadingHint(const std::optional<std::string>& text, bool stale, bool overlap) {
    if (!text) return stale ? "Rotor not answering" : "Skyvane - no heading yet";
    std::string hint = "Az(" + *text + ")";
    if (overlap) hint += " overlap";
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

void THeadingDisplay::Show(const AzimuthReading& reading, bool numeric, bool overlap) {
    shown_ = reading.text;
    overlap_ = overlap;
    std::string trayText = numeric ? reading.text : SectorLabel(reading.degrees);
    if (stale_) {
        stale_ = false;
        response_.SetFont(LabelFont(false));
        trayIcon_.SetTextAndFont(std::move(trayText), IconFont(false));
    } else {
        trayIcon_.SetText(std::move(trayText));
    }
    response_.SetCaption(reading.text);
    trayIcon_.SetHint(Hint());
}

void THeadingDisplay::SetStale(bool stale) {
    if (stale == stale_) return;
    stale_ = stale;
    response_.SetFont(LabelFont(stale));
    trayIcon_.SetFont(IconFont(stale));
    trayIcon_.SetHint(Hint());
}

void THeadingDisplay::SetNote(std::string note) {
    if (note == note_) return;
    note_ = std::move(note);
    trayIcon_.SetHint(Hint());
}

std::string THeadingDisplay::Hint() const {
    const std::string hint = HeadingHint(shown_, stale_, overlap_);
    if (note_.empty()) return hint;
    return hint.empty() ? note_ : hint + " - " + note_;
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
