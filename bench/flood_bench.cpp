// SPDX-License-Identifier: GPL-3.0-or-later
// skyvane_flood_bench: the real main window on the desktop it is started on (see
// bench/flood-bench.sh), with Track on and the rotor's end of the line flooding it as
// fast as the pseudo-terminal takes bytes: either valid replies, each a new heading,
// or junk ("ERR;") that changes no display. While the flood runs it measures the
// process's CPU, how long the tray's pop-up menu takes to open and paint, and how long
// an accessibility query of the heading label takes to be answered, each asked from
// another thread as a desktop would, through the GUI thread's event queue.
//
// Usage: skyvane_flood_bench [--seconds N] [--flood valid|junk]
#include <fcntl.h>
#include <pty.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <QAccessible>
#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "app/SkyvaneUnit.h"
#include "bench/BenchTiming.h"
#include "serial/SerialPort.h"
#include "toolkit/Application.h"
#include "toolkit/Label.h"
#include "toolkit/Menu.h"
#include "toolkit/MessageBox.h"

namespace fs = std::filesystem;
using namespace skyvane;
using skyvane::bench::Clock;

namespace {

// One block of the flood: 1024 replies with headings turning by 7 degrees, or as
// many junk replies of the same length.
std::string FloodBlock(bool valid) {
    std::string block;
    for (int i = 0; i < 1024; ++i) {
        char reply[8];
        std::snprintf(reply, sizeof reply, "%03d;", i * 7 % 360);
        block += valid ? reply : "ERR;";
    }
    return block;
}

// The rotor's end of the line, in a child process of its own so that its CPU is not
// the window's: writes the block over and over and throws the queries away.
class Flood {
public:
    Flood() {
        termios raw{};
        cfmakeraw(&raw);
        char name[256];
        if (openpty(&master_, &slave_, name, &raw, nullptr) != 0) {
            std::perror("openpty");
            std::exit(1);
        }
        path_ = name;
    }
    ~Flood() {
        Stop();
        close(master_);
    }
    const std::string& Path() const { return path_; }
    void Start(bool valid) {
        close(slave_);  // the port has the line open by now
        child_ = fork();
        if (child_ != 0) return;
        const std::string block = FloodBlock(valid);
        fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
        char discard[256];
        for (;;) {
            while (read(master_, discard, sizeof discard) > 0) {
            }
            if (write(master_, block.data(), block.size()) < 0) usleep(100);
        }
    }
    void Stop() {
        if (child_ <= 0) return;
        kill(child_, SIGKILL);
        waitpid(child_, nullptr, 0);
        child_ = 0;
    }

private:
    int master_ = -1, slave_ = -1;
    pid_t child_ = 0;
    std::string path_;
};

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Milliseconds from `asked` until now.
double Since(Clock::time_point asked) {
    return std::chrono::duration<double, std::milli>(Clock::now() - asked).count();
}

struct Figures {
    std::vector<double> menu, accessible;
};

double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}
double Max(const std::vector<double>& v) {
    return v.empty() ? 0 : *std::max_element(v.begin(), v.end());
}

}  // namespace

int main(int argc, char** argv) {
    int seconds = 6;
    bool valid = true;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--seconds" && i + 1 < argc) {
            seconds = std::max(2, std::atoi(argv[++i]));
        } else if (arg == "--flood" && i + 1 < argc) {
            valid = std::string(argv[++i]) != "junk";
        } else {
            std::fprintf(stderr, "Usage: %s [--seconds N] [--flood valid|junk]\n", argv[0]);
            return 2;
        }
    }
    const fs::path scratch =
        fs::temp_directory_path() / ("skyvane-flood-" + std::to_string(getpid()));
    fs::create_directories(scratch);
    fs::current_path(scratch);
    Flood flood;
    std::ofstream(scratch / "Skyvane.INI", std::ios::binary)
        << "[SETTINGS]\r\nCOMPORT=" << flood.Path() << "\r\nBAUDRATE=9600\r\nTRACE=NOT\r\n";

    TApplication app(argc, argv);
    QAccessible::setActive(true);
    SetMessageBoxAnswerer([](const MessageBoxRequest& request) {
        std::fprintf(stderr, "box: %s\n", request.text.c_str());
        return TMsgResult::OK;
    });
    int status = 0;
    {
        TForm1 form(nullptr, {});
        app.SetMainForm(&form);
        form.show();
        long labelChanges = 0, deliveries = 0;
        form.SerialPort->SetOnRxChar([&](TComponent* sender, int count) {
            const std::string before = form.Response->Caption();
            form.SerialPortRxChar(sender, count);
            ++deliveries;
            if (form.Response->Caption() != before) ++labelChanges;
        });
        form.Track->Action()->trigger();
        if (!form.SerialPort->Connected()) {
            std::fprintf(stderr, "flood bench: Track did not open %s\n", flood.Path().c_str());
            return 1;
        }
        QMenu& menu = *form.PopUpMenu->Menu();
        std::atomic<bool> painted{false};
        struct PaintWatch : QObject {
            std::atomic<bool>& painted;
            explicit PaintWatch(std::atomic<bool>& p) : painted(p) {}
            bool eventFilter(QObject*, QEvent* e) override {
                if (e->type() == QEvent::Paint) painted = true;
                return false;
            }
        } watch(painted);
        menu.installEventFilter(&watch);
        QLabel* label = form.Response->Widget();

        Figures figures;
        double cpu = 0, wall = 0;
        std::atomic<bool> probesDone{false};
        std::thread probes([&] {
            std::this_thread::sleep_for(std::chrono::seconds(1));  // the flood settles
            const double cpuStart = CpuSeconds();
            const Clock::time_point start = Clock::now();
            while (Since(start) < seconds * 1000.0) {
                painted = false;
                Clock::time_point asked = Clock::now();
                QMetaObject::invokeMethod(&menu, [&] { menu.popup(QCursor::pos()); });
                while (!painted) std::this_thread::sleep_for(std::chrono::microseconds(100));
                figures.menu.push_back(Since(asked));
                QMetaObject::invokeMethod(&menu, [&] { menu.hide(); });

                std::atomic<bool> answered{false};
                std::string name;
                asked = Clock::now();
                QMetaObject::invokeMethod(label, [&] {
                    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(label);
                    name = a ? a->text(QAccessible::Name).toStdString() : "";
                    answered = true;
                });
                while (!answered) std::this_thread::sleep_for(std::chrono::microseconds(100));
                figures.accessible.push_back(Since(asked));
                if (name.empty()) std::fprintf(stderr, "the label gave no accessible name\n");
                std::this_thread::sleep_for(std::chrono::milliseconds(200));
            }
            cpu = CpuSeconds() - cpuStart;
            wall = Since(start) / 1000.0;
            probesDone = true;
            QMetaObject::invokeMethod(qApp, [] { QApplication::quit(); });
        });
        flood.Start(valid);
        QApplication::exec();
        probes.join();
        flood.Stop();
        form.Track->Action()->trigger();
        menu.removeEventFilter(&watch);
        std::printf(
            "%-5s flood, %d s: CPU %5.1f %% of a core; tray menu open median %7.1f ms, max "
            "%7.1f ms; label accessible name median %7.1f ms, max %7.1f ms (%zu probes); "
            "%ld deliveries, %ld label changes\n",
            valid ? "valid" : "junk", seconds, 100.0 * cpu / wall, Median(figures.menu),
            Max(figures.menu), Median(figures.accessible), Max(figures.accessible),
            figures.menu.size(), deliveries, labelChanges);
        status = probesDone ? 0 : 1;
    }
    SetMessageBoxAnswerer(nullptr);
    fs::current_path(fs::temp_directory_path());
    fs::remove_all(scratch);
    return status;
}
