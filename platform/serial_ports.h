// SPDX-License-Identifier: GPL-3.0-or-later
// The machine's serial devices, as the operating system lists them.
#pragma once

#include <string>
#include <vector>

namespace skyvane::platform {

// Appends to `names` the /dev paths of the serial devices found below `root` ("/" on a
// live system, a fake tree in tests), unsorted. Returns 0, or the error number when
// the device list itself cannot be read; `names` may then hold a partial list.
int ListSerialDevices(const std::string& root, std::vector<std::string>& names);

}  // namespace skyvane::platform
