// SPDX-License-Identifier: GPL-3.0-or-later
// Reading and writing through a pseudo-terminal, and what only a scripted device can show.
#include <gtest/gtest.h>

#include <thread>

#include "serial/SerialPort.h"
#include "tests/serial/SerialTestSupport.h"

namespace skyvane {
namespace {

class SerialTransferTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::EnsureApplication();
        port.SetEvents({});  // the test reads at its own pace
        port.SetPort(pty.SlaveName());
        port.Open();
    }
    // Waits until the port sees `n` bytes queued (the pty moves them asynchronously).
    void AwaitQueued(int n) {
        for (int i = 0; i < 500 && port.BytesWaiting() < n; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        ASSERT_GE(port.BytesWaiting(), n);
    }
    testing::PtyPair pty;
    TSerialPort port{nullptr};
};

TEST_F(SerialTransferTest, WriteTextSendsTheBytesUnchanged) {
    EXPECT_EQ(port.WriteText("AI1;"), 4);
    const std::string binary("\x00\x11\x13\r\n\xff", 6);
    EXPECT_EQ(port.WriteText(binary), 6);
    EXPECT_EQ(pty.Receive(10), "AI1;" + binary);
}

TEST_F(SerialTransferTest, AnEmptyWriteSendsNothing) {
    EXPECT_EQ(port.WriteText(""), 0);
    port.WriteText("x");
    EXPECT_EQ(pty.Receive(1), "x");
}

TEST_F(SerialTransferTest, ReadTextReturnsAtOnceWithWhatIsQueued) {
    std::string text = "old";
    EXPECT_EQ(port.ReadText(text, 5), 0);  // nothing queued
    EXPECT_EQ(text, "");
    pty.Send("123;");
    AwaitQueued(4);
    EXPECT_EQ(port.ReadText(text, 100), 4);
    EXPECT_EQ(text, "123;");
    pty.Send("abcdef");
    AwaitQueued(6);
    EXPECT_EQ(port.ReadText(text, 0), 0);
    EXPECT_EQ(text, "");
    EXPECT_EQ(port.ReadText(text, -3), 0);
    EXPECT_EQ(port.BytesWaiting(), 6);
    EXPECT_EQ(port.ReadText(text, 2), 2);
    EXPECT_EQ(text, "ab");
    char buf[8] = {};
    EXPECT_EQ(port.ReadBuffer(buf, 8), 4);
    EXPECT_EQ(std::string(buf, 4), "cdef");
}

TEST_F(SerialTransferTest, DiscardNullDropsNulBytesFromWhatIsRead) {
    pty.Send(
        std::string("1\0"
                    "2",
                    3));
    AwaitQueued(3);
    std::string text;
    EXPECT_EQ(port.ReadText(text, 3), 3);
    EXPECT_EQ(text, std::string("1\0"
                                "2",
                                3));
    port.SetDiscardNull(true);
    pty.Send(
        std::string("\0"
                    "3\0\0"
                    "4;",
                    6));
    AwaitQueued(3);  // the NUL bytes are not counted either
    EXPECT_EQ(port.ReadText(text, 6), 3);
    EXPECT_EQ(text, "34;");
}

TEST_F(SerialTransferTest, WithDiscardNullTheCountAndTheReadAgree) {
    port.SetDiscardNull(true);
    const struct {
        std::string sent, kept;
    } table[] = {{std::string("\0\0ab", 4), "ab"},
                 {std::string("a\0b\0", 4), "ab"},
                 {std::string("\0\0\0", 3), ""},
                 {"123", "123"}};
    for (const auto& row : table) {
        pty.Send(row.sent + ";");
        const int expected = static_cast<int>(row.kept.size()) + 1;
        AwaitQueued(expected);
        ASSERT_EQ(port.BytesWaiting(), expected) << row.kept;
        std::string text;
        EXPECT_EQ(port.ReadText(text, 2), std::min(expected, 2)) << row.kept;
        std::string rest;
        port.ReadText(rest, 100);
        EXPECT_EQ(text + rest, row.kept + ";");
    }
}

TEST(SerialTransferEventTest, WithDiscardNullOnRxCharAnnouncesWhatReadTextGives) {
    testing::EnsureApplication();
    testing::PtyPair pty;
    TSerialPort port(nullptr);
    port.SetPort(pty.SlaveName());
    port.SetDiscardNull(true);
    std::string announced, read;
    port.SetOnRxChar([&](TComponent*, int count) {
        std::string text;
        announced += std::to_string(count) + " ";
        read += std::to_string(port.ReadText(text, count)) + " ";
    });
    port.Open();
    pty.Send(std::string("\0\0ab;", 5));
    ASSERT_TRUE(testing::ServeUntil([&] { return !read.empty(); }));
    EXPECT_EQ(announced, "3 ");
    EXPECT_EQ(read, "3 ");
}

TEST_F(SerialTransferTest, AReadWithATotalTimeoutWaitsForTheRestThenGivesWhatCame) {
    port.Timeouts()->SetReadInterval(0);
    port.Timeouts()->SetReadTotalConstant(200);
    std::thread sender([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        pty.Send("12");
    });
    std::string text;
    EXPECT_EQ(port.ReadText(text, 3), 2);  // the third byte never comes
    EXPECT_EQ(text, "12");
    sender.join();
}

TEST_F(SerialTransferTest, AsyncReadStartsPendingAndWaitForTransferGivesTheCount) {
    port.Timeouts()->SetReadInterval(0);  // all zero: wait for every byte
    TSerialTransfer* t = TCustomSerialPort::NewTransfer();
    std::string text;
    EXPECT_EQ(port.ReadTextAsync(text, 3, t), 0);
    EXPECT_EQ(t->Kind, xkRead);
    pty.Send("3");
    pty.Send("59");
    EXPECT_EQ(port.WaitForTransfer(t), 3);
    EXPECT_EQ(text, "359");
    port.FreeTransfer(t);
    EXPECT_EQ(t, nullptr);
}

TEST_F(SerialTransferTest, CancelTransfersEndsAPendingReadWithCode3) {
    port.Timeouts()->SetReadInterval(0);
    TSerialTransfer* t = TCustomSerialPort::NewTransfer();
    char buf[4];
    port.ReadBufferAsync(buf, 4, t);
    std::thread canceller([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        port.CancelTransfers();
    });
    try {
        port.WaitForTransfer(t);
        ADD_FAILURE() << "no error";
    } catch (const ESerialPort& e) {
        EXPECT_EQ(e.PortErrorCode(), 3);
        EXPECT_EQ(e.OsErrorCode(), ECANCELED);
    }
    canceller.join();
    port.FreeTransfer(t);
}

TEST_F(SerialTransferTest, AReadAndAWriteMayRunAtOnceOnDifferentThreads) {
    port.Timeouts()->SetReadInterval(0);
    std::string got;
    std::thread reader([&] { port.ReadText(got, 3); });
    EXPECT_EQ(port.WriteText("AI1;"), 4);
    EXPECT_EQ(pty.Receive(4), "AI1;");
    pty.Send("270");
    reader.join();
    EXPECT_EQ(got, "270");
}

TEST_F(SerialTransferTest, NoRecordIsCode4WithoutAnOsError) {
    char b = 0;
    const auto code4 = [](auto&& call) {
        try {
            call();
        } catch (const ESerialPort& e) {
            return e.PortErrorCode() == 4 && e.OsErrorCode() == -1;
        }
        return false;
    };
    EXPECT_TRUE(code4([&] { port.WriteBufferAsync(&b, 1, nullptr); }));
    EXPECT_TRUE(code4([&] { port.ReadBufferAsync(&b, 1, nullptr); }));
    EXPECT_TRUE(code4([&] { port.WaitForTransfer(nullptr); }));
}

TEST_F(SerialTransferTest, TransfersOnAClosedPortRaiseCodes2And3) {
    port.Close();
    std::string text;
    const auto codeOf = [](auto&& call) {
        try {
            call();
        } catch (const ESerialPort& e) {
            return e.PortErrorCode();
        }
        return 0;
    };
    EXPECT_EQ(codeOf([&] { port.WriteText("AI1;"); }), 2);
    EXPECT_EQ(codeOf([&] { port.ReadText(text, 4); }), 3);
    EXPECT_EQ(codeOf([&] { port.BytesWaiting(); }), 10);
    EXPECT_EQ(codeOf([&] { port.CancelTransfers(); }), 5);
}

TEST_F(SerialTransferTest, AfterAHangUpWritesFailWithCode2) {
    pty.CloseMaster();
    try {
        port.WriteText("AI1;");
        FAIL() << "no error";
    } catch (const ESerialPort& e) {
        EXPECT_EQ(e.PortErrorCode(), 2);
        EXPECT_GT(e.OsErrorCode(), 0);
    }
}

TEST(SerialTransferScriptedTest, AStalledWriteEndsByItsTimeoutWithTheCountSent) {
    testing::EnsureApplication();
    testing::ScriptedPort port;
    port.SetEvents({});
    port.Timeouts()->SetWriteTotalMultiplier(1);
    port.Timeouts()->SetWriteTotalConstant(10);
    port.Open();
    port.device->writesStall = true;
    EXPECT_EQ(port.WriteText("AI1;"), 0);
    port.device->writesStall = false;
    port.device->writeError = EIO;
    try {
        port.WriteText("AI1;");
        FAIL() << "no error";
    } catch (const ESerialPort& e) {
        EXPECT_EQ(e.Message(), "WriteFile function failed (win error code: 5)");
    }
}

}  // namespace
}  // namespace skyvane
