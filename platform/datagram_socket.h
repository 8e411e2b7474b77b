// SPDX-License-Identifier: GPL-3.0-or-later
// A UDP socket: bound to an address and port (shared with other programs' sockets when
// asked, as multicast listeners do), member of a multicast group on every interface
// that can carry it, receiving datagrams with their sender and sending them, without
// ever waiting.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "platform/ip_address.h"
#include "platform/socket_failure.h"

namespace skyvane::platform {

// What a receive found.
struct DatagramRead {
    bool received = false;  // a datagram was taken (it may be empty)
    std::size_t bytes = 0;  // its bytes stored, at most the buffer's size
    IpAddress sender;       // where it came from
    std::uint16_t senderPort = 0;
};

class DatagramSocket {
public:
    // Not bound yet.
    DatagramSocket() = default;
    // Closes the socket.
    ~DatagramSocket() { Close(); }
    DatagramSocket(const DatagramSocket&) = delete;
    DatagramSocket& operator=(const DatagramSocket&) = delete;

    // Binds a new socket to `address`:`port` (0: a port the system picks); with `shared`
    // other sockets that share may bind the same port too. Nothing on success.
    std::optional<SocketFailure> Bind(const IpAddress& address, std::uint16_t port, bool shared);
    // Joins the multicast `group` (of the bound socket's family) on every interface that
    // is up and can multicast, or, when none can, where the system routes it. Nothing
    // when joined somewhere; otherwise why the last attempt failed.
    std::optional<SocketFailure> JoinGroup(const IpAddress& group);
    // Closes the socket.
    void Close();
    // True while bound.
    bool Bound() const { return handle_ >= 0; }
    // The port bound to; 0 when not bound.
    std::uint16_t Port() const;
    // The descriptor, for the event loop's readiness watch; -1 when not bound.
    std::intptr_t NativeHandle() const { return handle_; }
    // The size of the datagram waiting to be received; nothing when none waits.
    std::optional<std::size_t> WaitingSize() const;
    // Takes the next waiting datagram into `buffer` (the rest of a longer one is lost).
    DatagramRead Receive(char* buffer, std::size_t size);
    // Sends `size` bytes to `to`:`port`; false unless all of them went.
    bool Send(const char* data, std::size_t size, const IpAddress& to, std::uint16_t port);

private:
    std::intptr_t handle_ = -1;
};

}  // namespace skyvane::platform
