// SPDX-License-Identifier: GPL-3.0-or-later
// The event thread of an open port, the mappings between event sets and device
// masks, and the notifier that carries events to the GUI thread one by one.
#pragma once

#include <array>
#include <cstdint>

#include "platform/wake_event.h"
#include "serial/SerialTypes.h"
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
// SyncMethod. Created at Open (when Events is not empty), destroyed at Close.
class TSerialThread final : public TThread {
public:
    // Sets the device's event mask from the port's Events and starts waiting.
    explicit TSerialThread(TCustomSerialPort* ownerPort);
    // SignalStop, then waits for the body to end (serving GUI-thread calls meanwhile).
    ~TSerialThread() override;
    // Ends the wait loop promptly.
    void SignalStop();
    // The events of the latest wake-up.
    TSerialEvents PendingEvents() const { return pendingEvents_; }

protected:
    void Execute() override;

private:
    void DeliverEvents();
    void SendEventMessages();

    TCustomSerialPort* ownerPort_;
    platform::WakeEvent stopEvent_;
    TSerialEvents pendingEvents_;
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
    // names while the port is connected; an exception goes to the standard report.
    void HandleMessage(unsigned message, std::uint32_t code);

private:
    TCustomSerialPort* port_;
};

}  // namespace skyvane
