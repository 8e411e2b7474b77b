// SPDX-License-Identifier: GPL-3.0-or-later
// skyvane_tray_soak: the real main window on the desktop it is started on (a real X
// server with a tray, see bench/tray-soak.sh), fed a stream of rotor replies on a
// pseudo-terminal at a chosen rate, printing the process's resident memory as it goes.
// Every reply carries a new heading, so the label, the tray icon and its hint change
// all the time; memory must stay flat once the caches are warm.
//
// Usage: skyvane_tray_soak [--seconds N] [--rate R] [--every S]
//   N  run time in seconds (default 60); R replies a second (default 100);
//   S  seconds between two printed samples (default N/10)
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "app/SkyvaneUnit.h"
#include "bench/BenchSystem.h"
#include "serial/SerialPort.h"
#include "toolkit/Application.h"
#include "toolkit/Label.h"
#include "toolkit/Menu.h"
#include "toolkit/MessageBox.h"

namespace fs = std::filesystem;
using namespace skyvane;
using skyvane::bench::ResidentKiB;

namespace {

// The rotor's end of the line: writes "NNN;" `rate` times a second, the heading
// advancing by 7 degrees each time, and throws away the window's queries.
class ReplyStream {
public:
    explicit ReplyStream(int rate) : period_(std::chrono::microseconds(1000000 / rate)) {
        termios raw{};
        cfmakeraw(&raw);
        char name[256];
        if (openpty(&master_, &slave_, name, &raw, nullptr) != 0) {
            std::perror("openpty");
            std::exit(1);
        }
        path_ = name;
        // The queries are read without waiting: a reply goes out on time either way.
        fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    }
    ~ReplyStream() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        close(master_);
        if (slave_ >= 0) close(slave_);
    }
    const std::string& Path() const { return path_; }
    // Starts writing; the slave end held until now is let go (the port has it open).
    void Start() {
        close(slave_);
        slave_ = -1;
        thread_ = std::thread([this] { Run(); });
    }
    long Sent() const { return sent_; }

private:
    void Run() {
        auto next = std::chrono::steady_clock::now();
        int azimuth = 0;
        char discard[256];
        while (!stop_) {
            while (read(master_, discard, sizeof discard) > 0) {
            }
            char reply[8];
            const int n = std::snprintf(reply, sizeof reply, "%03d;", azimuth);
            if (write(master_, reply, std::size_t(n)) == n) ++sent_;
            azimuth = (azimuth + 7) % 360;
            next += period_;
            std::this_thread::sleep_until(next);
        }
    }

    std::chrono::microseconds period_;
    int master_ = -1, slave_ = -1;
    std::string path_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<long> sent_{0};
};

int Argument(int argc, char** argv, int& i) {
    if (i + 1 >= argc) {
        std::fprintf(stderr, "%s: %s needs a number\n", argv[0], argv[i]);
        std::exit(2);
    }
    return std::atoi(argv[++i]);
}

}  // namespace

int main(int argc, char** argv) {
    int seconds = 60, rate = 100, every = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--seconds") {
            seconds = Argument(argc, argv, i);
        } else if (arg == "--rate") {
            rate = Argument(argc, argv, i);
        } else if (arg == "--every") {
            every = Argument(argc, argv, i);
        } else {
            std::fprintf(stderr, "Usage: %s [--seconds N] [--rate R] [--every S]\n", argv[0]);
            return 2;
        }
    }
    seconds = std::max(seconds, 4);
    rate = std::clamp(rate, 1, 1000);
    if (every <= 0) every = std::max(1, seconds / 10);

    const fs::path scratch =
        fs::temp_directory_path() / ("skyvane-tray-soak-" + std::to_string(getpid()));
    fs::create_directories(scratch);
    fs::current_path(scratch);
    ReplyStream stream(rate);
    std::ofstream(scratch / "Skyvane.INI", std::ios::binary)
        << "[SETTINGS]\r\nCOMPORT=" << stream.Path() << "\r\nBAUDRATE=9600\r\nTRACE=NOT\r\n";

    TApplication app(argc, argv);
    long boxes = 0;
    SetMessageBoxAnswerer([&](const MessageBoxRequest& request) {
        ++boxes;
        std::fprintf(stderr, "box: %s\n", request.text.c_str());
        return TMsgResult::OK;
    });

    int status = 0;
    {
        TForm1 form(nullptr, {});
        app.SetMainForm(&form);
        form.show();
        long labelChanges = 0;
        form.SerialPort->SetOnRxChar([&](TComponent* sender, int count) {
            const std::string before = form.Response->Caption();
            form.SerialPortRxChar(sender, count);
            if (form.Response->Caption() != before) ++labelChanges;
        });
        form.Track->Action()->trigger();
        if (!form.SerialPort->Connected()) {
            std::fprintf(stderr, "tray soak: Track did not open %s\n", stream.Path().c_str());
            return 1;
        }
        stream.Start();

        std::printf("platform %s, %d replies a second for %d s\n",
                    qPrintable(QGuiApplication::platformName()), rate, seconds);
        std::printf("%8s %10s %10s %10s\n", "seconds", "RSS KiB", "sent", "shown");
        QElapsedTimer clock;
        clock.start();
        QTimer sampler;
        long first = 0, last = 0, samples = 0;
        const auto sample = [&] {
            const long rss = ResidentKiB();
            if (samples++ == 0) first = rss;
            last = rss;
            std::printf("%8.0f %10ld %10ld %10ld\n", clock.elapsed() / 1000.0, rss, stream.Sent(),
                        labelChanges);
            std::fflush(stdout);
        };
        sample();  // at the start
        QObject::connect(&sampler, &QTimer::timeout, [&] {
            if (clock.elapsed() + 500 < seconds * 1000LL) sample();  // the end takes its own
        });
        sampler.start(every * 1000);
        QTimer::singleShot(seconds * 1000, [&] {
            sample();  // at the end
            QApplication::quit();
        });
        QApplication::exec();
        form.Track->Action()->trigger();
        std::printf(
            "RSS start/end %ld / %ld KiB (%+ld KiB), %ld replies sent, %ld shown, %ld "
            "error boxes\n",
            first, last, last - first, stream.Sent(), labelChanges, boxes);
        status = labelChanges > 0 && boxes == 0 ? 0 : 1;
    }
    SetMessageBoxAnswerer(nullptr);
    fs::current_path(fs::temp_directory_path());
    fs::remove_all(scratch);
    return status;
}
