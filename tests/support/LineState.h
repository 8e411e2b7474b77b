// SPDX-License-Identifier: GPL-3.0-or-later
// The line settings a terminal device holds, as the kernel reports them.
#pragma once

namespace skyvane::testing {

// The speed of the terminal behind fd as the kernel holds it (termios2), or -1.
int LineOutputSpeed(int fd);

// The control flags (c_cflag: character size, parity, stop bits, CRTSCTS) of the
// terminal behind fd, or 0 when they cannot be read. For a pseudo-terminal's master
// they are those of its slave, which the port opens.
unsigned long LineControlFlags(int fd);

}  // namespace skyvane::testing
