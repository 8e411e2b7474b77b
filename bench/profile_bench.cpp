// SPDX-License-Identifier: GPL-3.0-or-later
// Reads and writes profile files of 50 MB of several malformed kinds, and the
// program's own small configuration file, and prints the times.
//
//   profile_bench [size in MB, default 50]
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "bench/BenchTiming.h"
#include "platform/profile_file.h"

namespace {

using skyvane::bench::Clock;
using skyvane::bench::MedianMs;

struct Kind {
    const char* name;
    std::function<std::string(std::size_t)> make;
};

std::string Repeat(const std::string& piece, std::size_t size) {
    std::string text;
    text.reserve(size + piece.size());
    while (text.size() < size) text += piece;
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    const std::size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 50;
    const std::size_t size = megabytes << 20;
    std::string folder = (std::filesystem::temp_directory_path() / "skyvane-bench-XXXXXX").string();
    if (!::mkdtemp(folder.data())) return 1;
    const std::string path = folder + "/Skyvane.INI";

    const Kind kinds[] = {
        {"many sections, key in the last",
         [](std::size_t n) {
             return Repeat("[SECTION]\nKEY=some value\n; comment\n\n", n) +
                    "[SETTINGS]\nTRACE=YES\n";
         }},
        {"one line, no line end", [](std::size_t n) { return std::string(n, 'x'); }},
        {"random binary bytes",
         [](std::size_t n) {
             std::mt19937 random(1);
             std::string text(n, '\0');
             for (char& c : text) c = static_cast<char>(random());
             return text;
         }},
        {"NUL bytes", [](std::size_t n) { return std::string(n, '\0'); }},
        {"empty lines", [](std::size_t n) { return std::string(n, '\n') + "[SETTINGS]\n"; }},
        {"CR-only line ends",
         [](std::size_t n) { return Repeat("[SECTION]\rKEY=v\r", n) + "[SETTINGS]\rTRACE=YES\r"; }},
        {"one section of duplicate keys",
         [](std::size_t n) { return "[SETTINGS]\n" + Repeat("TRACE=YES\n", n); }},
        {"lines of one megabyte",
         [](std::size_t n) {
             return Repeat(std::string(1 << 20, 'k') + "=v\n", n) + "[SETTINGS]\nTRACE=YES\n";
         }},
    };

    std::printf("profile files of %zu MB (median of 5 reads, 3 writes)\n", megabytes);
    std::printf("%-34s %10s %10s %12s\n", "kind", "read ms", "write ms", "read MB/s");
    for (const Kind& kind : kinds) {
        { std::ofstream(path, std::ios::binary | std::ios::trunc) << kind.make(size); }
        std::string value;
        const double readMs = MedianMs(
            5, [&] { value = skyvane::GetProfileString(path, "SETTINGS", "TRACE", "dflt"); });
        int counter = 0;
        const double writeMs = MedianMs(3, [&] {
            skyvane::WriteProfileString(path, "SETTINGS", "TRACE", counter++ % 2 ? "YES" : "NOT");
        });
        std::printf("%-34s %10.1f %10.1f %12.0f\n", kind.name, readMs, writeMs,
                    static_cast<double>(megabytes) / (readMs / 1000.0));
    }

    std::filesystem::remove(path);
    const char* keys[] = {"COMPORT", "BAUDRATE", "TRACE", "VISIBLE", "NUMERIC"};
    for (const char* key : keys) skyvane::WriteProfileString(path, "SETTINGS", key, "YES");
    const double smallRead = MedianMs(101, [&] {
        for (const char* key : keys) (void)skyvane::GetProfileString(path, "SETTINGS", key, "");
    });
    const double smallWrite = MedianMs(21, [&] {
        for (const char* key : keys) skyvane::WriteProfileString(path, "SETTINGS", key, "NOT");
    });
    std::printf("six-line configuration file: five reads %.3f ms, five writes %.3f ms\n", smallRead,
                smallWrite);

    std::filesystem::remove_all(folder);
    return 0;
}
