// SPDX-License-Identifier: GPL-3.0-or-later
// A manual-reset wake-up object that a wait on a device can include: set from any
// thread, it stays set until reset; and a gate built on one.
#pragma once

#include <atomic>

namespace skyvane::platform {

class WakeEvent {
public:
    // Creates the event, not set. Throws std::system_error when the system has none left.
    WakeEvent();
    ~WakeEvent();
    WakeEvent(const WakeEvent&) = delete;
    WakeEvent& operator=(const WakeEvent&) = delete;

    // Sets the event; every wait that includes it wakes.
    void Set();
    // Clears the event.
    void Reset();
    // True while set.
    bool IsSet() const;
    // The descriptor a readiness wait watches (readable while set).
    int NativeHandle() const { return fd_; }

private:
    int fd_;
};

// A gate that one thread shuts before it hands work over and waits for, and that
// another opens when the work is done. Opening costs a wake-up only when the waiter
// has said that it waits, so work that is done before anyone waits for it wakes
// nobody. One waiter at a time.
class WaitGate {
public:
    // Open, with nothing to wait for.
    WaitGate() = default;
    WaitGate(const WaitGate&) = delete;
    WaitGate& operator=(const WaitGate&) = delete;

    // The waiter shuts the gate before it hands the work over.
    void Shut() { state_ = kShut; }
    // Opens the gate (any thread) and wakes the waiter if it has said that it waits.
    void Open();
    // True while open.
    bool IsOpen() const { return state_ == kOpen; }
    // The waiter says that it waits for the descriptor; false when the gate is open
    // already (then there is nothing to wait for).
    bool PrepareWait();
    // Readable once the gate has opened after PrepareWait.
    int NativeHandle() const { return event_.NativeHandle(); }
    // The waiter saw the descriptor readable: takes the wake-up away.
    void Acknowledge() { event_.Reset(); }
    // Waits until the gate is open.
    void Wait();

private:
    enum State { kOpen, kShut, kWaited };
    std::atomic<int> state_{kOpen};
    WakeEvent event_;
};

}  // namespace skyvane::platform
