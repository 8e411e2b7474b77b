// SPDX-License-Identifier: GPL-3.0-or-later
// A plain TCP client for the server tests. The server runs on the test's own thread, so
// every wait here keeps Qt's events going instead of blocking.
#pragma once

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cerrno>
#include <string>

namespace skyvane::test {

// Processes Qt events until `done` holds or `ms` pass; returns `done()`.
template <class Pred>
bool PumpUntil(Pred done, int ms = 5000) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return done();
}

class LoopbackClient {
public:
    // Connects to `address` (an IPv4 or IPv6 text) at `port`; Connected() tells.
    LoopbackClient(const std::string& address, unsigned short port) {
        sockaddr_storage storage{};
        socklen_t length = 0;
        auto* v4 = reinterpret_cast<sockaddr_in*>(&storage);
        auto* v6 = reinterpret_cast<sockaddr_in6*>(&storage);
        if (inet_pton(AF_INET, address.c_str(), &v4->sin_addr) == 1) {
            v4->sin_family = AF_INET;
            v4->sin_port = htons(port);
            length = sizeof *v4;
        } else if (inet_pton(AF_INET6, address.c_str(), &v6->sin6_addr) == 1) {
            v6->sin6_family = AF_INET6;
            v6->sin6_port = htons(port);
            length = sizeof *v6;
        } else {
            return;
        }
        fd_ = socket(storage.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd_ < 0) return;
        // A blocking connect is fine: the system accepts on the listener's behalf.
        if (connect(fd_, reinterpret_cast<sockaddr*>(&storage), length) != 0) {
            close(fd_);
            fd_ = -1;
            return;
        }
        fcntl(fd_, F_SETFL, fcntl(fd_, F_GETFL) | O_NONBLOCK);
    }
    ~LoopbackClient() { Close(); }
    LoopbackClient(const LoopbackClient&) = delete;
    LoopbackClient& operator=(const LoopbackClient&) = delete;

    bool Connected() const { return fd_ >= 0; }
    void Close() {
        if (fd_ >= 0) close(fd_);
        fd_ = -1;
    }
    // Ends this side's sending (what "nc -N" does at the end of its input).
    void ShutdownSending() { shutdown(fd_, SHUT_WR); }
    // Shrinks the receive buffer so a client that does not read pushes back soon.
    void SetSmallReceiveBuffer() {
        int size = 4096;
        setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
    }
    // Writes what the socket takes now; returns the number of bytes written.
    std::size_t SendSome(const std::string& bytes) {
        const ssize_t n = send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        return n > 0 ? static_cast<std::size_t>(n) : 0;
    }
    // Writes all of `bytes`, keeping the server going while the socket is full.
    bool Send(const std::string& bytes, int ms = 5000) {
        std::size_t sent = 0;
        return PumpUntil(
            [&] {
                sent += SendSome(bytes.substr(sent));
                return sent == bytes.size();
            },
            ms);
    }
    // Reads what has arrived into Received(); notes the end of the stream.
    void Drain() {
        char buffer[4096];
        for (;;) {
            const ssize_t n = recv(fd_, buffer, sizeof buffer, 0);
            if (n > 0) {
                received_.append(buffer, static_cast<std::size_t>(n));
            } else {
                if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) closedByPeer_ = true;
                return;
            }
        }
    }
    // Waits until `count` bytes have arrived in all; returns them and forgets them.
    std::string Take(std::size_t count, int ms = 5000) {
        PumpUntil(
            [&] {
                Drain();
                return received_.size() >= count || closedByPeer_;
            },
            ms);
        std::string taken = received_.substr(0, count);
        received_.erase(0, taken.size());
        return taken;
    }
    // Sends one line and returns the answer once `expected` bytes of it are in.
    std::string Ask(const std::string& line, std::size_t expected) {
        Send(line);
        return Take(expected);
    }
    // Waits for the server to close the connection.
    bool WaitClosedByPeer(int ms = 5000) {
        return PumpUntil(
            [&] {
                Drain();
                return closedByPeer_;
            },
            ms);
    }
    const std::string& Received() const { return received_; }

private:
    int fd_ = -1;
    std::string received_;
    bool closedByPeer_ = false;
};

}  // namespace skyvane::test
