// SPDX-License-Identifier: GPL-3.0-or-later
// The toolkit's timer component: ticks on the GUI thread while enabled.
#pragma once

#include <QTimer>
#include <functional>

#include "toolkit/Component.h"

namespace skyvane {

class TTimer : public TComponent {
public:
    explicit TTimer(TComponent* owner);

    // While true the timer ticks every Interval ms. Switching it on starts a new period.
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    // The period in milliseconds (default 1000). A new value starts a new period.
    unsigned Interval() const { return interval_; }
    void SetInterval(unsigned interval);
    // The tick handler; a timer without one does not run.
    const TNotifyEvent& OnTimer() const { return onTimer_; }
    void SetOnTimer(TNotifyEvent handler);

private:
    void Update();

    QTimer timer_;
    bool enabled_ = true;
    unsigned interval_ = 1000;
    TNotifyEvent onTimer_;
};

}  // namespace skyvane
