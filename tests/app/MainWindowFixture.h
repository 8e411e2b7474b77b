// SPDX-License-Identifier: GPL-3.0-or-later
// The real main window in a scratch folder, with message boxes answered by the test,
// and a pseudo-terminal master that plays the rotor controller.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/SkyvaneUnit.h"
#include "toolkit/Application.h"
#include "toolkit/Menu.h"
#include "toolkit/MessageBox.h"

namespace skyvane {

namespace fs = std::filesystem;

inline std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void WriteFile(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// Creates the application object once; it lives until the test program ends.
inline void EnsureApplication() {
    static int argc = 1;
    static char name[] = "app_window_tests";
    static char* argv[] = {name, nullptr};
    static TApplication* app = new TApplication(argc, argv);
    (void)app;
}

// Chooses a menu entry the way the menu does, so an error reaches the standard report.
inline void Choose(TMenuItem* item) {
    item->Action()->trigger();
}

// Processes Qt events until `done` holds or `ms` pass; returns `done()`.
template <class Pred>
bool WaitUntil(Pred done, int ms = 3000) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return done();
}

// The far end of the cable: a pseudo-terminal master the test reads and writes.
class FakeRotor {
public:
    FakeRotor() {
        char name[256];
        termios raw{};
        cfmakeraw(&raw);
        if (openpty(&master_, &slave_, name, &raw, nullptr) != 0)
            throw std::runtime_error("openpty");
        path_ = name;
        fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
        // Keep the slave open until the port has opened it, so no hang-up shows first.
    }
    ~FakeRotor() {
        if (slave_ >= 0) close(slave_);
        if (master_ >= 0) close(master_);
    }
    const std::string& Path() const { return path_; }
    // Names the line by a link of its own from now on, as a by-id name does, and a
    // hang-up removes the link as unplugging an adapter does. For tests where the
    // program goes on reopening a lost line: the kernel's own name is given at once
    // to the next terminal made, which may be another test's.
    void ListUnder(const fs::path& link) {
        fs::create_symlink(path_, link);
        path_ = link_ = link.string();
    }
    int Master() const { return master_; }
    void ReleaseSlave() {
        if (slave_ >= 0) close(slave_);
        slave_ = -1;
    }
    // Everything the port has sent so far (accumulated).
    const std::string& Received() {
        char buf[256];
        ssize_t n;
        while ((n = read(master_, buf, sizeof buf)) > 0) received_.append(buf, n);
        return received_;
    }
    void Send(const std::string& reply) {
        ASSERT_EQ(write(master_, reply.data(), reply.size()), ssize_t(reply.size()));
    }
    // Writes what the line takes now, without waiting; the number of bytes written.
    ssize_t SendSome(const char* bytes, std::size_t size) { return write(master_, bytes, size); }
    void HangUp() {
        if (!link_.empty()) fs::remove(link_);
        close(master_);
        master_ = -1;
    }

private:
    int master_ = -1, slave_ = -1;
    std::string path_, link_;
    std::string received_;
};

class MainWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { EnsureApplication(); }
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("skyvane-window-" + std::to_string(getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        previousDir_ = fs::current_path();
        fs::current_path(dir_);
        SetMessageBoxAnswerer([this](const MessageBoxRequest& r) {
            boxes_.push_back(r);
            return answer_;
        });
    }
    void TearDown() override {
        form_.reset();
        SetMessageBoxAnswerer(nullptr);
        fs::current_path(previousDir_);
        fs::remove_all(dir_);
    }
    TForm1& Start(std::vector<std::string> parameters = {}) {
        form_ = std::make_unique<TForm1>(nullptr, std::move(parameters));
        return *form_;
    }
    std::vector<std::string> LogLines() {
        std::vector<std::string> lines;
        std::string text = ReadFile(dir_ / "Skyvane.Log");
        size_t at = 0, end;
        while ((end = text.find("\r\n", at)) != std::string::npos) {
            lines.push_back(text.substr(at, end - at));
            at = end + 2;
        }
        EXPECT_EQ(at, text.size()) << "every line ends with CR LF";
        return lines;
    }
    // The message of a log line: what follows the date and the time.
    static std::string Message(const std::string& line) {
        const size_t first = line.find(' ');
        const size_t second = line.find(' ', first + 1);
        return second == std::string::npos ? "" : line.substr(second + 1);
    }

    fs::path dir_, previousDir_;
    std::unique_ptr<TForm1> form_;
    std::vector<MessageBoxRequest> boxes_;
    TMsgResult answer_ = TMsgResult::OK;
};

}  // namespace skyvane
