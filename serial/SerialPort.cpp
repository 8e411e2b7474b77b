// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/SerialPort.h"

#include <cerrno>
#include <typeinfo>

#include "serial/SerialThread.h"
#include "toolkit/ExceptionReport.h"
#include "toolkit/GuiThread.h"

namespace skyvane {

namespace {

// A transfer error's port code by the record's kind.
std::int32_t TransferErrorCode(const TSerialTransfer& t) {
    return t.Kind == xkWrite ? spWrite : spRead;
}

}  // namespace

// The held values behind the line settings, as the open device last accepted them.
struct TCustomSerialPort::TAcceptedLine {
    TBaudRate baudRate = br9600;
    std::int32_t customBaudRate = 9600;
    TDataBits dataBits = dbEight;
    TStopBits stopBits = sbOneStopBit;
    bool discardNull = false;
    char eventChar = 0;
    TSerialParity parity;
    TSerialFlowControl flowControl;
};

// --- Settings objects ---

void TSerialSettings::Assign(const TSerialSettings& source) {
    if (typeid(source) != typeid(*this)) throw EAssignError(source.ClassName(), ClassName());
    AssignFields(source);
}

void TSerialTimeouts::Changed(bool changed) {
    if (changed && OwnerPort()) OwnerPort()->ApplyTimeoutSettings();
}
void TSerialTimeouts::SetReadInterval(std::int32_t v) {
    Changed(Store(readInterval_, v));
}
void TSerialTimeouts::SetReadTotalMultiplier(std::int32_t v) {
    Changed(Store(readTotalMultiplier_, v));
}
void TSerialTimeouts::SetReadTotalConstant(std::int32_t v) {
    Changed(Store(readTotalConstant_, v));
}
void TSerialTimeouts::SetWriteTotalMultiplier(std::int32_t v) {
    Changed(Store(writeTotalMultiplier_, v));
}
void TSerialTimeouts::SetWriteTotalConstant(std::int32_t v) {
    Changed(Store(writeTotalConstant_, v));
}
void TSerialTimeouts::AssignFields(const TSerialSettings& source) {
    const auto& s = static_cast<const TSerialTimeouts&>(source);
    readInterval_ = s.readInterval_;
    readTotalMultiplier_ = s.readTotalMultiplier_;
    readTotalConstant_ = s.readTotalConstant_;
    writeTotalMultiplier_ = s.writeTotalMultiplier_;
    writeTotalConstant_ = s.writeTotalConstant_;
}

void TSerialFlowControl::Changed(bool changed) {
    if (changed && OwnerPort()) OwnerPort()->ApplyLineSettings();
}
void TSerialFlowControl::SetOutCTSFlow(bool v) {
    Changed(Store(outCTSFlow_, v));
}
void TSerialFlowControl::SetOutDSRFlow(bool v) {
    Changed(Store(outDSRFlow_, v));
}
void TSerialFlowControl::SetControlDTR(TDTRFlowControl v) {
    Changed(Store(controlDTR_, v));
}
void TSerialFlowControl::SetControlRTS(TRTSFlowControl v) {
    Changed(Store(controlRTS_, v));
}
void TSerialFlowControl::SetXonXoffOut(bool v) {
    Changed(Store(xonXoffOut_, v));
}
void TSerialFlowControl::SetXonXoffIn(bool v) {
    Changed(Store(xonXoffIn_, v));
}
void TSerialFlowControl::SetDSRSensitivity(bool v) {
    Changed(Store(dsrSensitivity_, v));
}
void TSerialFlowControl::SetTxContinueOnXoff(bool v) {
    Changed(Store(txContinueOnXoff_, v));
}
void TSerialFlowControl::SetXonChar(char v) {
    Changed(Store(xonChar_, v));
}
void TSerialFlowControl::SetXoffChar(char v) {
    Changed(Store(xoffChar_, v));
}

TFlowControl TSerialFlowControl::FlowControl() const {
    if (controlRTS_ == rtsHandshake && outCTSFlow_ && !xonXoffIn_ && !xonXoffOut_)
        return fcHardware;
    if (controlRTS_ == rtsDisable && !outCTSFlow_ && xonXoffIn_ && xonXoffOut_) return fcSoftware;
    if (controlRTS_ == rtsDisable && !outCTSFlow_ && !xonXoffIn_ && !xonXoffOut_) return fcNone;
    return fcCustom;
}

void TSerialFlowControl::SetFlowControl(TFlowControl v) {
    if (v != fcCustom) {
        controlRTS_ = rtsDisable;
        outCTSFlow_ = xonXoffIn_ = xonXoffOut_ = false;
        if (v == fcHardware) {
            controlRTS_ = rtsHandshake;
            outCTSFlow_ = true;
        } else if (v == fcSoftware) {
            xonXoffIn_ = xonXoffOut_ = true;
        }
    }
    if (OwnerPort()) OwnerPort()->ApplyLineSettings();
}

void TSerialFlowControl::AssignFields(const TSerialSettings& source) {
    const auto& s = static_cast<const TSerialFlowControl&>(source);
    outCTSFlow_ = s.outCTSFlow_;
    outDSRFlow_ = s.outDSRFlow_;
    controlDTR_ = s.controlDTR_;
    controlRTS_ = s.controlRTS_;
    xonXoffOut_ = s.xonXoffOut_;
    xonXoffIn_ = s.xonXoffIn_;
    dsrSensitivity_ = s.dsrSensitivity_;
    txContinueOnXoff_ = s.txContinueOnXoff_;
    xonChar_ = s.xonChar_;
    xoffChar_ = s.xoffChar_;
}

void TSerialParity::Changed(bool changed) {
    if (changed && OwnerPort()) OwnerPort()->ApplyLineSettings();
}
void TSerialParity::SetBits(TParityBits v) {
    Changed(Store(bits_, v));
}
void TSerialParity::SetCheck(bool v) {
    Changed(Store(check_, v));
}
void TSerialParity::SetReplace(bool v) {
    Changed(Store(replace_, v));
}
void TSerialParity::SetReplaceChar(char v) {
    Changed(Store(replaceChar_, v));
}
void TSerialParity::AssignFields(const TSerialSettings& source) {
    const auto& s = static_cast<const TSerialParity&>(source);
    bits_ = s.bits_;
    check_ = s.check_;
    replace_ = s.replace_;
    replaceChar_ = s.replaceChar_;
}

void TSerialBuffer::SetSize(std::int32_t& field, std::int32_t v) {
    if (!Store(field, v)) return;
    if (field > 0 && field % 2 == 1) --field;
    if (OwnerPort()) OwnerPort()->ApplyQueueSizes();
}
void TSerialBuffer::SetInputSize(std::int32_t v) {
    SetSize(inputSize_, v);
}
void TSerialBuffer::SetOutputSize(std::int32_t v) {
    SetSize(outputSize_, v);
}
void TSerialBuffer::AssignFields(const TSerialSettings& source) {
    const auto& s = static_cast<const TSerialBuffer&>(source);
    inputSize_ = s.inputSize_;
    outputSize_ = s.outputSize_;
}

// --- Construction and destruction ---

TCustomSerialPort::TCustomSerialPort(TComponent* owner) : TComponent(owner) {
    parity_ = std::make_unique<TSerialParity>(this);
    flowControl_ = std::make_unique<TSerialFlowControl>(this);
    timeouts_ = std::make_unique<TSerialTimeouts>(this);
    buffer_ = std::make_unique<TSerialBuffer>(this);
}

TCustomSerialPort::~TCustomSerialPort() {
    CloseForDestruction();
    buffer_.reset();
    flowControl_.reset();
    timeouts_.reset();
    parity_.reset();
}

void TCustomSerialPort::BeforeDestruction() {
    CloseForDestruction();
}

void TCustomSerialPort::CloseForDestruction() {
    try {
        Close();
    } catch (...) {
        // Destruction cannot be refused: report, then stop delivery and release anyway.
        ReportException(std::current_exception());
        threadRunning_ = false;
        if (eventThread_) TSerialThread::Release(std::move(eventThread_));
        notifyWindow_.reset();
        ReleaseDevice();
        connected_ = false;
    }
}

// --- Lifecycle ---

void TCustomSerialPort::Open() {
    if (connected_ || IsDesigning() || IsDestroying()) return;
    FireBeforeOpen();
    AcquireDevice();
    connected_ = true;
    try {
        ApplyAllSettings();
    } catch (...) {
        ReleaseDevice();
        connected_ = false;
        throw;
    }
    StartEventDelivery();
    FireAfterOpen();
    ProcessCTSChange();
    ProcessDSRChange();
    ProcessRLSDChange();
}

void TCustomSerialPort::StartEventDelivery() {
    threadRunning_ = false;
    openEvents_ = events_;
    if (events_.Empty()) return;
    if (syncMethod_ == smWindowSync) notifyWindow_ = std::make_unique<TSerialNotifier>(this);
    threadRunning_ = true;
    promptMask_ = ~std::uint32_t{0};  // none handed to the device yet
    try {
        eventThread_ = std::make_unique<TSerialThread>(this);
    } catch (...) {
        threadRunning_ = false;  // open without event delivery; the error passes on
        notifyWindow_.reset();
        throw;
    }
}

void TCustomSerialPort::Close() {
    if (!connected_ || IsDesigning()) return;
    FireCTSChange(false);
    FireDSRChange(false);
    FireRLSDChange(false);
    FireBeforeClose();
    CancelTransfers();
    if (threadRunning_) {
        threadRunning_ = false;
        TSerialThread::Release(std::move(eventThread_));
        notifyWindow_.reset();
    }
    ReleaseDevice();
    connected_ = false;
    FireAfterClose();
}

void TCustomSerialPort::SetConnected(bool v) {
    if (!Live()) {
        connected_ = v;
        return;
    }
    if (v == connected_) return;
    if (v)
        Open();
    else
        Close();
}

void TCustomSerialPort::SetPort(const std::string& v) {
    if (v == port_) return;
    port_ = v;
    if (connected_ && Live()) {
        Close();
        Open();
    }
}

void TCustomSerialPort::SetSyncMethod(TSyncMethod v) {
    if (v == syncMethod_) return;
    if (connected_ && Live()) throw ESerialPort(spConnectedProperty);
    syncMethod_ = v;
}

void TCustomSerialPort::BeginSettingsUpdate() {
    ++updateDepth_;
}

void TCustomSerialPort::EndSettingsUpdate() {
    if (updateDepth_ <= 0) return;
    if (--updateDepth_ == 0) ApplyAllSettings();
}

void TCustomSerialPort::LayoutLoaded() {
    TComponent::LayoutLoaded();
    if (connected_ && !IsDesigning()) {
        connected_ = false;
        Guarded([this] { Open(); });
    }
}

void TCustomSerialPort::AcquireDevice() {
    int error = 0;
    std::unique_ptr<platform::SerialDevice> device = platform::OpenSerialDevice(port_, error);
    if (!device) throw ESerialPort(spOpen, error);
    AttachDevice(std::move(device));
}

void TCustomSerialPort::ReleaseDevice() {
    std::lock_guard lock(deviceMutex_);
    device_.reset();
    // What that device accepted says nothing of the next one.
    acceptedLine_.reset();
}

void TCustomSerialPort::AttachDevice(std::shared_ptr<platform::SerialDevice> device) {
    std::lock_guard lock(deviceMutex_);
    device_ = std::move(device);
    acceptedLine_.reset();
}

std::shared_ptr<platform::SerialDevice> TCustomSerialPort::Device() const {
    std::lock_guard lock(deviceMutex_);
    return device_;
}

// --- Settings ---

template <class T>
void TCustomSerialPort::StoreLine(T& field, T value) {
    if (field == value) return;
    field = value;
    ApplyLineSettings();
}

void TCustomSerialPort::SetBaudRate(TBaudRate v) {
    StoreLine(baudRate_, v);
}
void TCustomSerialPort::SetCustomBaudRate(std::int32_t v) {
    StoreLine(customBaudRate_, v);
}
void TCustomSerialPort::SetDataBits(TDataBits v) {
    StoreLine(dataBits_, v);
}
void TCustomSerialPort::SetStopBits(TStopBits v) {
    StoreLine(stopBits_, v);
}
void TCustomSerialPort::SetDiscardNull(bool v) {
    StoreLine(discardNull_, v);
}
void TCustomSerialPort::SetEventChar(char v) {
    StoreLine(eventChar_, v);
}

void TCustomSerialPort::SetParity(const TSerialParity& v) {
    parity_->Assign(v);
    ApplyLineSettings();
}
void TCustomSerialPort::SetFlowControl(const TSerialFlowControl& v) {
    flowControl_->Assign(v);
    ApplyLineSettings();
}
void TCustomSerialPort::SetTimeouts(const TSerialTimeouts& v) {
    timeouts_->Assign(v);
    ApplyTimeoutSettings();
}
void TCustomSerialPort::SetBuffer(const TSerialBuffer& v) {
    buffer_->Assign(v);
    ApplyQueueSizes();
}

bool TCustomSerialPort::CanApply() const {
    return connected_ && updateDepth_ == 0 && Live();
}

platform::LineSettings TCustomSerialPort::DeviceLineSettings() const {
    platform::LineSettings s;
    s.baudRate = baudRate_ == brCustom ? customBaudRate_ : BaudRateNumber(baudRate_);
    s.discardNull = discardNull_;
    s.xonChar = flowControl_->XonChar();
    s.xoffChar = flowControl_->XoffChar();
    s.outxCtsFlow = flowControl_->OutCTSFlow();
    s.outxDsrFlow = flowControl_->OutDSRFlow();
    s.dtrControl = static_cast<platform::DtrMode>(flowControl_->ControlDTR());
    s.rtsControl = static_cast<platform::RtsMode>(flowControl_->ControlRTS());
    s.outX = flowControl_->XonXoffOut();
    s.inX = flowControl_->XonXoffIn();
    s.dsrSensitivity = flowControl_->DSRSensitivity();
    s.txContinueOnXoff = flowControl_->TxContinueOnXoff();
    s.parity = parity_->Bits();
    s.stopBits = stopBits_;
    s.byteSize = static_cast<std::uint8_t>(5 + dataBits_);
    s.xonLim = s.xoffLim = static_cast<std::uint16_t>(buffer_->InputSize() / 4);
    s.eventChar = eventChar_;
    s.parityCheck = parity_->Check();
    if (s.parityCheck && parity_->Replace()) {
        s.errorCharEnabled = true;
        s.errorChar = parity_->ReplaceChar();
    }
    return s;
}

platform::Timeouts TCustomSerialPort::DeviceTimeouts() const {
    return {static_cast<std::uint32_t>(timeouts_->ReadInterval()),
            static_cast<std::uint32_t>(timeouts_->ReadTotalMultiplier()),
            static_cast<std::uint32_t>(timeouts_->ReadTotalConstant()),
            static_cast<std::uint32_t>(timeouts_->WriteTotalMultiplier()),
            static_cast<std::uint32_t>(timeouts_->WriteTotalConstant())};
}

void TCustomSerialPort::ApplyAllSettings() {
    ApplyQueueSizes();
    ApplyLineSettings();
    ApplyTimeoutSettings();
}

void TCustomSerialPort::ApplyLineSettings() {
    if (!CanApply()) return;
    const std::shared_ptr<platform::SerialDevice> device = Device();
    if (int e = device->SetLineSettings(DeviceLineSettings())) {
        RestoreAcceptedLine();
        throw ESerialPort(spSetState, e);
    }
    RememberAcceptedLine();
}

void TCustomSerialPort::RememberAcceptedLine() {
    if (!acceptedLine_) acceptedLine_ = std::make_unique<TAcceptedLine>();
    TAcceptedLine& a = *acceptedLine_;
    a.baudRate = baudRate_;
    a.customBaudRate = customBaudRate_;
    a.dataBits = dataBits_;
    a.stopBits = stopBits_;
    a.discardNull = discardNull_;
    a.eventChar = eventChar_;
    a.parity.Assign(*parity_);
    a.flowControl.Assign(*flowControl_);
}

void TCustomSerialPort::RestoreAcceptedLine() {
    // Only what this device accepted since it was opened is gone back to: a refusal at
    // an open (or on a device opened since, inside an update bracket) leaves the new
    // values held, as the user chose them, while the device keeps what it has.
    if (!acceptedLine_) return;
    const TAcceptedLine& a = *acceptedLine_;
    baudRate_ = a.baudRate;
    customBaudRate_ = a.customBaudRate;
    dataBits_ = a.dataBits;
    stopBits_ = a.stopBits;
    discardNull_ = a.discardNull;
    eventChar_ = a.eventChar;
    parity_->Assign(a.parity);
    flowControl_->Assign(a.flowControl);
}

void TCustomSerialPort::ApplyTimeoutSettings() {
    if (!CanApply()) return;
    if (int e = Device()->SetTimeouts(DeviceTimeouts())) throw ESerialPort(spSetTimeouts, e);
}

void TCustomSerialPort::ApplyQueueSizes() {
    if (!CanApply()) return;
    if (int e = Device()->SetQueueSizes(buffer_->InputSize(), buffer_->OutputSize()))
        throw ESerialPort(spSetupComm, e);
}

// --- Reading and writing ---

TSerialTransfer* TCustomSerialPort::NewTransfer() {
    return new TSerialTransfer;
}

void TCustomSerialPort::FreeTransfer(TSerialTransfer*& transfer) {
    if (!transfer) return;
    if (transfer->Overlapped.state == platform::Transfer::State::Pending)
        if (auto device = Device()) device->ReleaseTransfer(transfer->Overlapped);
    delete transfer;
    transfer = nullptr;
}

int TCustomSerialPort::WriteBufferAsync(const void* buffer, int count, TSerialTransfer* transfer) {
    if (!transfer) throw ESerialPort(spAsyncParam);
    transfer->Kind = xkWrite;
    auto device = Device();
    if (!device) throw ESerialPort(spWrite, EBADF);
    if (count < 0) throw ESerialPort(spWrite, EINVAL);
    platform::Transfer& t = transfer->Overlapped;
    if (int e = device->StartWrite(t, static_cast<const char*>(buffer),
                                   static_cast<std::size_t>(count)))
        throw ESerialPort(spWrite, e);
    return t.state == platform::Transfer::State::Done ? static_cast<int>(t.done) : 0;
}

int TCustomSerialPort::WriteTextAsync(const std::string& text, TSerialTransfer* transfer) {
    if (text.empty()) return 0;
    return WriteBufferAsync(text.data(), static_cast<int>(text.size()), transfer);
}

int TCustomSerialPort::ReadBufferAsync(void* buffer, int count, TSerialTransfer* transfer) {
    if (!transfer) throw ESerialPort(spAsyncParam);
    transfer->Kind = xkRead;
    auto device = Device();
    if (!device) throw ESerialPort(spRead, EBADF);
    if (count < 0) throw ESerialPort(spRead, EINVAL);
    platform::Transfer& t = transfer->Overlapped;
    if (int e = device->StartRead(t, static_cast<char*>(buffer), static_cast<std::size_t>(count)))
        throw ESerialPort(spRead, e);
    return t.state == platform::Transfer::State::Done ? static_cast<int>(t.done) : 0;
}

int TCustomSerialPort::ReadTextAsync(std::string& text, int count, TSerialTransfer* transfer) {
    text.resize(count > 0 ? static_cast<std::size_t>(count) : 0);
    if (count <= 0) return 0;
    return ReadBufferAsync(text.data(), count, transfer);
}

int TCustomSerialPort::WaitForTransfer(TSerialTransfer* transfer) {
    if (!transfer) throw ESerialPort(spAsyncParam);
    platform::Transfer& t = transfer->Overlapped;
    int error = 0;
    if (t.state == platform::Transfer::State::Pending) {
        auto device = Device();
        error = device ? device->WaitTransfer(t) : ECANCELED;
    } else if (t.state == platform::Transfer::State::Failed) {
        error = t.error;
    }
    if (error) throw ESerialPort(TransferErrorCode(*transfer), error);
    return static_cast<int>(t.done);
}

namespace {
// Frees a synchronous operation's record however the operation ends.
struct TransferScope {
    TCustomSerialPort& port;
    TSerialTransfer* transfer = TCustomSerialPort::NewTransfer();
    ~TransferScope() { port.FreeTransfer(transfer); }
};
}  // namespace

int TCustomSerialPort::WriteText(const std::string& text) {
    TransferScope scope{*this};
    WriteTextAsync(text, scope.transfer);
    return WaitForTransfer(scope.transfer);
}

int TCustomSerialPort::ReadBuffer(void* buffer, int count) {
    TransferScope scope{*this};
    ReadBufferAsync(buffer, count, scope.transfer);
    return WaitForTransfer(scope.transfer);
}

int TCustomSerialPort::ReadText(std::string& text, int count) {
    TransferScope scope{*this};
    ReadTextAsync(text, count, scope.transfer);
    const int read = WaitForTransfer(scope.transfer);
    text.resize(static_cast<std::size_t>(read));
    return read;
}

void TCustomSerialPort::CancelTransfers() {
    auto device = Device();
    if (!device) throw ESerialPort(spPurge, EBADF);
    if (int e = device->Purge(true, true, false, false)) throw ESerialPort(spPurge, e);
}

int TCustomSerialPort::BytesWaiting() {
    auto device = Device();
    if (!device) throw ESerialPort(spClearComm, EBADF);
    std::uint32_t errors = 0, in = 0;
    if (int e = device->QueueStatus(errors, in)) throw ESerialPort(spClearComm, e);
    return static_cast<int>(in);
}

// --- Event processing ---

TSerialErrors TCustomSerialPort::TakeLineErrors() {
    auto device = Device();
    if (!device) throw ESerialPort(spClearComm, EBADF);
    std::uint32_t errors = 0, in = 0;
    if (int e = device->QueueStatus(errors, in)) throw ESerialPort(spClearComm, e);
    return ErrorFlagsToErrors(errors, parity_->Check());
}

std::uint32_t TCustomSerialPort::ModemSignals() {
    auto device = Device();
    if (!device) throw ESerialPort(spModemStatus, EBADF);
    std::uint32_t status = 0;
    if (int e = device->ModemStatus(status)) throw ESerialPort(spModemStatus, e);
    return status &
           (platform::kMsCtsOn | platform::kMsDsrOn | platform::kMsRingOn | platform::kMsRlsdOn);
}

void TCustomSerialPort::ProcessRxChar() {
    if (int n = BytesWaiting(); n > 0) FireRxChar(n);
}
void TCustomSerialPort::ProcessTxEmpty() {
    FireTxEmpty();
}
void TCustomSerialPort::ProcessRxFlag() {
    FireRxFlag();
}
void TCustomSerialPort::ProcessRing() {
    FireRing();
}
void TCustomSerialPort::ProcessBreak() {
    FireBreak();
}
void TCustomSerialPort::ProcessCTSChange() {
    FireCTSChange(ModemSignals() & platform::kMsCtsOn);
}
void TCustomSerialPort::ProcessDSRChange() {
    FireDSRChange(ModemSignals() & platform::kMsDsrOn);
}
void TCustomSerialPort::ProcessRLSDChange() {
    FireRLSDChange(ModemSignals() & platform::kMsRlsdOn);
}
void TCustomSerialPort::ProcessError() {
    if (TSerialErrors e = TakeLineErrors(); !e.Empty()) FireError(e);
}
void TCustomSerialPort::ProcessRx80Full() {
    FireRx80Full();
}

void TCustomSerialPort::ProcessEvent(TSerialEvent event) {
    switch (event) {
        case evError:
            return ProcessError();
        case evRxChar:
            return ProcessRxChar();
        case evTxEmpty:
            return ProcessTxEmpty();
        case evBreak:
            return ProcessBreak();
        case evRing:
            return ProcessRing();
        case evCTS:
            return ProcessCTSChange();
        case evDSR:
            return ProcessDSRChange();
        case evRxFlag:
            return ProcessRxFlag();
        case evRLSD:
            return ProcessRLSDChange();
        case evRx80Full:
            return ProcessRx80Full();
    }
}

TSerialEvents TCustomSerialPort::HandledEvents() const {
    TSerialEvents handled;
    const struct {
        TSerialEvent event;
        bool set;
    } handlers[] = {{evRxChar, bool(onRxChar_)},   {evTxEmpty, bool(onTxEmpty_)},
                    {evRxFlag, bool(onRxFlag_)},   {evRing, bool(onRing_)},
                    {evBreak, bool(onBreak_)},     {evCTS, bool(onCTSChange_)},
                    {evDSR, bool(onDSRChange_)},   {evError, bool(onError_)},
                    {evRLSD, bool(onRLSDChange_)}, {evRx80Full, bool(onRx80Full_)}};
    for (const auto& h : handlers)
        if (h.set) handled.Include(h.event);
    return handled;
}

void TCustomSerialPort::UpdatePromptEvents() {
    if (!threadRunning_) return;
    const std::uint32_t mask = EventsToMask(PromptEvents());
    if (mask == promptMask_) return;
    promptMask_ = mask;
    if (auto device = Device()) device->SetPromptEvents(mask);
}

// --- Hooks ---

template <class Handler, class... Args>
void TCustomSerialPort::Raise(const Handler& handler, Args... args) {
    if (handler && !(Owner() && Owner()->IsFreeing())) handler(this, args...);
}

void TCustomSerialPort::FireAfterClose() {
    Raise(onAfterClose_);
}
void TCustomSerialPort::FireAfterOpen() {
    Raise(onAfterOpen_);
}
void TCustomSerialPort::FireBeforeClose() {
    Raise(onBeforeClose_);
}
void TCustomSerialPort::FireBeforeOpen() {
    Raise(onBeforeOpen_);
}
void TCustomSerialPort::FireRxChar(int count) {
    Raise(onRxChar_, count);
}
void TCustomSerialPort::FireRxBuf(const void* buffer, int count) {
    Raise(onRxBuf_, buffer, count);
}
void TCustomSerialPort::FireTxEmpty() {
    Raise(onTxEmpty_);
}
void TCustomSerialPort::FireBreak() {
    Raise(onBreak_);
}
void TCustomSerialPort::FireRing() {
    Raise(onRing_);
}
void TCustomSerialPort::FireRxFlag() {
    Raise(onRxFlag_);
}
void TCustomSerialPort::FireCTSChange(bool onOff) {
    Raise(onCTSChange_, onOff);
}
void TCustomSerialPort::FireDSRChange(bool onOff) {
    Raise(onDSRChange_, onOff);
}
void TCustomSerialPort::FireError(TSerialErrors errors) {
    Raise(onError_, errors);
}
void TCustomSerialPort::FireRLSDChange(bool onOff) {
    Raise(onRLSDChange_, onOff);
}
void TCustomSerialPort::FireRx80Full() {
    Raise(onRx80Full_);
}

}  // namespace skyvane
