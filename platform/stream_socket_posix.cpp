// SPDX-License-Identifier: GPL-3.0-or-later
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "platform/stream_socket.h"

namespace skyvane::platform {

StreamSocket::StreamSocket(std::intptr_t handle) : handle_(handle) {
    const int fd = static_cast<int>(handle_);
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    fcntl(fd, F_SETFD, FD_CLOEXEC);
}

StreamSocket::~StreamSocket() {
    close(static_cast<int>(handle_));
}

SocketRead StreamSocket::Read(char* buffer, std::size_t size) {
    SocketRead result;
    for (;;) {
        const ssize_t n = recv(static_cast<int>(handle_), buffer, size, 0);
        if (n > 0) {
            result.bytes = static_cast<std::size_t>(n);
        } else if (n == 0) {
            result.ended = size > 0;
        } else if (errno == EINTR) {
            continue;
        } else if (errno != EAGAIN && errno != EWOULDBLOCK) {
            result.error = errno;
            result.ended = true;
        }
        return result;
    }
}

long StreamSocket::Write(const char* data, std::size_t size, int& error) {
    error = 0;
    for (;;) {
        const ssize_t n = send(static_cast<int>(handle_), data, size, MSG_NOSIGNAL);
        if (n >= 0) return static_cast<long>(n);
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) return 0;
        error = errno;
        return -1;
    }
}

void StreamSocket::ShutdownOutput() {
    shutdown(static_cast<int>(handle_), SHUT_WR);
}

}  // namespace skyvane::platform
