// SPDX-License-Identifier: GPL-3.0-or-later
// The output speed a terminal device is set to, in bits per second.
#pragma once

namespace skyvane::testing {

// The speed of the terminal behind fd as the kernel holds it (termios2), or -1.
int LineOutputSpeed(int fd);

}  // namespace skyvane::testing
