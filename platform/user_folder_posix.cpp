// SPDX-License-Identifier: GPL-3.0-or-later
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/user_folder.h"

namespace skyvane::platform {

namespace {
std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home) return home;
    if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir) return entry->pw_dir;
    return std::string();
}
}  // namespace

std::string UserFolder() {
    // Relative values of XDG_CONFIG_HOME are to be ignored, by the base-directory rules.
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && config[0] == '/')
        return std::string(config) + "/skyvane";
    const std::string home = HomeFolder();
    if (home.empty()) return std::string();
    return home + "/.config/skyvane";
}

int MakeFolders(const std::string& folder) {
    if (folder.empty()) return ENOENT;
    struct stat st {};
    if (::stat(folder.c_str(), &st) == 0) return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
    if (errno != ENOENT) return errno;
    const std::size_t slash = folder.find_last_not_of('/') == std::string::npos
                                  ? std::string::npos
                                  : folder.rfind('/', folder.find_last_not_of('/'));
    if (slash != std::string::npos && slash > 0)
        if (const int error = MakeFolders(folder.substr(0, slash))) return error;
    if (::mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST) return 0;
    return errno;
}

int EnterFolder(const std::string& folder) {
    return ::chdir(folder.c_str()) == 0 ? 0 : errno;
}

}  // namespace skyvane::platform
