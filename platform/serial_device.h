// SPDX-License-Identifier: GPL-3.0-or-later
// The narrow interface through which the serial port component drives a serial
// device of the operating system. Every call returns 0 or the system's error number
// of the failed call (errno on POSIX). Masks, error flags and modem bits use the
// values of the port's own tables (EV_*, CE_*, MS_*), whatever the system.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/wake_event.h"

namespace skyvane::platform {

// Event mask bits.
enum : std::uint32_t {
    kEvRxChar = 0x0001,
    kEvRxFlag = 0x0002,
    kEvTxEmpty = 0x0004,
    kEvCts = 0x0008,
    kEvDsr = 0x0010,
    kEvRlsd = 0x0020,
    kEvBreak = 0x0040,
    kEvErr = 0x0080,
    kEvRing = 0x0100,
    kEvRx80Full = 0x0400
};
// Line error flags.
enum : std::uint32_t {
    kCeRxOver = 0x0001,
    kCeOverrun = 0x0002,
    kCeRxParity = 0x0004,
    kCeFrame = 0x0008,
    kCeBreak = 0x0010,
    kCeTxFull = 0x0100,
    kCeIoe = 0x0400,
    kCeMode = 0x8000
};
// Modem status bits.
enum : std::uint32_t { kMsCtsOn = 0x10, kMsDsrOn = 0x20, kMsRingOn = 0x40, kMsRlsdOn = 0x80 };

// DTR and RTS modes, in the order of the port's own enumerations.
enum class DtrMode : std::uint8_t { Disable, Enable, Handshake };
enum class RtsMode : std::uint8_t { Disable, Enable, Handshake, Toggle };

// The complete line settings handed to the device in one step.
struct LineSettings {
    std::int32_t baudRate = 9600;  // bits per second, any positive value
    std::uint8_t byteSize = 8;     // 5 to 8
    std::uint8_t parity = 0;       // 0 none, 1 odd, 2 even, 3 mark, 4 space
    std::uint8_t stopBits = 0;     // 0 one, 1 one and a half, 2 two
    bool outxCtsFlow = false;
    bool outxDsrFlow = false;
    DtrMode dtrControl = DtrMode::Disable;
    RtsMode rtsControl = RtsMode::Disable;
    bool outX = false;  // XON/XOFF on output
    bool inX = false;   // XON/XOFF on input
    bool dsrSensitivity = false;
    bool txContinueOnXoff = false;
    bool discardNull = false;
    bool parityCheck = false;
    bool errorCharEnabled = false;  // replace bytes with parity errors by errorChar
    char xonChar = 17;
    char xoffChar = 19;
    char errorChar = 0;
    char eventChar = 0;
    std::uint16_t xonLim = 256;
    std::uint16_t xoffLim = 256;
    bool operator==(const LineSettings&) const = default;
};

// The five time-outs in milliseconds, as unsigned 32-bit values (0xFFFFFFFF is "maximum").
struct Timeouts {
    std::uint32_t readInterval = 0xFFFFFFFF;
    std::uint32_t readTotalMultiplier = 0;
    std::uint32_t readTotalConstant = 0;
    std::uint32_t writeTotalMultiplier = 100;
    std::uint32_t writeTotalConstant = 1000;
    bool operator==(const Timeouts&) const = default;
};

// One transfer: the caller's buffer and count, what has moved so far, and the
// record's own wake-up object, set when the transfer is aborted and, for a read,
// when bytes reach the input queue. A record serves one transfer at a time; the
// buffer must stay in place until the transfer ends.
struct Transfer {
    enum class State : std::uint8_t { Idle, Pending, Done, Failed };
    bool isRead = false;
    char* buffer = nullptr;
    std::size_t size = 0;
    std::size_t done = 0;
    State state = State::Idle;
    Timeouts timeouts;         // as they were when the transfer started
    std::int64_t startMs = 0;  // start, and the latest byte read, on a steady clock
    std::int64_t lastByteMs = 0;
    int error = 0;  // error number when Failed
    std::atomic<bool> aborted{false};

    // The record's wake-up object, made on first use: only a transfer that has to
    // wait needs one, so that a read that returns at once costs no extra descriptor.
    WakeEvent& Wake() {
        if (!wake_) wake_ = std::make_unique<WakeEvent>();
        return *wake_;
    }
    // Makes the record ready for its next transfer.
    void ClearWake() {
        aborted = false;
        if (wake_) wake_->Reset();
    }
    // Sets the record up for a new transfer of `count` bytes at `data`, under the
    // time-outs in force now.
    void Begin(bool read, char* data, std::size_t count, const Timeouts& current) {
        isRead = read;
        buffer = data;
        size = count;
        done = 0;
        error = 0;
        ClearWake();
        timeouts = current;
    }

private:
    std::unique_ptr<WakeEvent> wake_;
};

// Result of waiting for line events.
enum class WaitResult { Events, Stopped, Failed };

// An open serial device. A read, a write and the event wait may run at once on
// different threads; each call is otherwise made by one thread at a time.
class SerialDevice {
public:
    virtual ~SerialDevice() = default;

    // Queue sizes for the input and output queues.
    virtual int SetQueueSizes(std::int32_t input, std::int32_t output) = 0;
    // The line settings, all at once.
    virtual int SetLineSettings(const LineSettings& settings) = 0;
    // The read and write time-outs.
    virtual int SetTimeouts(const Timeouts& timeouts) = 0;

    // Starts a write of `size` bytes from `data`; moves what it can at once. The
    // record ends Done (all written), Pending, or Failed; returns the start's error.
    virtual int StartWrite(Transfer& t, const char* data, std::size_t size) = 0;
    // Starts a read of up to `size` bytes into `data`, as StartWrite.
    virtual int StartRead(Transfer& t, char* data, std::size_t size) = 0;
    // Waits until a started transfer has ended under the time-outs; the count moved is t.done.
    virtual int WaitTransfer(Transfer& t) = 0;
    // Forgets a transfer whose record goes away while it is still pending.
    virtual void ReleaseTransfer(Transfer& t) = 0;
    // Aborts pending transfers (abortTx/abortRx) and empties queues (clearTx/clearRx).
    virtual int Purge(bool abortTx, bool abortRx, bool clearTx, bool clearRx) = 0;

    // Line errors since the last call (CE_* flags, then cleared) and the input queue's
    // count; the output queue's count too when `outQueue` is given (it may cost a call
    // to the driver).
    virtual int QueueStatus(std::uint32_t& errors, std::uint32_t& inQueue,
                            std::uint32_t* outQueue = nullptr) = 0;
    // The modem input lines (MS_* bits); a device without modem lines reports all off.
    virtual int ModemStatus(std::uint32_t& status) = 0;

    // The set of events (EV_* bits) that WaitEvents reports.
    virtual int SetEventMask(std::uint32_t mask) = 0;
    // The events of the mask worth timed looks at the line (the drained output queue
    // after a write, the line's interrupt counters) while nothing else wakes the wait;
    // the others are reported whenever the wait looks anyway. All of them until told.
    virtual int SetPromptEvents(std::uint32_t events) {
        static_cast<void>(events);
        return 0;
    }
    // Waits until events of the mask have occurred and `gate` (when given) is open
    // (Events, with them in `events`), `stop` is set (Stopped) or the device cannot be
    // waited on any more, for example after a hang-up (Failed). Meanwhile, also while
    // the gate is shut, arriving bytes are taken into the input queue at once; events
    // that occur while the gate is shut are reported together once it opens.
    virtual WaitResult WaitEvents(const WakeEvent& stop, std::uint32_t& events,
                                  WaitGate* gate = nullptr) = 0;
};

// Opens the named device: a name without "/" means "/dev/" + name; a name that does
// not exist exactly is looked up without regard to letter case. Exclusive, read and
// write; refuses what is not a terminal. On failure returns nullptr and sets `error`.
std::unique_ptr<SerialDevice> OpenSerialDevice(const std::string& name, int& error);

// The device a port name names, before letter case is resolved: a name without "/"
// means "/dev/" + name, one with "/" is a path.
std::string SerialDeviceName(const std::string& name);

// The path OpenSerialDevice opens for a port name: SerialDeviceName, found without
// regard to letter case.
std::string SerialDevicePath(const std::string& name);

}  // namespace skyvane::platform
