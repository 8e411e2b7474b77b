// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/GuiThread.h"

#include <poll.h>

#include <QCoreApplication>
#include <QMetaObject>
#include <QSocketNotifier>
#include <QThread>
#include <atomic>
#include <deque>
#include <mutex>

#include "toolkit/ExceptionReport.h"

namespace skyvane {

namespace {

// The calls waiting for the GUI thread, and the descriptor that wakes it: set when
// a call is queued into an empty queue (a queue that holds calls is being served
// or about to be) and by NotifyGuiWaiters.
struct CallQueue {
    std::mutex mutex;
    std::deque<std::shared_ptr<TGuiCall>> pending;
    platform::WakeEvent wake;
    std::atomic<bool> watched{false};  // the GUI thread's event loop watches `wake`
};

// Never destroyed: a thread that frees itself may still be ending as the program exits.
CallQueue& Queue() {
    static CallQueue& queue = *new CallQueue;
    return queue;
}

// On the GUI thread: lets the event loop serve the queue whenever `wake` is set.
void WatchQueue() {
    CallQueue& q = Queue();
    QCoreApplication* app = QCoreApplication::instance();
    if (q.watched || !app) return;
    auto* notifier = new QSocketNotifier(q.wake.NativeHandle(), QSocketNotifier::Read, app);
    // Served before the descriptor is reset, so that a call runs without waiting
    // for that; served again after it, for a call queued in between.
    QObject::connect(notifier, &QSocketNotifier::activated, [] {
        ServeQueuedCalls();
        Queue().wake.Reset();
        ServeQueuedCalls();
    });
    QObject::connect(notifier, &QObject::destroyed, [] { Queue().watched = false; });
    q.watched = true;
}

void Enqueue(std::shared_ptr<TGuiCall> call) {
    CallQueue& q = Queue();
    bool wasEmpty;
    {
        std::lock_guard lock(q.mutex);
        wasEmpty = q.pending.empty();
        q.pending.push_back(std::move(call));
    }
    if (wasEmpty) q.wake.Set();
    // Before the GUI thread has watched the queue (no call was made from it yet),
    // one posted event has it start.
    if (!q.watched)
        if (QCoreApplication* app = QCoreApplication::instance())
            QMetaObject::invokeMethod(
                app,
                [] {
                    WatchQueue();
                    ServeQueuedCalls();
                },
                Qt::QueuedConnection);
}

// One reusable call per thread for Synchronize and one for SendAndRelease.
struct ThreadCalls {
    const std::function<void()>* synchronized = nullptr;
    std::shared_ptr<TGuiCall> synchronize = TGuiCall::Make([this] { (*synchronized)(); });
    std::shared_ptr<TGuiCall> send = TGuiCall::Make(nullptr, true);
};

ThreadCalls& CallsOfThisThread() {
    thread_local ThreadCalls calls;
    return calls;
}

}  // namespace

bool IsGuiThread() {
    QCoreApplication* app = QCoreApplication::instance();
    return !app || QThread::currentThread() == app->thread();
}

std::shared_ptr<TGuiCall> TGuiCall::Make(std::function<void()> body, bool releaseOnPickup) {
    return std::shared_ptr<TGuiCall>(new TGuiCall(std::move(body), releaseOnPickup));
}

void TGuiCall::Post() {
    finished_.Shut();
    Enqueue(shared_from_this());
}

void TGuiCall::Run() {
    if (releaseOnPickup_) {
        std::function<void()> body = std::move(body_);
        finished_.Open();
        Guarded(body);
        return;
    }
    try {
        body_();
    } catch (...) {
        error_ = std::current_exception();
    }
    finished_.Open();
}

void Synchronize(const std::function<void()>& call) {
    if (IsGuiThread()) {
        call();
        return;
    }
    ThreadCalls& calls = CallsOfThisThread();
    calls.synchronized = &call;
    calls.synchronize->Post();
    calls.synchronize->Finished().Wait();
    if (std::exception_ptr error = calls.synchronize->TakeError()) std::rethrow_exception(error);
}

void SendAndRelease(std::function<void()> call) {
    if (IsGuiThread()) {
        Guarded(call);
        return;
    }
    ThreadCalls& calls = CallsOfThisThread();
    calls.send->SetBody(std::move(call));
    calls.send->Post();
    calls.send->Finished().Wait();
}

void ServeQueuedCalls() {
    CallQueue& q = Queue();
    WatchQueue();
    for (;;) {
        std::shared_ptr<TGuiCall> call;
        {
            std::lock_guard lock(q.mutex);
            if (q.pending.empty()) return;
            call = std::move(q.pending.front());
            q.pending.pop_front();
        }
        call->Run();
    }
}

void WaitServingCalls(const std::function<bool()>& done) {
    CallQueue& q = Queue();
    for (;;) {
        ServeQueuedCalls();
        if (done()) return;
        pollfd p{q.wake.NativeHandle(), POLLIN, 0};
        if (poll(&p, 1, -1) == 1) q.wake.Reset();
    }
}

void NotifyGuiWaiters() {
    Queue().wake.Set();
}

}  // namespace skyvane
