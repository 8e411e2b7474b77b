// SPDX-License-Identifier: GPL-3.0-or-later
// Serial devices on Linux: non-blocking descriptors, termios2 for the line, poll for
// every wait. Windows' overlapped transfers become a start (move what can be moved
// at once) and a wait (poll until done, timed out or aborted) on the caller's thread.
#include <asm/termbits.h>
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <mutex>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/serial_device.h"
#include "platform/termios_mapping.h"

namespace skyvane::platform {

namespace {

constexpr std::uint32_t kMax = 0xFFFFFFFF;
// While bytes nobody has read yet sit in the input queue, readiness cannot tell
// when more arrive; the event wait then looks at the queue count, first after
// 20 ms, then less and less often while nothing changes (a port whose bytes nobody
// reads settles at about three looks a second).
constexpr int kQueuedBytesRecheckMs = 20;
constexpr int kQueuedBytesRecheckMaxMs = 320;
// While a write is draining, the wait looks for the empty output queue this often.
constexpr int kTxDrainRecheckMs = 2;
// The input queue takes no more from the tty than this; the tty's own buffers then
// hold the rest, and its flow control applies.
constexpr std::size_t kInputQueueLimit = 64 * 1024;
// Modem-line, break and error counters are read this often where the driver keeps them.
constexpr int kLineCounterRecheckMs = 50;
constexpr std::uint32_t kCounterEvents = kEvCts | kEvDsr | kEvRlsd | kEvRing | kEvBreak | kEvErr;

std::int64_t NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

bool NoModemLines(int error) {
    return error == ENOTTY || error == EINVAL;
}

// Milliseconds left until `deadline` (never negative), or -1 for none.
int Remaining(std::int64_t deadline) {
    if (deadline < 0) return -1;
    return static_cast<int>(std::max<std::int64_t>(0, deadline - NowMs()));
}

int Earliest(int a, int b) {
    if (a < 0) return b;
    if (b < 0) return a;
    return std::min(a, b);
}

// The input queue of the device, as a driver keeps one: bytes taken from the tty
// wait here until they are read. NUL bytes are dropped on the way in when null
// discarding is on, so that the count a reader is given and what it then reads
// agree. Not locked itself: its owner serialises every use.
class InputQueue {
public:
    std::size_t Size() const { return bytes_.size() - head_; }
    // Appends the bytes at `data`, without NUL bytes when `dropNul`.
    void Append(const char* data, std::size_t n, bool dropNul) {
        if (head_ == bytes_.size()) Clear();
        const std::size_t at = bytes_.size();
        bytes_.append(data, n);
        if (dropNul)
            bytes_.erase(std::remove(bytes_.begin() + at, bytes_.end(), '\0'), bytes_.end());
    }
    // Moves up to `n` bytes to `out`; returns how many.
    std::size_t Take(char* out, std::size_t n) {
        n = std::min(n, Size());
        std::copy_n(bytes_.data() + head_, n, out);
        head_ += n;
        if (head_ == bytes_.size() || head_ > kCompactAt) Compact();
        return n;
    }
    void Clear() {
        bytes_.clear();
        head_ = 0;
    }

private:
    static constexpr std::size_t kCompactAt = 64 * 1024;
    void Compact() {
        bytes_.erase(0, head_);
        head_ = 0;
    }
    std::string bytes_;
    std::size_t head_ = 0;
};

class PosixSerialDevice final : public SerialDevice {
public:
    explicit PosixSerialDevice(int fd) : fd_(fd) {
        serial_icounter_struct c{};
        icountOk_ = ioctl(fd_, TIOCGICOUNT, &c) == 0;
        waitCounters_ = statusCounters_ = c;
    }

    ~PosixSerialDevice() override {
        std::lock_guard lock(pendingMutex_);
        for (Transfer* t : pending_) Abort(*t);
        pending_.clear();
        // The exclusive flag belongs to the tty, not to this descriptor: clear it so
        // that the next open of the same tty works while others hold it open.
        ioctl(fd_, TIOCNXCL);
        flock(fd_, LOCK_UN);
        close(fd_);
    }

    int SetQueueSizes(std::int32_t input, std::int32_t output) override {
        // The tty layer's queues have fixed sizes; the sizes are held and the input
        // size sets the 80 % mark of the event wait.
        if (input < 0 || output < 0) return EINVAL;
        inputSize_ = input;
        return 0;
    }

    int SetLineSettings(const LineSettings& s) override {
        termios2 t;
        if (int e = MapLineSettings(s, t)) return e;
        if (ioctl(fd_, TCSETS2, &t) != 0) return errno;
        // Some drivers (pseudo-terminals) accept the call but keep their own framing;
        // a line that does not frame as asked is refused, not used silently.
        termios2 actual;
        if (ioctl(fd_, TCGETS2, &actual) != 0) return errno;
        constexpr tcflag_t kFraming = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB;
        if ((actual.c_cflag & kFraming) != (t.c_cflag & kFraming)) return EINVAL;
        // DTR and RTS levels are set as modem lines. DTR handshake has no Linux flag:
        // DTR is raised and held. RTS toggle likewise: RTS stays low and the mode is
        // held. DSR out-flow, DSR sensitivity, XON/XOFF limits and continue-on-XOFF
        // have no Linux switch and are held only. Null discarding has none either; the
        // reads here drop the NUL bytes themselves.
        discardNull_ = s.discardNull;
        SetModemLine(TIOCM_DTR, s.dtrControl != DtrMode::Disable);
        if (s.rtsControl != RtsMode::Handshake && !s.outxCtsFlow)
            SetModemLine(TIOCM_RTS, s.rtsControl == RtsMode::Enable);
        return 0;
    }

    int SetTimeouts(const Timeouts& timeouts) override {
        std::lock_guard lock(pendingMutex_);
        timeouts_ = timeouts;
        return 0;
    }

    int StartWrite(Transfer& t, const char* data, std::size_t size) override {
        Begin(t, false, const_cast<char*>(data), size);
        if (size == 0) return Finish(t);
        ssize_t n = write(fd_, data, size);
        if (n < 0 && errno != EAGAIN) return Fail(t, errno);
        t.done = n < 0 ? 0 : static_cast<std::size_t>(n);
        txArmed_ = true;
        txWake_.Set();
        if (t.done == size) return Finish(t);
        return Pend(t);
    }

    int StartRead(Transfer& t, char* data, std::size_t size) override {
        Begin(t, true, data, size);
        if (size == 0) return Finish(t);
        if (int e = ReadSome(t)) return Fail(t, e);
        if (ReadComplete(t, true)) return Finish(t);
        return Pend(t);
    }

    int WaitTransfer(Transfer& t) override {
        for (;;) {
            if (t.state == Transfer::State::Done) return 0;
            if (t.state == Transfer::State::Failed) return t.error;
            if (t.aborted) return End(t, ECANCELED);
            const int left = TimeLeft(t);
            if (left == 0) return End(t, 0);  // timed out: done with what moved
            pollfd fds[2] = {{fd_, static_cast<short>(t.isRead ? POLLIN : POLLOUT), 0},
                             {t.AbortEvent().NativeHandle(), POLLIN, 0}};
            int r = poll(fds, 2, left);
            if (r < 0) {
                if (errno == EINTR) continue;
                return End(t, errno);
            }
            if (r == 0 || !fds[0].revents) continue;
            if (int e = t.isRead ? ReadSome(t) : WriteSome(t)) return End(t, e);
            if (t.isRead ? ReadComplete(t, false) : t.done == t.size) return End(t, 0);
            if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) return End(t, EIO);
        }
    }

    void ReleaseTransfer(Transfer& t) override { Unregister(t); }

    int Purge(bool abortTx, bool abortRx, bool clearTx, bool clearRx) override {
        {
            std::lock_guard lock(pendingMutex_);
            for (Transfer* t : pending_)
                if ((t->isRead && abortRx) || (!t->isRead && abortTx)) Abort(*t);
        }
        if (clearRx) {
            std::lock_guard lock(inMutex_);
            in_.Clear();
            int queued = 0;
            if (ioctl(fd_, FIONREAD, &queued) == 0) taken_ += static_cast<std::uint64_t>(queued);
        }
        if (clearTx || clearRx) {
            const int what = clearTx && clearRx ? TCIOFLUSH : clearTx ? TCOFLUSH : TCIFLUSH;
            if (ioctl(fd_, TCFLSH, what) != 0) return errno;
        }
        return 0;
    }

    int QueueStatus(std::uint32_t& errors, std::uint32_t& inQueue,
                    std::uint32_t& outQueue) override {
        std::size_t in = 0;
        {
            std::lock_guard lock(inMutex_);
            if (int e = FillInput()) return e;
            in = in_.Size();
        }
        int out = 0;
        if (ioctl(fd_, TIOCOUTQ, &out) != 0) out = 0;
        errors = 0;
        if (icountOk_) {
            std::lock_guard lock(statusMutex_);
            serial_icounter_struct c{};
            if (ioctl(fd_, TIOCGICOUNT, &c) == 0) {
                const serial_icounter_struct& o = statusCounters_;
                if (c.frame != o.frame) errors |= kCeFrame;
                if (c.parity != o.parity) errors |= kCeRxParity;
                if (c.overrun != o.overrun) errors |= kCeOverrun;
                if (c.brk != o.brk) errors |= kCeBreak;
                if (c.buf_overrun != o.buf_overrun) errors |= kCeRxOver;
                statusCounters_ = c;
            }
        }
        inQueue = static_cast<std::uint32_t>(in);
        outQueue = static_cast<std::uint32_t>(out);
        return 0;
    }

    int ModemStatus(std::uint32_t& status) override {
        int bits = 0;
        status = 0;
        if (ioctl(fd_, TIOCMGET, &bits) != 0) return NoModemLines(errno) ? 0 : errno;
        if (bits & TIOCM_CTS) status |= kMsCtsOn;
        if (bits & TIOCM_DSR) status |= kMsDsrOn;
        if (bits & TIOCM_RNG) status |= kMsRingOn;
        if (bits & TIOCM_CAR) status |= kMsRlsdOn;
        return 0;
    }

    int SetEventMask(std::uint32_t mask) override {
        mask_ = mask;
        txWake_.Set();
        return 0;
    }

    // Received characters are reported when the input count grows (the event
    // character cannot be seen without taking the bytes, so EV_RXFLAG is never
    // reported); the 80 % mark when the count crosses it; transmit-empty when the
    // output queue drains after a write; modem lines, breaks and errors from the
    // driver's interrupt counters where it keeps them. A hang-up ends the wait for
    // good (Failed), after the bytes that came with it have been reported.
    WaitResult WaitEvents(const WakeEvent& stop, std::uint32_t& events) override {
        bool hungUp = false;
        for (;;) {
            if (stop.IsSet()) return WaitResult::Stopped;
            const std::uint32_t mask = mask_;
            int queued = 0;
            std::uint64_t arrived = 0;
            if (!CountArrivals(queued, arrived)) return WaitResult::Failed;
            events = PendingEvents(mask, queued, arrived);
            if (events || queued == 0) queuedRecheckMs_ = kQueuedBytesRecheckMs;
            if (events) return WaitResult::Events;
            if (hungUp) return WaitResult::Failed;

            int timeout = -1;
            if (queued > 0 && (mask & (kEvRxChar | kEvRx80Full))) {
                timeout = queuedRecheckMs_;
                queuedRecheckMs_ = std::min(2 * queuedRecheckMs_, kQueuedBytesRecheckMaxMs);
            }
            if (txArmed_ && (mask & kEvTxEmpty)) timeout = Earliest(timeout, kTxDrainRecheckMs);
            if (icountOk_ && (mask & kCounterEvents))
                timeout = Earliest(timeout, kLineCounterRecheckMs);
            pollfd fds[3] = {{fd_, static_cast<short>(queued == 0 ? POLLIN : 0), 0},
                             {stop.NativeHandle(), POLLIN, 0},
                             {txWake_.NativeHandle(), POLLIN, 0}};
            int r = poll(fds, 3, timeout);
            if (r < 0) {
                if (errno == EINTR) continue;
                return WaitResult::Failed;
            }
            if (fds[2].revents) txWake_.Reset();
            if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) hungUp = true;
        }
    }

private:
    void SetModemLine(int line, bool on) {
        ioctl(fd_, on ? TIOCMBIS : TIOCMBIC,
              &line);  // no modem lines (pseudo-terminal): nothing to set
    }

    // Bytes received so far = bytes taken out of the input queue + bytes in it. The
    // queue count alone would miss bytes that arrive after a reader emptied it and
    // before the wait looks again. A read between the two loads is seen as a changed
    // taken count and sampled again, so the total is never too high.
    bool CountArrivals(int& queued, std::uint64_t& arrived) {
        for (;;) {
            const std::uint64_t before = taken_;
            if (ioctl(fd_, FIONREAD, &queued) != 0) return false;
            if (taken_ == before) {
                arrived = before + static_cast<std::uint64_t>(queued);
                return true;
            }
        }
    }

    std::uint32_t PendingEvents(std::uint32_t mask, int queued, std::uint64_t arrived) {
        std::uint32_t ev = 0;
        if (arrived > lastArrived_ && (mask & kEvRxChar)) ev |= kEvRxChar;
        lastArrived_ = std::max(lastArrived_, arrived);
        std::size_t ours = 0;
        {
            std::lock_guard lock(inMutex_);
            ours = in_.Size();
        }
        const long long total = static_cast<long long>(queued) + static_cast<long long>(ours);
        const bool full = inputSize_ > 0 && total * 10 >= static_cast<long long>(inputSize_) * 8;
        if (full && !wasFull_ && (mask & kEvRx80Full)) ev |= kEvRx80Full;
        wasFull_ = full;
        if (txArmed_ && (mask & kEvTxEmpty)) {
            int out = 0;
            if (ioctl(fd_, TIOCOUTQ, &out) == 0 && out == 0) {
                txArmed_ = false;
                ev |= kEvTxEmpty;
            }
        }
        if (icountOk_ && (mask & kCounterEvents)) {
            serial_icounter_struct c{};
            if (ioctl(fd_, TIOCGICOUNT, &c) == 0) {
                const serial_icounter_struct& o = waitCounters_;
                if (c.cts != o.cts) ev |= kEvCts;
                if (c.dsr != o.dsr) ev |= kEvDsr;
                if (c.dcd != o.dcd) ev |= kEvRlsd;
                if (c.rng != o.rng) ev |= kEvRing;
                if (c.brk != o.brk) ev |= kEvBreak;
                if (c.frame != o.frame || c.parity != o.parity || c.overrun != o.overrun ||
                    c.buf_overrun != o.buf_overrun)
                    ev |= kEvErr;
                waitCounters_ = c;
            }
        }
        return ev & mask;
    }

    void Begin(Transfer& t, bool isRead, char* data, std::size_t size) {
        std::lock_guard lock(pendingMutex_);
        t.Begin(isRead, data, size, timeouts_);
        t.startMs = t.lastByteMs = NowMs();
    }

    int Finish(Transfer& t) {
        t.state = Transfer::State::Done;
        return 0;
    }
    int Fail(Transfer& t, int error) {
        t.state = Transfer::State::Failed;
        t.error = error;
        return error;
    }
    int Pend(Transfer& t) {
        t.state = Transfer::State::Pending;
        t.AbortEvent();  // made here, by the record's owner, before others can see the record
        std::lock_guard lock(pendingMutex_);
        pending_.push_back(&t);
        return 0;
    }
    int End(Transfer& t, int error) {
        Unregister(t);
        return error ? Fail(t, error) : Finish(t);
    }
    void Unregister(Transfer& t) {
        std::lock_guard lock(pendingMutex_);
        pending_.erase(std::remove(pending_.begin(), pending_.end(), &t), pending_.end());
    }
    static void Abort(Transfer& t) {
        t.aborted = true;
        t.AbortEvent().Set();
    }

    // Reads what is queued, the input queue's bytes first.
    int ReadSome(Transfer& t) {
        std::lock_guard lock(inMutex_);
        if (int e = FillInput()) return e;
        if (const std::size_t n = in_.Take(t.buffer + t.done, t.size - t.done)) {
            t.done += n;
            t.lastByteMs = NowMs();
        }
        return 0;
    }

    // Takes what the tty holds into the input queue, up to its limit (inMutex_ held).
    // A hang-up (read gives 0 or EIO) counts as nothing there.
    int FillInput() {
        char chunk[4096];
        while (in_.Size() < kInputQueueLimit) {
            const ssize_t n = read(fd_, chunk, sizeof chunk);
            if (n < 0) return errno == EAGAIN || errno == EIO ? 0 : errno;
            if (n == 0) return 0;
            taken_ += static_cast<std::uint64_t>(n);
            in_.Append(chunk, static_cast<std::size_t>(n), discardNull_);
            if (static_cast<std::size_t>(n) < sizeof chunk) return 0;
        }
        return 0;
    }

    int WriteSome(Transfer& t) {
        ssize_t n = write(fd_, t.buffer + t.done, t.size - t.done);
        if (n < 0) return errno == EAGAIN ? 0 : errno;
        t.done += static_cast<std::size_t>(n);
        return 0;
    }

    // A read ends when it has every byte asked for, and under these time-outs:
    // interval "maximum" with both totals 0 returns at once; interval and multiplier
    // "maximum" with a constant returns as soon as any byte is there.
    static bool ReadComplete(const Transfer& t, bool atStart) {
        if (t.done == t.size) return true;
        const Timeouts& to = t.timeouts;
        if (to.readInterval == kMax && to.readTotalMultiplier == 0 && to.readTotalConstant == 0)
            return atStart;
        if (to.readInterval == kMax && to.readTotalMultiplier == kMax &&
            to.readTotalConstant != kMax)
            return t.done > 0;
        return false;
    }

    // Milliseconds until the transfer's time-outs end it, 0 when they have, -1 for never.
    static int TimeLeft(const Transfer& t) {
        const Timeouts& to = t.timeouts;
        std::uint64_t multiplier = t.isRead ? to.readTotalMultiplier : to.writeTotalMultiplier;
        std::uint64_t constant = t.isRead ? to.readTotalConstant : to.writeTotalConstant;
        if (t.isRead && to.readInterval == kMax && multiplier == kMax) multiplier = 0;
        std::int64_t total = -1;
        if (multiplier || constant)
            total = t.startMs + static_cast<std::int64_t>(std::min<std::uint64_t>(
                                    multiplier * t.size + constant, std::uint64_t{1} << 40));
        std::int64_t interval = -1;
        if (t.isRead && t.done > 0 && to.readInterval != 0 && to.readInterval != kMax)
            interval = t.lastByteMs + to.readInterval;
        return Earliest(Remaining(total), Remaining(interval));
    }

    int fd_;
    bool icountOk_ = false;
    std::atomic<std::uint32_t> mask_{0};
    std::atomic<std::int32_t> inputSize_{1024};
    std::atomic<bool> txArmed_{false};
    std::atomic<bool> discardNull_{false};
    std::atomic<std::uint64_t> taken_{0};  // bytes read or flushed out of the input queue
    WakeEvent txWake_;  // a write started or the mask changed: the event wait looks again

    std::mutex inMutex_;  // the input queue and every read of the tty
    InputQueue in_;

    std::mutex pendingMutex_;
    std::vector<Transfer*> pending_;
    Timeouts timeouts_;

    // Event wait state, used by the waiting thread only.
    std::uint64_t lastArrived_ = 0;
    int queuedRecheckMs_ = kQueuedBytesRecheckMs;
    bool wasFull_ = false;
    serial_icounter_struct waitCounters_{};

    std::mutex statusMutex_;
    serial_icounter_struct statusCounters_{};
};

}  // namespace

std::string SerialDevicePath(const std::string& name) {
    return skyvane::ResolvePathCase(name.find('/') == std::string::npos ? "/dev/" + name : name);
}

std::unique_ptr<SerialDevice> OpenSerialDevice(const std::string& name, int& error) {
    const std::string path = SerialDevicePath(name);
    int fd = open(path.c_str(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        error = errno;
        return nullptr;
    }
    // Exclusive: TIOCEXCL keeps other openers out (but not root); flock does for
    // everyone who asks.
    if (!isatty(fd)) {
        error = ENOTTY;
    } else if (ioctl(fd, TIOCEXCL) != 0 || flock(fd, LOCK_EX | LOCK_NB) != 0) {
        error = errno == EWOULDBLOCK ? EBUSY : errno;
    } else {
        error = 0;
        return std::make_unique<PosixSerialDevice>(fd);
    }
    close(fd);
    return nullptr;
}

}  // namespace skyvane::platform
