// SPDX-License-Identifier: GPL-3.0-or-later
// skyvane_soak: a long run of the real main window against the rotor simulator's logic
// on a pseudo-terminal, printing what was sent, what was shown, what was reported and
// how much memory the process holds.
//
// The window is built as the program builds it (offscreen, in a scratch folder, with
// COMPORT naming the pseudo-terminal) and tracks the rotor with its own one-second
// poll; a 16 ms timer sends extra queries through the same port so that about 50
// replies a second arrive. The far end answers each query the simulator's way, with
// every sixth answer garbage and every seventh split in two pieces; each
// write waits until the window has read the one before (200 ms at most), so replies
// mostly arrive on their own. Every whole reply must reach the label. Halfway through
// the far end hangs up; the run then switches Track off, opens a fresh
// pseudo-terminal and switches Track on again.
//
// Usage: skyvane_soak [--seconds N]   (default 30)
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>

#include "app/SkyvaneUnit.h"
#include "bench/BenchSystem.h"
#include "rotor/RotorReadings.h"
#include "serial/SerialPort.h"
#include "toolkit/Application.h"
#include "toolkit/Label.h"
#include "toolkit/Menu.h"
#include "toolkit/MessageBox.h"
#include "toolkit/Timer.h"
#include "tools/rotorsim/RotorSim.h"

namespace fs = std::filesystem;
using namespace skyvane;
using skyvane::bench::ResidentKiB;

namespace {

// The far end of the cable on a pseudo-terminal master: answers every "AI1;" on a
// thread of its own. Whole replies carry a new azimuth each time, so each one must
// change the window's label; their texts are queued for the checker.
class RotorEnd {
public:
    RotorEnd() {
        char name[256];
        termios raw{};
        cfmakeraw(&raw);
        int slave = -1;
        if (openpty(&master_, &slave, name, &raw, nullptr) != 0) {
            std::perror("openpty");
            std::exit(1);
        }
        path_ = name;
        // Without a slave held open the line would read as hung up before the port opens
        // it; the slave is released once the port has it (ReleaseSlave).
        slave_ = slave;
        thread_ = std::thread([this] { Serve(); });
    }
    ~RotorEnd() {
        Stop();
        if (master_ >= 0) close(master_);
        if (slave_ >= 0) close(slave_);
    }
    const std::string& Path() const { return path_; }
    void ReleaseSlave() {
        if (slave_ >= 0) close(slave_);
        slave_ = -1;
    }
    // Closes the master: the port sees the line hang up.
    void HangUp() {
        Stop();
        close(master_);
        master_ = -1;
    }

    // Texts of whole replies sent and not yet matched against the label.
    std::mutex lock;
    std::deque<std::string> pendingWhole;
    std::atomic<long> queries{0}, whole{0}, garbage{0}, split{0};
    // Bytes the window has taken from the line so far.
    std::atomic<long> consumed{0};

private:
    void Stop() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }
    void Serve() {
        rotorsim::TRotorSimOptions options;
        rotorsim::TQueryScanner scanner;
        int azimuth = 0;
        char buf[512];
        while (!stop_) {
            pollfd p{master_, POLLIN, 0};
            if (poll(&p, 1, 50) <= 0) continue;
            const ssize_t n = read(master_, buf, sizeof buf);
            if (n <= 0) {
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
                continue;
            }
            for (int q = scanner.Feed(std::string_view(buf, std::size_t(n))); q > 0; --q) Answer(options, azimuth);
        }
    }
    void Answer(rotorsim::TRotorSimOptions& options, int& azimuth) {
        const long k = ++queries;
        azimuth = (azimuth + 7) % 360;
        if (k % 6 == 0) {
            options.reply = k % 12 == 0 ? "\x01?E;" : "AZ=--;";
            Write(rotorsim::ReplyText(options, azimuth));
            options.reply.clear();
            ++garbage;
        } else if (k % 7 == 0) {
            for (const std::string& piece : rotorsim::SplitReply(rotorsim::ReplyText(options, azimuth), 2)) {
                Write(piece);
            }
            ++split;
        } else {
            const std::string reply = rotorsim::ReplyText(options, azimuth);
            WaitForReader();
            {
                std::lock_guard<std::mutex> g(lock);
                pendingWhole.push_back(reply.substr(0, reply.find(';')));
            }
            WriteNow(reply);
            ++whole;
        }
    }
    // Writes once the window has read everything written before (or after 200 ms), so
    // that each reply, and each piece of a split one, mostly reaches the window in a
    // read of its own even when two queries were sent at once. A write that had to go
    // ahead after the wait shares a read with what came before; the window must still
    // show every whole reply in it, in turn.
    void Write(const std::string& text) {
        WaitForReader();
        WriteNow(text);
    }
    void WaitForReader() {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(200);
        while (consumed < written_ && std::chrono::steady_clock::now() < until && !stop_)
            std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    void WriteNow(const std::string& text) {
        if (write(master_, text.data(), text.size()) != ssize_t(text.size())) ++writeFailures_;
        written_ += long(text.size());
    }

    int master_ = -1, slave_ = -1;
    std::string path_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<long> writeFailures_{0};
    long written_ = 0;
};

// Processes events for `ms` milliseconds or until `done` holds.
template <class Pred>
bool Spin(Pred done, int ms) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

void Choose(TMenuItem* item) { item->Action()->trigger(); }

}  // namespace

int main(int argc, char** argv) {
    int seconds = 30;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--seconds" && i + 1 < argc) {
            seconds = std::atoi(argv[++i]);
        } else if (arg.rfind("--seconds=", 0) == 0) {
            seconds = std::atoi(arg.c_str() + 10);
        } else {
            std::fprintf(stderr, "Usage: %s [--seconds N]\n", argv[0]);
            return 2;
        }
    }
    if (seconds < 4) seconds = 4;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);

    const fs::path scratch = fs::temp_directory_path() / ("skyvane-soak-" + std::to_string(getpid()));
    fs::create_directories(scratch);
    const fs::path previousDir = fs::current_path();
    fs::current_path(scratch);

    auto rotor = std::make_unique<RotorEnd>();
    std::ofstream(scratch / "Skyvane.INI", std::ios::binary)
        << "[SETTINGS]\r\nCOMPORT=" << rotor->Path() << "\r\nBAUDRATE=9600\r\n";

    TApplication app(argc, argv);
    QElapsedTimer clock;
    clock.start();
    long boxes = 0, boxesAtHangUp = 0;
    std::string lastBox;
    SetMessageBoxAnswerer([&](const MessageBoxRequest& r) {
        ++boxes;
        lastBox = r.text;
        if (std::getenv("SKYVANE_SOAK_VERBOSE"))
            std::fprintf(stderr, "box at %lld ms: %s\n", (long long)clock.elapsed(), r.text.c_str());
        return TMsgResult::OK;
    });

    const long rssStart = ResidentKiB();
    long rssMiddle = 0;
    long shown = 0, notShown = 0, readingsShown = 0, labelMismatches = 0, extraQueryFailures = 0;
    {
        TForm1 form(nullptr, {});
        form.SerialPort->SetOnRxChar([&](TComponent* sender, int count) {
            if (std::getenv("SKYVANE_SOAK_VERBOSE") && count > 4) std::fprintf(stderr, "rx %d bytes\n", count);
            form.SerialPortRxChar(sender, count);
            rotor->consumed += count;
        });
        // Each reading the window shows: the window's own handler runs first; then the
        // label must show it, and it is matched against the whole replies sent, oldest
        // first (split replies show whole too, but are not in that list).
        const TReadingEvent show = form.Readings->OnReading();
        form.Readings->SetOnReading([&](const AzimuthReading& reading) {
            show(reading);
            const std::string& now = form.Response->Caption();
            if (now != reading.text) ++labelMismatches;
            ++readingsShown;
            std::lock_guard<std::mutex> g(rotor->lock);
            auto& q = rotor->pendingWhole;
            for (auto it = q.begin(); it != q.end(); ++it) {
                if (*it != now) continue;
                notShown += it - q.begin();  // passed over: superseded by a newer in the same burst
                ++shown;
                q.erase(q.begin(), it + 1);
                break;
            }
        });
        QTimer extra;
        extra.setTimerType(Qt::PreciseTimer);
        extra.setInterval(16);  // with the window's own poll, about 50 queries a second
        QObject::connect(&extra, &QTimer::timeout, [&] {
            if (!form.SerialPort->Connected()) return;
            try {
                form.SerialPort->WriteText("AI1;");
            } catch (...) {
                ++extraQueryFailures;
            }
        });

        Choose(form.Track);
        if (!form.SerialPort->Connected()) {
            std::fprintf(stderr, "soak: Track did not open %s (%s)\n", rotor->Path().c_str(), lastBox.c_str());
            return 1;
        }
        rotor->ReleaseSlave();
        extra.start();

        const int half = seconds * 1000 / 2;
        Spin([] { return false; }, half);
        rssMiddle = ResidentKiB();

        // Hang-up: the far end goes away; the window must say so once.
        extra.stop();
        boxesAtHangUp = boxes;
        rotor->HangUp();
        Spin([&] { return boxes > boxesAtHangUp; }, 3000);
        Spin([] { return false; }, 3500);  // more poll ticks on the dead line: no new box
        const long hangUpReports = boxes - boxesAtHangUp;
        Choose(form.Track);  // off
        const long lostAtHangUp = [&] {
            std::lock_guard<std::mutex> g(rotor->lock);
            return long(rotor->pendingWhole.size());
        }();
        const long wholeFirst = rotor->whole, garbageFirst = rotor->garbage, splitFirst = rotor->split;

        // A new line; Track on again.
        auto second = std::make_unique<RotorEnd>();
        form.SerialPort->SetPort(second->Path());
        Choose(form.Track);
        if (!form.SerialPort->Connected()) {
            std::fprintf(stderr, "soak: Track did not reopen (%s)\n", lastBox.c_str());
            return 1;
        }
        second->ReleaseSlave();
        std::swap(rotor, second);
        second.reset();
        const long boxesAfterReopen = boxes;
        extra.start();
        Spin([] { return false; }, seconds * 1000 - int(clock.elapsed()));
        extra.stop();
        Spin([] { return false; }, 300);  // the last replies in flight
        Choose(form.Track);  // off
        const long lateBoxes = boxes - boxesAfterReopen;

        long pendingEnd;
        {
            std::lock_guard<std::mutex> g(rotor->lock);
            pendingEnd = long(rotor->pendingWhole.size());
        }
        const long whole = wholeFirst + rotor->whole;
        const long rssEnd = ResidentKiB();
        const double runSeconds = clock.elapsed() / 1000.0;

        std::printf("run time             %.1f s\n", runSeconds);
        std::printf("queries answered     %ld\n", long(rotor->queries) + wholeFirst + garbageFirst + splitFirst);
        std::printf("replies sent         %ld (%.1f/s): %ld whole, %ld garbage, %ld split\n",
                    whole + garbageFirst + rotor->garbage + splitFirst + rotor->split,
                    (whole + garbageFirst + rotor->garbage + splitFirst + rotor->split) / runSeconds, whole,
                    garbageFirst + long(rotor->garbage), splitFirst + long(rotor->split));
        std::printf("whole replies shown  %ld of %ld (superseded in a burst: %ld)\n", shown, whole - lostAtHangUp - pendingEnd,
                    notShown);
        std::printf("  not counted        %ld lost in the hang-up, %ld in flight at the end\n", lostAtHangUp,
                    pendingEnd);
        std::printf("readings shown       %ld (split replies show whole as well); label not matching: %ld\n",
                    readingsShown, labelMismatches);
        std::printf("errors reported      %ld (hang-up: %ld, after the new open: %ld) last: \"%s\"\n", boxes,
                    hangUpReports, lateBoxes, lastBox.c_str());
        std::printf("extra query failures %ld (queries written on the dead line)\n", extraQueryFailures);
        std::printf("RSS start/middle/end %ld / %ld / %ld KiB\n", rssStart, rssMiddle, rssEnd);

        const bool ok = labelMismatches == 0 && hangUpReports == 1 && lateBoxes == 0 && shown > 0;
        std::printf("result               %s\n", ok ? "PASS" : "FAIL");
        rotor.reset();
        SetMessageBoxAnswerer(nullptr);
        fs::current_path(previousDir);
        fs::remove_all(scratch);
        return ok ? 0 : 1;
    }
}
