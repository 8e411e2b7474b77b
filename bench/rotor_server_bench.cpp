// SPDX-License-Identifier: GPL-3.0-or-later
// rotor_server_bench: the round trip of "p" from a loopback client to the rotor server,
// 10,000 requests one after the other (median, 99th percentile, worst), side by side
// with Hamlib's rotctld (dummy rotor) when it is installed.
//
//   rotor_server_bench [requests, default 10000]
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QStandardPaths>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "bench/BenchSystem.h"
#include "rotor/RotorAccess.h"
#include "rotor/RotorServer.h"

extern char** environ;

using namespace skyvane;
using Clock = std::chrono::steady_clock;

namespace {

class FixedRotor : public TRotorAccess {
public:
    std::optional<int> LiveHeading() const override { return 217; }
    bool RequestTurn(int) override { return true; }
    bool RequestStop() override { return true; }
};

int Connect(unsigned short port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    for (int attempt = 0; attempt < 200; ++attempt) {
        if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
            int one = 1;
            setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
            return fd;
        }
        usleep(20000);  // a server process may still be starting
    }
    close(fd);
    return -1;
}

// Sends "p\n" and reads until the two lines of the answer are in; returns the
// round-trip times in microseconds (empty when the conversation broke down).
std::vector<double> RoundTrips(unsigned short port, int requests) {
    std::vector<double> times;
    const int fd = Connect(port);
    if (fd < 0) return times;
    char buffer[256];
    for (int i = 0; i < requests; ++i) {
        const auto start = Clock::now();
        if (send(fd, "p\n", 2, MSG_NOSIGNAL) != 2) break;
        int lineEnds = 0;
        while (lineEnds < 2) {
            const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0) break;
            lineEnds += static_cast<int>(std::count(buffer, buffer + n, '\n'));
        }
        if (lineEnds < 2) break;
        times.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    close(fd);
    return times;
}

void Print(const char* who, std::vector<double> times, int requests) {
    if (times.size() != static_cast<std::size_t>(requests)) {
        std::printf("%-22s failed after %zu of %d requests\n", who, times.size(), requests);
        return;
    }
    std::sort(times.begin(), times.end());
    const auto at = [&](double q) {
        return times[static_cast<std::size_t>(q * (times.size() - 1))];
    };
    std::printf("%-22s median %7.1f us   p99 %7.1f us   worst %8.1f us\n", who, at(0.5), at(0.99),
                times.back());
}

}  // namespace

int main(int argc, char** argv) {
    const int requests = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10000;
    QCoreApplication app(argc, argv);
    std::printf("p round trip over loopback, %d requests one after the other\n", requests);

    // Skyvane's server on this thread's event loop, the client on a thread of its own.
    FixedRotor rotor;
    TRotorServer server(rotor);
    server.Listen(0);
    std::vector<double> ours;
    std::thread client([&] {
        ours = RoundTrips(server.Port(), requests);
        QMetaObject::invokeMethod(&app, &QCoreApplication::quit, Qt::QueuedConnection);
    });
    app.exec();
    client.join();
    Print("Skyvane rotor server", ours, requests);

    const QString rotctld = QStandardPaths::findExecutable("rotctld");
    if (rotctld.isEmpty()) {
        std::printf("%-22s not installed (Debian package libhamlib-utils)\n", "rotctld");
        return 0;
    }
    const std::string port = std::to_string(bench::FreeLoopbackPort());
    std::string path = rotctld.toStdString();
    std::vector<std::string> args = {path, "-m", "1", "-T", "127.0.0.1", "-t", port};
    std::vector<char*> argv2;
    for (std::string& a : args) argv2.push_back(a.data());
    argv2.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, path.c_str(), nullptr, nullptr, argv2.data(), environ) != 0) {
        std::printf("%-22s could not be started\n", "rotctld -m 1");
        return 0;
    }
    Print("rotctld -m 1 (dummy)",
          RoundTrips(static_cast<unsigned short>(std::stoi(port)), requests), requests);
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    return 0;
}
