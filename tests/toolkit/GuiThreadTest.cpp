// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/GuiThread.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>
#include <atomic>
#include <thread>

#include "toolkit/Exception.h"
#include "toolkit/ExceptionReport.h"
#include "toolkit/Thread.h"
#include "tests/support/QtApplication.h"

namespace skyvane {
namespace {

class GuiThreadTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        test_support::EnsureQtApplication<QCoreApplication>();
    }
};

// A thread that runs a given body.
class LambdaThread : public TThread {
public:
    explicit LambdaThread(std::function<void(LambdaThread&)> body) : body_(std::move(body)) {}
    ~LambdaThread() override { TerminateAndWait(); }

protected:
    void Execute() override { body_(*this); }

private:
    std::function<void(LambdaThread&)> body_;
};

TEST_F(GuiThreadTest, SynchronizeRunsOnGuiThreadAndRethrowsInCaller) {
    const auto gui = std::this_thread::get_id();
    std::thread::id ranOn;
    std::string caught;
    LambdaThread worker([&](LambdaThread&) {
        Synchronize([&] { ranOn = std::this_thread::get_id(); });
        try {
            Synchronize([] { throw Exception("from the GUI thread"); });
        } catch (const Exception& e) {
            caught = e.Message();
        }
    });
    worker.Start();
    worker.WaitFor();  // serves the two calls while waiting
    EXPECT_EQ(ranOn, gui);
    EXPECT_EQ(caught, "from the GUI thread");
}

TEST_F(GuiThreadTest, WaitForServesCallsButNoOtherEvents) {
    bool otherEventRan = false;
    QTimer::singleShot(0, [&] { otherEventRan = true; });
    std::atomic<int> served{0};
    LambdaThread worker([&](LambdaThread& self) {
        while (!self.Terminated()) Synchronize([&] { ++served; });
    });
    worker.Start();
    while (served < 3) ServeQueuedCalls();
    worker.TerminateAndWait();  // the worker may be blocked in Synchronize right now
    EXPECT_TRUE(worker.Finished());
    EXPECT_FALSE(otherEventRan);
    QCoreApplication::processEvents();
    EXPECT_TRUE(otherEventRan);
}

TEST_F(GuiThreadTest, SendAndReleaseReturnsBeforeTheCallRuns) {
    std::atomic<bool> released{false};
    bool ranAfterRelease = false;
    std::vector<std::string> reported;
    auto previous = SetExceptionReporter([&](const std::string& t) { reported.push_back(t); });
    LambdaThread worker([&](LambdaThread&) {
        SendAndRelease([&] {
            // The sender has been let go before the body runs.
            for (int i = 0; i < 1000 && !released; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
            ranAfterRelease = released;
            throw Exception("handler failed");
        });
        released = true;
    });
    worker.Start();
    worker.WaitFor();
    SetExceptionReporter(previous);
    EXPECT_TRUE(ranAfterRelease);
    EXPECT_EQ(reported, std::vector<std::string>{"handler failed."});
}

TEST_F(GuiThreadTest, ThreadExceptionIsKeptNotReported) {
    LambdaThread worker([](LambdaThread&) { throw Exception("thread died"); });
    worker.Start();
    worker.WaitFor();
    ASSERT_TRUE(worker.FatalException());
    EXPECT_EQ(ExceptionMessage(worker.FatalException()), "thread died");
}

}  // namespace
}  // namespace skyvane
