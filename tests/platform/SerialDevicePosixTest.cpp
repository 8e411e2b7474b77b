// SPDX-License-Identifier: GPL-3.0-or-later
// The POSIX serial device on pseudo-terminals, and the case-insensitive path lookup.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/files.h"
#include "platform/serial_device.h"
#include "tests/support/LineState.h"

namespace skyvane::platform {
namespace {

class PtyDeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        char name[128];
        ASSERT_EQ(openpty(&master_, &slave_, name, nullptr, nullptr), 0);
        path_ = name;
    }
    void TearDown() override {
        if (master_ >= 0) close(master_);
        close(slave_);
    }
    std::unique_ptr<SerialDevice> OpenDevice() {
        int error = -1;
        auto device = OpenSerialDevice(path_, error);
        EXPECT_EQ(error, 0);
        return device;
    }
    int master_ = -1, slave_ = -1;
    std::string path_;
};

TEST_F(PtyDeviceTest, ASecondOpenOfTheSameTtyIsRefusedUntilTheFirstCloses) {
    auto first = OpenDevice();
    ASSERT_NE(first, nullptr);
    int error = 0;
    EXPECT_EQ(OpenSerialDevice(path_, error), nullptr);
    EXPECT_EQ(error, EBUSY);
    first.reset();
    EXPECT_NE(OpenDevice(), nullptr);
}

TEST_F(PtyDeviceTest, WhatIsNotATerminalIsRefused) {
    char dir[] = "/tmp/skyvane-devXXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string file = std::string(dir) + "/plain";
    std::ofstream(file) << "x";
    int error = 0;
    EXPECT_EQ(OpenSerialDevice(file, error), nullptr);
    EXPECT_EQ(error, ENOTTY);
    EXPECT_EQ(OpenSerialDevice(std::string(dir) + "/missing", error), nullptr);
    EXPECT_EQ(error, ENOENT);
    unlink(file.c_str());
    rmdir(dir);
}

TEST_F(PtyDeviceTest, LineSettingsTheTerminalCannotCarryAreRefusedWithItsError) {
    auto device = OpenDevice();
    LineSettings s;
    s.baudRate = 31250;  // any speed
    s.stopBits = 2;
    s.outxCtsFlow = true;
    s.outX = s.inX = true;
    EXPECT_EQ(device->SetLineSettings(s), 0);
    s.stopBits = 1;  // 1.5 with 8 data bits
    EXPECT_EQ(device->SetLineSettings(s), EINVAL);
    s.stopBits = 0;
    s.byteSize = 7;  // a pseudo-terminal refuses 7 bits and parity
    EXPECT_EQ(device->SetLineSettings(s), EINVAL);
    std::uint32_t modem = 99;
    EXPECT_EQ(device->ModemStatus(modem), 0);  // no modem lines: all off
    EXPECT_EQ(modem, 0u);
}

TEST_F(PtyDeviceTest, ARefusedLineSettingLeavesTheLineAsItWas) {
    auto device = OpenDevice();
    LineSettings accepted;
    accepted.baudRate = 19200;
    ASSERT_EQ(device->SetLineSettings(accepted), 0);
    const unsigned long flags = testing::LineControlFlags(master_);
    LineSettings evenWithHardwareFlow = accepted, sevenBits = accepted;
    evenWithHardwareFlow.parity = 2;
    evenWithHardwareFlow.outxCtsFlow = true;
    sevenBits.byteSize = 7;
    sevenBits.stopBits = 2;
    for (LineSettings refused : {evenWithHardwareFlow, sevenBits}) {
        refused.baudRate = 38400;
        EXPECT_EQ(device->SetLineSettings(refused), EINVAL);
        EXPECT_EQ(testing::LineOutputSpeed(master_), 19200);
        EXPECT_EQ(testing::LineControlFlags(master_), flags);
    }
    // A name with a NUL would open the part before it: a device it does not name.
    int error = 0;
    EXPECT_EQ(OpenSerialDevice(path_ + std::string(1, '\0') + "1", error), nullptr);
    EXPECT_EQ(error, ENOENT);
}

TEST_F(PtyDeviceTest, AWriteOnAFullLineEndsByItsTimeoutWithThePartSent) {
    auto device = OpenDevice();
    ASSERT_EQ(device->SetLineSettings(LineSettings{}), 0);
    Timeouts t;
    t.writeTotalMultiplier = 0;
    t.writeTotalConstant = 30;
    device->SetTimeouts(t);
    const std::string big(1 << 20, 'x');  // more than the far end's queue takes
    Transfer w;
    ASSERT_EQ(device->StartWrite(w, big.data(), big.size()), 0);
    EXPECT_EQ(w.state, Transfer::State::Pending);
    EXPECT_EQ(device->WaitTransfer(w), 0);
    EXPECT_GT(w.done, 0u);
    EXPECT_LT(w.done, big.size());
}

TEST_F(PtyDeviceTest, QueueCountsAndPurge) {
    auto device = OpenDevice();
    ASSERT_EQ(device->SetLineSettings(LineSettings{}), 0);
    ASSERT_EQ(write(master_, "abc", 3), 3);
    std::uint32_t errors = 1, in = 0, out = 9;
    for (int i = 0; i < 500 && in < 3; ++i) {
        ASSERT_EQ(device->QueueStatus(errors, in, &out), 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    EXPECT_EQ(in, 3u);
    EXPECT_EQ(errors, 0u);
    EXPECT_EQ(device->Purge(false, false, true, true), 0);
    device->QueueStatus(errors, in, &out);
    EXPECT_EQ(in, 0u);
}

TEST_F(PtyDeviceTest, TheEventWaitEndsAtAStopAndFailsForGoodAfterAHangUp) {
    auto device = OpenDevice();
    ASSERT_EQ(device->SetLineSettings(LineSettings{}), 0);
    device->SetEventMask(kEvRxChar | kEvTxEmpty);
    WakeEvent stop;
    std::uint32_t events = 0;
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        stop.Set();
    });
    EXPECT_EQ(device->WaitEvents(stop, events), WaitResult::Stopped);
    stopper.join();
    stop.Reset();
    ASSERT_EQ(write(master_, "1", 1), 1);
    EXPECT_EQ(device->WaitEvents(stop, events), WaitResult::Events);
    EXPECT_EQ(events, kEvRxChar);
    close(master_);
    master_ = -1;
    EXPECT_EQ(device->WaitEvents(stop, events), WaitResult::Failed);
    EXPECT_EQ(device->WaitEvents(stop, events), WaitResult::Failed);
}

TEST_F(PtyDeviceTest, BytesAreTakenWhileTheGateIsShutAndReportedOnceItOpens) {
    auto device = OpenDevice();
    ASSERT_EQ(device->SetLineSettings(LineSettings{}), 0);
    device->SetEventMask(kEvRxChar);
    WakeEvent stop;
    WaitGate gate;
    gate.Shut();  // a delivery is under way
    std::atomic<bool> returned{false};
    std::uint32_t events = 0;
    std::thread waiter([&] {
        EXPECT_EQ(device->WaitEvents(stop, events, &gate), WaitResult::Events);
        returned = true;
    });
    ASSERT_EQ(write(master_, "12;", 3), 3);
    std::uint32_t errors = 0, in = 0;
    for (int i = 0; i < 500 && in < 3; ++i) {
        device->QueueStatus(errors, in);  // takes nothing itself while the wait runs
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    EXPECT_EQ(in, 3u) << "the waiting thread took the bytes into the input queue";
    EXPECT_FALSE(returned) << "nothing is reported while the gate is shut";
    gate.Open();
    waiter.join();
    EXPECT_EQ(events, kEvRxChar);
    Transfer t;
    char buf[8];
    ASSERT_EQ(device->StartRead(t, buf, sizeof buf), 0);
    EXPECT_EQ(std::string(buf, t.done), "12;");
}

// Bytes a reader took into the queue before the event wait began (the wait starts
// a moment after the port opens) are still reported, not left waiting unseen.
TEST_F(PtyDeviceTest, BytesTakenByAReaderBeforeTheWaitAreReported) {
    auto device = OpenDevice();
    ASSERT_EQ(device->SetLineSettings(LineSettings{}), 0);
    device->SetEventMask(kEvRxChar);
    ASSERT_EQ(write(master_, "12;", 3), 3);
    std::uint32_t errors = 0, in = 0;
    for (int i = 0; i < 500 && in < 3; ++i) {
        ASSERT_EQ(device->QueueStatus(errors, in), 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ASSERT_EQ(in, 3u);
    WakeEvent stop;
    std::atomic<bool> returned{false};
    std::thread stopper([&] {  // ends a wait that never reports
        for (int i = 0; i < 200 && !returned; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        stop.Set();
    });
    std::uint32_t events = 0;
    EXPECT_EQ(device->WaitEvents(stop, events, nullptr), WaitResult::Events);
    returned = true;
    stopper.join();
    EXPECT_EQ(events, kEvRxChar);
}

// A stream far larger than the input queue, read only after the queue has filled:
// the event wait stops taking at the queue's limit and takes again as reads make
// room, so that every byte arrives, in order.
TEST_F(PtyDeviceTest, AStreamLargerThanTheInputQueueArrivesWholeAndInOrder) {
    auto device = OpenDevice();
    ASSERT_EQ(device->SetLineSettings(LineSettings{}), 0);
    device->SetEventMask(kEvRxChar);
    WakeEvent stop;
    std::thread events([&] {
        std::uint32_t mask = 0;
        while (device->WaitEvents(stop, mask, nullptr) == WaitResult::Events) {
        }
    });
    constexpr std::size_t kStream = 2 << 20;
    std::string sent(kStream, '\0');
    for (std::size_t i = 0; i < kStream; ++i)
        sent[i] = static_cast<char>('a' + (i * 7 + i / 26) % 26);
    // The writer gives up when the reader does, rather than block for ever.
    ASSERT_EQ(fcntl(master_, F_SETFL, O_NONBLOCK), 0);
    std::atomic<bool> readerDone{false};
    std::thread writer([&] {
        for (std::size_t at = 0; at < kStream && !readerDone;) {
            pollfd p{master_, POLLOUT, 0};
            if (poll(&p, 1, 10) < 1) continue;
            const ssize_t n =
                write(master_, sent.data() + at, std::min<std::size_t>(4096, kStream - at));
            if (n > 0) at += static_cast<std::size_t>(n);
        }
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // the queue fills up
    std::string got;
    std::vector<char> buf(1 << 16);
    for (int idle = 0; got.size() < kStream && idle < 5000;) {
        std::uint32_t errors = 0, in = 0;
        if (device->QueueStatus(errors, in) != 0) break;
        if (in == 0) {
            ++idle;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            continue;
        }
        idle = 0;
        Transfer t;
        int error = device->StartRead(t, buf.data(), std::min<std::size_t>(in, buf.size()));
        if (!error && t.state != Transfer::State::Done) error = device->WaitTransfer(t);
        if (error) break;
        got.append(buf.data(), t.done);
    }
    readerDone = true;
    writer.join();
    stop.Set();
    events.join();
    ASSERT_EQ(got.size(), kStream) << "the stream stalled or a read failed";
    EXPECT_TRUE(got == sent) << "bytes lost, doubled or out of order";
}

// A reader that asks for more than the queue holds reads the tty itself, and may
// take the bytes the event wait was woken for: the wait's own read then finds
// nothing, which is not a hang-up. The wait goes on through a stream read this way.
TEST_F(PtyDeviceTest, AnEmptyReadAfterAReaderTookTheBytesIsNoHangUp) {
    auto device = OpenDevice();
    ASSERT_EQ(device->SetLineSettings(LineSettings{}), 0);
    device->SetEventMask(kEvRxChar);
    WakeEvent stop;
    std::atomic<bool> failed{false};
    std::thread events([&] {
        std::uint32_t mask = 0;
        WaitResult r;
        while ((r = device->WaitEvents(stop, mask, nullptr)) == WaitResult::Events) {
        }
        failed = r == WaitResult::Failed;
    });
    std::atomic<bool> writing{true};
    std::thread reader([&] {
        std::vector<char> buf(1 << 16);
        while (writing) {
            Transfer t;
            device->StartRead(t, buf.data(), buf.size());  // time-outs: return at once
        }
    });
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
    while (!failed && std::chrono::steady_clock::now() < end) {
        ASSERT_EQ(write(master_, "123;", 4), 4);
        std::this_thread::sleep_for(std::chrono::microseconds(50));
    }
    writing = false;
    reader.join();
    stop.Set();
    events.join();
    EXPECT_FALSE(failed) << "the event wait took a reader's empty tty for a hang-up";
}

TEST_F(PtyDeviceTest, TransmitEmptyIsReportedOnlyWhileItIsWaitedFor) {
    auto device = OpenDevice();
    ASSERT_EQ(device->SetLineSettings(LineSettings{}), 0);
    WakeEvent stop;
    // Waited for but not prompt (the third): a write under way wakes nothing either.
    const std::uint32_t masks[][2] = {
        {kEvRxChar | kEvTxEmpty, ~0u}, {kEvRxChar, ~0u}, {kEvRxChar | kEvTxEmpty, kEvRxChar}};
    for (const auto [mask, prompt] : masks) {
        device->SetEventMask(mask);
        device->SetPromptEvents(prompt);
        Transfer t;
        std::thread stopper([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            device->StartWrite(t, "AI1;", 4);  // while the wait is under way
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            stop.Set();
        });
        std::uint32_t events = 0;
        const WaitResult result = device->WaitEvents(stop, events);
        stopper.join();
        stop.Reset();
        if (mask & prompt & kEvTxEmpty) {
            EXPECT_EQ(result, WaitResult::Events);
            EXPECT_EQ(events, kEvTxEmpty);
        } else {
            EXPECT_EQ(result, WaitResult::Stopped) << "a write wakes nothing else";
        }
        char sent[8];
        EXPECT_EQ(read(master_, sent, sizeof sent), 4);
    }
}

TEST(WaitGateTest, OpeningWakesOnlyAWaiterThatSaidItWaits) {
    WaitGate gate;
    EXPECT_TRUE(gate.IsOpen());
    EXPECT_FALSE(gate.PrepareWait()) << "open: nothing to wait for";
    gate.Shut();
    gate.Open();  // done before anyone waited
    pollfd p{gate.NativeHandle(), POLLIN, 0};
    EXPECT_EQ(poll(&p, 1, 0), 0) << "no wake-up was spent";
    gate.Shut();
    EXPECT_TRUE(gate.PrepareWait());
    EXPECT_TRUE(gate.PrepareWait()) << "still waiting";
    std::thread opener([&] { gate.Open(); });
    EXPECT_EQ(poll(&p, 1, 5000), 1);
    opener.join();
    gate.Acknowledge();
    EXPECT_TRUE(gate.IsOpen());
    gate.Wait();  // returns at once
}

TEST(SerialDevicePathTest, NamesWithoutASlashAreUnderDev) {
    EXPECT_EQ(SerialDevicePath("null"), "/dev/null");
    EXPECT_EQ(SerialDevicePath("NULL"), "/dev/null");
    EXPECT_EQ(SerialDevicePath("/dev/null"), "/dev/null");
    EXPECT_EQ(SerialDevicePath("skyvane-none"), "/dev/skyvane-none");
}

TEST(PathCaseTest, ComponentsAreMatchedWithoutRegardToCaseExactFirst) {
    char dir[] = "/tmp/skyvane-caseXXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string base = dir;
    mkdir((base + "/Sub").c_str(), 0700);
    std::ofstream(base + "/Sub/Skyvane.ini") << "";
    std::ofstream(base + "/Sub/b") << "";
    std::ofstream(base + "/Sub/B") << "";
    EXPECT_EQ(ResolvePathCase(base + "/SUB/SKYVANE.INI"), base + "/Sub/Skyvane.ini");
    EXPECT_EQ(ResolvePathCase(base + "/sub/b"), base + "/Sub/b");
    EXPECT_EQ(ResolvePathCase(base + "/sub/B"), base + "/Sub/B");  // exact wins
    EXPECT_EQ(ResolvePathCase(base + "/SUB/new/x.ini"), base + "/Sub/new/x.ini");
    EXPECT_EQ(ResolvePathCase(""), "");
    for (const char* f : {"/Sub/Skyvane.ini", "/Sub/b", "/Sub/B"}) unlink((base + f).c_str());
    rmdir((base + "/Sub").c_str());
    rmdir(dir);
}

TEST(PathCaseTest, WhenSeveralMatchTheFirstInByteOrderWins) {
    char dir[] = "/tmp/skyvane-caseXXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string base = dir;
    std::ofstream(base + "/aB") << "";
    std::ofstream(base + "/Ab") << "";
    EXPECT_EQ(ResolvePathCase(base + "/AB"), base + "/Ab");
    unlink((base + "/aB").c_str());
    unlink((base + "/Ab").c_str());
    rmdir(dir);
}

}  // namespace
}  // namespace skyvane::platform
