// SPDX-License-Identifier: GPL-3.0-or-later
// Why an IP socket could not be set up: the step that failed and the system's error
// number, and the words users are shown for it.
#pragma once

#include <string>

namespace skyvane::platform {

// The step of setting up a socket.
enum class SocketStep { Create, Bind, Listen, Join };

// A step that failed, with the system's error number.
struct SocketFailure {
    SocketStep step = SocketStep::Create;
    int error = 0;
};

// What went wrong, in words: "The bound address is already in use", "The address is
// protected", "The address is not available", ...; the system's own words otherwise.
std::string SocketFailureText(const SocketFailure& failure);
// True when the address and port are taken by another socket.
bool IsAddressInUse(const SocketFailure& failure);

}  // namespace skyvane::platform
