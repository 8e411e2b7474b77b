// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/SerialEnum.h"

#include <algorithm>

#include "platform/serial_ports.h"
#include "serial/SerialErrors.h"
#include "serial/SerialText.h"

namespace skyvane {
namespace {

std::string& Root() {
    static std::string root = "/";
    return root;
}

}  // namespace

bool PortNameLess(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return static_cast<unsigned char>(UpperAscii(x)) <
               static_cast<unsigned char>(UpperAscii(y));
    });
}

void SortPortNames(std::vector<std::string>& names) {
    std::stable_sort(names.begin(), names.end(), PortNameLess);
}

const std::string& SerialPortsRoot() {
    return Root();
}

std::string SetSerialPortsRoot(std::string root) {
    std::swap(Root(), root);
    return root;
}

void ListSerialPorts(std::vector<std::string>& ports) {
    ListSerialPorts(ports, Root());
}

void ListSerialPorts(std::vector<std::string>& ports, const std::string& root) {
    std::vector<std::string> working;
    if (int err = platform::ListSerialDevices(root, working)) throw ESerialPort(spRegistry, err);
    SortPortNames(working);
    ports.swap(working);
}

}  // namespace skyvane
