// SPDX-License-Identifier: GPL-3.0-or-later
// Ending event delivery while it runs, in every delivery mode: a port destroyed from
// its own handler, and an owner destroyed while replies stream. Nothing may run on
// what is freed (the sanitizer builds show any slip).
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>

#include "serial/SerialPort.h"
#include "tests/serial/SerialTestSupport.h"

namespace skyvane {
namespace {

// Writes replies onto the line until destroyed, as a rotor that never stops talking.
class ReplyStream {
public:
    explicit ReplyStream(int master) : master_(master) {
        fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
        thread_ = std::thread([this] {
            while (!stop_) {
                pollfd p{master_, POLLOUT, 0};
                if (poll(&p, 1, 5) == 1) [[maybe_unused]]
                    ssize_t n = write(master_, "123;", 4);
            }
        });
    }
    ~ReplyStream() {
        stop_ = true;
        thread_.join();
    }

private:
    int master_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// An owner whose handler uses a member that its destructor frees first, as a
// window's handler uses the window's other parts.
class Listener : public TComponent {
public:
    Listener(const std::string& path, TSyncMethod mode)
        : TComponent(nullptr), seen_(std::make_unique<std::string>()) {
        port_ = new TSerialPort(this);
        port_->SetPort(path);
        port_->SetSyncMethod(mode);
        port_->SetOnRxChar([this](TComponent*, int count) {
            std::string text;
            port_->ReadText(text, count);
            *seen_ += text;
            ++chunks;
        });
        port_->Open();
    }
    ~Listener() override { seen_.reset(); }
    std::atomic<int> chunks{0};

private:
    TSerialPort* port_;
    std::unique_ptr<std::string> seen_;
};

class SerialDeliveryEndTest : public ::testing::TestWithParam<TSyncMethod> {
protected:
    void SetUp() override { testing::EnsureApplication(); }
    testing::PtyPair pty;
};

TEST_P(SerialDeliveryEndTest, AnOwnerDestroyedWhileRepliesStreamRunsNoHandlerOnWhatItFreed) {
    ReplyStream stream(pty.Master());
    for (int round = 0; round < 20; ++round) {
        auto* owner = new Listener(pty.SlaveName(), GetParam());
        ASSERT_TRUE(testing::ServeUntil([&] { return owner->chunks > round % 3; }));
        delete owner;  // a delivery is almost always waiting by now
    }
}

TEST_P(SerialDeliveryEndTest, APortDestroyedFromItsOwnHandlerEndsItsDelivery) {
    auto* port = new testing::ScriptedPort;
    port->SetSyncMethod(GetParam());
    std::shared_ptr<testing::ScriptedDevice> device = port->device;
    std::atomic<int> calls{0};
    port->SetOnRxChar([&](TComponent* sender, int) {
        ++calls;
        delete sender;
    });
    port->SetOnTxEmpty([&](TComponent*) { ++calls; });  // later in the same wake-up
    port->Open();
    device->AddInput("1;");
    device->Signal(platform::kEvRxChar | platform::kEvTxEmpty);
    ASSERT_TRUE(testing::ServeUntil([&] { return calls > 0; }));
    device->Signal(platform::kEvTxEmpty);  // nobody listens any more
    testing::ServeUntil([] { return false; }, std::chrono::milliseconds(100));
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(device->Masks().back(), 0u) << "the device was left quiet";
}

TEST_P(SerialDeliveryEndTest, AHandlerThatClosesItsPortFreesTheLineAtOnceAndMayOpenItAgain) {
    TSerialPort port(nullptr);
    port.SetPort(pty.SlaveName());
    port.SetSyncMethod(GetParam());
    std::atomic<int> replies{0};
    std::atomic<bool> firstDone{false};
    std::mutex mutex;
    std::string reopenError;
    port.SetOnRxChar([&](TComponent*, int count) {
        std::string text;
        port.ReadText(text, count);
        if (++replies > 1) return;
        port.Close();
        try {
            port.Open();  // the old event thread may still wait for this very handler
        } catch (const ESerialPort& e) {
            std::lock_guard lock(mutex);
            reopenError = e.Message();
        }
        firstDone = true;
    });
    port.Open();
    pty.Send("1;");
    ASSERT_TRUE(testing::ServeUntil([&] { return firstDone.load(); }));
    {
        std::lock_guard lock(mutex);
        EXPECT_EQ(reopenError, "");
    }
    EXPECT_TRUE(port.Connected());
    pty.Send("2;");
    EXPECT_TRUE(testing::ServeUntil([&] { return replies == 2; }));
}

TEST(SerialDeliveryEndClose, AWaitingDeliveryIsDroppedWhenThePortClosesFirst) {
    testing::EnsureApplication();
    for (TSyncMethod mode : {smThreadSync, smWindowSync}) {
        testing::ScriptedPort port;
        port.SetSyncMethod(mode);
        int calls = 0;
        port.SetOnRxChar([&](TComponent*, int) {
            ++calls;
            port.Close();  // would close a port that is closing already
        });
        port.Open();
        port.device->AddInput("1;");
        port.device->Signal(platform::kEvRxChar);
        // The event thread takes the wake-up and waits for the GUI thread to take it.
        while (port.device->WakeupsTaken() == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        port.Close();  // serves the waiting delivery while it waits for the thread
        EXPECT_FALSE(port.Connected());
        EXPECT_EQ(calls, 0) << "mode " << mode;
    }
}

std::string ModeName(const ::testing::TestParamInfo<TSyncMethod>& info) {
    static const char* const names[] = {"ThreadSync", "WindowSync", "None"};
    return names[info.param];
}
INSTANTIATE_TEST_SUITE_P(DeliveryModes, SerialDeliveryEndTest,
                         ::testing::Values(smThreadSync, smWindowSync, smNone), ModeName);

}  // namespace
}  // namespace skyvane
