// SPDX-License-Identifier: GPL-3.0-or-later
// System figures and resources shared by the benchmark programs.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

namespace skyvane::bench {

// Resident set size of this process in KiB, from /proc/self/statm.
inline long ResidentKiB() {
    long pages = 0, resident = 0;
    std::ifstream statm("/proc/self/statm");
    statm >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// Nanoseconds on a CPU from a schedstat file (/proc/thread-self/schedstat, or one
// of /proc/self/task/*/schedstat); 0 when it cannot be read.
inline long long SchedstatCpuNs(const char* path) {
    long long ns = 0;
    if (std::FILE* file = std::fopen(path, "r")) {
        if (std::fscanf(file, "%lld", &ns) != 1) ns = 0;
        std::fclose(file);
    }
    return ns;
}

// A TCP port on 127.0.0.1 that was free a moment ago (the system's choice).
inline unsigned short FreeLoopbackPort() {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    close(fd);
    return ntohs(address.sin_port);
}

}  // namespace skyvane::bench
