// SPDX-License-Identifier: GPL-3.0-or-later
// The product's name, version line and credits, as the About box and the log show them.
#pragma once

namespace skyvane {

// Caption of the About box.
inline constexpr const char* AboutTitle = "About Skyvane";
// Product and version line: first line of the About box and of the trace log header.
inline constexpr const char* ProductLine = "Skyvane Ver.1.00 Build 000-001";
// Copyright line of the About box.
inline constexpr const char* CopyRightLine = "Copyright (C) 2026 Skyvane team";
// Credit line of the About box (kept to two short words: the label wraps at 59 pixels).
inline constexpr const char* ProgrammerLine = "Skyvane developers";
// The project's web address.
inline constexpr const char* WebSiteLine = "https://skyvane.example.org";

}  // namespace skyvane
