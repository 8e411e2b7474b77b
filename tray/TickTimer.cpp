// SPDX-License-Identifier: GPL-3.0-or-later
#include "tray/TickTimer.h"

#include <QObject>
#include <QTimerEvent>
#include <map>

#include "toolkit/ExceptionReport.h"

namespace skyvane {

// The dispatcher's hidden part: a QObject whose Qt timers stand for the system
// timers, keyed by the tick timers' identifiers.
class TTickTimerHandlerPrivate : public QObject {
public:
    explicit TTickTimerHandlerPrivate(TTickTimerHandler* handler) : handler_(handler) {}

    struct SystemTimer {
        int qtId = 0;             // 0: not set
        unsigned generation = 0;  // number of sets so far
    };
    std::map<std::uintptr_t, TTickTimer*> live;
    std::map<std::uintptr_t, SystemTimer> timers;
    std::map<int, std::uintptr_t> byQtId;

protected:
    void timerEvent(QTimerEvent* event) override {
        auto it = byQtId.find(event->timerId());
        if (it == byQtId.end()) return;
        const std::uintptr_t id = it->second;
        Guarded([&] { handler_->HandleTimerMessage(id); });
    }

private:
    TTickTimerHandler* handler_;
};

namespace {
TTickTimerHandler* sharedTimerHandler = nullptr;
}

TTickTimerHandler::TTickTimerHandler() : d_(std::make_unique<TTickTimerHandlerPrivate>(this)) {}

TTickTimerHandler::~TTickTimerHandler() {
    for (auto& [qtId, id] : d_->byQtId) d_->killTimer(qtId);
}

TTickTimerHandler* TTickTimerHandler::Shared() {
    return sharedTimerHandler;
}

void TTickTimerHandler::Acquire(TTickTimer* timer) {
    if (!sharedTimerHandler) sharedTimerHandler = new TTickTimerHandler;
    ++sharedTimerHandler->refCount_;
    sharedTimerHandler->d_->live[timer->TimerId()] = timer;
}

void TTickTimerHandler::Release(TTickTimer* timer) {
    if (!sharedTimerHandler) return;
    sharedTimerHandler->d_->live.erase(timer->TimerId());
    sharedTimerHandler->d_->timers.erase(timer->TimerId());
    if (sharedTimerHandler->refCount_ > 0) --sharedTimerHandler->refCount_;
    if (sharedTimerHandler->refCount_ == 0) {
        delete sharedTimerHandler;
        sharedTimerHandler = nullptr;
    }
}

bool TTickTimerHandler::SetTimer(std::uintptr_t timerId, unsigned periodMs) {
    KillTimer(timerId);
    const int qtId = d_->startTimer(static_cast<int>(periodMs), Qt::PreciseTimer);
    if (qtId == 0) return false;
    TTickTimerHandlerPrivate::SystemTimer& timer = d_->timers[timerId];
    timer.qtId = qtId;
    ++timer.generation;
    d_->byQtId[qtId] = timerId;
    return true;
}

bool TTickTimerHandler::KillTimer(std::uintptr_t timerId) {
    auto it = d_->timers.find(timerId);
    if (it == d_->timers.end() || it->second.qtId == 0) return false;
    d_->killTimer(it->second.qtId);
    d_->byQtId.erase(it->second.qtId);
    it->second.qtId = 0;
    return true;
}

bool TTickTimerHandler::HasTimer(std::uintptr_t timerId) const {
    auto it = d_->timers.find(timerId);
    return it != d_->timers.end() && it->second.qtId != 0;
}

unsigned TTickTimerHandler::Generation(std::uintptr_t timerId) const {
    auto it = d_->timers.find(timerId);
    return it == d_->timers.end() ? 0 : it->second.generation;
}

void TTickTimerHandler::HandleTimerMessage(std::uintptr_t timerId) {
    auto it = d_->live.find(timerId);
    if (it == d_->live.end()) return;
    TTickTimer* timer = it->second;
    if (timer->OneShot()) timer->Deactivate(true);
    if (timer->OnTick()) {
        const TTickEvent handler = timer->OnTick();  // the handler may replace itself
        handler(timer);
    }
}

TTickTimer::TTickTimer() {
    TTickTimerHandler::Acquire(this);
}

TTickTimer::TTickTimer(unsigned periodMs, TTickEvent onTick) : periodMs_(periodMs) {
    SetTickHandler(std::move(onTick));
    TTickTimerHandler::Acquire(this);
}

TTickTimer::~TTickTimer() {
    if (running_) Deactivate(true);
    TTickTimerHandler::Release(this);
}

void TTickTimer::SetRunning(bool running) {
    if (running)
        Activate();
    else
        Deactivate(true);
}

void TTickTimer::SetPeriod(unsigned periodMs) {
    if (periodMs == periodMs_) return;
    periodMs_ = periodMs;
    if (!running_) return;
    if (periodMs_ != 0)
        Activate();
    else
        Deactivate(false);
}

void TTickTimer::SetTickHandler(TTickEvent onTick) {
    onTick_ = std::move(onTick);
    if (!onTick_ && running_) Deactivate(false);
}

bool TTickTimer::Activate() {
    if (periodMs_ == 0) return false;
    if (running_) Deactivate(true);
    TTickTimerHandler* handler = TTickTimerHandler::Shared();
    if (!handler || !handler->SetTimer(TimerId(), periodMs_)) return false;
    running_ = true;
    return true;
}

bool TTickTimer::Deactivate(bool clearRunning) {
    if (clearRunning) running_ = false;
    TTickTimerHandler* handler = TTickTimerHandler::Shared();
    return handler && handler->KillTimer(TimerId());
}

}  // namespace skyvane
