// SPDX-License-Identifier: GPL-3.0-or-later
// The serial port component: its settings objects, opening and closing, event
// delivery through the event thread, and overlapped-style reads and writes.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/serial_device.h"
#include "serial/SerialErrors.h"
#include "serial/SerialTypes.h"
#include "toolkit/Component.h"

namespace skyvane {

class TCustomSerialPort;
class TSerialThread;
class TSerialNotifier;
class TCustomIniFile;
class TRegistry;

// The groups of settings the persistence operations cover.
enum TStoredGroup : std::uint8_t {
    sgBasic,
    sgFlowControl,
    sgBuffer,
    sgTimeouts,
    sgParity,
    sgOthers
};
// A set of stored groups.
using TStoredGroups = TEnumSet<TStoredGroup, std::uint8_t>;

// Received characters: Count bytes wait in the input queue.
using TRxCharEvent = std::function<void(TComponent* sender, int count)>;
// Received bytes handed over in a buffer (declared for completeness; never raised).
using TRxBufEvent = std::function<void(TComponent* sender, const void* buffer, int count)>;
// Line errors that occurred.
using TSerialErrorEvent = std::function<void(TComponent* sender, TSerialErrors errors)>;
// A modem line changed; onOff is its present level.
using TSerialSignalEvent = std::function<void(TComponent* sender, bool onOff)>;

// Base of the four settings objects: a back-reference to the owning port and assignment.
class TSerialSettings {
public:
    explicit TSerialSettings(TCustomSerialPort* ownerPort) : ownerPort_(ownerPort) {}
    virtual ~TSerialSettings() = default;
    // The port this object belongs to, or nullptr for a free-standing object.
    TCustomSerialPort* OwnerPort() const { return ownerPort_; }
    // The class name, as used in the assignment error.
    virtual const char* ClassName() const = 0;
    // Copies every field of `source` (same class only) without applying anything;
    // another class raises EAssignError and copies nothing.
    void Assign(const TSerialSettings& source);

protected:
    // Copies the fields of a source known to be of this class.
    virtual void AssignFields(const TSerialSettings& source) = 0;
    // Stores `value` into `field` if it differs; true when it did.
    template <class T>
    static bool Store(T& field, T value) {
        if (field == value) return false;
        field = value;
        return true;
    }

private:
    TCustomSerialPort* ownerPort_;
};

// The five time-outs in milliseconds; a change applies the port's time-outs.
class TSerialTimeouts : public TSerialSettings {
public:
    explicit TSerialTimeouts(TCustomSerialPort* ownerPort = nullptr) : TSerialSettings(ownerPort) {}
    const char* ClassName() const override { return "TSerialTimeouts"; }
    // Longest gap between two received bytes; -1 (maximum) with both read totals 0: return at once.
    std::int32_t ReadInterval() const { return readInterval_; }
    void SetReadInterval(std::int32_t v);
    // Per-byte part of a read's time limit.
    std::int32_t ReadTotalMultiplier() const { return readTotalMultiplier_; }
    void SetReadTotalMultiplier(std::int32_t v);
    // Fixed part of a read's time limit.
    std::int32_t ReadTotalConstant() const { return readTotalConstant_; }
    void SetReadTotalConstant(std::int32_t v);
    // Per-byte part of a write's time limit.
    std::int32_t WriteTotalMultiplier() const { return writeTotalMultiplier_; }
    void SetWriteTotalMultiplier(std::int32_t v);
    // Fixed part of a write's time limit.
    std::int32_t WriteTotalConstant() const { return writeTotalConstant_; }
    void SetWriteTotalConstant(std::int32_t v);

protected:
    void AssignFields(const TSerialSettings& source) override;

private:
    void Changed(bool changed);
    std::int32_t readInterval_ = -1;
    std::int32_t readTotalMultiplier_ = 0;
    std::int32_t readTotalConstant_ = 0;
    std::int32_t writeTotalMultiplier_ = 100;
    std::int32_t writeTotalConstant_ = 1000;
};

// Hardware and software flow control; a change applies the port's line settings.
class TSerialFlowControl : public TSerialSettings {
public:
    explicit TSerialFlowControl(TCustomSerialPort* ownerPort = nullptr)
        : TSerialSettings(ownerPort) {}
    const char* ClassName() const override { return "TSerialFlowControl"; }
    // Output waits for CTS.
    bool OutCTSFlow() const { return outCTSFlow_; }
    void SetOutCTSFlow(bool v);
    // Output waits for DSR.
    bool OutDSRFlow() const { return outDSRFlow_; }
    void SetOutDSRFlow(bool v);
    // The DTR line's mode.
    TDTRFlowControl ControlDTR() const { return controlDTR_; }
    void SetControlDTR(TDTRFlowControl v);
    // The RTS line's mode.
    TRTSFlowControl ControlRTS() const { return controlRTS_; }
    void SetControlRTS(TRTSFlowControl v);
    // XON/XOFF on output.
    bool XonXoffOut() const { return xonXoffOut_; }
    void SetXonXoffOut(bool v);
    // XON/XOFF on input.
    bool XonXoffIn() const { return xonXoffIn_; }
    void SetXonXoffIn(bool v);
    // Received bytes are ignored while DSR is low.
    bool DSRSensitivity() const { return dsrSensitivity_; }
    void SetDSRSensitivity(bool v);
    // Output goes on after XOFF has been sent.
    bool TxContinueOnXoff() const { return txContinueOnXoff_; }
    void SetTxContinueOnXoff(bool v);
    // The XON and XOFF characters.
    char XonChar() const { return xonChar_; }
    void SetXonChar(char v);
    char XoffChar() const { return xoffChar_; }
    void SetXoffChar(char v);
    // The preset the switches describe: hardware, software, none, or custom.
    TFlowControl FlowControl() const;
    // Sets the switches of a preset (custom keeps them) and applies the line settings.
    void SetFlowControl(TFlowControl v);

protected:
    void AssignFields(const TSerialSettings& source) override;

private:
    void Changed(bool changed);
    bool outCTSFlow_ = false;
    bool outDSRFlow_ = false;
    TDTRFlowControl controlDTR_ = dtrDisable;
    TRTSFlowControl controlRTS_ = rtsDisable;
    bool xonXoffOut_ = false;
    bool xonXoffIn_ = false;
    bool dsrSensitivity_ = false;
    bool txContinueOnXoff_ = false;
    char xonChar_ = 17;
    char xoffChar_ = 19;
};

// Parity bits, checking and replacement; a change applies the port's line settings.
class TSerialParity : public TSerialSettings {
public:
    explicit TSerialParity(TCustomSerialPort* ownerPort = nullptr) : TSerialSettings(ownerPort) {}
    const char* ClassName() const override { return "TSerialParity"; }
    // The parity bit on the line.
    TParityBits Bits() const { return bits_; }
    void SetBits(TParityBits v);
    // Received parity errors are checked (and reported).
    bool Check() const { return check_; }
    void SetCheck(bool v);
    // Bytes with parity errors are replaced by ReplaceChar (only with Check).
    bool Replace() const { return replace_; }
    void SetReplace(bool v);
    char ReplaceChar() const { return replaceChar_; }
    void SetReplaceChar(char v);

protected:
    void AssignFields(const TSerialSettings& source) override;

private:
    void Changed(bool changed);
    TParityBits bits_ = prNone;
    bool check_ = false;
    bool replace_ = false;
    char replaceChar_ = 0;
};

// Queue sizes (a positive odd size is lowered by one); a change applies the queue sizes.
class TSerialBuffer : public TSerialSettings {
public:
    explicit TSerialBuffer(TCustomSerialPort* ownerPort = nullptr) : TSerialSettings(ownerPort) {}
    const char* ClassName() const override { return "TSerialBuffer"; }
    // Receive queue size; a quarter of it is the XON/XOFF limit.
    std::int32_t InputSize() const { return inputSize_; }
    void SetInputSize(std::int32_t v);
    // Transmit queue size.
    std::int32_t OutputSize() const { return outputSize_; }
    void SetOutputSize(std::int32_t v);

protected:
    void AssignFields(const TSerialSettings& source) override;

private:
    void SetSize(std::int32_t& field, std::int32_t v);
    std::int32_t inputSize_ = 1024;
    std::int32_t outputSize_ = 1024;
};

// Which operation a transfer record was last used for.
enum TTransferKind : std::uint8_t { xkWrite = 0, xkRead = 1 };

// One transfer: the device's record of it and its kind.
struct TSerialTransfer {
    platform::Transfer Overlapped;
    TTransferKind Kind = xkWrite;
};

// The serial port component.
class TCustomSerialPort : public TComponent {
public:
    // Builds a closed port with the default settings.
    explicit TCustomSerialPort(TComponent* owner);
    // Closes the port (when BeforeDestruction has not), then frees what it owns.
    ~TCustomSerialPort() override;

    // --- Lifecycle ---
    // Opens the device and starts event delivery; raises ESerialPort. Does nothing
    // while open, in design mode, or once destruction has begun.
    void Open();
    // Stops event delivery and closes the device; raises ESerialPort. Allowed from
    // any handler in every delivery mode: the rest of the wake-up under delivery is
    // dropped, and the device is free once Close returns, so the handler may open the
    // port again. Deliveries still waiting for the GUI thread are dropped, not run.
    void Close();
    // True while the port is open (in design mode or while loading: the stored flag).
    bool Connected() const { return connected_; }
    // Opens (true) or closes (false) the port.
    void SetConnected(bool v);
    // The device name, such as "ttyUSB0" or "/dev/pts/3".
    const std::string& Port() const { return port_; }
    // Stores the name; an open port is closed and opened again under it.
    void SetPort(const std::string& v);
    // The thread and route on which events are processed.
    TSyncMethod SyncMethod() const { return syncMethod_; }
    // Refused with code 14 while the port is open.
    void SetSyncMethod(TSyncMethod v);
    // The events the event thread waits for.
    TSerialEvents Events() const { return events_; }
    // Stored only; takes effect at the next open.
    void SetEvents(TSerialEvents v) { events_ = v; }
    // What the event thread of the open port waits for: Events as it was at the open.
    TSerialEvents WaitedEvents() const { return openEvents_; }
    // The waited-for events the device looks for on a timer as well (HandledEvents):
    // one no handler would see is reported when the thread wakes anyway, and costs no
    // wake-up of its own.
    TSerialEvents PromptEvents() const { return openEvents_ & HandledEvents(); }
    // Opens the update bracket: setting changes do not reach the device meanwhile.
    void BeginSettingsUpdate();
    // Closes it; the outermost end applies every setting at once.
    void EndSettingsUpdate();
    // Opens the port when the stored layout said connected (errors are reported).
    void LayoutLoaded() override;
    // The modal setup dialog for this port (defined with the setup dialog).
    void ShowSettingsDialog();

    // --- Line settings ---
    // The speed: a standard rate, or brCustom for CustomBaudRate.
    TBaudRate BaudRate() const { return baudRate_; }
    void SetBaudRate(TBaudRate v);
    // The speed used with brCustom.
    std::int32_t CustomBaudRate() const { return customBaudRate_; }
    void SetCustomBaudRate(std::int32_t v);
    // The character size.
    TDataBits DataBits() const { return dataBits_; }
    void SetDataBits(TDataBits v);
    // The stop bits.
    TStopBits StopBits() const { return stopBits_; }
    void SetStopBits(TStopBits v);
    // Received NUL bytes are dropped.
    bool DiscardNull() const { return discardNull_; }
    void SetDiscardNull(bool v);
    // The character that raises OnRxFlag.
    char EventChar() const { return eventChar_; }
    void SetEventChar(char v);
    // The port's own settings objects; their setters apply at once.
    TSerialParity* Parity() const { return parity_.get(); }
    TSerialFlowControl* FlowControl() const { return flowControl_.get(); }
    TSerialTimeouts* Timeouts() const { return timeouts_.get(); }
    TSerialBuffer* Buffer() const { return buffer_.get(); }
    // Whole-object setters: copy every field into the port's own object, then apply.
    void SetParity(const TSerialParity& v);
    void SetFlowControl(const TSerialFlowControl& v);
    void SetTimeouts(const TSerialTimeouts& v);
    void SetBuffer(const TSerialBuffer& v);

    // --- Settings persistence (SerialPersistence.cpp) ---
    // The groups the four operations below cover; {sgBasic} for a new port.
    TStoredGroups StoredGroups() const { return storedGroups_; }
    void SetStoredGroups(TStoredGroups groups) { storedGroups_ = groups; }
    // Writes the covered settings as values under the registry's current key; stops at
    // the first write the registry refuses (ERegistryException).
    virtual void StoreToRegistry(TRegistry& registry);
    // Writes the covered settings into the section named after the port; stops at the
    // first write the file refuses (EIniFileException).
    virtual void StoreToIniFile(TCustomIniFile& iniFile);
    // Reads and applies the covered settings from the registry's current key; stops at a
    // missing integer or a value of the wrong type (ERegistryException) or a setter's error.
    virtual void LoadFromRegistry(TRegistry& registry);
    // Reads and applies the covered settings from the port's section; a missing key keeps
    // the setting, a malformed value falls back; stops only at a setter's error.
    virtual void LoadFromIniFile(TCustomIniFile& iniFile);
    // The device line settings the properties describe.
    platform::LineSettings DeviceLineSettings() const;
    // The device time-outs the properties describe (-1 becomes 0xFFFFFFFF).
    platform::Timeouts DeviceTimeouts() const;

    // --- Reading and writing ---
    // A new transfer record (kind xkWrite, nothing moved).
    static TSerialTransfer* NewTransfer();
    // Frees a record; the reference becomes nullptr.
    void FreeTransfer(TSerialTransfer*& transfer);
    // Writes the text and waits; returns the bytes written.
    int WriteText(const std::string& text);
    // Reads up to `count` bytes into `text` and waits; returns the bytes read.
    int ReadText(std::string& text, int count);
    // Reads up to `count` bytes into `buffer` and waits; returns the bytes read.
    int ReadBuffer(void* buffer, int count);
    // Starts a write; returns the bytes written at once (0 while pending).
    int WriteBufferAsync(const void* buffer, int count, TSerialTransfer* transfer);
    // Starts a write of the text's bytes (nothing for an empty text).
    int WriteTextAsync(const std::string& text, TSerialTransfer* transfer);
    // Starts a read; returns the bytes read at once (0 while pending).
    int ReadBufferAsync(void* buffer, int count, TSerialTransfer* transfer);
    // Sizes `text` to `count` and starts a read into it.
    int ReadTextAsync(std::string& text, int count, TSerialTransfer* transfer);
    // Waits for a started transfer; returns the bytes it moved.
    int WaitForTransfer(TSerialTransfer* transfer);
    // Aborts every pending read and write.
    void CancelTransfers();
    // The number of received bytes in the input queue.
    int BytesWaiting();

    // --- Events ---
    // Setting or clearing a handler changes which events are looked for promptly.
    void SetOnRxChar(TRxCharEvent h) { SetHandler(onRxChar_, std::move(h)); }
    const TRxCharEvent& OnRxChar() const { return onRxChar_; }
    void SetOnRxBuf(TRxBufEvent h) { onRxBuf_ = std::move(h); }
    void SetOnTxEmpty(TNotifyEvent h) { SetHandler(onTxEmpty_, std::move(h)); }
    void SetOnBreak(TNotifyEvent h) { SetHandler(onBreak_, std::move(h)); }
    void SetOnRing(TNotifyEvent h) { SetHandler(onRing_, std::move(h)); }
    void SetOnCTSChange(TSerialSignalEvent h) { SetHandler(onCTSChange_, std::move(h)); }
    void SetOnDSRChange(TSerialSignalEvent h) { SetHandler(onDSRChange_, std::move(h)); }
    void SetOnRLSDChange(TSerialSignalEvent h) { SetHandler(onRLSDChange_, std::move(h)); }
    void SetOnError(TSerialErrorEvent h) { SetHandler(onError_, std::move(h)); }
    void SetOnRxFlag(TNotifyEvent h) { SetHandler(onRxFlag_, std::move(h)); }
    void SetOnAfterOpen(TNotifyEvent h) { onAfterOpen_ = std::move(h); }
    void SetOnAfterClose(TNotifyEvent h) { onAfterClose_ = std::move(h); }
    void SetOnBeforeOpen(TNotifyEvent h) { onBeforeOpen_ = std::move(h); }
    void SetOnBeforeClose(TNotifyEvent h) { onBeforeClose_ = std::move(h); }
    void SetOnRx80Full(TNotifyEvent h) { SetHandler(onRx80Full_, std::move(h)); }

    // --- Processing steps (event thread, notifier, Open and Close) ---
    // Raises OnRxChar with the bytes waiting, when there are any.
    void ProcessRxChar();
    void ProcessTxEmpty();
    void ProcessRxFlag();
    void ProcessRing();
    void ProcessBreak();
    // Raise the signal events with the present levels.
    void ProcessCTSChange();
    void ProcessDSRChange();
    void ProcessRLSDChange();
    // Raises OnError with the pending line errors, when there are any.
    void ProcessError();
    void ProcessRx80Full();
    // Runs the processing step of one event.
    void ProcessEvent(TSerialEvent event);
    // The pending line errors as a set (parity errors only while Parity.Check); code 10.
    TSerialErrors TakeLineErrors();
    // The modem input levels (MS_* bits); code 11.
    std::uint32_t ModemSignals();
    // The open device, shared with transfers under way; nullptr while closed.
    std::shared_ptr<platform::SerialDevice> Device() const;
    // The event thread of the open port, or nullptr (no events, or closed).
    const TSerialThread* EventThread() const { return eventThread_.get(); }
    // The receiver of smWindowSync delivery while the event thread runs in that mode.
    TSerialNotifier* Notifier() const { return notifyWindow_.get(); }

protected:
    // Destruction begins: the port closes while its owner is whole, so the close
    // events and the end of event delivery happen before anything is freed.
    void BeforeDestruction() override;
    // Opens the device named by Port; code 1.
    virtual void AcquireDevice();
    // Closes the device.
    virtual void ReleaseDevice();
    // Queue sizes, line settings, time-outs, in this order.
    virtual void ApplyAllSettings();
    // Hands the line settings to the device; code 7.
    virtual void ApplyLineSettings();
    // Hands the time-outs to the device; code 8.
    virtual void ApplyTimeoutSettings();
    // Hands the queue sizes to the device; code 9.
    virtual void ApplyQueueSizes();
    // Installs the opened device (for AcquireDevice and its overrides).
    void AttachDevice(std::shared_ptr<platform::SerialDevice> device);
    // The events looked for promptly: those with a handler set. A class that overrides
    // a Fire hook gets its event either way, and adds it here to get it without delay.
    virtual TSerialEvents HandledEvents() const;
    // Hands the device the prompt events, when they have changed.
    void UpdatePromptEvents();

    // Each calls its handler with this port as sender, when one is set.
    virtual void FireAfterClose();
    virtual void FireAfterOpen();
    virtual void FireBeforeClose();
    virtual void FireBeforeOpen();
    virtual void FireRxChar(int count);
    virtual void FireRxBuf(const void* buffer, int count);
    virtual void FireTxEmpty();
    virtual void FireBreak();
    virtual void FireRing();
    virtual void FireRxFlag();
    virtual void FireCTSChange(bool onOff);
    virtual void FireDSRChange(bool onOff);
    virtual void FireError(TSerialErrors errors);
    virtual void FireRLSDChange(bool onOff);
    virtual void FireRx80Full();

private:
    friend class TSerialTimeouts;
    friend class TSerialFlowControl;
    friend class TSerialParity;
    friend class TSerialBuffer;
    friend class TSerialThread;

    // The apply guard: connected, no update bracket open, not designing, not loading.
    bool CanApply() const;
    bool Live() const { return !IsDesigning() && !IsLoading(); }
    template <class T>
    void StoreLine(T& field, T value);
    // Starts the event thread (and the notifier for smWindowSync).
    void StartEventDelivery();
    // Close for destruction: an error is reported, and the port is closed anyway.
    void CloseForDestruction();
    // Calls a handler with this port as sender, when it is set and its owner is not
    // being freed (handlers belong to the owner and may use what it held).
    template <class Handler, class... Args>
    void Raise(const Handler& handler, Args... args);
    template <class Handler>
    void SetHandler(Handler& field, Handler handler) {
        const bool was = static_cast<bool>(field);
        field = std::move(handler);
        if (was != static_cast<bool>(field)) UpdatePromptEvents();
    }
    // Notes the held line settings as the ones the open device has accepted.
    void RememberAcceptedLine();
    // After the open device refused line settings: the held ones go back to those it
    // last accepted, when it has accepted any since it was opened.
    void RestoreAcceptedLine();

    std::unique_ptr<TSerialThread> eventThread_;
    bool threadRunning_ = false;
    mutable std::mutex deviceMutex_;
    std::shared_ptr<platform::SerialDevice> device_;
    std::unique_ptr<TSerialNotifier> notifyWindow_;
    std::int32_t updateDepth_ = 0;
    struct TAcceptedLine;
    std::unique_ptr<TAcceptedLine> acceptedLine_;  // none before the device accepts any
    bool connected_ = false;
    TBaudRate baudRate_ = br9600;
    std::int32_t customBaudRate_ = 9600;
    std::string port_ = "COM1";
    TStopBits stopBits_ = sbOneStopBit;
    TDataBits dataBits_ = dbEight;
    bool discardNull_ = false;
    char eventChar_ = 0;
    TSerialEvents events_ = AllSerialEvents;
    TSerialEvents openEvents_;      // Events as they were at the open
    std::uint32_t promptMask_ = 0;  // the prompt events the device has from this port
    std::unique_ptr<TSerialBuffer> buffer_;
    std::unique_ptr<TSerialParity> parity_;
    std::unique_ptr<TSerialTimeouts> timeouts_;
    std::unique_ptr<TSerialFlowControl> flowControl_;
    TSyncMethod syncMethod_ = smThreadSync;
    TStoredGroups storedGroups_ = {sgBasic};

    TRxCharEvent onRxChar_;
    TRxBufEvent onRxBuf_;
    TNotifyEvent onTxEmpty_, onBreak_, onRing_;
    TSerialSignalEvent onCTSChange_, onDSRChange_, onRLSDChange_;
    TSerialErrorEvent onError_;
    TNotifyEvent onRxFlag_, onAfterOpen_, onAfterClose_, onBeforeOpen_, onBeforeClose_, onRx80Full_;
};

// The published serial port: the component as the forms use it.
class TSerialPort : public TCustomSerialPort {
public:
    using TCustomSerialPort::TCustomSerialPort;
};

}  // namespace skyvane
