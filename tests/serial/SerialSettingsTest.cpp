// SPDX-License-Identifier: GPL-3.0-or-later
// The settings model: defaults, setter rules, the apply guard, presets and the
// device settings the properties become.
#include <gtest/gtest.h>

#include <functional>

#include "serial/SerialPort.h"
#include "tests/serial/SerialTestSupport.h"

namespace skyvane {
namespace {

using testing::ScriptedPort;

class SerialSettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::EnsureApplication();
        port.SetEvents({});  // no event thread: only settings matter here
    }
    void OpenAndForget() {
        port.Open();
        dev().lines.clear();
        dev().timeouts.clear();
        dev().queueSizes.clear();
    }
    testing::ScriptedDevice& dev() { return *port.device; }
    ScriptedPort port;
};

TEST_F(SerialSettingsTest, ANewPortDescribesTheDefaultLine) {
    TSerialPort fresh(nullptr);
    const platform::LineSettings s = fresh.DeviceLineSettings();
    EXPECT_EQ(s.baudRate, 9600);
    EXPECT_EQ(s.byteSize, 8);
    EXPECT_EQ(s.parity, 0);
    EXPECT_EQ(s.stopBits, 0);
    EXPECT_FALSE(s.outxCtsFlow || s.outxDsrFlow || s.outX || s.inX || s.parityCheck ||
                 s.errorCharEnabled);
    EXPECT_EQ(s.dtrControl, platform::DtrMode::Disable);
    EXPECT_EQ(s.rtsControl, platform::RtsMode::Disable);
    EXPECT_EQ(s.xonChar, 17);
    EXPECT_EQ(s.xoffChar, 19);
    EXPECT_EQ(s.xonLim, 256);
    EXPECT_EQ(s.xoffLim, 256);
    EXPECT_EQ(fresh.Buffer()->InputSize(), 1024);
    EXPECT_EQ(fresh.Buffer()->OutputSize(), 1024);
    EXPECT_EQ(fresh.DeviceTimeouts(), (platform::Timeouts{0xFFFFFFFF, 0, 0, 100, 1000}));
    EXPECT_EQ(fresh.FlowControl()->FlowControl(), fcNone);
    EXPECT_EQ(fresh.Port(), "COM1");
    EXPECT_EQ(fresh.Events(), AllSerialEvents);
    EXPECT_EQ(fresh.SyncMethod(), smThreadSync);
    EXPECT_FALSE(fresh.Connected());
    EXPECT_EQ(fresh.Parity()->OwnerPort(), &fresh);
    EXPECT_EQ(fresh.Timeouts()->OwnerPort(), &fresh);
}

TEST_F(SerialSettingsTest, BaudRatesMapToTheirNumbersAndCustomUsesCustomBaudRate) {
    const struct {
        TBaudRate rate;
        int bps;
    } table[] = {{br110, 110},       {br300, 300},      {br1200, 1200},   {br9600, 9600},
                 {br14400, 14400},   {br56000, 56000},  {br57600, 57600}, {br115200, 115200},
                 {br128000, 128000}, {br256000, 256000}};
    port.SetCustomBaudRate(31250);
    for (const auto& row : table) {
        port.SetBaudRate(row.rate);
        EXPECT_EQ(port.DeviceLineSettings().baudRate, row.bps) << int(row.rate);
    }
    port.SetBaudRate(brCustom);
    EXPECT_EQ(port.DeviceLineSettings().baudRate, 31250);
}

TEST_F(SerialSettingsTest, DataBitsStopBitsParityAndCharactersReachTheLineSettings) {
    port.SetDataBits(dbSeven);
    port.SetStopBits(sbTwoStopBits);
    port.Parity()->SetBits(prMark);
    port.SetEventChar(';');
    port.SetDiscardNull(true);
    port.FlowControl()->SetXonChar('Q');
    port.FlowControl()->SetControlDTR(dtrHandshake);
    port.FlowControl()->SetControlRTS(rtsToggle);
    const platform::LineSettings s = port.DeviceLineSettings();
    EXPECT_EQ(s.byteSize, 7);
    EXPECT_EQ(s.stopBits, 2);
    EXPECT_EQ(s.parity, 3);
    EXPECT_EQ(s.eventChar, ';');
    EXPECT_TRUE(s.discardNull);
    EXPECT_EQ(s.xonChar, 'Q');
    EXPECT_EQ(s.dtrControl, platform::DtrMode::Handshake);
    EXPECT_EQ(s.rtsControl, platform::RtsMode::Toggle);
}

TEST_F(SerialSettingsTest, ReplacementNeedsCheck) {
    port.Parity()->SetReplace(true);
    port.Parity()->SetReplaceChar('?');
    EXPECT_FALSE(port.DeviceLineSettings().errorCharEnabled);
    EXPECT_EQ(port.DeviceLineSettings().errorChar, 0);
    port.Parity()->SetCheck(true);
    EXPECT_TRUE(port.DeviceLineSettings().errorCharEnabled);
    EXPECT_EQ(port.DeviceLineSettings().errorChar, '?');
}

TEST_F(SerialSettingsTest, QueueSizesLoseAnOddUnitAndSetTheXonXoffLimits) {
    const struct {
        int written, held, limit;
    } table[] = {{1025, 1024, 256}, {1, 0, 0}, {-3, -3, 0}, {1022, 1022, 255}, {4097, 4096, 1024}};
    for (const auto& row : table) {
        port.Buffer()->SetInputSize(row.written);
        EXPECT_EQ(port.Buffer()->InputSize(), row.held) << row.written;
        EXPECT_EQ(port.DeviceLineSettings().xonLim, row.limit) << row.written;
        EXPECT_EQ(port.DeviceLineSettings().xoffLim, row.limit) << row.written;
    }
    port.Buffer()->SetOutputSize(333);
    EXPECT_EQ(port.Buffer()->OutputSize(), 332);
}

TEST_F(SerialSettingsTest, FlowControlPresetsReadAndWrite) {
    TSerialFlowControl* fc = port.FlowControl();
    fc->SetFlowControl(fcHardware);
    EXPECT_EQ(fc->FlowControl(), fcHardware);
    EXPECT_EQ(fc->ControlRTS(), rtsHandshake);
    EXPECT_TRUE(fc->OutCTSFlow());
    fc->SetControlDTR(dtrEnable);  // DTR plays no part in the preset
    EXPECT_EQ(fc->FlowControl(), fcHardware);
    fc->SetXonXoffIn(true);
    EXPECT_EQ(fc->FlowControl(), fcCustom);
    fc->SetFlowControl(fcSoftware);
    EXPECT_EQ(fc->FlowControl(), fcSoftware);
    EXPECT_FALSE(fc->OutCTSFlow());
    EXPECT_EQ(fc->ControlRTS(), rtsDisable);
    EXPECT_EQ(fc->ControlDTR(), dtrEnable);
    fc->SetFlowControl(fcNone);
    EXPECT_EQ(fc->FlowControl(), fcNone);
    fc->SetControlRTS(rtsEnable);
    EXPECT_EQ(fc->FlowControl(), fcCustom);
    fc->SetFlowControl(fcCustom);  // keeps every switch
    EXPECT_EQ(fc->ControlRTS(), rtsEnable);
}

TEST_F(SerialSettingsTest, OnAClosedPortSettersOnlyStore) {
    port.SetBaudRate(br115200);
    port.Parity()->SetBits(prEven);
    port.Timeouts()->SetReadInterval(5);
    port.Buffer()->SetInputSize(64);
    port.FlowControl()->SetFlowControl(fcHardware);
    EXPECT_TRUE(dev().lines.empty());
    EXPECT_TRUE(dev().timeouts.empty());
    EXPECT_TRUE(dev().queueSizes.empty());
    port.Open();  // the device gets the held values at the open, in one step each
    ASSERT_EQ(dev().lines.size(), 1u);
    EXPECT_EQ(dev().lines[0].baudRate, 115200);
    EXPECT_EQ(dev().lines[0].parity, 2);
    EXPECT_TRUE(dev().lines[0].outxCtsFlow);
    EXPECT_EQ(dev().timeouts.at(0).readInterval, 5u);
    EXPECT_EQ(dev().queueSizes.at(0), std::make_pair(64, 1024));
}

TEST_F(SerialSettingsTest, OnAnOpenPortEachChangeAppliesItsGroupOnceAndRepeatsApplyNothing) {
    OpenAndForget();
    port.SetBaudRate(br19200);
    port.SetBaudRate(br19200);
    port.Parity()->SetCheck(true);
    port.Parity()->SetCheck(true);
    port.FlowControl()->SetXonXoffOut(true);
    EXPECT_EQ(dev().lines.size(), 3u);
    EXPECT_TRUE(dev().timeouts.empty());
    port.Timeouts()->SetWriteTotalConstant(50);
    port.Timeouts()->SetWriteTotalConstant(50);
    EXPECT_EQ(dev().timeouts.size(), 1u);
    port.Buffer()->SetInputSize(2048);
    EXPECT_EQ(dev().queueSizes.size(), 1u);
    EXPECT_EQ(dev().lines.size(), 3u);
    // The preset and the whole-object setters apply on every write.
    port.FlowControl()->SetFlowControl(fcCustom);
    port.FlowControl()->SetFlowControl(fcCustom);
    port.SetParity(*port.Parity());
    port.SetFlowControl(*port.FlowControl());
    EXPECT_EQ(dev().lines.size(), 7u);
    port.SetTimeouts(*port.Timeouts());
    port.SetBuffer(*port.Buffer());
    EXPECT_EQ(dev().timeouts.size(), 2u);
    EXPECT_EQ(dev().queueSizes.size(), 2u);
}

TEST_F(SerialSettingsTest, WholeObjectSettersCopyAndNeverTakeTheObjectOver) {
    OpenAndForget();
    TSerialParity parity;
    parity.SetBits(prOdd);  // free-standing: only stores
    parity.SetCheck(true);
    TSerialParity* own = port.Parity();
    port.SetParity(parity);
    EXPECT_EQ(port.Parity(), own);
    EXPECT_EQ(own->Bits(), prOdd);
    EXPECT_TRUE(own->Check());
    EXPECT_EQ(own->OwnerPort(), &port);
    ASSERT_EQ(dev().lines.size(), 1u);
    EXPECT_EQ(dev().lines[0].parity, 1);

    TSerialTimeouts timeouts;
    timeouts.SetReadInterval(7);
    timeouts.SetWriteTotalMultiplier(-1);
    port.SetTimeouts(timeouts);
    EXPECT_EQ(dev().timeouts.at(0).readInterval, 7u);
    EXPECT_EQ(dev().timeouts.at(0).writeTotalMultiplier, 0xFFFFFFFFu);
}

TEST_F(SerialSettingsTest, AssigningFromAnotherClassRaisesAndCopiesNothing) {
    TSerialBuffer buffer;
    buffer.SetInputSize(10);
    try {
        port.Parity()->Assign(buffer);
        FAIL() << "no error";
    } catch (const EAssignError& e) {
        EXPECT_EQ(e.Message(), "Cannot assign a TSerialBuffer to a TSerialParity");
    }
    TSerialBuffer other;
    other.Assign(buffer);
    EXPECT_EQ(other.InputSize(), 10);
}

TEST_F(SerialSettingsTest, UpdateBracketAppliesOnceAtTheOuterEnd) {
    OpenAndForget();
    port.EndSettingsUpdate();  // without a Begin: nothing
    EXPECT_TRUE(dev().lines.empty());
    port.BeginSettingsUpdate();
    port.BeginSettingsUpdate();
    port.SetBaudRate(br4800);
    port.SetDataBits(dbSeven);
    port.Timeouts()->SetReadInterval(3);
    port.EndSettingsUpdate();
    EXPECT_TRUE(dev().lines.empty());
    port.EndSettingsUpdate();
    ASSERT_EQ(dev().lines.size(), 1u);
    EXPECT_EQ(dev().lines[0].baudRate, 4800);
    EXPECT_EQ(dev().lines[0].byteSize, 7);
    EXPECT_EQ(dev().timeouts.size(), 1u);
    EXPECT_EQ(dev().queueSizes.size(), 1u);
}

TEST_F(SerialSettingsTest, RefusalsRaiseTheirCodesAndTheValueStaysHeld) {
    OpenAndForget();
    dev().lineError = EINVAL;
    try {
        port.SetBaudRate(br300);
        FAIL() << "no error";
    } catch (const ESerialPort& e) {
        EXPECT_EQ(e.PortErrorCode(), 7);
        EXPECT_EQ(e.OsErrorCode(), EINVAL);
    }
    EXPECT_EQ(port.BaudRate(), br9600) << "a refused line setting goes back to what the line has";
    dev().timeoutsError = EIO;
    EXPECT_THROW(port.Timeouts()->SetReadInterval(0), ESerialPort);
    EXPECT_EQ(port.Timeouts()->ReadInterval(), 0);
    dev().queueError = ENOMEM;
    try {
        port.Buffer()->SetOutputSize(8);
        FAIL() << "no error";
    } catch (const ESerialPort& e) {
        EXPECT_EQ(e.PortErrorCode(), 9);
    }
    EXPECT_TRUE(port.Connected());
}

// After a refusal the port holds the line settings its device last accepted, however
// the change came, and the line takes later changes again.
TEST_F(SerialSettingsTest, ARefusedLineChangeLeavesThePortClaimingWhatTheLineHas) {
    const std::function<void(TSerialPort&)> changes[] = {
        [](TSerialPort& p) { p.SetBaudRate(brCustom); },
        [](TSerialPort& p) { p.FlowControl()->SetFlowControl(fcHardware); },
        [](TSerialPort& p) {
            p.BeginSettingsUpdate();
            p.SetDataBits(dbSeven);
            p.Parity()->SetBits(prOdd);
            p.SetDiscardNull(true);
            p.EndSettingsUpdate();
        },
    };
    for (const auto& change : changes) {
        ScriptedPort p;
        p.SetEvents({});
        p.SetBaudRate(br19200);
        p.Open();
        const platform::LineSettings accepted = p.device->lines.back();
        p.device->lineError = EINVAL;
        EXPECT_THROW(change(p), ESerialPort);
        EXPECT_EQ(p.DeviceLineSettings(), accepted);
        p.device->lineError = 0;
        p.Parity()->SetBits(prSpace);
        EXPECT_EQ(p.device->lines.back().parity, 4);
    }
}

// The going back never reaches across an open: a device opened since (at an Open, or
// for a new name inside a bracket) has accepted nothing of the port's, so a refusal
// leaves the new values held as the user chose them, and the next open tries them again.
TEST_F(SerialSettingsTest, ARefusalOnAFreshDeviceKeepsTheNewValuesHeld) {
    port.SetBaudRate(br19200);
    OpenAndForget();
    port.BeginSettingsUpdate();
    port.SetPort("other");
    port.SetBaudRate(br115200);
    dev().lineError = EINVAL;
    EXPECT_THROW(port.EndSettingsUpdate(), ESerialPort);
    EXPECT_EQ(port.BaudRate(), br115200);
    ASSERT_EQ(dev().lines.size(), 1u);
    EXPECT_EQ(dev().lines[0].baudRate, 115200);

    // Closed, the user chooses what the device refuses; each open tries it again.
    port.Close();
    port.SetBaudRate(br2400);
    for (int attempt = 0; attempt < 2; ++attempt) {
        EXPECT_THROW(port.Open(), ESerialPort);
        EXPECT_EQ(port.BaudRate(), br2400) << "attempt " << attempt;
        EXPECT_EQ(dev().lines.back().baudRate, 2400);
    }
}

TEST_F(SerialSettingsTest, DesignModeAndLoadingNeverApply) {
    OpenAndForget();
    port.SetDesigning(true);
    port.SetBaudRate(br600);
    port.SetDesigning(false);
    port.BeginLoading();
    port.SetDataBits(dbSix);
    EXPECT_TRUE(dev().lines.empty());
}

}  // namespace
}  // namespace skyvane
