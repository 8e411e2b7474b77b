// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/GuiThread.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
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

TEST_F(GuiThreadTest, TheEventLoopRunsAHandedOverCallAgainAndAgain) {
    QEventLoop loop;
    int runs = 0;
    auto call = TGuiCall::Make([&] {
        if (++runs == 2) throw Exception("second run failed");
    });
    std::vector<std::string> seen;
    LambdaThread worker([&](LambdaThread&) {
        for (int i = 0; i < 3; ++i) {
            call->Post();
            call->Finished().Wait();
            const std::exception_ptr error = call->TakeError();
            seen.push_back(error ? ExceptionMessage(error) : "ok");
        }
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);  // a broken hand-over fails, not hangs
    worker.Start();
    loop.exec();  // the loop sees the calls through its descriptor
    worker.WaitFor();
    EXPECT_EQ(runs, 3);
    EXPECT_EQ(seen, (std::vector<std::string>{"ok", "second run failed", "ok"}));
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
