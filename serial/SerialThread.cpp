// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/SerialThread.h"

#include <sched.h>

#include "platform/serial_device.h"
#include "platform/thread_name.h"
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

// Leaves the device quiet when event delivery ends: no events, both queues emptied.
void QuietDevice(SerialDevice& device) {
    device.SetEventMask(0);
    device.Purge(false, false, true, true);
}

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

TSerialThread::TSerialThread(TCustomSerialPort* ownerPort)
    : ownerPort_(ownerPort), syncMethod_(ownerPort->SyncMethod()) {
    if (syncMethod_ == smThreadSync) delivery_ = TGuiCall::Make([this] { Process(); });
    // The open port keeps this mask; which events are looked for on a timer follows
    // the handlers.
    if (auto device = ownerPort_->Device())
        device->SetEventMask(EventsToMask(ownerPort_->WaitedEvents()));
    ownerPort_->UpdatePromptEvents();
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

void TSerialThread::Release(std::unique_ptr<TSerialThread> thread) {
    thread->released_ = true;
    thread->SignalStop();
    if (thread->processingOn_.load() != std::this_thread::get_id()) {
        thread.reset();  // waits, serving its queued delivery: that does nothing now
        return;
    }
    // The caller runs inside the thread's own delivery (on the GUI thread, or on the
    // event thread itself with smNone), which the thread outlives: it cannot be
    // waited for here. Stopped, it leaves the device at once.
    if (thread->syncMethod_ != smNone) thread->leftDevice_.wait(false);
    if (auto device = thread->ownerPort_->Device()) QuietDevice(*device);
    thread->abandoned_ = true;
    TThread::FreeOnTerminate(std::move(thread));
}

void TSerialThread::LeaveDevice() {
    leftDevice_ = true;
    leftDevice_.notify_all();
}

// Wait, deliver, wait again. A stop, a failed wait or a hang-up ends the loop; a
// device that hung up reports Failed at once forever, so waiting again would spin.
// The thread holds no reference of its own to the device, so that a port closed
// from a handler frees the line at once: once it has left the device, the thread
// touches it no more.
void TSerialThread::Execute() {
    NameCurrentThread("serial events");
    SerialDevice& device = *ownerPort_->Device();
    struct Ending {
        TSerialThread& thread;
        SerialDevice& device;
        ~Ending() {
            // Nothing of this thread may stay queued for the GUI thread, nor run there.
            if (thread.delivery_) thread.delivery_->Finished().Wait();
            thread.LeaveDevice();
            if (!thread.abandoned_) QuietDevice(device);
        }
    } ending{*this, device};
    platform::WaitGate* gate = delivery_ ? &delivery_->Finished() : nullptr;
    for (;;) {
        std::uint32_t mask = 0;
        const WaitResult result = device.WaitEvents(stopEvent_, mask, gate);
        if (result != WaitResult::Events) {
            LeaveDevice();
            return;
        }
        // An exception from the previous delivery ends the thread, as it would have
        // had the thread waited for that delivery.
        if (delivery_)
            if (std::exception_ptr error = delivery_->TakeError()) std::rethrow_exception(error);
        pendingEvents_ = MaskToEvents(mask);
        DeliverEvents();
        if (abandoned_) return;
    }
}

void TSerialThread::DeliverEvents() {
    switch (syncMethod_) {
        case smThreadSync:
            delivery_->Post();
            break;
        case smWindowSync:
            SendEventMessages();
            break;
        case smNone:
            Process();
            break;
    }
}

void TSerialThread::Process() {
    struct Scope {
        std::atomic<std::thread::id>& on;
        explicit Scope(std::atomic<std::thread::id>& o) : on(o) { on = std::this_thread::get_id(); }
        ~Scope() { on = std::thread::id{}; }
    } scope(processingOn_);
    for (TSerialEvent e : ProcessingOrder) {
        // A handler may have closed or destroyed the port: then touch nothing of it.
        if (released_) return;
        if (pendingEvents_.Contains(e)) ownerPort_->ProcessEvent(e);
    }
}

void TSerialThread::SendEventMessages() {
    for (TSerialEvent e : ProcessingOrder) {
        if (released_) return;
        if (pendingEvents_.Contains(e))
            ownerPort_->Notifier()->Send(PortEventMessage, EventMessageCode(e));
    }
}

void TSerialNotifier::Send(unsigned message, std::uint32_t code) {
    SendAndRelease([this, message, code] { HandleMessage(message, code); });
}

void TSerialNotifier::HandleMessage(unsigned message, std::uint32_t code) {
    if (message != PortEventMessage || !port_->Connected() || !port_->EventThread()) return;
    for (unsigned i = 0; i < std::size(kEventBits); ++i) {
        if (kEventBits[i] != code) continue;
        // Nothing here is touched once the step has run: its handler may free the port.
        Guarded([port = port_, i] { port->ProcessEvent(static_cast<TSerialEvent>(i)); });
        return;
    }
}

}  // namespace skyvane
