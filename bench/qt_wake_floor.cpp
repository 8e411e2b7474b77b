// SPDX-License-Identifier: GPL-3.0-or-later
// The least a Qt GUI program can spend on a reading: a shown window that is never
// repainted, a 1 s timer that writes a query to a child process, and a socket
// notifier that reads the child's answer. Nothing is shown or parsed. Prints the
// CPU of all its threads a second (/proc/self/task/*/schedstat, the measure of
// bench/whole-program.sh) over READINGS readings after two to settle.
//
//   qt_wake_floor [READINGS, default 10]
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QSocketNotifier>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "bench/BenchSystem.h"

namespace {

// Nanoseconds on a CPU of every thread of this process.
long long ProcessCpuNs() {
    long long sum = 0;
    const QDir tasks("/proc/self/task");
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        sum += skyvane::bench::SchedstatCpuNs(qPrintable(tasks.filePath(task) + "/schedstat"));
    }
    return sum;
}

// The child answers every byte with a reply, as the simulator answers a query.
[[noreturn]] void Answer(int fd) {
    char byte;
    while (read(fd, &byte, 1) == 1)
        if (write(fd, "123;", 4) != 4) break;
    _exit(0);
}

}  // namespace

int main(int argc, char** argv) {
    const int readings = argc > 1 ? std::atoi(argv[1]) : 10;
    int pair[2];
    if (readings < 1 || socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) {
        std::fprintf(stderr, "usage: %s [READINGS >= 1]\n", argv[0]);
        return 2;
    }
    // Before Qt starts any thread.
    const pid_t child = fork();
    if (child < 0) return 1;
    if (child == 0) {
        close(pair[0]);
        Answer(pair[1]);
    }
    close(pair[1]);
    const int rotor = pair[0];

    QApplication app(argc, argv);
    QLabel window("000");
    window.setWindowTitle("Qt wake floor");
    window.show();
    QSocketNotifier replies(rotor, QSocketNotifier::Read);
    QObject::connect(&replies, &QSocketNotifier::activated, [rotor] {
        char reply[64];
        [[maybe_unused]] ssize_t n = read(rotor, reply, sizeof reply);
    });
    QTimer poll;
    poll.setTimerType(Qt::PreciseTimer);
    poll.setInterval(1000);
    constexpr int kSettling = 2;
    int ticks = 0;
    long long startNs = 0;
    std::chrono::steady_clock::time_point startWall;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (ticks == kSettling) {
            startNs = ProcessCpuNs();
            startWall = std::chrono::steady_clock::now();
        }
        if (ticks == kSettling + readings) {
            const double seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - startWall).count();
            std::printf("%.1f\n", (ProcessCpuNs() - startNs) / 1e3 / seconds);
            app.quit();
            return;
        }
        ++ticks;
        [[maybe_unused]] ssize_t n = write(rotor, "A", 1);
    });
    poll.start();
    const int result = app.exec();
    close(rotor);
    return result;
}
