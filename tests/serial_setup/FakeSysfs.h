// SPDX-License-Identifier: GPL-3.0-or-later
// A fake sysfs tree for the port list tests, and installing it as the ports' root.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "serial/SerialEnum.h"

namespace skyvane::testing {

// A fake root with /sys/class/tty and /dev/serial/by-id laid out as kernel and udev do.
class FakeSysfsTree {
public:
    FakeSysfsTree() {
        root_ = std::filesystem::path(::testing::TempDir()) /
                ("fake-sysfs-" + std::to_string(getpid()) + "-" + std::to_string(Counter()++));
        std::filesystem::remove_all(root_);
        std::filesystem::create_directories(ClassDir());
    }
    ~FakeSysfsTree() { std::filesystem::remove_all(root_); }
    FakeSysfsTree(const FakeSysfsTree&) = delete;
    FakeSysfsTree& operator=(const FakeSysfsTree&) = delete;

    std::string Root() const { return root_.string(); }
    std::filesystem::path ClassDir() const { return root_ / "sys/class/tty"; }

    // A tty entry; with a driver it gets a "device" link, a serial-core port a "type".
    void AddTty(const std::string& name, bool driver = true, int uartType = -1) {
        std::filesystem::path entry = ClassDir() / name;
        std::filesystem::create_directories(entry);
        if (driver) {
            std::filesystem::create_directories(root_ / "sys/devices" / name);
            std::filesystem::create_directory_symlink(root_ / "sys/devices" / name,
                                                      entry / "device");
        }
        if (uartType >= 0) std::ofstream(entry / "type") << uartType << "\n";
    }
    // A stable name under /dev/serial/by-id.
    void AddById(const std::string& name) {
        std::filesystem::create_directories(root_ / "dev/serial/by-id");
        std::filesystem::create_symlink("../../ttyUSB0", root_ / "dev/serial/by-id" / name);
    }
    // Removes the device list itself, so that reading it fails with ENOENT.
    void RemoveSource() { std::filesystem::remove_all(root_ / "sys"); }

private:
    static int& Counter() {
        static int n = 0;
        return n;
    }
    std::filesystem::path root_;
};

// Makes ListSerialPorts read a fake tree for as long as it lives.
class UsePortsRoot {
public:
    explicit UsePortsRoot(const FakeSysfsTree& tree) : previous_(SetSerialPortsRoot(tree.Root())) {}
    ~UsePortsRoot() { SetSerialPortsRoot(previous_); }

private:
    std::string previous_;
};

}  // namespace skyvane::testing
