// SPDX-License-Identifier: GPL-3.0-or-later
// How the program asks to be drawn, settled before the application object exists:
// the windowing system's plugin reads these choices from the environment at start.
#pragma once

namespace skyvane::platform {

// Window contents go to the X server inside the drawing requests, not through a
// shared-memory segment: each repaint through one is followed by a round trip that
// waits until the server has read the segment, and the program's few small pictures
// (a 202 x 119 heading, a 22 x 22 tray icon) cost less to send than that wait.
// Leaves the environment alone when QT_XCB_NO_MITSHM is set already or
// SKYVANE_X11_SHM is set (the user's choice, e.g. SKYVANE_X11_SHM=1 to keep it).
void PrepareDisplay();

}  // namespace skyvane::platform
