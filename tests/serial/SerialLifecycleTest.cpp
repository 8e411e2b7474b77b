// SPDX-License-Identifier: GPL-3.0-or-later
// Opening and closing: the sequences and their events, Connected, Port, SyncMethod,
// LayoutLoaded and the failures on the way.
#include <gtest/gtest.h>

#include <vector>

#include "serial/SerialPort.h"
#include "tests/serial/SerialTestSupport.h"
#include "toolkit/ExceptionReport.h"

namespace skyvane {
namespace {

using testing::ScriptedPort;

class SerialLifecycleTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::EnsureApplication();
        port.SetEvents({});
        Record(port);
    }
    // Writes every lifecycle event of `p` into `log`.
    void Record(TCustomSerialPort& p) {
        p.SetOnBeforeOpen([this](TComponent*) { log.push_back("BeforeOpen"); });
        p.SetOnAfterOpen([this](TComponent*) { log.push_back("AfterOpen"); });
        p.SetOnBeforeClose([this](TComponent*) { log.push_back("BeforeClose"); });
        p.SetOnAfterClose([this](TComponent*) { log.push_back("AfterClose"); });
        p.SetOnCTSChange(
            [this](TComponent*, bool on) { log.push_back(on ? "CTS on" : "CTS off"); });
        p.SetOnDSRChange(
            [this](TComponent*, bool on) { log.push_back(on ? "DSR on" : "DSR off"); });
        p.SetOnRLSDChange(
            [this](TComponent*, bool on) { log.push_back(on ? "RLSD on" : "RLSD off"); });
    }
    using Log = std::vector<std::string>;
    Log log;
    ScriptedPort port;
};

TEST_F(SerialLifecycleTest, OpenAndCloseRaiseTheirEventsInOrderWithTheLineLevels) {
    port.device->SetModemStatus(platform::kMsCtsOn | platform::kMsRlsdOn);
    port.SetConnected(true);
    EXPECT_TRUE(port.Connected());
    EXPECT_EQ(log, (Log{"BeforeOpen", "AfterOpen", "CTS on", "DSR off", "RLSD on"}));
    log.clear();
    port.SetConnected(false);
    EXPECT_FALSE(port.Connected());
    EXPECT_EQ(log, (Log{"CTS off", "DSR off", "RLSD off", "BeforeClose", "AfterClose"}));
    EXPECT_EQ(port.Device(), nullptr);
}

TEST_F(SerialLifecycleTest, OpeningAnOpenPortOrClosingAClosedOneDoesNothing) {
    port.Close();
    EXPECT_TRUE(log.empty());
    port.Open();
    log.clear();
    port.Open();
    port.SetConnected(true);
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(port.acquired, 1);
}

TEST_F(SerialLifecycleTest, InDesignModeConnectedIsOnlyStored) {
    port.SetDesigning(true);
    port.SetConnected(true);
    EXPECT_TRUE(port.Connected());
    EXPECT_EQ(port.acquired, 0);
    EXPECT_TRUE(log.empty());
    port.SetConnected(false);
    port.SetDesigning(false);
}

TEST_F(SerialLifecycleTest, AFailedOpenLeavesThePortClosedAfterBeforeOpen) {
    port.refuseOpen = true;
    try {
        port.SetConnected(true);
        FAIL() << "no error";
    } catch (const ESerialPort& e) {
        EXPECT_EQ(e.PortErrorCode(), 1);
    }
    EXPECT_FALSE(port.Connected());
    EXPECT_EQ(log, (Log{"BeforeOpen"}));
}

TEST_F(SerialLifecycleTest, RefusedSettingsDuringOpenReleaseTheDevice) {
    port.device->timeoutsError = EINVAL;
    try {
        port.Open();
        FAIL() << "no error";
    } catch (const ESerialPort& e) {
        EXPECT_EQ(e.PortErrorCode(), 8);
    }
    EXPECT_FALSE(port.Connected());
    EXPECT_EQ(port.Device(), nullptr);
    // Queue sizes, then line settings, then time-outs: all three were tried in order.
    EXPECT_EQ(port.device->queueSizes.size(), 1u);
    EXPECT_EQ(port.device->lines.size(), 1u);
}

TEST_F(SerialLifecycleTest, UnreadableModemLinesAtOpenLeaveThePortOpen) {
    port.device->modemError = EIO;
    try {
        port.Open();
        FAIL() << "no error";
    } catch (const ESerialPort& e) {
        EXPECT_EQ(e.PortErrorCode(), 11);
        EXPECT_EQ(e.OsErrorCode(), EIO);
    }
    EXPECT_TRUE(port.Connected());
    EXPECT_EQ(log, (Log{"BeforeOpen", "AfterOpen"}));
    port.device->modemError = 0;
}

TEST_F(SerialLifecycleTest, AFailedPurgeKeepsThePortOpen) {
    port.Open();
    log.clear();
    port.device->purgeError = EIO;
    try {
        port.Close();
        FAIL() << "no error";
    } catch (const ESerialPort& e) {
        EXPECT_EQ(e.PortErrorCode(), 5);
    }
    EXPECT_TRUE(port.Connected());
    EXPECT_EQ(log, (Log{"CTS off", "DSR off", "RLSD off", "BeforeClose"}));
    port.device->purgeError = 0;
}

TEST_F(SerialLifecycleTest, ChangingPortReopensOnlyForAnotherName) {
    port.SetPort("ttyS9");
    EXPECT_EQ(port.acquired, 0);  // closed: stored only
    port.Open();
    log.clear();
    port.SetPort("ttyS9");
    EXPECT_TRUE(log.empty());
    port.SetPort("TTYS9");  // the comparison is exact
    EXPECT_EQ(log, (Log{"CTS off", "DSR off", "RLSD off", "BeforeClose", "AfterClose", "BeforeOpen",
                        "AfterOpen", "CTS off", "DSR off", "RLSD off"}));
    EXPECT_EQ(port.Port(), "TTYS9");
    EXPECT_EQ(port.acquired, 2);
}

TEST_F(SerialLifecycleTest, PortChangeToAMissingDeviceLeavesItClosedWithTheNewName) {
    port.Open();
    port.refuseOpen = true;
    EXPECT_THROW(port.SetPort("nothing"), ESerialPort);
    EXPECT_FALSE(port.Connected());
    EXPECT_EQ(port.Port(), "nothing");
}

TEST_F(SerialLifecycleTest, SyncMethodIsRefusedWhileOpen) {
    port.SetSyncMethod(smNone);
    EXPECT_EQ(port.SyncMethod(), smNone);
    port.Open();
    port.SetSyncMethod(smNone);  // the same value: nothing
    try {
        port.SetSyncMethod(smWindowSync);
        FAIL() << "no error";
    } catch (const ESerialPort& e) {
        EXPECT_EQ(e.PortErrorCode(), 14);
        EXPECT_EQ(e.OsErrorCode(), -1);
        EXPECT_EQ(e.Message(), "Cannot set property while connected");
    }
    EXPECT_EQ(port.SyncMethod(), smNone);
}

TEST_F(SerialLifecycleTest, OpenInsideABracketAppliesOnlyAtItsEnd) {
    port.BeginSettingsUpdate();
    port.Open();
    EXPECT_TRUE(port.Connected());
    EXPECT_TRUE(port.device->lines.empty());
    port.EndSettingsUpdate();
    EXPECT_EQ(port.device->lines.size(), 1u);
}

TEST_F(SerialLifecycleTest, LayoutLoadedOpensAStoredConnectedPortAndReportsAFailure) {
    std::vector<std::string> reports;
    ExceptionReporter previous =
        SetExceptionReporter([&](const std::string& t) { reports.push_back(t); });
    {
        ScriptedPort loaded;
        loaded.SetEvents({});
        loaded.BeginLoading();
        loaded.SetConnected(true);
        EXPECT_EQ(loaded.acquired, 0);
        loaded.LayoutLoaded();
        EXPECT_TRUE(loaded.Connected());
        EXPECT_EQ(loaded.acquired, 1);
    }
    {
        ScriptedPort missing;
        missing.refuseOpen = true;
        missing.BeginLoading();
        missing.SetConnected(true);
        missing.LayoutLoaded();
        EXPECT_FALSE(missing.Connected());
    }
    SetExceptionReporter(previous);
    EXPECT_EQ(reports, (std::vector<std::string>{"Unable to open com port (win error code: 2)"}));
}

TEST_F(SerialLifecycleTest, AMissingSystemDeviceFailsWithFileNotFound) {
    TSerialPort real(nullptr);
    real.SetPort("skyvane-no-such-tty");
    try {
        real.SetConnected(true);
        FAIL() << "no error";
    } catch (const ESerialPort& e) {
        EXPECT_EQ(e.Message(), "Unable to open com port (win error code: 2)");
    }
    EXPECT_FALSE(real.Connected());
}

TEST_F(SerialLifecycleTest, DestroyingAnOpenPortClosesIt) {
    auto* owner = new TComponent(nullptr);
    auto* owned = new ScriptedPort(owner);
    owned->SetEvents(AllSerialEvents);  // with an event thread
    owned->Open();
    std::weak_ptr<testing::ScriptedDevice> device = owned->device;
    Record(*owned);
    delete owner;
    EXPECT_EQ(log, (Log{"CTS off", "DSR off", "RLSD off", "BeforeClose", "AfterClose"}));
    EXPECT_TRUE(device.expired());
}

}  // namespace
}  // namespace skyvane
