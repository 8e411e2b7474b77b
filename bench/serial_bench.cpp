// SPDX-License-Identifier: GPL-3.0-or-later
// Serial port figures through a pseudo-terminal, side by side with Qt's own serial
// port class running the same loop: reply latency to the received-characters
// handler on the GUI thread, throughput of 4 MiB in 4 KiB writes, and the CPU used
// and the wake-ups of the process's threads (the far end's thread left out) while
// tracking at one query a second, and after the far end hangs up. The two take turns in
// rounds, so that both meet the same load of a shared machine.
//
//   serial_bench [tracking seconds, default 30]
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/syscall.h>
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
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "serial/SerialPort.h"
#include "toolkit/ExceptionReport.h"

using namespace skyvane;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kLatencyReplies = 2000;
constexpr int kRepliesPerRound = 200;
constexpr int kThroughputRounds = 5;
constexpr int kTrackingRounds = 3;
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
// handler has seen the whole reply; then it waits `gap` more before the next one
// (with none, the next reply comes while the handler is still returning). Returns
// the microseconds from write() to the handler, one per reply.
std::vector<double> Latency(Receiver& r, int replies, std::chrono::microseconds gap) {
    Pty pty;
    std::mutex m;
    std::condition_variable cv;
    Clock::time_point sentAt;
    std::vector<double> micros;
    micros.reserve(static_cast<std::size_t>(replies));
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
        if (micros.size() == static_cast<std::size_t>(replies)) Quit();
    });
    std::thread far([&] {
        for (int i = 0; i < replies; ++i) {
            std::unique_lock lock(m);
            seen = false;
            pty.Send("123;", 4);
            sentAt = Clock::now();
            cv.wait(lock, [&] { return seen; });
            lock.unlock();
            if (gap.count() > 0) std::this_thread::sleep_for(gap);
        }
    });
    RunLoop();
    far.join();
    r.Close();
    return micros;
}

double ProcessCpuSeconds();
double ThreadCpuSeconds(std::thread& thread);

// 4 MiB written by the far end in 4 KiB writes as fast as it can: MiB/s until the
// handler has had the last byte, and the CPU milliseconds per MiB the receiving
// side used (the far end's thread left out).
struct Speed {
    double mibPerSecond, cpuMsPerMib;
};
Speed Throughput(Receiver& r) {
    Pty pty;
    std::size_t received = 0;
    Clock::time_point lastByte;
    r.Open(pty.name, [&](const std::string& bytes) {
        received += bytes.size();
        lastByte = Clock::now();
        if (received >= kThroughputBytes) Quit();
    });
    const double cpu0 = ProcessCpuSeconds();
    const auto start = Clock::now();
    std::atomic<double> farCpu{0};
    std::thread far([&] {
        const std::string chunk(kChunk, 'x');
        for (std::size_t sent = 0; sent < kThroughputBytes; sent += kChunk)
            pty.Send(chunk.data(), chunk.size());
        timespec ts;
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
        farCpu = static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
    });
    RunLoop();
    far.join();
    const double cpu = ProcessCpuSeconds() - cpu0 - farCpu;
    r.Close();
    const double seconds = std::chrono::duration<double>(lastByte - start).count();
    const double mib = static_cast<double>(kThroughputBytes) / (1 << 20);
    return {mib / seconds, 1000.0 * cpu / mib};
}

double ProcessCpuSeconds() {
    timespec ts;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

// Context switches of each thread of this process, with the threads' names, from
// /proc: voluntary ones (the thread blocked and was woken again) and the others (it
// was preempted, which a loaded machine adds).
struct ThreadSwitches {
    std::string name;
    long long voluntary = 0, preempted = 0;
};
std::map<int, ThreadSwitches> SampleSwitches() {
    std::map<int, ThreadSwitches> threads;
    DIR* dir = opendir("/proc/self/task");
    if (!dir) return threads;
    while (dirent* e = readdir(dir)) {
        if (e->d_name[0] == '.') continue;
        const std::string base = std::string("/proc/self/task/") + e->d_name;
        ThreadSwitches t;
        std::getline(std::ifstream(base + "/comm"), t.name);
        std::ifstream status(base + "/status");
        for (std::string line; std::getline(status, line);) {
            std::istringstream fields(line);
            std::string key;
            long long value = 0;
            if (!(fields >> key >> value)) continue;
            if (key == "voluntary_ctxt_switches:") t.voluntary = value;
            if (key == "nonvoluntary_ctxt_switches:") t.preempted = value;
        }
        threads[std::atoi(e->d_name)] = t;
    }
    closedir(dir);
    return threads;
}

// What a tracking session cost: CPU seconds, wall seconds, replies, and the
// context switches of each thread (by name, both kinds together), the far end's
// thread left out.
struct TrackingCost {
    double cpu = 0, wall = 0;
    int replies = 0;
    long long preempted = 0;
    std::map<std::string, long long> switches;
    void Add(const TrackingCost& other) {
        cpu += other.cpu;
        wall += other.wall;
        replies += other.replies;
        preempted += other.preempted;
        for (const auto& [name, n] : other.switches) switches[name] += n;
    }
    long long Switches() const {
        long long total = 0;
        for (const auto& entry : switches) total += entry.second;
        return total;
    }
};

double ThreadCpuSeconds(std::thread& thread) {
    clockid_t clock;
    timespec ts{};
    if (pthread_getcpuclockid(thread.native_handle(), &clock) == 0) clock_gettime(clock, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

// One query a second for `periods` seconds, answered by a far end that sleeps in
// poll between queries. The measurement starts and ends in the query timer's own
// wake-up, after two seconds of settling, so that it covers whole periods and adds
// no wake-up of its own.
TrackingCost Tracking(Receiver& r, int periods) {
    constexpr int kSettleTicks = 2;
    Pty pty;
    int replies = 0;
    r.Open(pty.name, [&](const std::string& bytes) {
        replies += static_cast<int>(std::count(bytes.begin(), bytes.end(), ';'));
    });
    int stopPipe[2];
    if (pipe(stopPipe) != 0) std::abort();
    std::atomic<int> farTid{0};
    std::thread far([&] {
        farTid = static_cast<int>(syscall(SYS_gettid));
        for (;;) {
            pollfd p[2] = {{pty.master, POLLIN, 0}, {stopPipe[0], POLLIN, 0}};
            if (poll(p, 2, -1) < 1 || p[1].revents) return;
            char buf[64];
            if (read(pty.master, buf, sizeof buf) > 0) pty.Send("123;", 4);
        }
    });
    int ticks = 0, quitAt = kSettleTicks;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(1000);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        Guarded([&] { r.Write("AI1;"); });
        if (++ticks == quitAt) Quit();
    });
    tick.start();
    RunLoop();
    const int repliesBefore = replies;
    const auto switches0 = SampleSwitches();
    const double cpu0 = ProcessCpuSeconds() - ThreadCpuSeconds(far);
    const auto t0 = Clock::now();
    quitAt = ticks + periods;
    RunLoop();
    TrackingCost cost;
    cost.cpu = ProcessCpuSeconds() - ThreadCpuSeconds(far) - cpu0;
    cost.wall = std::chrono::duration<double>(Clock::now() - t0).count();
    const auto switches1 = SampleSwitches();
    cost.replies = replies - repliesBefore;
    tick.stop();
    [[maybe_unused]] ssize_t n = write(stopPipe[1], "x", 1);
    far.join();
    close(stopPipe[0]);
    close(stopPipe[1]);
    r.Close();
    for (const auto& [tid, t] : switches1) {
        if (tid == farTid) continue;
        const auto was = switches0.find(tid);
        const ThreadSwitches before = was == switches0.end() ? ThreadSwitches{} : was->second;
        cost.switches[t.name] += t.voluntary + t.preempted - before.voluntary - before.preempted;
        cost.preempted += t.preempted - before.preempted;
    }
    return cost;
}

// The far end hangs up (an unplugged adapter) while the port stays open: the CPU the
// process uses afterwards (% of a core), with the event loop running, shows whether
// anything spins.
double HangUpCpu(Receiver& r, int seconds) {
    auto pty = std::make_unique<Pty>();
    r.Open(pty->name, [](const std::string&) {});
    close(pty->master);
    pty->master = open("/dev/null", O_RDONLY);  // keeps ~Pty's close harmless
    const double cpu0 = ProcessCpuSeconds();
    const auto t0 = Clock::now();
    QTimer::singleShot(seconds * 1000, [] { Quit(); });
    RunLoop();
    const double cpu = ProcessCpuSeconds() - cpu0;
    const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
    r.Close();
    return 100.0 * cpu / wall;
}

}  // namespace

// The two implementations take turns, round by round, so that both meet the same
// load of a shared machine; each figure pools its rounds.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(3, std::atoi(argv[1])) : 30;
    SkyvaneReceiver ours;
    QtReceiver qt;
    struct Subject {
        const char* name;
        Receiver& receiver;
        std::vector<double> micros, spacedMicros, mibs, cpuPerMib;
        TrackingCost tracking;
    } subjects[] = {{"skyvane", ours, {}, {}, {}, {}, {}}, {"QSerialPort", qt, {}, {}, {}, {}, {}}};

    // Back to back (the next reply as soon as the handler has seen one), and spaced
    // 1 ms apart, as replies come while tracking: each after the previous delivery.
    using std::chrono::microseconds;
    for (int round = 0; round < kLatencyReplies / kRepliesPerRound; ++round)
        for (Subject& s : subjects) {
            const auto micros = Latency(s.receiver, kRepliesPerRound, microseconds(0));
            s.micros.insert(s.micros.end(), micros.begin(), micros.end());
            const auto spaced = Latency(s.receiver, kRepliesPerRound, microseconds(1000));
            s.spacedMicros.insert(s.spacedMicros.end(), spaced.begin(), spaced.end());
        }
    for (Subject& s : subjects)
        std::printf(
            "%-10s latency   median %7.1f us   p99 %7.1f us   max %7.1f us  (%zu replies back "
            "to back, %d rounds taking turns)\n",
            s.name, Percentile(s.micros, 0.5), Percentile(s.micros, 0.99),
            Percentile(s.micros, 1.0), s.micros.size(), kLatencyReplies / kRepliesPerRound);
    for (Subject& s : subjects)
        std::printf(
            "%-10s spaced    median %7.1f us   p99 %7.1f us   max %7.1f us  (%zu replies 1 ms "
            "apart, %d rounds taking turns)\n",
            s.name, Percentile(s.spacedMicros, 0.5), Percentile(s.spacedMicros, 0.99),
            Percentile(s.spacedMicros, 1.0), s.spacedMicros.size(),
            kLatencyReplies / kRepliesPerRound);

    for (int round = 0; round < kThroughputRounds; ++round)
        for (Subject& s : subjects) {
            const Speed speed = Throughput(s.receiver);
            s.mibs.push_back(speed.mibPerSecond);
            s.cpuPerMib.push_back(speed.cpuMsPerMib);
        }
    for (Subject& s : subjects)
        std::printf(
            "%-10s throughput %7.1f MiB/s  (median of %d rounds taking turns, %.1f to %.1f; 4 MiB "
            "in 4 KiB writes; CPU %.2f ms per MiB)\n",
            s.name, Percentile(s.mibs, 0.5), kThroughputRounds, Percentile(s.mibs, 0.0),
            Percentile(s.mibs, 1.0), Percentile(s.cpuPerMib, 0.5));

    for (int round = 0; round < kTrackingRounds; ++round)
        for (Subject& s : subjects)
            s.tracking.Add(Tracking(s.receiver, std::max(1, seconds / kTrackingRounds)));
    for (Subject& s : subjects) {
        const TrackingCost& t = s.tracking;
        std::string perThread;
        for (const auto& [name, n] : t.switches) {
            char part[96];
            std::snprintf(part, sizeof part, "%s%s %.2f", perThread.empty() ? "" : ", ",
                          name.c_str(), static_cast<double>(n) / t.wall);
            perThread += part;
        }
        std::printf("%-10s tracking  CPU %.4f %% of a core over %.0f s (%d replies)\n", s.name,
                    100.0 * t.cpu / t.wall, t.wall, t.replies);
        std::printf(
            "%-10s wake-ups  %.2f /s while tracking (%s; %.2f /s of them preempted; far end left "
            "out)\n",
            s.name, static_cast<double>(t.Switches()) / t.wall, perThread.c_str(),
            static_cast<double>(t.preempted) / t.wall);
    }
    const Subject& a = subjects[0];
    const Subject& b = subjects[1];
    std::printf(
        "ratio      skyvane / QSerialPort: latency median %.2f, p99 %.2f; spaced median %.2f, "
        "p99 %.2f; throughput %.2f; tracking CPU %.2f; wake-ups %.2f\n",
        Percentile(a.micros, 0.5) / Percentile(b.micros, 0.5),
        Percentile(a.micros, 0.99) / Percentile(b.micros, 0.99),
        Percentile(a.spacedMicros, 0.5) / Percentile(b.spacedMicros, 0.5),
        Percentile(a.spacedMicros, 0.99) / Percentile(b.spacedMicros, 0.99),
        Percentile(a.mibs, 0.5) / Percentile(b.mibs, 0.5),
        (a.tracking.cpu / a.tracking.wall) / (b.tracking.cpu / b.tracking.wall),
        (static_cast<double>(a.tracking.Switches()) / a.tracking.wall) /
            (static_cast<double>(b.tracking.Switches()) / b.tracking.wall));
    const int hangUpSeconds = std::min(seconds, 5);
    for (Subject& s : subjects)
        std::printf("%-10s hang-up   CPU %.3f %% of a core over %d s after the far end closed\n",
                    s.name, HangUpCpu(s.receiver, hangUpSeconds), hangUpSeconds);
    return 0;
}
