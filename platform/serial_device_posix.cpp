// SPDX-License-Identifier: GPL-3.0-or-later
// Serial devices on Linux: non-blocking descriptors, termios2 for the line, poll for
// every wait. Windows' overlapped transfers become a start (move what can be moved
// at once) and a wait (poll until done, timed out or aborted) on the caller's thread.
// While the event thread waits, it takes received bytes into the device's input
// queue the moment they arrive, as a driver would; reads take them from there.
#include <asm/termbits.h>
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/files.h"
#include "platform/serial_device.h"
#include "platform/termios_mapping.h"

namespace skyvane::platform {

namespace {

constexpr std::uint32_t kMax = 0xFFFFFFFF;
// While a write is draining (and only while transmit-empty is waited for), the
// wait looks for the empty output queue this often; the tty cannot tell it.
constexpr int kTxDrainRecheckMs = 2;
// The input queue takes no more from the tty than this; the tty's own buffers then
// hold the rest, and its flow control applies. A stream is handed over once half of
// it is filled (or after kStreamHoldMs): large enough that a fast stream costs few
// hand-overs. It takes at most a chunk at a time (the tty's own read buffer is that
// size).
constexpr std::size_t kInputQueueLimit = 256 * 1024;
constexpr std::size_t kReadChunk = 4096;
// A read that empties a full line-discipline buffer (4095 bytes) means a stream: more
// is on its way at once.
constexpr std::size_t kFullLineBuffer = 4095;
constexpr int kStreamHoldMs = 1;
// Modem-line, break and error counters are read this often where the driver keeps
// them, and only while one of their events is waited for.
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
    // Adds `n` bytes at the end, without NUL bytes when `dropNul`.
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
        termios2 previous;
        if (ioctl(fd_, TCGETS2, &previous) != 0) return errno;
        if (int e = ApplyTermios(t)) {
            // Refused: the device keeps what it had, whatever the driver took meanwhile.
            ioctl(fd_, TCSETS2, &previous);
            return e;
        }
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
        if (mask_ & kEvTxEmpty) {
            txArmed_ = true;
            if (prompt_ & kEvTxEmpty) control_.Set();
        }
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

    // A read wakes when the tty has bytes and when the event wait has taken some
    // into the input queue; the abort is looked at before anything is moved.
    int WaitTransfer(Transfer& t) override {
        for (;;) {
            if (t.state == Transfer::State::Done) return 0;
            if (t.state == Transfer::State::Failed) return t.error;
            if (t.aborted) return End(t, ECANCELED);
            const int left = TimeLeft(t);
            if (left == 0) return End(t, 0);  // timed out: done with what moved
            pollfd fds[2] = {{fd_, static_cast<short>(t.isRead ? POLLIN : POLLOUT), 0},
                             {t.Wake().NativeHandle(), POLLIN, 0}};
            int r = poll(fds, 2, left);
            if (r < 0) {
                if (errno == EINTR) continue;
                return End(t, errno);
            }
            if (fds[1].revents) t.Wake().Reset();
            if (t.aborted) return End(t, ECANCELED);
            if (!fds[0].revents && !(t.isRead && fds[1].revents)) continue;
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
            wasFull_ = false;
        }
        if (clearTx || clearRx) {
            const int what = clearTx && clearRx ? TCIOFLUSH : clearTx ? TCOFLUSH : TCIFLUSH;
            if (ioctl(fd_, TCFLSH, what) != 0) return errno;
        }
        return 0;
    }

    int QueueStatus(std::uint32_t& errors, std::uint32_t& inQueue,
                    std::uint32_t* outQueue) override {
        std::size_t in = 0;
        {
            // While an event thread waits on the device, it takes the bytes as they
            // come; else take what the tty holds now.
            std::lock_guard lock(inMutex_);
            if (!eventThread_)
                if (int e = FillInputForReader()) return e;
            in = in_.Size();
        }
        if (outQueue) {
            int out = 0;
            if (ioctl(fd_, TIOCOUTQ, &out) != 0) out = 0;
            *outQueue = static_cast<std::uint32_t>(out);
        }
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

    // A zero mask is also how the event thread's end shows (it leaves the device quiet).
    int SetEventMask(std::uint32_t mask) override {
        mask_ = mask;
        if (!mask) eventThread_ = false;
        control_.Set();
        return 0;
    }

    int SetPromptEvents(std::uint32_t events) override {
        prompt_ = events;
        control_.Set();
        return 0;
    }

    // Received characters are reported when bytes reach the input queue (the event
    // character cannot be seen without taking the bytes, so EV_RXFLAG is never
    // reported); the 80 % mark when the queue crosses it; transmit-empty when the
    // output queue drains after a write; modem lines, breaks and errors from the
    // driver's interrupt counters where it keeps them. Only what the mask asks for
    // is looked at, and only the prompt events are looked for on a timer: a wait for
    // received characters alone sleeps until bytes come.
    // A hang-up ends the wait for good (Failed), after the bytes that came with it
    // have been reported.
    WaitResult WaitEvents(const WakeEvent& stop, std::uint32_t& events, WaitGate* gate) override {
        for (;;) {
            eventThread_ = true;
            const std::uint32_t mask = mask_;
            if (readerFilled_.exchange(false)) {
                std::lock_guard lock(inMutex_);
                if (in_.Size()) unreported_ |= kEvRxChar & mask;
            }
            unreported_ = (unreported_ | LineEvents(mask)) & mask;
            // A stream's bytes are reported once its line buffer comes back short
            // (or after a moment), so that a stream is handed over in batches.
            const int holdMs = Remaining(streamHoldUntil_);
            if (holdMs == 0) streamHoldUntil_ = -1;
            bool watchGate = false;
            if (unreported_ && streamHoldUntil_ < 0) {
                if (!gate || !gate->PrepareWait()) {
                    events = std::exchange(unreported_, 0);
                    return WaitResult::Events;
                }
                watchGate = true;  // reported once the gate opens
            } else if (hungUp_) {
                return Leave(WaitResult::Failed);
            }
            int timeout = streamHoldUntil_ < 0 ? -1 : holdMs;
            const std::uint32_t prompt = mask & prompt_;
            if (txArmed_ && (prompt & kEvTxEmpty)) timeout = Earliest(timeout, kTxDrainRecheckMs);
            if (icountOk_ && (prompt & kCounterEvents))
                timeout = Earliest(timeout, kLineCounterRecheckMs);
            // A full input queue takes nothing until a read makes room (control_).
            const bool take = !hungUp_ && HasInputRoom();
            pollfd fds[4] = {{take ? fd_ : -1, POLLIN, 0},
                             {stop.NativeHandle(), POLLIN, 0},
                             {control_.NativeHandle(), POLLIN, 0},
                             {watchGate ? gate->NativeHandle() : -1, POLLIN, 0}};
            if (poll(fds, 4, timeout) < 0) {
                if (errno == EINTR) continue;
                return Leave(WaitResult::Failed);
            }
            if (fds[1].revents) return Leave(WaitResult::Stopped);
            if (fds[2].revents) control_.Reset();
            if (fds[3].revents) gate->Acknowledge();
            if (fds[0].revents && !TakeInput(mask)) hungUp_ = true;
        }
    }

private:
    // The event thread leaves: from now on readers take the bytes from the tty.
    WaitResult Leave(WaitResult result) {
        eventThread_ = false;
        return result;
    }

    // Hands the line settings to the driver and checks what it took: some drivers
    // (pseudo-terminals) accept the call but keep their own framing, and a line that
    // does not frame as asked is refused, not used silently.
    int ApplyTermios(const termios2& t) {
        if (ioctl(fd_, TCSETS2, &t) != 0) return errno;
        termios2 actual;
        if (ioctl(fd_, TCGETS2, &actual) != 0) return errno;
        constexpr tcflag_t kFraming = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB;
        if ((actual.c_cflag & kFraming) != (t.c_cflag & kFraming)) return EINVAL;
        return 0;
    }

    void SetModemLine(int line, bool on) {
        ioctl(fd_, on ? TIOCMBIS : TIOCMBIC,
              &line);  // no modem lines (pseudo-terminal): nothing to set
    }

    bool HasInputRoom() {
        std::lock_guard lock(inMutex_);
        return in_.Size() < kInputQueueLimit;
    }

    // Takes what the tty holds into the input queue: notes received characters and
    // the 80 % mark, and wakes reads that wait. False when the line has ended (hung
    // up, or it cannot be read any more); bytes that came with the end are kept.
    bool TakeInput(std::uint32_t mask) {
        std::size_t before, after;
        bool ended = false, crossed;
        int error;
        std::size_t lastRead = 0;
        {
            std::lock_guard lock(inMutex_);
            before = in_.Size();
            error = FillInput(&ended, &lastRead);
            after = in_.Size();
            crossed = NoteFillLevel();
            if (lastRead >= kFullLineBuffer && after < kInputQueueLimit / 2) {
                if (streamHoldUntil_ < 0) streamHoldUntil_ = NowMs() + kStreamHoldMs;
            } else {
                streamHoldUntil_ = -1;
            }
        }
        if (after > before) {
            unreported_ |= kEvRxChar & mask;
            WakeWaitingReads();
        }
        if (crossed) unreported_ |= kEvRx80Full & mask;
        return !ended && !error;
    }

    // Whether the queue has just reached 80 % of the input size (inMutex_ held).
    bool NoteFillLevel() {
        const bool full = inputSize_ > 0 && static_cast<long long>(in_.Size()) * 10 >=
                                                static_cast<long long>(inputSize_) * 8;
        const bool crossed = full && !wasFull_;
        wasFull_ = full;
        return crossed;
    }

    void WakeWaitingReads() {
        std::lock_guard lock(pendingMutex_);
        for (Transfer* t : pending_)
            if (t->isRead) t->Wake().Set();
    }

    // What only a look at the driver can tell: the drained output queue after a
    // write, and the interrupt counters; each only while its events are waited for.
    std::uint32_t LineEvents(std::uint32_t mask) {
        std::uint32_t ev = 0;
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
        return ev;
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
        t.Wake();  // made here, by the record's owner, before others can see the record
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
        t.Wake().Set();
    }

    // Reads what is queued: the input queue's bytes, then what the tty holds when
    // those are not enough.
    int ReadSome(Transfer& t) {
        std::lock_guard lock(inMutex_);
        TakeQueued(t);
        if (t.done < t.size) {
            if (int e = FillInputForReader()) return e;
            TakeQueued(t);
        }
        return 0;
    }

    // Moves what the input queue holds into the transfer (inMutex_ held).
    void TakeQueued(Transfer& t) {
        const bool wasAtLimit = in_.Size() >= kInputQueueLimit;
        const std::size_t n = in_.Take(t.buffer + t.done, t.size - t.done);
        if (n == 0) return;
        t.done += n;
        t.lastByteMs = NowMs();
        NoteFillLevel();
        if (wasAtLimit) control_.Set();  // the event wait takes bytes again
    }

    // Whether the line has hung up. A read that gives 0 says so only together with
    // this: with no minimum count set, an empty tty gives 0 too.
    bool HungUp() const {
        pollfd p{fd_, POLLIN, 0};
        return poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL));
    }

    // Takes what the tty holds into the input queue, up to its limit (inMutex_ held).
    // A hang-up (read gives 0 on a hung-up line, or EIO) counts as nothing there and
    // sets `ended`.
    int FillInput(bool* ended = nullptr, std::size_t* lastRead = nullptr) {
        while (in_.Size() < kInputQueueLimit) {
            // Read into a buffer of its own: growing the queue first would fill a
            // whole chunk with zeros at every read, for a reply of a few bytes.
            const std::size_t room = std::min(kReadChunk, kInputQueueLimit - in_.Size());
            const ssize_t n = read(fd_, readChunk_.data(), room);
            if (lastRead) *lastRead = n > 0 ? static_cast<std::size_t>(n) : 0;
            const int error = n < 0 ? errno : 0;
            if (n > 0) {
                in_.Append(readChunk_.data(), static_cast<std::size_t>(n), discardNull_);
                if (static_cast<std::size_t>(n) < room) return 0;
                continue;
            }
            if ((n == 0 && HungUp()) || error == EIO) {
                if (ended) *ended = true;
                return 0;
            }
            if (n == 0) return 0;  // nothing there: the line is set to return at once
            return error == EAGAIN ? 0 : error;
        }
        return 0;
    }

    // FillInput for a reader rather than the event thread: bytes it leaves in the
    // queue have not been reported, so the event wait is told to look at them
    // (inMutex_ held).
    int FillInputForReader() {
        const std::size_t before = in_.Size();
        const int error = FillInput();
        if (in_.Size() > before) {
            readerFilled_ = true;
            control_.Set();
        }
        return error;
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
    std::atomic<std::uint32_t> prompt_{~std::uint32_t{0}};  // events worth timed looks
    std::atomic<std::int32_t> inputSize_{1024};
    std::atomic<bool> txArmed_{false};
    std::atomic<bool> discardNull_{false};
    std::atomic<bool> eventThread_{false};   // an event thread takes the bytes as they come
    std::atomic<bool> readerFilled_{false};  // a reader put bytes in the queue unreported
    // The event wait looks again: the mask changed, a write started while
    // transmit-empty is waited for, or a read made room in a full input queue.
    WakeEvent control_;

    std::mutex inMutex_;  // the input queue, every read of the tty, and wasFull_
    InputQueue in_;
    std::array<char, kReadChunk> readChunk_;  // what one read of the tty takes (inMutex_)
    bool wasFull_ = false;  // the queue was at 80 % of the input size

    std::mutex pendingMutex_;
    std::vector<Transfer*> pending_;
    Timeouts timeouts_;

    // Event wait state, used by the waiting thread only.
    std::uint32_t unreported_ = 0;  // events that occurred and are not yet reported
    std::int64_t streamHoldUntil_ = -1;
    bool hungUp_ = false;
    serial_icounter_struct waitCounters_{};

    std::mutex statusMutex_;
    serial_icounter_struct statusCounters_{};
};

}  // namespace

std::string SerialDeviceName(const std::string& name) {
    return name.find('/') == std::string::npos ? "/dev/" + name : name;
}

std::string SerialDevicePath(const std::string& name) {
    return skyvane::ResolvePathCase(SerialDeviceName(name));
}

std::unique_ptr<SerialDevice> OpenSerialDevice(const std::string& name, int& error) {
    // The system would take a name with a NUL in it as the part before the NUL: another
    // device than the one named.
    if (name.find('\0') != std::string::npos) {
        error = ENOENT;
        return nullptr;
    }
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
