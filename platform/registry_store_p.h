// SPDX-License-Identifier: GPL-3.0-or-later
// Operating-system side of the registry store.
#pragma once

#include <string>

namespace skyvane {

// Creates the folder that `fileName` lives in, and its parents, as needed (mode 0700
// for new ones, as configuration folders are). True when the folder exists afterwards.
bool EnsureFolderOf(const std::string& fileName);

}  // namespace skyvane
