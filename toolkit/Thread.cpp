// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/Thread.h"

#include <cstdio>

#include "toolkit/GuiThread.h"

namespace skyvane {

TThread::~TThread() {
    if (thread_.joinable()) {
        // A derived destructor forgot TerminateAndWait; joining here is the least harm.
        std::fprintf(stderr, "TThread destroyed while running\n");
        Terminate();
        thread_.join();
    }
}

void TThread::Start() {
    if (thread_.joinable() || finished_) return;
    thread_ = std::thread([this] { Run(); });
}

void TThread::Run() {
    try {
        Execute();
    } catch (...) {
        fatal_ = std::current_exception();
    }
    finished_ = true;
    NotifyGuiWaiters();
    bool freeSelf;
    {
        std::lock_guard lock(lifeMutex_);
        bodyReturned_ = true;
        freeSelf = freeOnTerminate_;
    }
    if (freeSelf) delete this;
}

void TThread::FreeOnTerminate(std::unique_ptr<TThread> thread) {
    TThread* t = thread.release();
    {
        std::lock_guard lock(t->lifeMutex_);
        if (!t->bodyReturned_ && t->thread_.joinable()) {
            t->thread_.detach();
            t->freeOnTerminate_ = true;
            return;
        }
    }
    delete t;  // nothing left to wait for but the thread's last instructions
}

void TThread::WaitFor() {
    if (!thread_.joinable()) return;
    if (IsGuiThread()) WaitServingCalls([this] { return finished_.load(); });
    thread_.join();
}

void TThread::TerminateAndWait() {
    Terminate();
    WaitFor();
}

}  // namespace skyvane
