// SPDX-License-Identifier: GPL-3.0-or-later
// Shared pieces of the serial tests: the Qt application object, a pseudo-terminal
// pair standing in for a cable, a GUI-thread wait with a give-up guard, and a port
// that opens a scripted device.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <QCoreApplication>
#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "serial/SerialPort.h"
#include "tests/serial/ScriptedDevice.h"
#include "toolkit/GuiThread.h"
#include "tests/support/QtApplication.h"

namespace skyvane::testing {

// Creates the Qt application object once, so that there is a GUI thread.
inline void EnsureApplication() {
    test_support::EnsureQtApplication<QCoreApplication>();
}

// A pseudo-terminal: the port opens the slave by name, the test is the far end.
class PtyPair {
public:
    PtyPair() {
        char name[128];
        if (openpty(&master_, &slave_, name, nullptr, nullptr) != 0)
            throw std::runtime_error("openpty");
        slaveName_ = name;
        termios t;
        tcgetattr(master_, &t);
        cfmakeraw(&t);
        tcsetattr(master_, TCSANOW, &t);
    }
    ~PtyPair() {
        CloseMaster();
        if (slave_ >= 0) close(slave_);
    }
    // The slave's path, such as "/dev/pts/3".
    const std::string& SlaveName() const { return slaveName_; }
    int Master() const { return master_; }
    // The far end writes bytes onto the line.
    void Send(const std::string& bytes) {
        std::size_t done = 0;
        while (done < bytes.size()) {
            ssize_t n = write(master_, bytes.data() + done, bytes.size() - done);
            if (n > 0) done += static_cast<std::size_t>(n);
        }
    }
    // Reads what has arrived at the far end, waiting up to `ms` for the first byte.
    std::string Receive(std::size_t atLeast, int ms = 5000) {
        std::string got;
        while (got.size() < atLeast) {
            pollfd p{master_, POLLIN, 0};
            if (poll(&p, 1, ms) <= 0) break;
            char buf[4096];
            ssize_t n = read(master_, buf, sizeof buf);
            if (n <= 0) break;
            got.append(buf, static_cast<std::size_t>(n));
        }
        return got;
    }
    // Hangs the line up, as an unplugged adapter would.
    void CloseMaster() {
        if (master_ >= 0) close(master_);
        master_ = -1;
    }

private:
    int master_ = -1;
    int slave_ = -1;
    std::string slaveName_;
};

// On the GUI thread: serves the calls of event threads until `done()` holds; gives
// up after `patience` (ten seconds unless told) so that a broken delivery fails the
// test instead of hanging it.
template <class Done>
bool ServeUntil(Done done, std::chrono::milliseconds patience = std::chrono::seconds(10)) {
    std::atomic<bool> finished{false};
    const auto limit = std::chrono::steady_clock::now() + patience;
    std::atomic<bool> gaveUp{false};
    std::thread guard([&] {
        while (!finished) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            if (std::chrono::steady_clock::now() > limit) gaveUp = true;
            NotifyGuiWaiters();
        }
    });
    bool met = false;
    WaitServingCalls([&] { return (met = done()) || gaveUp; });
    finished = true;
    guard.join();
    return met;
}

// A port that opens a scripted device instead of a system one.
class ScriptedPort : public TSerialPort {
public:
    explicit ScriptedPort(TComponent* owner = nullptr) : TSerialPort(owner) {}
    ~ScriptedPort() override { Close(); }
    std::shared_ptr<ScriptedDevice> device = std::make_shared<ScriptedDevice>();
    int acquired = 0;
    bool refuseOpen = false;

protected:
    void AcquireDevice() override {
        if (refuseOpen) throw ESerialPort(spOpen, ENOENT);
        ++acquired;
        AttachDevice(device);
    }
};

}  // namespace skyvane::testing
