// SPDX-License-Identifier: GPL-3.0-or-later
// termios2 is kept apart from <termios.h>, whose definitions clash with it.
#include "tests/support/LineState.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace skyvane::testing {

int LineOutputSpeed(int fd) {
    termios2 t{};
    if (ioctl(fd, TCGETS2, &t) != 0) return -1;
    return static_cast<int>(t.c_ospeed);
}

unsigned long LineControlFlags(int fd) {
    termios2 t{};
    if (ioctl(fd, TCGETS2, &t) != 0) return 0;
    return t.c_cflag;
}

}  // namespace skyvane::testing
