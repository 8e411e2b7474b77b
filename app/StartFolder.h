// SPDX-License-Identifier: GPL-3.0-or-later
// Where the program runs: started with "--user-folder" (as the desktop entry starts
// it), it works in its per-user folder, so that Skyvane.INI and Skyvane.Log have a
// home whatever folder the desktop starts programs in.
#pragma once

#include <string>

namespace skyvane {

// The option, accepted only as the first argument.
inline constexpr char UserFolderOption[] = "--user-folder";

// Removes the option from the front of the arguments (argv[1]); true when it was
// there. The arguments after it keep their meaning ("-F" then comes first).
bool TakeUserFolderOption(int& argc, char** argv);

// Makes the per-user folder (created when missing) the current directory. Empty on
// success, else the message for the user; the current directory is then unchanged.
std::string EnterUserFolder();

}  // namespace skyvane
