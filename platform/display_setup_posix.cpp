// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdlib>

#include "platform/display_setup.h"

namespace skyvane::platform {

void PrepareDisplay() {
    if (std::getenv("SKYVANE_X11_SHM")) return;
    // Qt's X11 plugin turns shared memory off when this is set, whatever its value.
    setenv("QT_XCB_NO_MITSHM", "1", 0);
}

}  // namespace skyvane::platform
