// SPDX-License-Identifier: GPL-3.0-or-later
// A small periodic timer that is not a component. All tick timers of the process
// share one dispatcher, created with the first timer and destroyed with the last;
// ticks run on the GUI thread and never overlap.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace skyvane {

class TTickTimer;
// The tick handler: called with the timer that ticked.
using TTickEvent = std::function<void(TTickTimer* sender)>;

class TTickTimer {
public:
    // A stopped timer with a period of 1000 ms and no handler.
    TTickTimer();
    // A stopped timer with the given period and handler.
    TTickTimer(unsigned periodMs, TTickEvent onTick);
    ~TTickTimer();
    TTickTimer(const TTickTimer&) = delete;
    TTickTimer& operator=(const TTickTimer&) = delete;

    // The identifier the dispatcher knows this timer by (its own address).
    std::uintptr_t TimerId() const { return reinterpret_cast<std::uintptr_t>(this); }
    // The requested state; true while suspended too (period 0 or no handler).
    bool Running() const { return running_; }
    // true: Activate; false: Deactivate(true).
    void SetRunning(bool running);
    unsigned Period() const { return periodMs_; }
    // A new period restarts a running timer; 0 suspends it.
    void SetPeriod(unsigned periodMs);
    // Removing the handler suspends a running timer; setting one does not resume it.
    void SetTickHandler(TTickEvent onTick);
    const TTickEvent& OnTick() const { return onTick_; }
    // True: the timer stops itself before delivering its tick.
    bool OneShot() const { return oneShot_; }
    void SetOneShot(bool oneShot) { oneShot_ = oneShot; }

    // Starts (or restarts, from now) the system timer; false with period 0 or when
    // the system timer cannot be set.
    bool Activate();
    // Kills the system timer; with clearRunning false the timer is only suspended.
    // Returns whether a system timer was killed.
    bool Deactivate(bool clearRunning);

private:
    friend class TTickTimerHandler;
    bool running_ = false;
    unsigned periodMs_ = 1000;
    bool oneShot_ = false;
    TTickEvent onTick_;
};

class TTickTimerHandlerPrivate;

// The shared dispatcher of all tick timers: it sets and kills the system timers and
// turns their ticks back into the timer they belong to.
class TTickTimerHandler {
public:
    // The shared handler, or nullptr while no timer exists.
    static TTickTimerHandler* Shared();
    // Number of live timers using it.
    unsigned ReferenceCount() const { return refCount_; }

    // Sets (or resets, starting a new phase) the system timer for `timerId`; false if
    // it cannot be set.
    bool SetTimer(std::uintptr_t timerId, unsigned periodMs);
    // Kills the system timer for `timerId`; false if there was none.
    bool KillTimer(std::uintptr_t timerId);
    // True while a system timer for `timerId` is set.
    bool HasTimer(std::uintptr_t timerId) const;
    // How many times a system timer was set for `timerId` (each set starts a new phase).
    unsigned Generation(std::uintptr_t timerId) const;
    // Delivers one tick for `timerId`: ignored when no live timer has that identifier;
    // a one-shot timer is stopped first, then its handler runs.
    void HandleTimerMessage(std::uintptr_t timerId);

    ~TTickTimerHandler();

private:
    friend class TTickTimer;
    friend class TTickTimerHandlerPrivate;
    TTickTimerHandler();
    static void Acquire(TTickTimer* timer);
    static void Release(TTickTimer* timer);

    std::unique_ptr<TTickTimerHandlerPrivate> d_;
    unsigned refCount_ = 0;
};

}  // namespace skyvane
