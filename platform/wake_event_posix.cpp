// SPDX-License-Identifier: GPL-3.0-or-later
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <system_error>

#include "platform/wake_event.h"

namespace skyvane::platform {

WakeEvent::WakeEvent() : fd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    if (fd_ < 0) throw std::system_error(errno, std::generic_category(), "eventfd");
}

WakeEvent::~WakeEvent() {
    close(fd_);
}

void WakeEvent::Set() {
    const std::uint64_t one = 1;
    // A full counter (never reached) also leaves the event readable, so the result is moot.
    [[maybe_unused]] ssize_t n = write(fd_, &one, sizeof one);
}

void WakeEvent::Reset() {
    std::uint64_t value;
    [[maybe_unused]] ssize_t n = read(fd_, &value, sizeof value);
}

bool WakeEvent::IsSet() const {
    pollfd p{fd_, POLLIN, 0};
    return poll(&p, 1, 0) == 1;
}

void WaitGate::Open() {
    if (state_.exchange(kOpen) == kWaited) event_.Set();
}

bool WaitGate::PrepareWait() {
    int expected = kShut;
    return state_.compare_exchange_strong(expected, kWaited) || expected == kWaited;
}

void WaitGate::Wait() {
    while (PrepareWait()) {
        pollfd p{event_.NativeHandle(), POLLIN, 0};
        if (poll(&p, 1, -1) == 1) Acknowledge();
    }
}

}  // namespace skyvane::platform
