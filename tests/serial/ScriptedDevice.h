// SPDX-License-Identifier: GPL-3.0-or-later
// A serial device whose behaviour the test scripts: refusals per call, modem lines,
// line errors, queued input, event wake-ups and writes that never drain. It records
// what the port handed it. Thread-safe where the port may call it from two threads.
#pragma once

#include <poll.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "platform/serial_device.h"

namespace skyvane::testing {

class ScriptedDevice : public platform::SerialDevice {
public:
    // Refusals: the error number each call returns (0 = accept).
    int lineError = 0, timeoutsError = 0, queueError = 0, statusError = 0, modemError = 0,
        purgeError = 0, writeError = 0;
    // Writes accept nothing and end by their time-out.
    bool writesStall = false;

    // What the port handed over.
    std::vector<platform::LineSettings> lines;
    std::vector<platform::Timeouts> timeouts;
    std::vector<std::pair<int, int>> queueSizes;
    int purges = 0;

    void SetModemStatus(std::uint32_t status) {
        std::lock_guard lock(mutex_);
        modem_ = status;
    }
    void AddLineErrors(std::uint32_t flags) {
        std::lock_guard lock(mutex_);
        errors_ |= flags;
    }
    void AddInput(const std::string& bytes) {
        std::lock_guard lock(mutex_);
        input_ += bytes;
    }
    // The event masks set so far, in order.
    std::vector<std::uint32_t> Masks() {
        std::lock_guard lock(mutex_);
        return masks_;
    }
    // The prompt events set so far, in order.
    std::vector<std::uint32_t> Prompts() {
        std::lock_guard lock(mutex_);
        return prompts_;
    }
    std::string Written() {
        std::lock_guard lock(mutex_);
        return written_;
    }
    // How many wake-ups the event thread has taken so far.
    int WakeupsTaken() const { return taken_; }
    // Makes the waiting event thread wake with these EV_* bits.
    void Signal(std::uint32_t events) {
        {
            std::lock_guard lock(mutex_);
            wakeups_.push_back(events);
        }
        wake_.Set();
    }

    int SetQueueSizes(std::int32_t input, std::int32_t output) override {
        queueSizes.emplace_back(input, output);
        return queueError;
    }
    int SetLineSettings(const platform::LineSettings& s) override {
        lines.push_back(s);
        return lineError;
    }
    int SetTimeouts(const platform::Timeouts& t) override {
        timeouts.push_back(t);
        current_ = t;
        return timeoutsError;
    }
    int StartWrite(platform::Transfer& t, const char* data, std::size_t size) override {
        t.Begin(false, const_cast<char*>(data), size, current_);
        if (writeError) return Fail(t, writeError);
        std::lock_guard lock(mutex_);
        if (writesStall && size > 0) {
            t.state = platform::Transfer::State::Pending;
            t.Wake();
            pending_.push_back(&t);
            return 0;
        }
        written_.append(data, size);
        t.done = size;
        t.state = platform::Transfer::State::Done;
        return 0;
    }
    int StartRead(platform::Transfer& t, char* data, std::size_t size) override {
        t.Begin(true, data, size, current_);
        std::lock_guard lock(mutex_);
        t.done = std::min(size, input_.size());
        std::copy_n(input_.begin(), t.done, data);
        input_.erase(0, t.done);
        t.state = platform::Transfer::State::Done;
        return 0;
    }
    // A stalled write waits for its write time-out (or an abort) and moves nothing.
    int WaitTransfer(platform::Transfer& t) override {
        if (t.state != platform::Transfer::State::Pending) return t.error;
        const int budget = static_cast<int>(t.timeouts.writeTotalMultiplier * t.size +
                                            t.timeouts.writeTotalConstant);
        pollfd p{t.Wake().NativeHandle(), POLLIN, 0};
        poll(&p, 1, budget);
        ReleaseTransfer(t);
        if (t.aborted) return Fail(t, ECANCELED);
        t.state = platform::Transfer::State::Done;
        return 0;
    }
    void ReleaseTransfer(platform::Transfer& t) override {
        std::lock_guard lock(mutex_);
        pending_.erase(std::remove(pending_.begin(), pending_.end(), &t), pending_.end());
    }
    int Purge(bool abortTx, bool abortRx, bool, bool) override {
        ++purges;
        if (purgeError) return purgeError;
        std::lock_guard lock(mutex_);
        for (platform::Transfer* t : pending_)
            if ((t->isRead && abortRx) || (!t->isRead && abortTx)) {
                t->aborted = true;
                t->Wake().Set();
            }
        return 0;
    }
    int QueueStatus(std::uint32_t& errors, std::uint32_t& inQueue,
                    std::uint32_t* outQueue) override {
        if (statusError) return statusError;
        std::lock_guard lock(mutex_);
        errors = errors_;
        errors_ = 0;
        inQueue = static_cast<std::uint32_t>(input_.size());
        if (outQueue) *outQueue = 0;
        return 0;
    }
    int ModemStatus(std::uint32_t& status) override {
        std::lock_guard lock(mutex_);
        status = modem_;
        return modemError;
    }
    int SetEventMask(std::uint32_t mask) override {
        std::lock_guard lock(mutex_);
        masks_.push_back(mask);
        return 0;
    }
    int SetPromptEvents(std::uint32_t events) override {
        std::lock_guard lock(mutex_);
        prompts_.push_back(events);
        return 0;
    }
    // Reports the signalled wake-ups one by one, each once `gate` (when given) is open.
    platform::WaitResult WaitEvents(const platform::WakeEvent& stop, std::uint32_t& events,
                                    platform::WaitGate* gate) override {
        for (;;) {
            bool ready;
            {
                std::lock_guard lock(mutex_);
                ready = !wakeups_.empty();
            }
            const bool watchGate = ready && gate && gate->PrepareWait();
            if (ready && !watchGate) {
                std::lock_guard lock(mutex_);
                events = wakeups_.front();
                wakeups_.pop_front();
                if (wakeups_.empty()) wake_.Reset();
                ++taken_;
                return platform::WaitResult::Events;
            }
            pollfd p[2] = {{stop.NativeHandle(), POLLIN, 0},
                           {watchGate ? gate->NativeHandle() : wake_.NativeHandle(), POLLIN, 0}};
            poll(p, 2, -1);
            if (p[0].revents) return platform::WaitResult::Stopped;
            if (watchGate && p[1].revents) gate->Acknowledge();
        }
    }

private:
    static int Fail(platform::Transfer& t, int error) {
        t.state = platform::Transfer::State::Failed;
        t.error = error;
        return error;
    }

    std::mutex mutex_;
    std::uint32_t modem_ = 0;
    std::uint32_t errors_ = 0;
    std::string input_;
    std::string written_;
    std::vector<std::uint32_t> masks_;
    std::vector<std::uint32_t> prompts_;
    std::deque<std::uint32_t> wakeups_;
    std::atomic<int> taken_{0};
    platform::WakeEvent wake_;
    platform::Timeouts current_;
    std::vector<platform::Transfer*> pending_;  // stalled writes not yet ended
};

}  // namespace skyvane::testing
