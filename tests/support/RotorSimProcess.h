// SPDX-License-Identifier: GPL-3.0-or-later
// Test support: the built rotor simulator run as a process of its own, with its
// standard output and error on pipes.
#pragma once

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

extern char** environ;

namespace skyvane::test {

using Clock = std::chrono::steady_clock;
// Generous upper bounds so a loaded machine never fails a test; nothing here is timed.
constexpr int kStartMs = 20000;
constexpr int kReplyMs = 10000;

inline std::string SimulatorPath() {
    const char* dir = std::getenv("SKYVANE_BUILD_DIR");
    return std::string(dir ? dir : ".") + "/tools/rotorsim/skyvane-rotorsim";
}

// Reads from fd until `done` accepts the text or the deadline passes.
template <class Done>
std::string ReadUntil(int fd, int timeoutMs, Done done) {
    std::string text;
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done(text)) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) break;
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
        char buf[256];
        ssize_t n = read(fd, buf, sizeof buf);
        if (n <= 0) break;
        text.append(buf, static_cast<std::size_t>(n));
    }
    return text;
}

// One run of the simulator with its standard output and error on pipes.
class Simulator {
public:
    explicit Simulator(std::vector<std::string> args) {
        int out[2], err[2];
        if (pipe(out) != 0 || pipe(err) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_adddup2(&actions, err[1], 2);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        posix_spawn_file_actions_addclose(&actions, err[0]);
        std::string path = SimulatorPath();
        args.insert(args.begin(), path);
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, path.c_str(), &actions, nullptr, argv.data(), environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        close(err[1]);
        out_ = out[0];
        err_ = err[0];
    }
    ~Simulator() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        close(out_);
        close(err_);
    }

    // The first line of standard output: the line's path.
    std::string FirstLine() {
        std::string text = ReadUntil(
            out_, kStartMs, [](const std::string& t) { return t.find('\n') != std::string::npos; });
        return text.substr(0, text.find('\n'));
    }
    // Sends a signal and returns the exit status (-1 when it did not exit normally).
    int StopWith(int signal) {
        if (pid_ <= 0) return -1;
        kill(pid_, signal);
        return Wait();
    }
    int Wait() {
        if (pid_ <= 0) return -1;
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string AllOutput() {
        return ReadUntil(out_, kReplyMs, [](const std::string&) { return false; });
    }
    std::string AllErrors() {
        return ReadUntil(err_, kReplyMs, [](const std::string&) { return false; });
    }
    int ErrorFd() const { return err_; }

private:
    pid_t pid_ = -1;
    int out_ = -1;
    int err_ = -1;
};

}  // namespace skyvane::test
