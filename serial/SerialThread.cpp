// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/SerialThread.h"

#include <sched.h>

#include "platform/serial_device.h"
#include "serial/SerialPort.h"
#include "toolkit/ExceptionReport.h"
#include "toolkit/GuiThread.h"

namespace skyvane {

namespace {

using namespace platform;

// Mask bit of each event, by ordinal.
constexpr std::uint32_t kEventBits[] = {kEvRxChar, kEvTxEmpty, kEvRxFlag, kEvRing, kEvBreak,
                                        kEvCts,    kEvDsr,     kEvErr,    kEvRlsd, kEvRx80Full};

struct ErrorFlag {
    std::uint32_t flag;
    TSerialError member;
};
constexpr ErrorFlag kErrorFlags[] = {
    {kCeFrame, ceFrame}, {kCeRxParity, ceRxParity}, {kCeOverrun, ceOverrun}, {kCeBreak, ceBreak},
    {kCeIoe, ceIO},      {kCeMode, ceMode},         {kCeRxOver, ceRxOver},   {kCeTxFull, ceTxFull}};

// Leaves the device quiet when the wait loop ends, however it ends: no events,
// both queues emptied.
struct QuietDeviceOnExit {
    SerialDevice* device;
    ~QuietDeviceOnExit() {
        device->SetEventMask(0);
        device->Purge(false, false, true, true);
    }
};

}  // namespace

std::uint32_t EventsToMask(TSerialEvents events) {
    std::uint32_t mask = 0;
    for (unsigned i = 0; i < std::size(kEventBits); ++i)
        if (events.Contains(static_cast<TSerialEvent>(i))) mask |= kEventBits[i];
    return mask;
}

TSerialEvents MaskToEvents(std::uint32_t mask) {
    TSerialEvents events;
    for (unsigned i = 0; i < std::size(kEventBits); ++i)
        if (mask & kEventBits[i]) events.Include(static_cast<TSerialEvent>(i));
    return events;
}

TSerialErrors ErrorFlagsToErrors(std::uint32_t flags, bool parityCheck) {
    TSerialErrors errors;
    for (const ErrorFlag& f : kErrorFlags)
        if ((flags & f.flag) && (f.member != ceRxParity || parityCheck)) errors.Include(f.member);
    return errors;
}

std::uint32_t EventMessageCode(TSerialEvent event) {
    return kEventBits[event];
}

TSerialThread::TSerialThread(TCustomSerialPort* ownerPort) : ownerPort_(ownerPort) {
    ownerPort_->Device()->SetEventMask(EventsToMask(ownerPort_->Events()));
    Start();
}

TSerialThread::~TSerialThread() {
    SignalStop();
    TerminateAndWait();
}

void TSerialThread::SignalStop() {
    stopEvent_.Set();
    sched_yield();
}

// One wake-up at a time: wait, deliver, wait again. A stop, a failed wait or a
// hang-up ends the loop; a device that hung up reports Failed at once forever, so
// waiting again would spin.
void TSerialThread::Execute() {
    const std::shared_ptr<SerialDevice> device = ownerPort_->Device();
    QuietDeviceOnExit quiet{device.get()};
    for (;;) {
        std::uint32_t mask = 0;
        if (device->WaitEvents(stopEvent_, mask) != WaitResult::Events) return;
        pendingEvents_ = MaskToEvents(mask);
        DeliverEvents();
    }
}

void TSerialThread::DeliverEvents() {
    switch (ownerPort_->SyncMethod()) {
        case smThreadSync:
            Synchronize([this] {
                struct Depth {
                    int& depth;
                    explicit Depth(int& d) : depth(d) { ++depth; }
                    ~Depth() { --depth; }
                } during(ownerPort_->guiDeliveryDepth_);
                ownerPort_->ProcessEvents(pendingEvents_);
            });
            break;
        case smWindowSync:
            SendEventMessages();
            break;
        case smNone:
            ownerPort_->ProcessEvents(pendingEvents_);
            break;
    }
}

void TSerialThread::SendEventMessages() {
    TSerialNotifier* notifier = ownerPort_->Notifier();
    for (TSerialEvent e : ProcessingOrder)
        if (pendingEvents_.Contains(e)) notifier->Send(PortEventMessage, EventMessageCode(e));
}

void TSerialNotifier::Send(unsigned message, std::uint32_t code) {
    SendAndRelease([this, message, code] { HandleMessage(message, code); });
}

void TSerialNotifier::HandleMessage(unsigned message, std::uint32_t code) {
    if (message != PortEventMessage || !port_->Connected()) return;
    Guarded([&] {
        for (unsigned i = 0; i < std::size(kEventBits); ++i)
            if (kEventBits[i] == code) port_->ProcessEvents({static_cast<TSerialEvent>(i)});
    });
}

}  // namespace skyvane
