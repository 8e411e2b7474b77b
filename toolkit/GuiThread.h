// SPDX-License-Identifier: GPL-3.0-or-later
// Calls from other threads onto the GUI thread (the thread of the Qt application
// object) and the GUI-thread wait that keeps serving them. The GUI thread's event
// loop watches one descriptor for them; a call handed over while the queue already
// holds one costs no further wake-up.
#pragma once

#include <exception>
#include <functional>
#include <memory>
#include <utility>

#include "platform/wake_event.h"

namespace skyvane {

// True on the GUI thread (or when no Qt application object exists yet).
bool IsGuiThread();

// A call that one thread hands to the GUI thread again and again: made once, it
// costs no allocation per hand-over. The caller waits for Finished whenever it
// likes, alone or together with other descriptors.
class TGuiCall : public std::enable_shared_from_this<TGuiCall> {
public:
    // `body` runs on the GUI thread at every hand-over. With `releaseOnPickup`,
    // Finished opens as soon as the GUI thread takes the call up, before the body
    // runs, and an exception escaping the body goes to the standard exception report.
    static std::shared_ptr<TGuiCall> Make(std::function<void()> body, bool releaseOnPickup = false);
    TGuiCall(const TGuiCall&) = delete;
    TGuiCall& operator=(const TGuiCall&) = delete;

    // Replaces the body; only while Finished is open.
    void SetBody(std::function<void()> body) { body_ = std::move(body); }
    // Shuts Finished and queues the body for the GUI thread; returns at once. The
    // previous hand-over must have finished.
    void Post();
    // Opens when the posted body has run.
    platform::WaitGate& Finished() { return finished_; }
    // The exception that escaped the latest body, if any; taken once.
    std::exception_ptr TakeError() { return std::exchange(error_, nullptr); }

private:
    friend void ServeQueuedCalls();
    TGuiCall(std::function<void()> body, bool releaseOnPickup)
        : body_(std::move(body)), releaseOnPickup_(releaseOnPickup) {}
    // On the GUI thread: runs the body and opens Finished.
    void Run();

    std::function<void()> body_;
    const bool releaseOnPickup_;
    std::exception_ptr error_;
    platform::WaitGate finished_;
};

// Runs `call` on the GUI thread and waits until it has finished; an exception that
// escapes it is raised again here. On the GUI thread itself `call` runs at once.
void Synchronize(const std::function<void()>& call);

// Hands `call` to the GUI thread and waits only until the GUI thread has taken it
// up, like a sent message answered at once; the GUI thread then runs it, and an
// exception escaping it goes to the standard exception report. On the GUI thread
// itself `call` runs at once.
void SendAndRelease(std::function<void()> call);

// On the GUI thread: waits until `done()` is true, running meanwhile the calls that
// other threads hand over, and nothing else (no other Qt events). The waiter is
// woken by handed-over calls and by NotifyGuiWaiters.
void WaitServingCalls(const std::function<bool()>& done);

// Wakes WaitServingCalls so it tests its condition again (call after changing it).
void NotifyGuiWaiters();

// Runs every call handed to the GUI thread so far (the Qt event loop does this by
// itself; tests and modal loops may call it directly). GUI thread only.
void ServeQueuedCalls();

}  // namespace skyvane
