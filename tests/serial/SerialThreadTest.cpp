// SPDX-License-Identifier: GPL-3.0-or-later
// The event thread: masks and mappings, the three delivery modes, the processing
// order, failures in processing, hang-ups, and closing under a flood.
#include <gtest/gtest.h>

#include <thread>

#include "serial/SerialPort.h"
#include "serial/SerialThread.h"
#include "tests/serial/SerialTestSupport.h"
#include "toolkit/ExceptionReport.h"

namespace skyvane {
namespace {

using namespace platform;

TEST(SerialMaskTest, EventsAndMasksMapBothWays) {
    const struct {
        TSerialEvent event;
        std::uint32_t bit;
    } table[] = {{evRxChar, 0x0001}, {evTxEmpty, 0x0004}, {evRxFlag, 0x0002}, {evRing, 0x0100},
                 {evBreak, 0x0040},  {evCTS, 0x0008},     {evDSR, 0x0010},    {evError, 0x0080},
                 {evRLSD, 0x0020},   {evRx80Full, 0x0400}};
    for (const auto& row : table) {
        EXPECT_EQ(EventsToMask({row.event}), row.bit) << int(row.event);
        EXPECT_EQ(MaskToEvents(row.bit), TSerialEvents{row.event}) << int(row.event);
        EXPECT_EQ(EventMessageCode(row.event), row.bit);
    }
    EXPECT_EQ(EventsToMask(AllSerialEvents), 0x05FFu);
    EXPECT_EQ(MaskToEvents(0xFFFFFFFF), AllSerialEvents);  // other bits are ignored
    EXPECT_TRUE(MaskToEvents(0x0200 | 0x0800).Empty());
}

TEST(SerialMaskTest, LineErrorFlagsMapToTheirMembersAndParityNeedsCheck) {
    const struct {
        std::uint32_t flag;
        TSerialError member;
    } table[] = {{0x0008, ceFrame}, {0x0002, ceOverrun}, {0x0010, ceBreak},  {0x0400, ceIO},
                 {0x8000, ceMode},  {0x0001, ceRxOver},  {0x0100, ceTxFull}, {0x0004, ceRxParity}};
    for (const auto& row : table)
        EXPECT_EQ(ErrorFlagsToErrors(row.flag, true), TSerialErrors{row.member});
    EXPECT_TRUE(ErrorFlagsToErrors(0x0004, false).Empty());
    EXPECT_TRUE(ErrorFlagsToErrors(0x0020 | 0x0040 | 0x0200, true).Empty());
    EXPECT_EQ(ErrorFlagsToErrors(0x000C, false), TSerialErrors{ceFrame});
}

// --- Scripted device: what a pseudo-terminal cannot show ---

class SerialThreadScriptedTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::EnsureApplication();
        port.SetOnRxChar(
            [this](TComponent*, int n) { log.push_back("RxChar " + std::to_string(n)); });
        port.SetOnError([this](TComponent*, TSerialErrors e) {
            log.push_back("Error " + std::to_string(e.ToBits()));
        });
        port.SetOnTxEmpty([this](TComponent*) { log.push_back("TxEmpty"); });
        port.SetOnBreak([this](TComponent*) { log.push_back("Break"); });
        port.SetOnRing([this](TComponent*) { log.push_back("Ring"); });
        port.SetOnRxFlag([this](TComponent*) { log.push_back("RxFlag"); });
        port.SetOnRx80Full([this](TComponent*) { log.push_back("Rx80Full"); });
    }
    void OpenQuiet() {
        port.Open();
        port.SetOnCTSChange(
            [this](TComponent*, bool on) { log.push_back(on ? "CTS on" : "CTS off"); });
        port.SetOnDSRChange(
            [this](TComponent*, bool on) { log.push_back(on ? "DSR on" : "DSR off"); });
        port.SetOnRLSDChange(
            [this](TComponent*, bool on) { log.push_back(on ? "RLSD on" : "RLSD off"); });
    }
    bool AwaitLog(std::size_t n) {
        return testing::ServeUntil([&] { return log.size() >= n; });
    }
    using Log = std::vector<std::string>;
    Log log;
    testing::ScriptedPort port;
};

TEST_F(SerialThreadScriptedTest, OneWakeUpIsProcessedInTheFixedOrder) {
    OpenQuiet();
    port.device->AddInput("12;");
    port.device->AddLineErrors(kCeFrame);
    port.device->SetModemStatus(kMsDsrOn);
    port.device->Signal(kEvRx80Full | kEvRlsd | kEvRxFlag | kEvDsr | kEvCts | kEvRing | kEvBreak |
                        kEvTxEmpty | kEvRxChar | kEvErr);
    ASSERT_TRUE(AwaitLog(10));
    EXPECT_EQ(log, (Log{"Error 1", "RxChar 3", "TxEmpty", "Break", "Ring", "CTS off", "DSR on",
                        "RxFlag", "RLSD off", "Rx80Full"}));
}

TEST_F(SerialThreadScriptedTest, NothingQueuedOrNoErrorsRaiseNothing) {
    OpenQuiet();
    port.device->AddLineErrors(kCeRxParity);  // Parity.Check is off
    port.device->Signal(kEvRxChar | kEvErr | kEvTxEmpty);
    ASSERT_TRUE(AwaitLog(1));
    port.device->AddInput("7");
    port.device->Signal(kEvRxChar);
    ASSERT_TRUE(AwaitLog(2));
    EXPECT_EQ(log, (Log{"TxEmpty", "RxChar 1"}));
}

TEST_F(SerialThreadScriptedTest, TheMaskComesFromEventsAtOpen) {
    port.SetEvents({evRxChar});
    port.Open();
    ASSERT_FALSE(port.device->Masks().empty());
    EXPECT_EQ(port.device->Masks().front(), 0x0001u);
    port.SetEvents(AllSerialEvents);  // an open port keeps its mask
    EXPECT_EQ(port.device->Masks().size(), 1u);
    port.Close();
    EXPECT_EQ(port.device->Masks().back(), 0u);  // the thread leaves the device quiet
}

// The open port keeps the mask of Events at the open; the handlers decide only which
// events are also looked for on a timer.
TEST_F(SerialThreadScriptedTest, TheMaskStaysAndPromptEventsFollowTheHandlers) {
    port.SetOnRxFlag(nullptr);
    port.SetOnRing(nullptr);
    port.Open();  // handlers: RxChar, Error, TxEmpty, Break, Rx80Full
    port.SetOnCTSChange([](TComponent*, bool) {});
    port.SetOnCTSChange([](TComponent*, bool) {});  // already set: nothing changes
    port.SetOnTxEmpty(nullptr);
    port.SetEvents({evRxChar});  // stored for the next open only
    port.SetOnRing([](TComponent*) {});
    EXPECT_EQ(port.device->Masks(), (std::vector<std::uint32_t>{0x05FF}));
    EXPECT_EQ(port.device->Prompts(), (std::vector<std::uint32_t>{0x04C5, 0x04CD, 0x04C9, 0x05C9}));
    port.Close();
    port.Open();
    EXPECT_EQ(port.device->Masks().back(), 0x0001u);
    EXPECT_EQ(port.device->Prompts().back(), 0x0001u);
    port.SetOnTxEmpty([](TComponent*) {});  // not among the events of this open
    EXPECT_EQ(port.device->Prompts().back(), 0x0001u);
}

// A port class that takes transmit-empty through its hook, with no handler set.
struct HookedPort : testing::ScriptedPort {
    std::atomic<int> txEmpty{0};
    void FireTxEmpty() override { ++txEmpty; }
};

TEST(SerialThreadHooks, AnOverriddenHookAndPendingEventsSeeEveryEventOfTheMask) {
    testing::EnsureApplication();
    HookedPort port;
    port.Open();
    port.device->Signal(kEvTxEmpty | kEvBreak);
    ASSERT_TRUE(testing::ServeUntil([&] { return port.txEmpty == 1; }));
    EXPECT_EQ(port.EventThread()->PendingEvents(), (TSerialEvents{evTxEmpty, evBreak}));
}

TEST_F(SerialThreadScriptedTest, NoEventsMeansNoThreadAndNoRxChar) {
    port.SetEvents({});
    port.Open();
    EXPECT_TRUE(port.device->Masks().empty());
    port.device->AddInput("1");
    port.device->Signal(kEvRxChar);
    ServeQueuedCalls();
    EXPECT_TRUE(log.empty());
}

TEST_F(SerialThreadScriptedTest, AnExceptionInThreadSyncProcessingEndsDelivery) {
    port.SetOnRxChar([this](TComponent*, int) {
        log.push_back("RxChar");
        throw Exception("handler failed");
    });
    OpenQuiet();
    port.device->AddInput("1");
    port.device->Signal(kEvRxChar | kEvTxEmpty);
    ASSERT_TRUE(AwaitLog(1));
    port.device->Signal(kEvTxEmpty);
    // The thread has ended: its quiet-down cleared the mask, and nothing more comes.
    ASSERT_TRUE(testing::ServeUntil([&] { return port.EventThread()->Finished(); }));
    ServeQueuedCalls();
    EXPECT_EQ(log, (Log{"RxChar"}));
    EXPECT_EQ(port.device->Masks().back(), 0u);
    EXPECT_TRUE(port.Connected());
}

TEST_F(SerialThreadScriptedTest, WindowSyncReportsAnExceptionAndGoesOn) {
    std::vector<std::string> reports;
    ExceptionReporter previous =
        SetExceptionReporter([&](const std::string& t) { reports.push_back(t); });
    port.SetSyncMethod(smWindowSync);
    port.SetOnTxEmpty([this](TComponent*) {
        log.push_back("TxEmpty");
        throw ESerialPort(spRead, 5);
    });
    OpenQuiet();
    port.device->Signal(kEvTxEmpty);
    port.device->Signal(kEvBreak);
    ASSERT_TRUE(AwaitLog(2));
    SetExceptionReporter(previous);
    EXPECT_EQ(log, (Log{"TxEmpty", "Break"}));
    EXPECT_EQ(reports, (std::vector<std::string>{"ReadFile function failed (win error code: 5)"}));
}

TEST_F(SerialThreadScriptedTest, AWindowMessageForAClosedPortIsIgnored) {
    TSerialNotifier notifier(&port);
    port.device->AddInput("1");
    notifier.HandleMessage(PortEventMessage, 1);  // closed: no device is asked
    EXPECT_TRUE(log.empty());
    OpenQuiet();
    notifier.HandleMessage(PortEventMessage + 1, 1);   // another message
    notifier.HandleMessage(PortEventMessage, 0x0200);  // no event has this code
    EXPECT_TRUE(log.empty());
    notifier.HandleMessage(PortEventMessage, 1);
    EXPECT_EQ(log, (Log{"RxChar 1"}));
}

// --- Pseudo-terminal: real waits ---

class SerialThreadPtyTest : public ::testing::TestWithParam<TSyncMethod> {
protected:
    void SetUp() override {
        testing::EnsureApplication();
        port.SetPort(pty.SlaveName());
        port.SetSyncMethod(GetParam());
        port.SetOnRxChar([this](TComponent* sender, int count) {
            EXPECT_EQ(sender, &port);
            std::string text;
            const int n = port.ReadText(text, count);
            std::lock_guard lock(mutex);
            received += text;
            counts += count;
            readCount += n;
            onGuiThread = onGuiThread && IsGuiThread();
            offGuiThread = offGuiThread && !IsGuiThread();
        });
    }
    std::string Received() {
        std::lock_guard lock(mutex);
        return received;
    }
    testing::PtyPair pty;
    TSerialPort port{nullptr};
    std::mutex mutex;
    std::string received;
    int counts = 0, readCount = 0;
    bool onGuiThread = true, offGuiThread = true;
};

TEST_P(SerialThreadPtyTest, RepliesAreAnnouncedWithCountsThatCoverEveryByte) {
    port.Open();
    pty.Send("123;");
    ASSERT_TRUE(testing::ServeUntil([&] { return Received().size() >= 4; }));
    pty.Send("4");
    pty.Send("56;");
    ASSERT_TRUE(testing::ServeUntil([&] { return Received().size() >= 8; }));
    port.Close();
    EXPECT_EQ(received, "123;456;");
    EXPECT_EQ(counts, 8);
    EXPECT_EQ(readCount, 8);
    if (GetParam() == smNone)
        EXPECT_TRUE(offGuiThread);
    else
        EXPECT_TRUE(onGuiThread);
}

TEST_P(SerialThreadPtyTest, AHangUpEndsTheEventThreadInsteadOfSpinning) {
    port.Open();
    ASSERT_NE(port.EventThread(), nullptr);
    pty.Send("9;");
    ASSERT_TRUE(testing::ServeUntil([&] { return Received() == "9;"; }));
    EXPECT_FALSE(port.EventThread()->Finished());
    pty.CloseMaster();
    // The thread's loop ends by itself instead of polling the hung-up line forever.
    ASSERT_TRUE(testing::ServeUntil([&] { return port.EventThread()->Finished(); }));
    EXPECT_TRUE(port.Connected());
    port.Close();
    EXPECT_FALSE(port.Connected());
    EXPECT_EQ(port.EventThread(), nullptr);
}

TEST(SerialThreadUnreadTest, BytesLeftUnreadAreCountedAgainWithTheNextOnes) {
    testing::EnsureApplication();
    testing::PtyPair pty;
    TSerialPort port(nullptr);
    port.SetPort(pty.SlaveName());
    std::vector<int> counts;
    port.SetOnRxChar([&](TComponent*, int count) { counts.push_back(count); });  // reads nothing
    port.Open();
    pty.Send("12");
    ASSERT_TRUE(testing::ServeUntil([&] { return counts.size() >= 1; }));
    pty.Send("3456");
    ASSERT_TRUE(testing::ServeUntil([&] { return counts.size() >= 2; }));
    EXPECT_EQ(counts, (std::vector<int>{2, 6}));
}

TEST(SerialThreadCloseTest, AHandlerThatClosesThePortDoesNotDeadlockIt) {
    testing::EnsureApplication();
    testing::PtyPair pty;
    TSerialPort port(nullptr);
    port.SetPort(pty.SlaveName());
    std::string received;
    bool closeInHandler = true;
    port.SetOnRxChar([&](TComponent*, int count) {
        std::string text;
        port.ReadText(text, count);
        received += text;
        if (closeInHandler) port.SetConnected(false);  // as Track off from a box the handler shows
    });
    port.Open();
    pty.Send("1;");
    ASSERT_TRUE(testing::ServeUntil([&] { return !port.Connected(); }));
    EXPECT_EQ(received, "1;");
    closeInHandler = false;
    port.Open();  // the stopped thread is waited for first; the line opens again
    pty.Send("2;");
    ASSERT_TRUE(testing::ServeUntil([&] { return received == "1;2;"; }));
}

std::string ModeName(const ::testing::TestParamInfo<TSyncMethod>& info) {
    static const char* const names[] = {"ThreadSync", "WindowSync", "None"};
    return names[info.param];
}
INSTANTIATE_TEST_SUITE_P(DeliveryModes, SerialThreadPtyTest,
                         ::testing::Values(smThreadSync, smWindowSync, smNone), ModeName);

TEST(SerialThreadFloodTest, ClosingWhileTheFarEndFloodsNeverDeadlocks) {
    testing::EnsureApplication();
    testing::PtyPair pty;
    fcntl(pty.Master(), F_SETFL, O_NONBLOCK);
    TSerialPort port(nullptr);
    port.SetPort(pty.SlaveName());
    port.SetEvents({});
    port.Open();  // raw mode before the flood starts: no echo, no line editing
    port.Close();
    port.SetEvents(AllSerialEvents);
    std::atomic<bool> stop{false};
    std::thread flooder([&] {
        const std::string reply = "123;";
        while (!stop) {
            pollfd p{pty.Master(), POLLOUT, 0};
            if (poll(&p, 1, 5) == 1) [[maybe_unused]]
                ssize_t n = write(pty.Master(), reply.data(), reply.size());
        }
    });
    long long total = 0;
    port.SetOnRxChar([&](TComponent*, int count) {
        std::string text;
        total += port.ReadText(text, count);
    });
    for (int i = 0; i < 1000; ++i) {
        port.SetConnected(true);
        if (i % 100 == 0) {  // now and then, let replies through before closing
            const long long before = total;
            EXPECT_TRUE(testing::ServeUntil([&] { return total > before; }));
        }
        port.SetConnected(false);
        ASSERT_FALSE(port.Connected());
    }
    stop = true;
    flooder.join();
    EXPECT_EQ(port.EventThread(), nullptr);
    EXPECT_EQ(port.Device(), nullptr);
    EXPECT_GT(total, 0);
}

}  // namespace
}  // namespace skyvane
