// SPDX-License-Identifier: GPL-3.0-or-later
// A listening TCP socket: bound to one address and port, its waiting connections taken
// one at a time by descriptor (for StreamSocket), never waiting itself.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/ip_address.h"
#include "platform/socket_failure.h"

namespace skyvane::platform {

class TcpListener {
public:
    // Not listening yet.
    TcpListener() = default;
    // Stops listening.
    ~TcpListener();
    TcpListener(const TcpListener&) = delete;
    TcpListener& operator=(const TcpListener&) = delete;

    // Listens at `address`:`port` (0: a free port the system picks); a port left in
    // TIME_WAIT by an earlier run can be listened at again. Nothing on success.
    std::optional<SocketFailure> Listen(const IpAddress& address, std::uint16_t port);
    // The port listened at; 0 when not listening.
    std::uint16_t Port() const;
    // The descriptor, for the event loop's readiness watch; -1 when not listening.
    std::intptr_t NativeHandle() const { return handle_; }
    // The next waiting connection's descriptor, which the caller then owns; -1 when none
    // waits (`error` 0) or taking it failed (`error` is the system's error number).
    std::intptr_t Accept(int& error);

private:
    std::intptr_t handle_ = -1;
};

}  // namespace skyvane::platform
