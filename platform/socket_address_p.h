// SPDX-License-Identifier: GPL-3.0-or-later
// What the IP socket modules share on POSIX systems: addresses in the system's form,
// creating a socket, the port a socket is bound to.
#pragma once

#include <sys/socket.h>

#include <cstdint>
#include <optional>

#include "platform/ip_address.h"
#include "platform/socket_failure.h"

namespace skyvane::platform::detail {

// An address and port in the system's form.
struct SockAddr {
    sockaddr_storage storage{};
    socklen_t length = 0;
    const sockaddr* Get() const { return reinterpret_cast<const sockaddr*>(&storage); }
};

// `address`:`port` for bind(), connect() or sendto(); an IPv6 scope is an interface
// name or number.
SockAddr ToSockAddr(const IpAddress& address, std::uint16_t port);
// The address of `from`, and its port in `port`.
IpAddress FromSockAddr(const sockaddr_storage& from, std::uint16_t& port);
// The interface index an IPv6 scope names ("eth0" or "2"); 0 for none.
unsigned ScopeIndex(const std::string& scope);
// A new non-blocking socket of `type` for the family of `address` (IPv6 ones for IPv6
// only), bound to it at `port`, with the address shared (SO_REUSEADDR) when `reuse`.
// Returns the descriptor, or -1 with `failure` set.
int OpenBoundSocket(int type, const IpAddress& address, std::uint16_t port, bool reuse,
                    SocketFailure& failure);
// The local port `fd` is bound to; 0 when it is not.
std::uint16_t LocalPort(int fd);

}  // namespace skyvane::platform::detail
