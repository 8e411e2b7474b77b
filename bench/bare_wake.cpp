// SPDX-License-Identifier: GPL-3.0-or-later
// What one wake-up costs on this machine when nothing else is done: a thread that
// waits on a pipe is woken once a second by another process writing a byte to it,
// reads the byte and waits again. Prints its time on a CPU per wake-up, from
// /proc/thread-self/schedstat, the measure of bench/whole-program.sh.
//
//   bare_wake [WAKES, default 10]
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "bench/BenchSystem.h"

namespace {

// One byte every second until the pipe is closed or `wakes` bytes went out.
[[noreturn]] void Tick(int fd, int wakes) {
    timespec next{};
    clock_gettime(CLOCK_MONOTONIC, &next);
    for (int i = 0; i < wakes; ++i) {
        ++next.tv_sec;
        clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
        if (write(fd, "x", 1) != 1) break;
    }
    _exit(0);
}

}  // namespace

int main(int argc, char** argv) {
    const int wakes = argc > 1 ? std::atoi(argv[1]) : 10;
    int fds[2];
    if (wakes < 1 || pipe(fds) != 0) {
        std::fprintf(stderr, "usage: %s [WAKES >= 1]\n", argv[0]);
        return 2;
    }
    const pid_t ticker = fork();
    if (ticker < 0) return 1;
    if (ticker == 0) {
        close(fds[0]);
        Tick(fds[1], wakes + 1);
    }
    close(fds[1]);
    pollfd waited{fds[0], POLLIN, 0};
    char byte;
    // The first wake-up only starts the count: what came before it is start-up.
    long long start = 0;
    for (int i = 0; i <= wakes; ++i) {
        if (poll(&waited, 1, -1) != 1 || read(fds[0], &byte, 1) != 1) return 1;
        if (i == 0) start = skyvane::bench::SchedstatCpuNs("/proc/thread-self/schedstat");
    }
    const long long spent = skyvane::bench::SchedstatCpuNs("/proc/thread-self/schedstat") - start;
    waitpid(ticker, nullptr, 0);
    std::printf("%.1f\n", spent / 1e3 / wakes);
    return 0;
}
