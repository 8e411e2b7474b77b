// SPDX-License-Identifier: GPL-3.0-or-later
// Storing and loading the port's settings through an INI-style file and the registry.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "serial/SerialPort.h"
#include "serial/SerialText.h"
#include "tests/serial/SerialTestSupport.h"
#include "tests/support/TempDir.h"
#include "toolkit/IniFile.h"
#include "toolkit/Registry.h"

namespace skyvane {
namespace {

using testing::ScriptedPort;

// An INI-style file in memory: entries in the order first written, names matched
// without regard to case; writes fail from the `failFrom`-th one on (1 = the first).
class MemoryIniFile : public TCustomIniFile {
public:
    MemoryIniFile() : TCustomIniFile("memory.ini") {}
    struct Entry {
        std::string section, key, value;
        bool operator==(const Entry&) const = default;
    };
    std::vector<Entry> entries;
    int writes = 0;
    std::optional<int> failFrom;

    void Set(const std::string& key, const std::string& value) {
        WriteString("SerialPort", key, value);
    }

    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view defaultValue) const override {
        for (const Entry& e : entries)
            if (SameTextAscii(e.section, section) && SameTextAscii(e.key, key)) return e.value;
        return std::string(defaultValue);
    }
    void WriteString(std::string_view section, std::string_view key,
                     std::string_view value) override {
        if (failFrom && ++writes >= *failFrom)
            throw EIniFileException("Unable to write to " + FileName());
        for (Entry& e : entries)
            if (SameTextAscii(e.section, section) && SameTextAscii(e.key, key)) {
                e.value = value;
                return;
            }
        entries.push_back({std::string(section), std::string(key), std::string(value)});
    }
};

const TStoredGroups AllGroups = {sgBasic, sgFlowControl, sgBuffer, sgTimeouts, sgParity, sgOthers};

const std::vector<std::string> AllKeys = {"Port",
                                          "BaudRate",
                                          "CustomBaudRate",
                                          "StopBits",
                                          "DataBits",
                                          "Parity",
                                          "FlowControl",
                                          "EventChar",
                                          "DiscardNull",
                                          "Parity.Check",
                                          "Parity.Replace",
                                          "Parity.ReplaceChar",
                                          "Buffer.OutputSize",
                                          "Buffer.InputSize",
                                          "Timeouts.ReadInterval",
                                          "Timeouts.ReadTotalConstant",
                                          "Timeouts.ReadTotalMultiplier",
                                          "Timeouts.WriteTotalConstant",
                                          "Timeouts.WriteTotalMultiplier",
                                          "FlowControl.ControlRTS",
                                          "FlowControl.ControlDTR",
                                          "FlowControl.DSRSensitivity",
                                          "FlowControl.OutCTSFlow",
                                          "FlowControl.OutDSRFlow",
                                          "FlowControl.TxContinueOnXoff",
                                          "FlowControl.XonXoffIn",
                                          "FlowControl.XonXoffOut",
                                          "FlowControl.XoffChar",
                                          "FlowControl.XonChar"};
const std::vector<std::string> IntegerKeys = {"CustomBaudRate",
                                              "Buffer.OutputSize",
                                              "Buffer.InputSize",
                                              "Timeouts.ReadInterval",
                                              "Timeouts.ReadTotalConstant",
                                              "Timeouts.ReadTotalMultiplier",
                                              "Timeouts.WriteTotalConstant",
                                              "Timeouts.WriteTotalMultiplier"};

// Every stored setting of a port, for comparing two ports.
struct Settings {
    std::string port;
    TBaudRate baud;
    std::int32_t custom;
    TStopBits stop;
    TDataBits data;
    TParityBits parity;
    char eventChar;
    bool discardNull, check, replace;
    char replaceChar;
    std::int32_t out, in, ri, rc, rm, wc, wm;
    TRTSFlowControl rts;
    TDTRFlowControl dtr;
    bool dsrSens, cts, dsr, txCont, xin, xout;
    char xoff, xon;
    bool operator==(const Settings&) const = default;
};

Settings SettingsOf(const TCustomSerialPort& p) {
    const auto* f = p.FlowControl();
    const auto* t = p.Timeouts();
    return {p.Port(),
            p.BaudRate(),
            p.CustomBaudRate(),
            p.StopBits(),
            p.DataBits(),
            p.Parity()->Bits(),
            p.EventChar(),
            p.DiscardNull(),
            p.Parity()->Check(),
            p.Parity()->Replace(),
            p.Parity()->ReplaceChar(),
            p.Buffer()->OutputSize(),
            p.Buffer()->InputSize(),
            t->ReadInterval(),
            t->ReadTotalConstant(),
            t->ReadTotalMultiplier(),
            t->WriteTotalConstant(),
            t->WriteTotalMultiplier(),
            f->ControlRTS(),
            f->ControlDTR(),
            f->DSRSensitivity(),
            f->OutCTSFlow(),
            f->OutDSRFlow(),
            f->TxContinueOnXoff(),
            f->XonXoffIn(),
            f->XonXoffOut(),
            f->XoffChar(),
            f->XonChar()};
}

// Gives every setting a value other than its default.
void SetAllOffDefault(TCustomSerialPort& p) {
    p.SetPort("/dev/pts/77");
    p.SetBaudRate(brCustom);
    p.SetCustomBaudRate(250000);
    p.SetStopBits(sbTwoStopBits);
    p.SetDataBits(dbSeven);
    p.Parity()->SetBits(prMark);
    p.SetEventChar('\r');
    p.SetDiscardNull(true);
    p.Parity()->SetCheck(true);
    p.Parity()->SetReplace(true);
    p.Parity()->SetReplaceChar('?');
    p.Buffer()->SetOutputSize(8192);
    p.Buffer()->SetInputSize(16384);
    p.Timeouts()->SetReadInterval(-1);
    p.Timeouts()->SetReadTotalConstant(123);
    p.Timeouts()->SetReadTotalMultiplier(4);
    p.Timeouts()->SetWriteTotalConstant(2500);
    p.Timeouts()->SetWriteTotalMultiplier(7);
    auto* f = p.FlowControl();
    f->SetControlRTS(rtsToggle);
    f->SetControlDTR(dtrHandshake);
    f->SetDSRSensitivity(true);
    f->SetOutCTSFlow(true);
    f->SetOutDSRFlow(true);
    f->SetTxContinueOnXoff(true);
    f->SetXonXoffIn(true);
    f->SetXonXoffOut(false);
    f->SetXoffChar('\x93');
    f->SetXonChar(' ');
}

std::string ErrorOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const Exception& e) {
        return e.Message();
    }
    return "";
}

class SerialPersistenceTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::EnsureApplication();
        port.SetName("SerialPort");
        port.SetEvents({});
        ASSERT_TRUE(registry.OpenKey("Software\\Skyvane\\SerialPort", true));
    }
    std::vector<std::string> IniKeys() const {
        std::vector<std::string> keys;
        for (const auto& e : ini.entries) keys.push_back(e.key);
        return keys;
    }

    ScriptedPort port;
    MemoryIniFile ini;
    test::TempDir dir;
    TRegistry registry{dir / "registry"};
};

TEST_F(SerialPersistenceTest, ANewPortStoresTheSixBasicKeysInOrder) {
    port.StoreToIniFile(ini);
    using E = MemoryIniFile::Entry;
    EXPECT_EQ(ini.entries, (std::vector<E>{{"SerialPort", "Port", "COM1"},
                                           {"SerialPort", "BaudRate", "9600"},
                                           {"SerialPort", "StopBits", "1"},
                                           {"SerialPort", "DataBits", "8"},
                                           {"SerialPort", "Parity", "None"},
                                           {"SerialPort", "FlowControl", "None"}}));
    port.StoreToRegistry(registry);
    EXPECT_EQ(registry.GetValueNames(), IniKeys());
    for (const auto& e : ini.entries) EXPECT_EQ(registry.ReadString(e.key), e.value) << e.key;
}

TEST_F(SerialPersistenceTest, CustomBaudRateIsStoredThirdOnlyWithACustomRate) {
    port.SetBaudRate(brCustom);
    port.SetCustomBaudRate(250000);
    port.StoreToIniFile(ini);
    ASSERT_EQ(ini.entries.size(), 7u);
    EXPECT_EQ(ini.entries[1].value, "Custom");
    EXPECT_EQ(ini.entries[2].key, "CustomBaudRate");
    EXPECT_EQ(ini.entries[2].value, "250000");
    port.StoreToRegistry(registry);
    EXPECT_EQ(registry.GetValueNames(), IniKeys());
    EXPECT_EQ(registry.GetDataType("CustomBaudRate"), TRegDataType::rdInteger);
    EXPECT_EQ(registry.ReadInteger("CustomBaudRate"), 250000);
}

TEST_F(SerialPersistenceTest, AllGroupsStoreTheTwentyNineKeysInProcessingOrderAndTypes) {
    SetAllOffDefault(port);
    port.SetStoredGroups(AllGroups);
    port.StoreToIniFile(ini);
    EXPECT_EQ(IniKeys(), AllKeys);
    port.StoreToRegistry(registry);
    EXPECT_EQ(registry.GetValueNames(), AllKeys);
    for (const std::string& key : AllKeys) {
        const bool integer =
            std::find(IntegerKeys.begin(), IntegerKeys.end(), key) != IntegerKeys.end();
        EXPECT_EQ(registry.GetDataType(key),
                  integer ? TRegDataType::rdInteger : TRegDataType::rdString)
            << key;
    }
    // A few stored forms: characters, yes/no, signed integers.
    EXPECT_EQ(ini.ReadString("SerialPort", "EventChar", "?"), "#13");
    EXPECT_EQ(ini.ReadString("SerialPort", "FlowControl.XoffChar", "?"), "#147");
    EXPECT_EQ(ini.ReadString("SerialPort", "FlowControl.XonChar", "?"), "#32");
    EXPECT_EQ(ini.ReadString("SerialPort", "DiscardNull", "?"), "Yes");
    EXPECT_EQ(ini.ReadString("SerialPort", "Timeouts.ReadInterval", "?"), "-1");
    EXPECT_EQ(registry.ReadInteger("Timeouts.ReadInterval"), -1);
}

TEST_F(SerialPersistenceTest, AGroupLeftOutIsNeitherWrittenNorDeleted) {
    ini.Set("Buffer.InputSize", "1234");
    port.SetStoredGroups({sgTimeouts});
    port.StoreToIniFile(ini);
    EXPECT_EQ(IniKeys(), (std::vector<std::string>{
                             "Buffer.InputSize", "Timeouts.ReadInterval",
                             "Timeouts.ReadTotalConstant", "Timeouts.ReadTotalMultiplier",
                             "Timeouts.WriteTotalConstant", "Timeouts.WriteTotalMultiplier"}));
    EXPECT_EQ(ini.entries[0].value, "1234");
}

TEST_F(SerialPersistenceTest, EverySettingRoundTripsThroughEachStore) {
    SetAllOffDefault(port);
    port.SetStoredGroups(AllGroups);
    const Settings stored = SettingsOf(port);
    const struct {
        const char* store;
        std::function<void(TCustomSerialPort&)> save, load;
    } stores[] = {
        {"ini", [&](TCustomSerialPort& p) { p.StoreToIniFile(ini); },
         [&](TCustomSerialPort& p) { p.LoadFromIniFile(ini); }},
        {"registry", [&](TCustomSerialPort& p) { p.StoreToRegistry(registry); },
         [&](TCustomSerialPort& p) { p.LoadFromRegistry(registry); }},
    };
    for (const auto& s : stores) {
        SCOPED_TRACE(s.store);
        s.save(port);
        ScriptedPort fresh;
        fresh.SetName("SerialPort");
        fresh.SetStoredGroups(AllGroups);
        ASSERT_NE(SettingsOf(fresh), stored);
        s.load(fresh);
        EXPECT_EQ(SettingsOf(fresh), stored);
    }
}

TEST_F(SerialPersistenceTest, DetailedFlowControlKeysWinOverThePreset) {
    ini.Set("FlowControl", "Hardware");
    ini.Set("FlowControl.ControlRTS", "Enable");
    ini.Set("FlowControl.OutCTSFlow", "No");
    ini.Set("FlowControl.XonXoffIn", "yes");
    // The basic group alone applies the preset.
    port.LoadFromIniFile(ini);
    EXPECT_EQ(port.FlowControl()->FlowControl(), fcHardware);
    // With the detailed keys too, they are applied after it and decide.
    port.SetStoredGroups({sgBasic, sgFlowControl});
    port.LoadFromIniFile(ini);
    EXPECT_EQ(port.FlowControl()->ControlRTS(), rtsEnable);
    EXPECT_FALSE(port.FlowControl()->OutCTSFlow());
    EXPECT_TRUE(port.FlowControl()->XonXoffIn());
    EXPECT_EQ(port.FlowControl()->FlowControl(), fcCustom);
    // "Custom" leaves the switches as they are.
    MemoryIniFile custom;
    custom.Set("FlowControl", "Custom");
    port.SetStoredGroups({sgBasic});
    port.LoadFromIniFile(custom);
    EXPECT_EQ(port.FlowControl()->ControlRTS(), rtsEnable);
    EXPECT_TRUE(port.FlowControl()->XonXoffIn());
}

TEST_F(SerialPersistenceTest, IniLoadKeepsWhatIsMissingAndFallsBackOnWhatIsMalformed) {
    port.SetStoredGroups(AllGroups);
    SetAllOffDefault(port);
    port.SetBaudRate(br19200);
    const Settings before = SettingsOf(port);
    // An empty section changes nothing.
    port.LoadFromIniFile(ini);
    EXPECT_EQ(SettingsOf(port), before);

    const struct {
        const char* key;
        const char* text;
        std::function<bool(const TCustomSerialPort&)> holds;
    } cases[] = {
        {"EventChar", "#13", [](auto& p) { return p.EventChar() == 13; }},
        {"EventChar", "", [](auto& p) { return p.EventChar() == 0; }},
        {"Parity.ReplaceChar", "#x41", [](auto& p) { return p.Parity()->ReplaceChar() == 'A'; }},
        {"StopBits", "3", [](auto& p) { return p.StopBits() == sbOneStopBit; }},
        {"Parity", "", [](auto& p) { return p.Parity()->Bits() == prNone; }},
        {"DataBits", "seven", [](auto& p) { return p.DataBits() == dbEight; }},
        {"DiscardNull", "true", [](auto& p) { return !p.DiscardNull(); }},
        {"Port", "", [](auto& p) { return p.Port().empty(); }},
        {"Buffer.InputSize", "$100", [](auto& p) { return p.Buffer()->InputSize() == 256; }},
        {"Buffer.InputSize", "0x20", [](auto& p) { return p.Buffer()->InputSize() == 32; }},
        {"Buffer.OutputSize", " -12", [](auto& p) { return p.Buffer()->OutputSize() == -12; }},
        {"Timeouts.ReadInterval", "abc",
         [&](auto& p) { return p.Timeouts()->ReadInterval() == before.ri; }},
        {"Timeouts.ReadTotalConstant", "",
         [&](auto& p) { return p.Timeouts()->ReadTotalConstant() == before.rc; }},
        {"Timeouts.WriteTotalConstant", "4294967296",
         [&](auto& p) { return p.Timeouts()->WriteTotalConstant() == before.wc; }},
    };
    for (const auto& c : cases) {
        MemoryIniFile one;
        one.Set(c.key, c.text);
        port.LoadFromIniFile(one);
        EXPECT_TRUE(c.holds(port)) << c.key << "=" << c.text;
    }
}

TEST_F(SerialPersistenceTest, IniLoadReadsOnlyThePresentFlowControlKeys) {
    port.SetStoredGroups({sgFlowControl});
    port.FlowControl()->SetOutDSRFlow(true);
    ini.Set("FlowControl.OutCTSFlow", "YES");
    port.LoadFromIniFile(ini);
    EXPECT_TRUE(port.FlowControl()->OutCTSFlow());
    EXPECT_TRUE(port.FlowControl()->OutDSRFlow());
}

TEST_F(SerialPersistenceTest, IniCustomBaudRateDefaultsTo9600) {
    port.SetCustomBaudRate(1234);
    ini.Set("BaudRate", "custom");
    port.LoadFromIniFile(ini);
    EXPECT_EQ(port.BaudRate(), brCustom);
    EXPECT_EQ(port.CustomBaudRate(), 9600);
    // Also from an empty section, for a port already on a custom rate.
    port.SetCustomBaudRate(1234);
    MemoryIniFile empty;
    port.LoadFromIniFile(empty);
    EXPECT_EQ(port.CustomBaudRate(), 9600);
    // Not read at all for a standard rate.
    port.SetCustomBaudRate(1234);
    MemoryIniFile standard;
    standard.Set("BaudRate", "4800");
    standard.Set("CustomBaudRate", "777");
    port.LoadFromIniFile(standard);
    EXPECT_EQ(port.CustomBaudRate(), 1234);
}

TEST_F(SerialPersistenceTest, RegistryLoadFallsBackForMissingTextAndStopsAtAMissingInteger) {
    port.SetStopBits(sbTwoStopBits);
    port.SetPort("ttyS3");
    registry.WriteString("Port", std::string("ttyUSB1\0junk", 12));
    registry.WriteString("BaudRate", "Custom");
    registry.WriteString("StopBits", "1");
    EXPECT_EQ(ErrorOf([&] { port.LoadFromRegistry(registry); }),
              "Failed to get data for 'CustomBaudRate'");
    EXPECT_EQ(port.Port(), "ttyUSB1");  // read up to the zero byte
    EXPECT_EQ(port.BaudRate(), brCustom);
    EXPECT_EQ(port.StopBits(), sbTwoStopBits);  // after the failure: not applied

    // An empty key: every text takes its fallback, the name becomes empty.
    ASSERT_TRUE(registry.OpenKey("\\Empty", true));
    port.SetDataBits(dbFive);
    port.Parity()->SetBits(prOdd);
    port.FlowControl()->SetFlowControl(fcHardware);
    port.LoadFromRegistry(registry);
    EXPECT_EQ(port.Port(), "");
    EXPECT_EQ(port.BaudRate(), br9600);
    EXPECT_EQ(port.StopBits(), sbOneStopBit);
    EXPECT_EQ(port.DataBits(), dbEight);
    EXPECT_EQ(port.Parity()->Bits(), prNone);
    EXPECT_EQ(port.FlowControl()->FlowControl(), fcHardware);  // "" is Custom: switches kept
}

TEST_F(SerialPersistenceTest, RegistryLoadStopsAtAValueOfTheWrongType) {
    const struct {
        TStoredGroups groups;
        const char* key;
        bool writeInteger;
        std::string error;
    } cases[] = {
        {{sgBasic}, "StopBits", true, "Invalid data type for 'StopBits'"},
        {{sgBuffer}, "Buffer.OutputSize", false, "Invalid data type for 'Buffer.OutputSize'"},
        {{sgBuffer}, "Buffer.InputSize", false, "Failed to get data for 'Buffer.OutputSize'"},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(registry.OpenKey(std::string("\\Case\\") + c.key, true));
        registry.WriteString("Port", "ttyS5");
        registry.WriteString("BaudRate", "19200");
        if (c.writeInteger)
            registry.WriteInteger(c.key, 2);
        else
            registry.WriteString(c.key, "2");
        port.SetStoredGroups(c.groups);
        port.SetDataBits(dbSix);
        EXPECT_EQ(ErrorOf([&] { port.LoadFromRegistry(registry); }), c.error) << c.key;
        EXPECT_EQ(port.DataBits(), dbSix) << c.key;  // nothing after the failure applied
    }
}

TEST_F(SerialPersistenceTest, RefusedWritesStopTheStoreKeepingWhatWasWritten) {
    ini.failFrom = 3;
    EXPECT_EQ(ErrorOf([&] { port.StoreToIniFile(ini); }), "Unable to write to memory.ini");
    EXPECT_EQ(IniKeys(), (std::vector<std::string>{"Port", "BaudRate"}));

    const std::string file = dir / "read-only";
    TRegistry readOnly(file);
    readOnly.WriteString("Other", "kept");
    ::chmod(file.c_str(), 0444);
    EXPECT_EQ(ErrorOf([&] { port.StoreToRegistry(readOnly); }), "Failed to set data for 'Port'");
    EXPECT_EQ(readOnly.GetValueNames(), (std::vector<std::string>{"Other"}));
}

TEST_F(SerialPersistenceTest, AFailingReopenStopsTheLoad) {
    port.Open();
    ASSERT_TRUE(port.Connected());
    port.refuseOpen = true;
    ini.Set("Port", "ttyGone");
    ini.Set("BaudRate", "19200");
    EXPECT_THROW(port.LoadFromIniFile(ini), ESerialPort);
    EXPECT_EQ(port.Port(), "ttyGone");
    EXPECT_FALSE(port.Connected());
    EXPECT_EQ(port.BaudRate(), br9600);  // key 2 never applied

    port.refuseOpen = false;
    port.SetPort("ttyS0-scripted");
    port.Open();
    port.refuseOpen = true;
    registry.WriteString("Port", "ttyGone");
    registry.WriteString("BaudRate", "19200");
    EXPECT_THROW(port.LoadFromRegistry(registry), ESerialPort);
    EXPECT_EQ(port.BaudRate(), br9600);
}

TEST_F(SerialPersistenceTest, LoadOnAnOpenPortAppliesEachSettingAtOnce) {
    port.Open();
    const int acquired = port.acquired;
    ini.Set("BaudRate", "19200");
    ini.Set("Port", port.Port());  // same name: no reopen
    port.LoadFromIniFile(ini);
    EXPECT_EQ(port.acquired, acquired);
    EXPECT_EQ(port.BaudRate(), br19200);
    ASSERT_FALSE(port.device->lines.empty());
    EXPECT_EQ(port.device->lines.back().baudRate, 19200);
}

}  // namespace
}  // namespace skyvane
