// SPDX-License-Identifier: GPL-3.0-or-later
// The program's per-user folder, where a desktop start keeps its settings and log.
#pragma once

#include <string>

namespace skyvane::platform {

// "skyvane" under $XDG_CONFIG_HOME when that is an absolute path, else under
// ~/.config (the home folder from $HOME, else the password database). Empty when no
// home folder can be found.
std::string UserFolder();

// Creates `folder` and any missing parents (mode 0700); 0 on success or when it is
// there already, else the error number (ENOTDIR when something else stands there).
int MakeFolders(const std::string& folder);

// Makes `folder` the current directory: 0, or the error number.
int EnterFolder(const std::string& folder);

}  // namespace skyvane::platform
