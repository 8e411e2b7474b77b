// SPDX-License-Identifier: GPL-3.0-or-later
// Kills a process at random moments while it writes a profile file, many times over,
// and checks what it leaves behind.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <random>
#include <string>

#include "platform/profile_file.h"
#include "tests/support/TempDir.h"

namespace skyvane {
namespace {

constexpr std::array<const char*, 5> Keys = {"COMPORT", "BAUDRATE", "TRACE", "VISIBLE", "NUMERIC"};

std::string Render(const std::array<std::string, 5>& values) {
    std::string text = "; hand-written comment\n\n[OTHER]\nCOMPORT=other section\n\n[SETTINGS]\n";
    for (std::size_t k = 0; k < Keys.size(); ++k) {
        text += std::string(Keys[k]) + "=" + values[k] + "\n";
        if (k == 2) text += "; between keys\r\n";
    }
    return text + "UNKNOWN=kept\n\n[LAST]\nX=1\n";
}

// Writes the five keys over and over, each round's values "r<run>-<round>", until
// killed; tells `ready` once the first key has been written.
[[noreturn]] void WriteForever(const std::string& path, int run, int ready) {
    try {
        for (unsigned round = 1;; ++round) {
            for (const char* key : Keys) {
                WriteProfileString(path, "SETTINGS", key,
                                   "r" + std::to_string(run) + "-" + std::to_string(round));
                if (ready >= 0) {
                    (void)!::write(ready, "w", 1);
                    ::close(ready);
                    ready = -1;
                }
            }
        }
    } catch (...) {
        ::_exit(1);
    }
}

TEST(ProfileFileCrash, KilledWritesLeaveAWholeFileWithOldOrNewValues) {
    test::TempDir dir;
    const std::string path = dir / "Skyvane.INI";
    std::array<std::string, 5> previous;
    previous.fill("initial");
    test::WriteFile(path, Render(previous));

    std::mt19937 random(2026);
    for (int run = 0; run < 150; ++run) {
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(ready[0]);
            WriteForever(path, run, ready[1]);
        }
        ::close(ready[1]);
        char byte;
        const bool started = ::read(ready[0], &byte, 1) == 1;
        ::close(ready[0]);
        // From right after the first write to some dozens of writes later.
        ::usleep(static_cast<useconds_t>(random() % 15000));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(started && WIFSIGNALED(status))
            << "the writer failed on its own in run " << run;

        const std::string content = test::ReadFile(path);
        std::array<std::string, 5> values;
        std::array<long, 5> rounds{};
        const std::string prefix = "r" + std::to_string(run) + "-";
        for (std::size_t k = 0; k < Keys.size(); ++k) {
            values[k] = ProfileTextValue(content, "SETTINGS", Keys[k], "<missing>");
            if (values[k] == previous[k]) {
                rounds[k] = 0;
            } else {
                ASSERT_EQ(values[k].rfind(prefix, 0), 0u)
                    << "run " << run << ": " << Keys[k] << " holds " << values[k];
                rounds[k] = std::stol(values[k].substr(prefix.size()));
            }
        }
        // The whole file, not only the keys, is exactly one of the states a write leaves.
        ASSERT_EQ(content, Render(values)) << "run " << run;
        // Keys are written in order, so no write may be lost: the rounds fall by at most
        // one from the first key to the last.
        for (std::size_t k = 1; k < Keys.size(); ++k)
            ASSERT_LE(rounds[k], rounds[k - 1]) << "run " << run;
        ASSERT_LE(rounds.front() - rounds.back(), 1) << "run " << run;

        ASSERT_GE(rounds.front(), 1) << "run " << run << ": the first write was lost";
        previous = values;
    }
}

}  // namespace
}  // namespace skyvane
