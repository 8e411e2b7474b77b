// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/GuiThread.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>

#include "toolkit/ExceptionReport.h"

namespace skyvane {

namespace {

// One call waiting for the GUI thread.
struct QueuedCall {
    std::function<void()> call;
    bool releaseOnPickup = false;  // SendAndRelease: the caller waits only for pickup
    bool taken = false;
    bool finished = false;
    std::exception_ptr error;
};

struct CallQueue {
    std::mutex mutex;
    std::condition_variable changed;  // a call was queued, taken or finished; or NotifyGuiWaiters
    std::deque<std::shared_ptr<QueuedCall>> pending;
    unsigned long generation = 0;     // bumped on every change, so waiters never miss one
};

// Never destroyed: a thread that frees itself may still be ending as the program exits.
CallQueue& Queue() {
    static CallQueue& queue = *new CallQueue;
    return queue;
}

// Asks the Qt event loop to serve the queue; a waiting GUI thread is woken directly.
void WakeGuiThread() {
    if (QCoreApplication* app = QCoreApplication::instance())
        QMetaObject::invokeMethod(app, [] { ServeQueuedCalls(); }, Qt::QueuedConnection);
}

void Enqueue(const std::shared_ptr<QueuedCall>& item) {
    CallQueue& q = Queue();
    {
        std::lock_guard lock(q.mutex);
        q.pending.push_back(item);
        ++q.generation;
    }
    q.changed.notify_all();
    WakeGuiThread();
}

void RunOne(const std::shared_ptr<QueuedCall>& item) {
    CallQueue& q = Queue();
    if (item->releaseOnPickup) {
        {
            std::lock_guard lock(q.mutex);
            item->taken = true;
            ++q.generation;
        }
        q.changed.notify_all();
        Guarded(item->call);
        return;
    }
    try {
        item->call();
    } catch (...) {
        item->error = std::current_exception();
    }
    {
        std::lock_guard lock(q.mutex);
        item->finished = true;
        ++q.generation;
    }
    q.changed.notify_all();
}

}  // namespace

bool IsGuiThread() {
    QCoreApplication* app = QCoreApplication::instance();
    return !app || QThread::currentThread() == app->thread();
}

void Synchronize(const std::function<void()>& call) {
    if (IsGuiThread()) {
        call();
        return;
    }
    auto item = std::make_shared<QueuedCall>();
    item->call = call;
    Enqueue(item);
    CallQueue& q = Queue();
    {
        std::unique_lock lock(q.mutex);
        q.changed.wait(lock, [&] { return item->finished; });
    }
    if (item->error) std::rethrow_exception(item->error);
}

void SendAndRelease(std::function<void()> call) {
    if (IsGuiThread()) {
        Guarded(call);
        return;
    }
    auto item = std::make_shared<QueuedCall>();
    item->call = std::move(call);
    item->releaseOnPickup = true;
    Enqueue(item);
    CallQueue& q = Queue();
    std::unique_lock lock(q.mutex);
    q.changed.wait(lock, [&] { return item->taken; });
}

void ServeQueuedCalls() {
    CallQueue& q = Queue();
    for (;;) {
        std::shared_ptr<QueuedCall> item;
        {
            std::lock_guard lock(q.mutex);
            if (q.pending.empty()) return;
            item = q.pending.front();
            q.pending.pop_front();
        }
        RunOne(item);
    }
}

void WaitServingCalls(const std::function<bool()>& done) {
    CallQueue& q = Queue();
    for (;;) {
        // Note the generation before serving: a call queued after the serving but
        // before the note would otherwise be counted as seen and never served.
        unsigned long seen;
        {
            std::lock_guard lock(q.mutex);
            seen = q.generation;
        }
        ServeQueuedCalls();
        if (done()) return;
        std::unique_lock lock(q.mutex);
        q.changed.wait(lock, [&] { return q.generation != seen; });
    }
}

void NotifyGuiWaiters() {
    CallQueue& q = Queue();
    {
        std::lock_guard lock(q.mutex);
        ++q.generation;
    }
    q.changed.notify_all();
}

}  // namespace skyvane
