// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/SerialErrors.h"

#include <array>
#include <string>

namespace skyvane {

namespace {
constexpr std::array<std::string_view, 24> kTexts = {
    "",
    "Unable to open com port",
    "WriteFile function failed",
    "ReadFile function failed",
    "Invalid Async parameter",
    "PurgeComm function failed",
    "Unable to get async status",
    "SetCommState function failed",
    "SetCommTimeouts failed",
    "SetupComm function failed",
    "ClearCommError function failed",
    "GetCommModemStatus function failed",
    "EscapeCommFunction function failed",
    "TransmitCommChar function failed",
    "Cannot set property while connected",
    "EnumPorts function failed",
    "Failed to store settings",
    "Failed to load settings",
    "Link (un)registration failed",
    "Cannot change led state if ComPort is selected",
    "Cannot wait for event if event thread is created",
    "WaitForEvent method failed",
    "A component is linked to OnRxBuf event",
    "Registry error",
};
}  // namespace

std::string_view SerialErrorText(std::int32_t portErrorCode) {
    if (portErrorCode < 1 || portErrorCode >= static_cast<std::int32_t>(kTexts.size())) return {};
    return kTexts[static_cast<std::size_t>(portErrorCode)];
}

ESerialPort::ESerialPort(std::int32_t portErrorCode)
    : Exception(std::string(SerialErrorText(portErrorCode))),
      osErrorCode_(-1),
      portErrorCode_(portErrorCode) {}

ESerialPort::ESerialPort(std::int32_t portErrorCode, std::int32_t osErrorCode)
    : Exception(std::string(SerialErrorText(portErrorCode)) +
                " (win error code: " + std::to_string(osErrorCode) + ")"),
      osErrorCode_(osErrorCode),
      portErrorCode_(portErrorCode) {}

}  // namespace skyvane
