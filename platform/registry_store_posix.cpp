// SPDX-License-Identifier: GPL-3.0-or-later
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/registry_store.h"
#include "platform/registry_store_p.h"

namespace skyvane {

namespace {
std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home) return home;
    if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir) return entry->pw_dir;
    return std::string();
}
}  // namespace

std::string DefaultRegistryFileName() {
    // Relative values of XDG_CONFIG_HOME are to be ignored, by the base-directory rules.
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && config[0] == '/')
        return std::string(config) + "/skyvane/registry";
    const std::string home = HomeFolder();
    if (home.empty()) return std::string();
    return home + "/.config/skyvane/registry";
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
