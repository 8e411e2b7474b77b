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
