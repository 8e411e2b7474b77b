// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <memory>

#include "tray/TickTimer.h"

namespace skyvane {
namespace {

// Runs the event loop until `done` holds; a guard against hanging, not a timing check.
template <class Done>
bool SpinUntil(Done done, int guardMs = 5000) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > guardMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

TTickTimerHandler& Handler() {
    return *TTickTimerHandler::Shared();
}

TEST(TickTimer, StartingWithPeriodZeroStaysStopped) {
    int ticks = 0;
    TTickTimer timer(0, [&](TTickTimer*) { ++ticks; });
    timer.SetRunning(true);
    EXPECT_FALSE(timer.Running());
    EXPECT_FALSE(Handler().HasTimer(timer.TimerId()));
    EXPECT_FALSE(timer.Activate());
}

TEST(TickTimer, PeriodZeroSuspendsAndANewPeriodResumes) {
    TTickTimer timer(100, [](TTickTimer*) {});
    timer.SetRunning(true);
    ASSERT_TRUE(Handler().HasTimer(timer.TimerId()));
    timer.SetPeriod(0);
    EXPECT_TRUE(timer.Running());
    EXPECT_FALSE(Handler().HasTimer(timer.TimerId()));
    timer.SetPeriod(500);
    EXPECT_TRUE(timer.Running());
    EXPECT_TRUE(Handler().HasTimer(timer.TimerId()));
    // Stopping a suspended timer clears the request.
    timer.SetPeriod(0);
    timer.SetRunning(false);
    timer.SetPeriod(200);
    EXPECT_FALSE(timer.Running());
    EXPECT_FALSE(Handler().HasTimer(timer.TimerId()));
}

TEST(TickTimer, RestartResetsThePhaseButTheSamePeriodDoesNot) {
    TTickTimer timer(100, [](TTickTimer*) {});
    timer.SetRunning(true);
    const unsigned first = Handler().Generation(timer.TimerId());
    timer.SetRunning(true);  // restart: a new system timer, counting from now
    EXPECT_EQ(Handler().Generation(timer.TimerId()), first + 1);
    timer.SetPeriod(100);  // unchanged: no restart
    EXPECT_EQ(Handler().Generation(timer.TimerId()), first + 1);
    timer.SetPeriod(150);  // new period: restart
    EXPECT_EQ(Handler().Generation(timer.TimerId()), first + 2);
}

TEST(TickTimer, RemovingTheHandlerSuspendsAndSettingItAgainDoesNotResume) {
    TTickTimer timer(100, [](TTickTimer*) {});
    timer.SetRunning(true);
    timer.SetTickHandler(nullptr);
    EXPECT_TRUE(timer.Running());
    EXPECT_FALSE(Handler().HasTimer(timer.TimerId()));
    timer.SetTickHandler([](TTickTimer*) {});
    EXPECT_FALSE(Handler().HasTimer(timer.TimerId()));
    timer.SetRunning(true);
    EXPECT_TRUE(Handler().HasTimer(timer.TimerId()));
}

TEST(TickTimer, SharedHandlerIsCountedAndGoesWithTheLastTimer) {
    ASSERT_EQ(TTickTimerHandler::Shared(), nullptr);
    int ticksA = 0, ticksB = 0;
    auto a = std::make_unique<TTickTimer>(10, [&](TTickTimer*) { ++ticksA; });
    auto b = std::make_unique<TTickTimer>(10, [&](TTickTimer*) { ++ticksB; });
    TTickTimerHandler* shared = TTickTimerHandler::Shared();
    ASSERT_NE(shared, nullptr);
    EXPECT_EQ(shared->ReferenceCount(), 2u);
    a->SetRunning(true);
    b->SetRunning(true);
    const std::uintptr_t staleId = a->TimerId();
    a.reset();
    EXPECT_EQ(TTickTimerHandler::Shared(), shared);
    EXPECT_EQ(shared->ReferenceCount(), 1u);
    // A tick for the destroyed timer is ignored; the other one goes on ticking.
    shared->HandleTimerMessage(staleId);
    EXPECT_EQ(ticksA, 0);
    const int before = ticksB;
    EXPECT_TRUE(SpinUntil([&] { return ticksB >= before + 3; }));
    b.reset();
    EXPECT_EQ(TTickTimerHandler::Shared(), nullptr);
    TTickTimer c;
    EXPECT_NE(TTickTimerHandler::Shared(), nullptr);
    EXPECT_EQ(TTickTimerHandler::Shared()->ReferenceCount(), 1u);
}

TEST(TickTimer, OneShotStopsBeforeItsOnlyTick) {
    int ticks = 0;
    bool runningInside = true;
    TTickTimer timer(2, [&](TTickTimer* sender) {
        ++ticks;
        runningInside = sender->Running();
    });
    timer.SetOneShot(true);
    timer.SetRunning(true);
    ASSERT_TRUE(SpinUntil([&] { return ticks >= 1; }));
    // Give a repeating timer every chance to tick again.
    int spins = 0;
    TTickTimer watch(2, [&](TTickTimer*) { ++spins; });
    watch.SetRunning(true);
    ASSERT_TRUE(SpinUntil([&] { return spins >= 10; }));
    EXPECT_EQ(ticks, 1);
    EXPECT_FALSE(runningInside);
    EXPECT_FALSE(timer.Running());
}

}  // namespace
}  // namespace skyvane
