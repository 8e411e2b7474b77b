// SPDX-License-Identifier: GPL-3.0-or-later
// The three places a heading is shown: the window's big number, the text drawn into
// the tray icon and the tray icon's hint; in their stored colour while the rotor
// answers, dimmed while the heading is old.
#pragma once

#include <optional>
#include <string>

#include "rotor/RotorReadings.h"
#include "toolkit/Graphics.h"

namespace skyvane {

class TLabel;
class TTextIcon;

// The colour of a heading the rotor no longer confirms: a grey green that reads as
// faded next to lime and stays legible on black.
inline constexpr TColor clStaleHeading = 0x00709070;

// What the tray icon shows before the first reading: lime dashes, visible on any
// panel, that are plainly no heading.
inline constexpr char NoHeadingText[] = "---";

// The hint for the heading text shown last: "Az(123)", with a note while the rotor is
// not answering; before the first reading it says there is no heading yet.
std::string HeadingHint(const std::optional<std::string>& text, bool stale);

class THeadingDisplay {
public:
    // Shows on `response` and `trayIcon`, which outlive it; their fonts' colours at
    // this moment are the live colours. The tray icon shows NoHeadingText and its
    // hint until the first reading.
    THeadingDisplay(TLabel& response, TTextIcon& trayIcon);

    // An accepted reading: the tray text is the reading itself when `numeric`, else
    // its compass label; the window shows the reading; the hint says "Az(...)". A
    // reading is the rotor answering: after a stale spell it is drawn live at once,
    // in one drawing of the tray picture.
    void Show(const AzimuthReading& reading, bool numeric);
    // Draws the number and the tray text dimmed (stale) or in their live colours again,
    // and notes in the hint that the rotor is not answering.
    void SetStale(bool stale);
    bool Stale() const { return stale_; }

private:
    // The label's font and the tray font in the colours of staleness `stale`.
    TFont LabelFont(bool stale) const;
    TFont IconFont(bool stale) const;

    TLabel& response_;
    TTextIcon& trayIcon_;
    const TColor liveLabelColour_;
    const TColor liveIconColour_;
    std::optional<std::string> shown_;
    bool stale_ = false;
};

}  // namespace skyvane
