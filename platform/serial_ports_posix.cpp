// SPDX-License-Identifier: GPL-3.0-or-later
// Serial devices on Linux: the entries of /sys/class/tty that a driver backs (they
// have a "device" link), without UARTs the serial core reports as absent (type 0,
// the fixed ttyS slots of the 8250 driver), plus the stable names udev keeps under
// /dev/serial/by-id for USB adapters, which survive re-plugging and renumbering.
#include <dirent.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <memory>

#include "platform/serial_ports.h"

namespace skyvane::platform {
namespace {

struct DirCloser {
    void operator()(DIR* d) const { closedir(d); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

std::string Join(const std::string& root, const char* path) {
    if (!root.empty() && root.back() == '/') return root + path;
    return root + "/" + path;
}

bool Exists(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0;
}

// True unless the serial core says there is no UART behind this entry.
bool UartPresent(const std::string& entry) {
    std::ifstream type(entry + "/type");
    int value = -1;
    if (!(type >> value)) return true;  // not a serial-core port: no type attribute
    return value != 0;
}

// Reads the entries of a directory; returns 0 or errno.
int ReadEntries(const std::string& dir, std::vector<std::string>& entries) {
    DirHandle d(opendir(dir.c_str()));
    if (!d) return errno;
    for (;;) {
        errno = 0;
        dirent* e = readdir(d.get());
        if (!e) return errno;
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
            entries.emplace_back(e->d_name);
    }
}

}  // namespace

int ListSerialDevices(const std::string& root, std::vector<std::string>& names) {
    const std::string classDir = Join(root, "sys/class/tty");
    std::vector<std::string> entries;
    if (int err = ReadEntries(classDir, entries)) return err;
    for (const std::string& name : entries) {
        const std::string entry = classDir + "/" + name;
        if (!Exists(entry + "/device") || !UartPresent(entry)) continue;
        std::string device = name;
        for (char& c : device)
            if (c == '!') c = '/';  // sysfs writes a "/" in a device name as "!"
        names.push_back("/dev/" + device);
    }
    // The stable names are an extra: a machine without USB adapters has none.
    std::vector<std::string> byId;
    if (ReadEntries(Join(root, "dev/serial/by-id"), byId) == 0)
        for (const std::string& name : byId) names.push_back("/dev/serial/by-id/" + name);
    return 0;
}

}  // namespace skyvane::platform
