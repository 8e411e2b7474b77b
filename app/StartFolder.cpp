// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/StartFolder.h"

#include <cstring>

#include "platform/files.h"
#include "platform/user_folder.h"

namespace skyvane {

bool TakeUserFolderOption(int& argc, char** argv) {
    if (argc < 2 || std::strcmp(argv[1], UserFolderOption) != 0) return false;
    for (int i = 1; i < argc; ++i) argv[i] = argv[i + 1];  // argv[argc] is the null pointer
    --argc;
    return true;
}

std::string EnterUserFolder() {
    const std::string folder = platform::UserFolder();
    if (folder.empty())
        return "No home folder is known (HOME is not set): Skyvane works in " + CurrentDirectory() +
               ".";
    int error = platform::MakeFolders(folder);
    if (!error) error = platform::EnterFolder(folder);
    if (!error) return std::string();
    return "Cannot use the folder " + folder + " (" + std::strerror(error) +
           "): Skyvane works in " + CurrentDirectory() + ".";
}

}  // namespace skyvane
