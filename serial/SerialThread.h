// SPDX-License-Identifier: GPL-3.0-or-later
// The event thread of an open port, the mappings between event sets and device
// masks, and the notifier that carries events to the GUI thread one by one.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>

#include "platform/wake_event.h"
#include "serial/SerialTypes.h"
#include "toolkit/GuiThread.h"
#include "toolkit/Thread.h"

namespace skyvane {

class TCustomSerialPort;

// The device event mask of a set of events.
std::uint32_t EventsToMask(TSerialEvents events);
// The events of a device event mask; other bits are ignored.
TSerialEvents MaskToEvents(std::uint32_t mask);
// The line-error set of device error flags; parity errors only when `parityCheck`.
TSerialErrors ErrorFlagsToErrors(std::uint32_t flags, bool parityCheck);
// The code that names an event in a notifier message (the event's mask bit).
std::uint32_t EventMessageCode(TSerialEvent event);

// The order in which one wake-up's events are processed (line errors before the
// byte count: both come from the one status call that clears the errors).
inline constexpr std::array<TSerialEvent, 10> ProcessingOrder = {
    evError, evRxChar, evTxEmpty, evBreak, evRing, evCTS, evDSR, evRxFlag, evRLSD, evRx80Full};

// The message that carries one event to a port's notifier.
inline constexpr unsigned PortEventMessage = 0x0400 + 1;

// Waits on the port's device and hands every wake-up's events on by the port's
// SyncMethod. Created at Open (when Events is not empty), ended at Close through
// Release, which cuts every tie to the port first: from then on the thread and the
// deliveries it has queued touch neither the port nor its device.
//
// While it waits, the device takes arriving bytes into its input queue. With
// smThreadSync the thread hands a wake-up to the GUI thread and goes back to the
// device at once: it takes further bytes meanwhile, but hands nothing more over
// until that delivery has finished, and it never ends while a delivery of its own
// is queued or running.
class TSerialThread final : public TThread {
public:
    // Sets the device's event mask from the port's Events at the open, and its prompt
    // events from the handlers; starts.
    explicit TSerialThread(TCustomSerialPort* ownerPort);
    // SignalStop, then waits for the body to end (serving GUI-thread calls meanwhile).
    ~TSerialThread() override;
    // Ends the wait loop promptly.
    void SignalStop();
    // The events of the latest wake-up.
    TSerialEvents PendingEvents() const { return pendingEvents_; }
    // Ends the thread for a port that is closing. A delivery not yet under way does
    // nothing; one under way stops before its next processing step. The thread is
    // waited for here, unless the caller runs inside one of its deliveries (a handler
    // closing its own port): then, once the thread has left the device, the port
    // quiets the device itself, and the thread frees itself when that delivery has
    // returned.
    static void Release(std::unique_ptr<TSerialThread> thread);

protected:
    void Execute() override;

private:
    void DeliverEvents();
    // Runs the wake-up's processing steps in the fixed order while the port holds on.
    void Process();
    void SendEventMessages();
    // The thread will touch the device no more.
    void LeaveDevice();

    TCustomSerialPort* ownerPort_;
    const TSyncMethod syncMethod_;
    platform::WakeEvent stopEvent_;
    TSerialEvents pendingEvents_;
    // The smThreadSync hand-over, made once; shared with the GUI thread's queue.
    std::shared_ptr<TGuiCall> delivery_;
    std::atomic<bool> released_{false};            // the port has let go: touch nothing of it
    std::atomic<bool> abandoned_{false};           // the port quieted the device itself
    std::atomic<bool> leftDevice_{false};          // the thread touches the device no more
    std::atomic<std::thread::id> processingOn_{};  // the thread running Process, if any
};

// The hidden receiver of smWindowSync delivery: the event thread sends it one
// message per event; it answers at once and processes on the GUI thread.
class TSerialNotifier {
public:
    explicit TSerialNotifier(TCustomSerialPort* port) : port_(port) {}
    // Called on the event thread: hands the message over and returns once the GUI
    // thread has taken it up.
    void Send(unsigned message, std::uint32_t code);
    // The message procedure, on the GUI thread: runs the processing step the code
    // names while the port is connected and its delivery runs (a message picked up
    // while the port closes does nothing); an exception goes to the standard report.
    void HandleMessage(unsigned message, std::uint32_t code);

private:
    TCustomSerialPort* port_;
};

}  // namespace skyvane
