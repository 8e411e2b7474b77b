#include "serial/SerialEnum.h"

#include <algorithm>

#include "platform/serial_ports.h"
#include "serial/SerialErrors.h"

namespace skyvane {
namespace {

unsigned char UpperAscii(char c) {
    auto u = static_cast<unsigned char>(c);
    return u >= 'a' && u <= 'z' ? static_cast<unsigned char>(u - 'a' + 'A') : u;
}

bool LessIgnoringCase(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char x, char y) { return UpperAscii(x) < UpperAscii(y); });
}

}  // namespace

void SortPortNames(std::vector<std::string>& names) {
    std::stable_sort(names.begin(), names.end(), LessIgnoringCase);
}

void ListSerialPorts(std::vector<std::string>& ports) { ListSerialPorts(ports, "/"); }

void ListSerialPorts(std::vector<std::string>& ports, const std::string& root) {
    std::vector<std::string> working;
    if (int err = platform::ListSerialDevices(root, working)) throw ESerialPort(spRegistry, err);
    SortPortNames(working);
    ports.swap(working);
}

}  // namespace skyvane
