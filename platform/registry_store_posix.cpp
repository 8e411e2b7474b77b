// SPDX-License-Identifier: GPL-3.0-or-later
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/registry_store.h"
#include "platform/registry_store_p.h"
#include "platform/user_folder.h"

namespace skyvane {

std::string DefaultRegistryFileName() {
    const std::string folder = platform::UserFolder();
    return folder.empty() ? std::string() : folder + "/registry";
}

bool EnsureFolderOf(const std::string& fileName) {
    const std::size_t slash = fileName.rfind('/');
    if (slash == std::string::npos || slash == 0) return true;  // current or root folder
    const std::string folder = fileName.substr(0, slash);
    struct stat st {};
    if (::stat(folder.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
    if (errno != ENOENT || !EnsureFolderOf(folder)) return false;
    return ::mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST;
}

}  // namespace skyvane
