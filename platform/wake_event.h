// SPDX-License-Identifier: GPL-3.0-or-later
// A manual-reset wake-up object that a wait on a device can include: set from any
// thread, it stays set until reset.
#pragma once

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

}  // namespace skyvane::platform
