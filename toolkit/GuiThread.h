// SPDX-License-Identifier: GPL-3.0-or-later
// Calls from other threads onto the GUI thread (the thread of the Qt application
// object) and the GUI-thread wait that keeps serving them.
#pragma once

#include <functional>

namespace skyvane {

// True on the GUI thread (or when no Qt application object exists yet).
bool IsGuiThread();

// Runs `call` on the GUI thread and waits until it has finished; an exception that
// escapes it is raised again here. On the GUI thread itself `call` runs at once.
void Synchronize(const std::function<void()>& call);

// Hands `call` to the GUI thread and waits only until the GUI thread has taken it
// up, like a sent message answered at once; the GUI thread then runs it, and an
// exception escaping it goes to the standard exception report. On the GUI thread
// itself `call` runs at once.
void SendAndRelease(std::function<void()> call);

// On the GUI thread: waits until `done()` is true, running meanwhile the calls that
// Synchronize and SendAndRelease queue, and nothing else (no other Qt events). The
// waiter is woken by queued calls and by NotifyGuiWaiters.
void WaitServingCalls(const std::function<bool()>& done);

// Wakes WaitServingCalls so it tests its condition again (call after changing it).
void NotifyGuiWaiters();

// Runs every call queued for the GUI thread so far (the Qt event loop does this by
// itself; tests and modal loops may call it directly). GUI thread only.
void ServeQueuedCalls();

}  // namespace skyvane
