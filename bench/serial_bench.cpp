// SPDX-License-Identifier: GPL-3.0-or-later
// Serial port figures through a pseudo-terminal, side by side with Qt's own serial
// port class running the same loop: reply latency to the received-characters
// handler on the GUI thread, throughput of 4 MiB in 4 KiB writes, and the CPU used
// by a tracking session at one query a second.
//
//   serial_bench [tracking seconds, default 30]
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QSerialPort>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "serial/SerialPort.h"
#include "toolkit/ExceptionReport.h"

using namespace skyvane;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kLatencyRounds = 2000;
constexpr std::size_t kThroughputBytes = 4 << 20;
constexpr std::size_t kChunk = 4 << 10;

struct Pty {
    int master = -1, slave = -1;
    std::string name;
    Pty() {
        char buf[128];
        if (openpty(&master, &slave, buf, nullptr, nullptr) != 0) std::abort();
        name = buf;
        termios t;
        tcgetattr(slave, &t);
        cfmakeraw(&t);
        tcsetattr(slave, TCSANOW, &t);
    }
    ~Pty() {
        close(master);
        close(slave);
    }
    void Send(const char* data, std::size_t n) const {
        while (n > 0) {
            ssize_t w = write(master, data, n);
            if (w > 0) {
                data += w;
                n -= static_cast<std::size_t>(w);
            }
        }
    }
};

// The receiving side under test: opens the slave, reports every received chunk to
// `onBytes` on the GUI thread, and can write a query.
class Receiver {
public:
    virtual ~Receiver() = default;
    virtual void Open(const std::string& path, std::function<void(const std::string&)> onBytes) = 0;
    virtual void Write(const std::string& text) = 0;
    virtual void Close() = 0;
};

class SkyvaneReceiver : public Receiver {
public:
    void Open(const std::string& path, std::function<void(const std::string&)> onBytes) override {
        port_ = std::make_unique<TSerialPort>(nullptr);
        port_->SetPort(path);
        port_->SetBaudRate(br115200);
        port_->SetOnRxChar([this, onBytes](TComponent*, int count) {
            std::string text;
            port_->ReadText(text, count);
            onBytes(text);
        });
        port_->SetConnected(true);
    }
    void Write(const std::string& text) override { port_->WriteText(text); }
    void Close() override { port_.reset(); }

private:
    std::unique_ptr<TSerialPort> port_;
};

class QtReceiver : public Receiver {
public:
    void Open(const std::string& path, std::function<void(const std::string&)> onBytes) override {
        port_ = std::make_unique<QSerialPort>();
        port_->setPortName(QString::fromStdString(path));
        port_->setBaudRate(115200);
        QObject::connect(port_.get(), &QSerialPort::readyRead, [this, onBytes] {
            const QByteArray data = port_->readAll();
            onBytes(data.toStdString());
        });
        if (!port_->open(QIODevice::ReadWrite))
            std::fprintf(stderr, "QSerialPort: %s\n", qPrintable(port_->errorString()));
    }
    void Write(const std::string& text) override {
        port_->write(text.data(), static_cast<qint64>(text.size()));
        port_->waitForBytesWritten(1400);
    }
    void Close() override { port_.reset(); }

private:
    std::unique_ptr<QSerialPort> port_;
};

double Percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    return v[static_cast<std::size_t>(p * static_cast<double>(v.size() - 1))];
}

// Runs the Qt event loop until a handler calls Quit (the loop sleeps meanwhile).
QEventLoop* runningLoop = nullptr;
void RunLoop() {
    QEventLoop loop;
    runningLoop = &loop;
    loop.exec();
    runningLoop = nullptr;
}
void Quit() {
    QMetaObject::invokeMethod(runningLoop, &QEventLoop::quit, Qt::QueuedConnection);
}

// The far end writes "123;", notes when write() returned, and waits until the
// handler has seen the whole reply before the next round.
void Latency(Receiver& r, const char* name) {
    Pty pty;
    std::mutex m;
    std::condition_variable cv;
    Clock::time_point sentAt;
    std::vector<double> micros;
    micros.reserve(kLatencyRounds);
    std::string got;
    bool seen = false;
    r.Open(pty.name, [&](const std::string& bytes) {
        got += bytes;
        if (got.size() < 4) return;
        got.clear();
        std::lock_guard lock(m);
        const auto now = Clock::now();
        micros.push_back(std::chrono::duration<double, std::micro>(now - sentAt).count());
        seen = true;
        cv.notify_all();
        if (micros.size() == kLatencyRounds) Quit();
    });
    std::thread far([&] {
        for (int i = 0; i < kLatencyRounds; ++i) {
            std::unique_lock lock(m);
            seen = false;
            pty.Send("123;", 4);
            sentAt = Clock::now();
            cv.wait(lock, [&] { return seen; });
        }
    });
    RunLoop();
    far.join();
    r.Close();
    std::printf("%-10s latency   median %7.1f us   p99 %7.1f us   max %7.1f us  (%d replies)\n",
                name, Percentile(micros, 0.5), Percentile(micros, 0.99), Percentile(micros, 1.0),
                kLatencyRounds);
}

void Throughput(Receiver& r, const char* name) {
    Pty pty;
    std::size_t received = 0;
    Clock::time_point lastByte;
    r.Open(pty.name, [&](const std::string& bytes) {
        received += bytes.size();
        lastByte = Clock::now();
        if (received >= kThroughputBytes) Quit();
    });
    const auto start = Clock::now();
    std::thread far([&] {
        const std::string chunk(kChunk, 'x');
        for (std::size_t sent = 0; sent < kThroughputBytes; sent += kChunk)
            pty.Send(chunk.data(), chunk.size());
    });
    RunLoop();
    far.join();
    r.Close();
    const double seconds = std::chrono::duration<double>(lastByte - start).count();
    std::printf("%-10s throughput %7.1f MiB/s  (4 MiB in 4 KiB writes, %.3f s)\n", name,
                static_cast<double>(kThroughputBytes) / (1 << 20) / seconds, seconds);
}

double ProcessCpuSeconds() {
    timespec ts;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

// One query a second, answered by a far end that sleeps in poll between queries.
void TrackingCpu(Receiver& r, const char* name, int seconds) {
    Pty pty;
    int replies = 0;
    r.Open(pty.name, [&](const std::string& bytes) {
        replies += static_cast<int>(std::count(bytes.begin(), bytes.end(), ';'));
    });
    std::atomic<bool> stop{false};
    std::thread far([&] {
        while (!stop) {
            pollfd p{pty.master, POLLIN, 0};
            if (poll(&p, 1, 100) != 1) continue;
            char buf[64];
            if (read(pty.master, buf, sizeof buf) > 0) pty.Send("123;", 4);
        }
    });
    QTimer tick;
    tick.setInterval(1000);
    QObject::connect(&tick, &QTimer::timeout, [&] { Guarded([&] { r.Write("AI1;"); }); });
    const double cpu0 = ProcessCpuSeconds();
    const auto t0 = Clock::now();
    tick.start();
    QTimer::singleShot(seconds * 1000, [] { Quit(); });
    RunLoop();
    tick.stop();
    const double cpu = ProcessCpuSeconds() - cpu0;
    const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
    stop = true;
    far.join();
    r.Close();
    std::printf("%-10s tracking  CPU %.3f %% of a core over %.0f s (%d replies)\n", name,
                100.0 * cpu / wall, wall, replies);
}

// The far end hangs up (an unplugged adapter) while the port stays open: the CPU the
// process uses afterwards, with the event loop running, shows whether anything spins.
void HangUpCpu(int seconds) {
    auto pty = std::make_unique<Pty>();
    TSerialPort port(nullptr);
    port.SetPort(pty->name);
    port.SetConnected(true);
    close(pty->master);
    pty->master = open("/dev/null", O_RDONLY);  // keeps ~Pty's close harmless
    const double cpu0 = ProcessCpuSeconds();
    const auto t0 = Clock::now();
    QTimer::singleShot(seconds * 1000, [] { Quit(); });
    RunLoop();
    const double cpu = ProcessCpuSeconds() - cpu0;
    const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
    std::printf("%-10s hang-up   CPU %.3f %% of a core over %.0f s after the far end closed\n",
                "skyvane", 100.0 * cpu / wall, wall);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;
    SkyvaneReceiver ours;
    QtReceiver qt;
    Latency(ours, "skyvane");
    Latency(qt, "QSerialPort");
    Throughput(ours, "skyvane");
    Throughput(qt, "QSerialPort");
    TrackingCpu(ours, "skyvane", seconds);
    HangUpCpu(std::min(seconds, 5));
    return 0;
}
