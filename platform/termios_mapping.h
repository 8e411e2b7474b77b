// SPDX-License-Identifier: GPL-3.0-or-later
// The mapping of line settings onto Linux's termios2 record (raw mode, any speed
// through BOTHER). Pure: no device is touched.
#pragma once

#include <asm/termbits.h>

#include "platform/serial_device.h"

namespace skyvane::platform {

// Fills `out` from `settings`. Returns 0, or EINVAL for what the line cannot carry:
// a speed of 0 or less, a character size outside 5 to 8, a parity outside 0 to 4, a
// stop-bit code outside 0 to 2, or 1.5 stop bits with more than 5 data bits.
int MapLineSettings(const LineSettings& settings, termios2& out);

}  // namespace skyvane::platform
