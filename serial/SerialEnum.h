// SPDX-License-Identifier: GPL-3.0-or-later
// The names of the machine's serial ports, as the port's Port property takes them.
#pragma once

#include <string>
#include <vector>

namespace skyvane {

// Replaces the content of `ports` with the machine's serial ports as /dev paths
// (read below SerialPortsRoot),
// sorted by SortPortNames. When the system's list cannot be read, raises ESerialPort
// code 23 ("Registry error") with the error number and leaves `ports` untouched.
void ListSerialPorts(std::vector<std::string>& ports);

// The same, with the system's files read below `root`.
void ListSerialPorts(std::vector<std::string>& ports, const std::string& root);

// The directory below which ListSerialPorts reads the system's files: "/", or a fake
// tree that a test installs. Setting it returns the previous one.
const std::string& SerialPortsRoot();
std::string SetSerialPortsRoot(std::string root);

// The order of port names: as text, without regard to ASCII letter case.
bool PortNameLess(const std::string& a, const std::string& b);

// Sorts names as text without regard to ASCII letter case, digits compared as
// characters ("COM10" before "COM2"); equal names are all kept, in their order.
void SortPortNames(std::vector<std::string>& names);

}  // namespace skyvane
