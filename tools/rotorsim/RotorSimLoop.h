// SPDX-License-Identifier: GPL-3.0-or-later
// The simulator's serving loop on a pseudo-terminal or a serial device.
#pragma once

#include "tools/rotorsim/RotorSim.h"

namespace skyvane::rotorsim {

// Opens the line the options name, prints its path on the first line of standard
// output and answers queries until SIGINT or SIGTERM. Returns the exit status:
// 0 after a signal, 1 when the line cannot be opened (message on standard error).
int RunRotorSim(const TRotorSimOptions& options);

}  // namespace skyvane::rotorsim
