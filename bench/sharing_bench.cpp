// SPDX-License-Identifier: GPL-3.0-or-later
// skyvane_sharing_bench: the CPU Skyvane uses while it shares the rotor. The real main
// window (offscreen, in a scratch folder, SERVER=YES) tracks the rotor simulator, run
// as a process of its own on a pseudo-terminal; a client in another process asks "p"
// ten times a second. The CPU time of this process (window, port, server) is measured
// over the same span first without the client, then with it.
//
//   skyvane_sharing_bench [seconds per span, default 30]
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/SkyvaneUnit.h"
#include "bench/BenchSystem.h"
#include "rotor/RotorServer.h"
#include "tests/support/RotorSimProcess.h"
#include "toolkit/Application.h"
#include "toolkit/Label.h"
#include "toolkit/Menu.h"
#include "toolkit/MessageBox.h"

namespace fs = std::filesystem;
using namespace skyvane;

namespace {

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Runs the event loop for `seconds`.
void Serve(double seconds) {
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
}

// True once `answer` holds a whole answer to "p": two lines, or one "RPRT" line.
bool WholeAnswer(const std::string& answer) {
    const auto lines = std::count(answer.begin(), answer.end(), '\n');
    return lines >= 2 || (lines == 1 && answer.rfind("RPRT", 0) == 0);
}

// The client process: waits for the port on `control`, then asks "p" ten times a
// second for `seconds`; writes the number of answers that carried a heading to `result`.
[[noreturn]] void RunClient(int control, int result, double seconds) {
    unsigned short port = 0;
    if (read(control, &port, sizeof port) != sizeof port) _exit(0);
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) _exit(0);
    int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    int headings = 0;
    const int requests = static_cast<int>(seconds * 10);
    timespec next{};
    clock_gettime(CLOCK_MONOTONIC, &next);
    char buffer[256];
    for (int i = 0; i < requests; ++i) {
        next.tv_nsec += 100000000;
        if (next.tv_nsec >= 1000000000) {
            next.tv_nsec -= 1000000000;
            ++next.tv_sec;
        }
        clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
        if (send(fd, "p\n", 2, MSG_NOSIGNAL) != 2) break;
        std::string answer;
        while (!WholeAnswer(answer)) {
            const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0) break;
            answer.append(buffer, static_cast<std::size_t>(n));
        }
        headings += answer.find(".00\n0.00\n") != std::string::npos;
    }
    (void)!write(result, &headings, sizeof headings);
    _exit(0);
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::max(2.0, std::atof(argv[1])) : 30.0;
    int control[2], result[2];
    if (pipe(control) != 0 || pipe(result) != 0) return 1;
    // The client is forked before any thread or Qt object exists.
    const pid_t client = fork();
    if (client == 0) {
        close(control[1]);
        close(result[0]);
        RunClient(control[0], result[1], seconds);
    }
    close(control[0]);
    close(result[1]);
    const unsigned short port = bench::FreeLoopbackPort();

    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("SKYVANE_BUILD_DIR", SKYVANE_BUILD_DIR, 0);
    test::Simulator simulator({"--heading", "123"});
    const std::string line = simulator.FirstLine();
    if (line.empty()) {
        std::fprintf(stderr, "the simulator did not start\n");
        return 1;
    }
    const fs::path scratch =
        fs::temp_directory_path() / ("skyvane-sharing-bench-" + std::to_string(getpid()));
    fs::create_directories(scratch);
    const fs::path previousDir = fs::current_path();
    fs::current_path(scratch);
    std::ofstream(scratch / "Skyvane.INI", std::ios::binary)
        << "[SETTINGS]\r\nCOMPORT=" << line << "\r\nSERVER=YES\r\nSERVERPORT=" << port << "\r\n";

    TApplication app(argc, argv);
    int boxes = 0;
    SetMessageBoxAnswerer([&](const MessageBoxRequest& r) {
        ++boxes;
        std::fprintf(stderr, "message: %s\n", r.text.c_str());
        return TMsgResult::OK;
    });
    {
        auto form = std::make_unique<TForm1>(nullptr, std::vector<std::string>{});
        form->Track->Action()->trigger();
        Serve(3);  // the first replies, caches warm
        const double idleStart = CpuSeconds();
        Serve(seconds);
        const double idle = CpuSeconds() - idleStart;

        (void)!write(control[1], &port, sizeof port);
        const double busyStart = CpuSeconds();
        Serve(seconds);
        const double busy = CpuSeconds() - busyStart;
        // The client's last requests may still be under way: serve them.
        while (waitpid(client, nullptr, WNOHANG) == 0) Serve(0.1);
        int headings = -1;
        (void)!read(result[0], &headings, sizeof headings);

        std::printf("CPU of Skyvane tracking the simulator with SERVER=YES, %.0f s spans\n",
                    seconds);
        std::printf("  no client:                    %6.3f s = %6.3f %% of one core\n", idle,
                    100 * idle / seconds);
        std::printf("  one client asking 10 times/s: %6.3f s = %6.3f %% of one core\n", busy,
                    100 * busy / seconds);
        std::printf("  the client got %d headings for %d requests (shown: %s); %d message boxes\n",
                    headings, static_cast<int>(seconds * 10), form->Response->Caption().c_str(),
                    boxes);
    }
    fs::current_path(previousDir);
    fs::remove_all(scratch);
    return 0;
}
