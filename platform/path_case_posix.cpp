#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

#include <algorithm>
#include <vector>

#include "platform/path_case.h"

namespace skyvane::platform {

namespace {

bool Exists(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

// The entry of `dir` equal to `name` ignoring case, first in byte order; empty if none.
std::string MatchInDirectory(const std::string& dir, const std::string& name) {
    DIR* d = opendir(dir.empty() ? "." : dir.c_str());
    if (!d) return {};
    std::vector<std::string> matches;
    while (dirent* e = readdir(d))
        if (strcasecmp(e->d_name, name.c_str()) == 0) matches.emplace_back(e->d_name);
    closedir(d);
    if (matches.empty()) return {};
    return *std::min_element(matches.begin(), matches.end());
}

}  // namespace

std::string ResolvePathIgnoringCase(const std::string& path) {
    if (path.empty() || Exists(path)) return path;
    std::string resolved;  // the directory built so far, with its trailing "/"
    std::size_t pos = 0;
    if (path[0] == '/') {
        resolved = "/";
        pos = 1;
    }
    while (pos <= path.size()) {
        std::size_t end = path.find('/', pos);
        if (end == std::string::npos) end = path.size();
        const std::string part = path.substr(pos, end - pos);
        if (!part.empty() && part != "." && part != "..") {
            const std::string exact = resolved + part;
            if (!Exists(exact)) {
                const std::string found = MatchInDirectory(resolved, part);
                if (found.empty()) return resolved + path.substr(pos);
                resolved += found;
            } else {
                resolved = exact;
            }
        } else {
            resolved += part;
        }
        if (end < path.size()) resolved += '/';
        pos = end + 1;
    }
    return resolved;
}

}  // namespace skyvane::platform
