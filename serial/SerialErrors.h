// SPDX-License-Identifier: GPL-3.0-or-later
// The serial port's one exception class: a numbered port error with a fixed text,
// and the operating system's error number of the failed call when there is one.
#pragma once

#include <cstdint>
#include <string_view>

#include "toolkit/Exception.h"

namespace skyvane {

// Port error codes, 1 to 23; the names follow their texts.
enum TSerialPortError : std::int32_t {
    spOpen = 1,
    spWrite,
    spRead,
    spAsyncParam,
    spPurge,
    spAsyncStatus,
    spSetState,
    spSetTimeouts,
    spSetupComm,
    spClearComm,
    spModemStatus,
    spEscapeComm,
    spTransmitChar,
    spConnectedProperty,
    spEnumPorts,
    spStoreSettings,
    spLoadSettings,
    spLink,
    spLedState,
    spThreadCreated,
    spWaitForEvent,
    spRxBufLinked,
    spRegistry
};

// The fixed English text of a port error code; empty for codes outside 1 to 23.
std::string_view SerialErrorText(std::int32_t portErrorCode);

// Raised for every failure of the serial port component.
class ESerialPort : public Exception {
public:
    // Without an operating-system error: the message is the code's text alone.
    explicit ESerialPort(std::int32_t portErrorCode);
    // With the failed call's error number: the text + " (win error code: %d)".
    ESerialPort(std::int32_t portErrorCode, std::int32_t osErrorCode);

    // The operating system's error number of the failed call, or -1.
    std::int32_t OsErrorCode() const { return osErrorCode_; }
    // The port error code, 1 to 23.
    std::int32_t PortErrorCode() const { return portErrorCode_; }

private:
    std::int32_t osErrorCode_;
    std::int32_t portErrorCode_;
};

}  // namespace skyvane
