// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/Timer.h"

#include "toolkit/ExceptionReport.h"

namespace skyvane {

TTimer::TTimer(TComponent* owner) : TComponent(owner) {
    // Periods are kept to the millisecond (Qt's default coarse timers drift by 5 %).
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
        Guarded([this] {
            if (onTimer_) onTimer_(this);
        });
    });
    Update();
}

void TTimer::SetEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    Update();
}

void TTimer::SetInterval(unsigned interval) {
    if (interval == interval_) return;
    interval_ = interval;
    Update();
}

void TTimer::SetOnTimer(TNotifyEvent handler) {
    onTimer_ = std::move(handler);
    Update();
}

void TTimer::Update() {
    timer_.stop();
    if (enabled_ && interval_ != 0 && onTimer_) timer_.start(static_cast<int>(interval_));
}

}  // namespace skyvane
