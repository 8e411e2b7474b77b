// SPDX-License-Identifier: GPL-3.0-or-later
// The serving loop on POSIX: a pseudo-terminal master (or a device), ppoll with
// SIGINT/SIGTERM unblocked only while waiting, so a stop is never missed.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>

#include "tools/rotorsim/RotorSimLoop.h"
#include "tools/rotorsim/RotorTurning.h"

namespace skyvane::rotorsim {
namespace {

using Clock = std::chrono::steady_clock;

// How long to sleep between looks at a line whose other end is closed.
constexpr auto kHangupPause = std::chrono::milliseconds(100);
// Longest wait while idle, so that a reopened line is noticed promptly.
constexpr auto kIdleWait = std::chrono::milliseconds(200);

volatile sig_atomic_t g_stop = 0;

void OnStopSignal(int) {
    g_stop = 1;
}

void Log(const TRotorSimOptions& options, const std::string& message) {
    if (options.verbose) std::fprintf(stderr, "skyvane-rotorsim: %s\n", message.c_str());
}

void MakeRaw(int fd) {
    termios t{};
    if (tcgetattr(fd, &t) != 0) return;
    cfmakeraw(&t);
    tcsetattr(fd, TCSANOW, &t);
}

// Opens a new pseudo-terminal; returns the master and stores the slave's path.
int OpenPseudoTerminal(std::string& slavePath) {
    int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0) return -1;
    char name[256];
    if (grantpt(master) != 0 || unlockpt(master) != 0 ||
        ptsname_r(master, name, sizeof name) != 0) {
        int err = errno;
        close(master);
        errno = err;
        return -1;
    }
    slavePath = name;
    return master;
}

// Makes an open line raw, non-blocking and closed on exec.
void PrepareLine(int fd) {
    MakeRaw(fd);
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    fcntl(fd, F_SETFD, FD_CLOEXEC);
}

// Points the symbolic link `link` at `target` in one step (a new link renamed over
// the old), so a program opening the link never finds it half-made.
bool PointLink(const std::string& link, const std::string& target) {
    const std::string fresh = link + ".new";
    unlink(fresh.c_str());
    if (symlink(target.c_str(), fresh.c_str()) != 0) return false;
    if (rename(fresh.c_str(), link.c_str()) != 0) {
        int err = errno;
        unlink(fresh.c_str());
        errno = err;
        return false;
    }
    return true;
}

// True when nothing but a symbolic link (or nothing) is at `path`, so it may be replaced.
bool MayReplaceLink(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) != 0 ? errno == ENOENT : S_ISLNK(st.st_mode);
}

// One piece of a reply waiting to be written.
struct TPiece {
    std::string bytes;
    Clock::time_point notBefore;  // first piece: when the reply is due
    bool afterGap;                // later pieces: due a gap after the previous one
};

class TSimulator {
public:
    TSimulator(const TRotorSimOptions& options, int fd)
        : options_(options), fd_(fd), schedule_(options.faults), motion_(options.turnRate) {}
    ~TSimulator() {
        if (fd_ >= 0) close(fd_);
    }

    // Starts the clock and writes the count file, before the line is announced.
    void Start() {
        start_ = Clock::now();
        nextStream_ = start_;
        WriteCount();
    }

    int Run() {
        sigset_t waitMask;
        sigprocmask(SIG_SETMASK, nullptr, &waitMask);
        sigdelset(&waitMask, SIGINT);
        sigdelset(&waitMask, SIGTERM);
        while (!g_stop) {
            if (fd_ < 0) {
                WaitForReplug(waitMask);
                continue;
            }
            pollfd p{fd_, POLLIN, 0};
            timespec wait = ToTimespec(NextWait());
            int r = ppoll(&p, 1, &wait, &waitMask);
            if (r < 0) {
                if (errno == EINTR) continue;
                std::fprintf(stderr, "skyvane-rotorsim: poll failed: %s\n", std::strerror(errno));
                return 1;
            }
            if (p.revents & POLLIN) {
                Receive();
            } else if (p.revents & (POLLHUP | POLLERR | POLLNVAL)) {
                HungUp();
                Pause(kHangupPause, waitMask);
                continue;
            } else if (!open_) {
                open_ = true;
                Log(options_, "line open");
            }
            StreamDueReply();
            WriteDuePieces();
        }
        Log(options_, "stopped");
        return 0;
    }

private:
    Clock::duration NextWait() const {
        Clock::duration wait = kIdleWait;
        const auto now = Clock::now();
        if (!pending_.empty()) wait = std::min(wait, Due(pending_.front()) - now);
        if (Streaming()) wait = std::min(wait, nextStream_ - now);
        return std::max(wait, Clock::duration::zero());
    }

    bool Streaming() const { return options_.streamRate > 0; }

    Clock::time_point Due(const TPiece& piece) const {
        return piece.afterGap ? lastWrite_ + std::chrono::milliseconds(options_.gapMs)
                              : piece.notBefore;
    }

    static timespec ToTimespec(Clock::duration d) {
        auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(d).count();
        return timespec{static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
    }

    static void Pause(Clock::duration d, const sigset_t& waitMask) {
        timespec t = ToTimespec(d);
        ppoll(nullptr, 0, &t, &waitMask);
    }

    void Receive() {
        char buf[256];
        ssize_t n = read(fd_, buf, sizeof buf);
        if (n <= 0) {
            if (n < 0 && (errno == EAGAIN || errno == EINTR)) return;
            HungUp();
            return;
        }
        if (!open_) {
            open_ = true;
            Log(options_, "line open");
        }
        Steer(std::string_view(buf, static_cast<std::size_t>(n)));
        int queries = scanner_.Feed(std::string_view(buf, static_cast<std::size_t>(n)));
        for (int i = 0; i < queries; ++i) Answer();
    }

    void Answer() {
        ++count_;
        WriteCount();
        if (options_.silent) {
            Log(options_, "query " + std::to_string(count_) + " received, not answering");
            return;
        }
        const long long nowMs =
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start_).count();
        switch (schedule_.OnQuery(nowMs)) {
            case TQueryAction::Answer:
                break;
            case TQueryAction::Ignore:
                Log(options_, "query " + std::to_string(count_) + " received, silent for now");
                return;
            case TQueryAction::HangUp:
                Unplug();
                return;
        }
        QueueReply("query " + std::to_string(count_) + " received, answering");
    }

    // With --stream: queues a reply nobody asked for when one is due. Only while the
    // other end has the line open, and only once earlier replies are out, so a reader
    // that stops reading never makes replies pile up.
    void StreamDueReply() {
        if (!Streaming() || Clock::now() < nextStream_) return;
        nextStream_ += std::chrono::duration_cast<Clock::duration>(
            std::chrono::duration<double>(1.0 / options_.streamRate));
        if (nextStream_ < Clock::now()) nextStream_ = Clock::now();
        if (open_ && pending_.empty()) QueueReply("sending unasked");
    }

    // Queues the answer for this moment (laid out as the faults say) in its pieces,
    // due after the set delay.
    void QueueReply(const std::string& what) {
        std::string reply = doubled_.Pass(AnswerText(options_, CurrentAzimuth()));
        if (reply.empty()) {
            Log(options_, what + ": held back, to go with the next");
            return;
        }
        QueueBytes(what, reply);
    }

    // Queues `reply` in its pieces, due after the set delay.
    void QueueBytes(const std::string& what, const std::string& reply) {
        Log(options_, what + " \"" + reply + "\"");
        auto due = Clock::now() + std::chrono::milliseconds(options_.delayMs);
        bool first = true;
        for (std::string& piece : AnswerPieces(options_, reply)) {
            pending_.push_back(TPiece{std::move(piece), due, !first});
            first = false;
        }
    }

    double Elapsed() const { return std::chrono::duration<double>(Clock::now() - start_).count(); }

    // Where the rotor points now: the fixed heading or the sweep until the first turn,
    // then wherever the turns have taken it.
    double CurrentHeading() const {
        const double elapsed = Elapsed();
        return motion_.Engaged() ? motion_.HeadingAt(elapsed) : AzimuthAt(options_, elapsed);
    }
    int CurrentAzimuth() const { return static_cast<int>(std::lround(CurrentHeading())); }

    // Carries out the steering commands among the received bytes.
    void Steer(std::string_view bytes) {
        for (const TSteeringCommand& command : steering_.Feed(bytes)) {
            const double elapsed = Elapsed();
            switch (command.kind) {
                case TSteeringCommand::SetTarget:
                    motion_.SetTarget(command.target);
                    Log(options_, "target " + std::to_string(command.target));
                    break;
                case TSteeringCommand::Move:
                    motion_.Move(CurrentHeading(), elapsed);
                    Log(options_, "turning from " + std::to_string(CurrentAzimuth()));
                    break;
                case TSteeringCommand::Stop:
                    motion_.Stop(elapsed);
                    Log(options_, "stopped at " + std::to_string(CurrentAzimuth()));
                    break;
                case TSteeringCommand::Unknown:
                    if (options_.faults.banner) QueueBytes("unknown command", std::string(kBanner));
                    break;
            }
        }
    }

    void WriteDuePieces() {
        while (!pending_.empty() && Due(pending_.front()) <= Clock::now()) {
            TPiece& piece = pending_.front();
            ssize_t n = write(fd_, piece.bytes.data(), piece.bytes.size());
            if (n < 0) {
                if (errno == EAGAIN || errno == EINTR) return;  // try again on the next round
                HungUp();
                return;
            }
            lastWrite_ = Clock::now();
            piece.bytes.erase(0, static_cast<std::size_t>(n));
            if (!piece.bytes.empty()) return;
            pending_.pop_front();
        }
    }

    // The other end closed the line: what was not yet sent is lost, as on a real cable.
    void HungUp() {
        if (open_) Log(options_, "line closed by the other end; waiting for it to reopen");
        open_ = false;
        pending_.clear();
        scanner_ = TQueryScanner();
        steering_ = TSteeringScanner();
    }

    // As when an adapter is pulled out: the line ends for the other end, and the link
    // to it goes away until it is plugged in again.
    void Unplug() {
        Log(options_,
            "unplugging the line for " + std::to_string(options_.faults.replugAfterMs) + " ms");
        open_ = false;
        pending_.clear();
        scanner_ = TQueryScanner();
        steering_ = TSteeringScanner();
        close(fd_);
        fd_ = -1;
        if (!options_.faults.link.empty()) unlink(options_.faults.link.c_str());
        replugAt_ = Clock::now() + std::chrono::milliseconds(options_.faults.replugAfterMs);
    }

    void WaitForReplug(const sigset_t& waitMask) {
        const auto wait = replugAt_ - Clock::now();
        if (wait > Clock::duration::zero()) {
            Pause(wait < kIdleWait ? wait : Clock::duration(kIdleWait), waitMask);
            return;
        }
        std::string path;
        const int fd = OpenPseudoTerminal(path);
        if (fd < 0 || (!options_.faults.link.empty() && !PointLink(options_.faults.link, path))) {
            std::fprintf(stderr, "skyvane-rotorsim: cannot plug the line in again: %s\n",
                         std::strerror(errno));
            if (fd >= 0) close(fd);
            replugAt_ = Clock::now() + kHangupPause;
            return;
        }
        PrepareLine(fd);
        fd_ = fd;
        Log(options_, "line plugged in again as " + path);
    }

    // Rewrites the count file through a temporary file, so a reader never sees it half-written.
    void WriteCount() {
        if (options_.countFile.empty()) return;
        std::string temp = options_.countFile + ".tmp";
        FILE* f = std::fopen(temp.c_str(), "w");
        if (!f) {
            if (!countFileWarned_)
                std::fprintf(stderr, "skyvane-rotorsim: cannot write %s: %s\n", temp.c_str(),
                             std::strerror(errno));
            countFileWarned_ = true;
            return;
        }
        std::fprintf(f, "%ld\n", count_);
        bool ok = std::fclose(f) == 0;
        if (ok) std::rename(temp.c_str(), options_.countFile.c_str());
    }

    const TRotorSimOptions& options_;
    int fd_;  // -1 while unplugged
    TFaultSchedule schedule_;
    Clock::time_point replugAt_;
    Clock::time_point start_;
    Clock::time_point lastWrite_;
    Clock::time_point nextStream_;  // when the next unasked reply is due (--stream)
    TQueryScanner scanner_;
    TSteeringScanner steering_;
    TRotorMotion motion_;
    TDoubledAnswers doubled_{options_.faults};
    std::deque<TPiece> pending_;
    long count_ = 0;
    bool open_ = false;
    bool countFileWarned_ = false;
};

}  // namespace

int RunRotorSim(const TRotorSimOptions& options) {
    std::string path;
    int fd;
    if (options.device.empty()) {
        fd = OpenPseudoTerminal(path);
        if (fd < 0) {
            std::fprintf(stderr, "skyvane-rotorsim: cannot open a pseudo-terminal: %s\n",
                         std::strerror(errno));
            return 1;
        }
    } else {
        path = options.device;
        fd = open(path.c_str(), O_RDWR | O_NOCTTY);
        if (fd < 0) {
            std::fprintf(stderr, "skyvane-rotorsim: cannot open %s: %s\n", path.c_str(),
                         std::strerror(errno));
            return 1;
        }
    }
    PrepareLine(fd);
    const std::string& link = options.faults.link;
    if (!link.empty()) {
        if (!MayReplaceLink(link)) {
            std::fprintf(stderr, "skyvane-rotorsim: %s exists and is not a symbolic link\n",
                         link.c_str());
            close(fd);
            return 1;
        }
        if (!PointLink(link, path)) {
            std::fprintf(stderr, "skyvane-rotorsim: cannot make the link %s: %s\n", link.c_str(),
                         std::strerror(errno));
            close(fd);
            return 1;
        }
        path = link;
    }

    // SIGINT and SIGTERM only arrive inside ppoll, where they end the wait.
    struct sigaction sa {};
    sa.sa_handler = OnStopSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    signal(SIGPIPE, SIG_IGN);
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigprocmask(SIG_BLOCK, &stopSignals, nullptr);

    TSimulator simulator(options, fd);
    simulator.Start();
    std::printf("%s\n", path.c_str());
    std::fflush(stdout);

    int status = simulator.Run();
    if (!link.empty()) unlink(link.c_str());
    return status;
}

}  // namespace skyvane::rotorsim
