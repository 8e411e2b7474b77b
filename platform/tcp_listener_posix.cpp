// SPDX-License-Identifier: GPL-3.0-or-later
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "platform/socket_address_p.h"
#include "platform/tcp_listener.h"

namespace skyvane::platform {
namespace {

// Connections the system keeps waiting before it refuses more.
constexpr int Backlog = 50;

}  // namespace

TcpListener::~TcpListener() {
    if (handle_ >= 0) close(static_cast<int>(handle_));
}

std::optional<SocketFailure> TcpListener::Listen(const IpAddress& address, std::uint16_t port) {
    if (handle_ >= 0) close(static_cast<int>(handle_));
    handle_ = -1;
    SocketFailure failure;
    const int fd = detail::OpenBoundSocket(SOCK_STREAM, address, port, true, failure);
    if (fd < 0) return failure;
    if (listen(fd, Backlog) != 0) {
        failure = {SocketStep::Listen, errno};
        close(fd);
        return failure;
    }
    handle_ = fd;
    return std::nullopt;
}

std::uint16_t TcpListener::Port() const {
    return detail::LocalPort(static_cast<int>(handle_));
}

std::intptr_t TcpListener::Accept(int& error) {
    error = 0;
    for (;;) {
        const int fd = accept4(static_cast<int>(handle_), nullptr, nullptr, SOCK_CLOEXEC);
        if (fd >= 0) return fd;
        if (errno == EINTR) continue;
        // A connection the client gave up while it waited is simply gone.
        if (errno != EAGAIN && errno != EWOULDBLOCK && errno != ECONNABORTED) error = errno;
        return -1;
    }
}

}  // namespace skyvane::platform
