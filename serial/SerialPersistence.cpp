// SPDX-License-Identifier: GPL-3.0-or-later
// Storing the port's settings in an INI-style section or under a registry key, and
// loading them back: one table of keys drives all four operations.
#include <string>
#include <string_view>

#include "serial/SerialPort.h"
#include "serial/SerialText.h"
#include "toolkit/IniFile.h"
#include "toolkit/Registry.h"

namespace skyvane {

namespace {

using Port = TCustomSerialPort;

// One stored setting. A text setting has `text`/`setText`, an integer one
// `number`/`setNumber`.
struct StoredKey {
    TStoredGroup group;
    const char* name;
    std::string (*text)(const Port&);
    void (*setText)(Port&, std::string_view);
    std::int32_t (*number)(const Port&);
    void (*setNumber)(Port&, std::int32_t);
};

constexpr const char* CustomBaudRateKey = "CustomBaudRate";
// The INI default of CustomBaudRate, whatever the port's present custom rate.
constexpr std::int32_t CustomBaudRateDefault = 9600;

// The keys in processing order: groups basic, others, parity, buffer, timeouts, flow
// control. "FlowControl" sets the preset before the detailed keys, so they win.
const StoredKey Keys[] = {
    {sgBasic, "Port", [](const Port& p) { return p.Port(); },
     [](Port& p, std::string_view t) { p.SetPort(std::string(t)); }, nullptr, nullptr},
    {sgBasic, "BaudRate", [](const Port& p) { return BaudRateToText(p.BaudRate()); },
     [](Port& p, std::string_view t) { p.SetBaudRate(TextToBaudRate(t)); }, nullptr, nullptr},
    {sgBasic, CustomBaudRateKey, nullptr, nullptr, [](const Port& p) { return p.CustomBaudRate(); },
     [](Port& p, std::int32_t v) { p.SetCustomBaudRate(v); }},
    {sgBasic, "StopBits", [](const Port& p) { return StopBitsToText(p.StopBits()); },
     [](Port& p, std::string_view t) { p.SetStopBits(TextToStopBits(t)); }, nullptr, nullptr},
    {sgBasic, "DataBits", [](const Port& p) { return DataBitsToText(p.DataBits()); },
     [](Port& p, std::string_view t) { p.SetDataBits(TextToDataBits(t)); }, nullptr, nullptr},
    {sgBasic, "Parity", [](const Port& p) { return ParityToText(p.Parity()->Bits()); },
     [](Port& p, std::string_view t) { p.Parity()->SetBits(TextToParity(t)); }, nullptr, nullptr},
    {sgBasic, "FlowControl",
     [](const Port& p) { return FlowControlToText(p.FlowControl()->FlowControl()); },
     [](Port& p, std::string_view t) { p.FlowControl()->SetFlowControl(TextToFlowControl(t)); },
     nullptr, nullptr},
    {sgOthers, "EventChar", [](const Port& p) { return CharToText(p.EventChar()); },
     [](Port& p, std::string_view t) { p.SetEventChar(TextToChar(t)); }, nullptr, nullptr},
    {sgOthers, "DiscardNull", [](const Port& p) { return BoolToYesNo(p.DiscardNull()); },
     [](Port& p, std::string_view t) { p.SetDiscardNull(YesNoToBool(t)); }, nullptr, nullptr},
    {sgParity, "Parity.Check", [](const Port& p) { return BoolToYesNo(p.Parity()->Check()); },
     [](Port& p, std::string_view t) { p.Parity()->SetCheck(YesNoToBool(t)); }, nullptr, nullptr},
    {sgParity, "Parity.Replace", [](const Port& p) { return BoolToYesNo(p.Parity()->Replace()); },
     [](Port& p, std::string_view t) { p.Parity()->SetReplace(YesNoToBool(t)); }, nullptr, nullptr},
    {sgParity, "Parity.ReplaceChar",
     [](const Port& p) { return CharToText(p.Parity()->ReplaceChar()); },
     [](Port& p, std::string_view t) { p.Parity()->SetReplaceChar(TextToChar(t)); }, nullptr,
     nullptr},
    {sgBuffer, "Buffer.OutputSize", nullptr, nullptr,
     [](const Port& p) { return p.Buffer()->OutputSize(); },
     [](Port& p, std::int32_t v) { p.Buffer()->SetOutputSize(v); }},
    {sgBuffer, "Buffer.InputSize", nullptr, nullptr,
     [](const Port& p) { return p.Buffer()->InputSize(); },
     [](Port& p, std::int32_t v) { p.Buffer()->SetInputSize(v); }},
    {sgTimeouts, "Timeouts.ReadInterval", nullptr, nullptr,
     [](const Port& p) { return p.Timeouts()->ReadInterval(); },
     [](Port& p, std::int32_t v) { p.Timeouts()->SetReadInterval(v); }},
    {sgTimeouts, "Timeouts.ReadTotalConstant", nullptr, nullptr,
     [](const Port& p) { return p.Timeouts()->ReadTotalConstant(); },
     [](Port& p, std::int32_t v) { p.Timeouts()->SetReadTotalConstant(v); }},
    {sgTimeouts, "Timeouts.ReadTotalMultiplier", nullptr, nullptr,
     [](const Port& p) { return p.Timeouts()->ReadTotalMultiplier(); },
     [](Port& p, std::int32_t v) { p.Timeouts()->SetReadTotalMultiplier(v); }},
    {sgTimeouts, "Timeouts.WriteTotalConstant", nullptr, nullptr,
     [](const Port& p) { return p.Timeouts()->WriteTotalConstant(); },
     [](Port& p, std::int32_t v) { p.Timeouts()->SetWriteTotalConstant(v); }},
    {sgTimeouts, "Timeouts.WriteTotalMultiplier", nullptr, nullptr,
     [](const Port& p) { return p.Timeouts()->WriteTotalMultiplier(); },
     [](Port& p, std::int32_t v) { p.Timeouts()->SetWriteTotalMultiplier(v); }},
    {sgFlowControl, "FlowControl.ControlRTS",
     [](const Port& p) { return RTSToText(p.FlowControl()->ControlRTS()); },
     [](Port& p, std::string_view t) { p.FlowControl()->SetControlRTS(TextToRTS(t)); }, nullptr,
     nullptr},
    {sgFlowControl, "FlowControl.ControlDTR",
     [](const Port& p) { return DTRToText(p.FlowControl()->ControlDTR()); },
     [](Port& p, std::string_view t) { p.FlowControl()->SetControlDTR(TextToDTR(t)); }, nullptr,
     nullptr},
    {sgFlowControl, "FlowControl.DSRSensitivity",
     [](const Port& p) { return BoolToYesNo(p.FlowControl()->DSRSensitivity()); },
     [](Port& p, std::string_view t) { p.FlowControl()->SetDSRSensitivity(YesNoToBool(t)); },
     nullptr, nullptr},
    {sgFlowControl, "FlowControl.OutCTSFlow",
     [](const Port& p) { return BoolToYesNo(p.FlowControl()->OutCTSFlow()); },
     [](Port& p, std::string_view t) { p.FlowControl()->SetOutCTSFlow(YesNoToBool(t)); }, nullptr,
     nullptr},
    {sgFlowControl, "FlowControl.OutDSRFlow",
     [](const Port& p) { return BoolToYesNo(p.FlowControl()->OutDSRFlow()); },
     [](Port& p, std::string_view t) { p.FlowControl()->SetOutDSRFlow(YesNoToBool(t)); }, nullptr,
     nullptr},
    {sgFlowControl, "FlowControl.TxContinueOnXoff",
     [](const Port& p) { return BoolToYesNo(p.FlowControl()->TxContinueOnXoff()); },
     [](Port& p, std::string_view t) { p.FlowControl()->SetTxContinueOnXoff(YesNoToBool(t)); },
     nullptr, nullptr},
    {sgFlowControl, "FlowControl.XonXoffIn",
     [](const Port& p) { return BoolToYesNo(p.FlowControl()->XonXoffIn()); },
     [](Port& p, std::string_view t) { p.FlowControl()->SetXonXoffIn(YesNoToBool(t)); }, nullptr,
     nullptr},
    {sgFlowControl, "FlowControl.XonXoffOut",
     [](const Port& p) { return BoolToYesNo(p.FlowControl()->XonXoffOut()); },
     [](Port& p, std::string_view t) { p.FlowControl()->SetXonXoffOut(YesNoToBool(t)); }, nullptr,
     nullptr},
    {sgFlowControl, "FlowControl.XoffChar",
     [](const Port& p) { return CharToText(p.FlowControl()->XoffChar()); },
     [](Port& p, std::string_view t) { p.FlowControl()->SetXoffChar(TextToChar(t)); }, nullptr,
     nullptr},
    {sgFlowControl, "FlowControl.XonChar",
     [](const Port& p) { return CharToText(p.FlowControl()->XonChar()); },
     [](Port& p, std::string_view t) { p.FlowControl()->SetXonChar(TextToChar(t)); }, nullptr,
     nullptr},
};

// Whether `key` takes part for `port` now: its group is covered, and CustomBaudRate only
// while the baud rate (as just stored or applied) is brCustom.
bool Covers(const Port& port, const StoredKey& key) {
    if (!port.StoredGroups().Contains(key.group)) return false;
    return key.name != std::string_view(CustomBaudRateKey) || port.BaudRate() == brCustom;
}

// The registry's text up to its first zero byte, as a string value is read.
std::string UpToZero(std::string text) {
    if (const std::size_t zero = text.find('\0'); zero != std::string::npos) text.resize(zero);
    return text;
}

}  // namespace

void TCustomSerialPort::StoreToRegistry(TRegistry& registry) {
    for (const StoredKey& key : Keys) {
        if (!Covers(*this, key)) continue;
        if (key.text)
            registry.WriteString(key.name, key.text(*this));
        else
            registry.WriteInteger(key.name, key.number(*this));
    }
}

void TCustomSerialPort::StoreToIniFile(TCustomIniFile& iniFile) {
    for (const StoredKey& key : Keys) {
        if (!Covers(*this, key)) continue;
        iniFile.WriteString(Name(), key.name,
                            key.text ? key.text(*this) : std::to_string(key.number(*this)));
    }
}

void TCustomSerialPort::LoadFromRegistry(TRegistry& registry) {
    for (const StoredKey& key : Keys) {
        if (!Covers(*this, key)) continue;
        if (key.text)
            key.setText(*this, UpToZero(registry.ReadString(key.name)));
        else
            key.setNumber(*this, registry.ReadInteger(key.name));
    }
}

void TCustomSerialPort::LoadFromIniFile(TCustomIniFile& iniFile) {
    for (const StoredKey& key : Keys) {
        if (!Covers(*this, key)) continue;
        if (key.text) {
            key.setText(*this, iniFile.ReadString(Name(), key.name, key.text(*this)));
        } else {
            const std::int32_t fallback = key.name == std::string_view(CustomBaudRateKey)
                                              ? CustomBaudRateDefault
                                              : key.number(*this);
            const std::string text = iniFile.ReadString(Name(), key.name, std::to_string(fallback));
            key.setNumber(*this, TextToInt32(text).value_or(fallback));
        }
    }
}

}  // namespace skyvane
