// SPDX-License-Identifier: GPL-3.0-or-later
// The line to the rotor on real pseudo-terminals, with the poll ticks given by the
// test: opening, the query, quiet lines, a lost line and its return.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/Azimuth.h"
#include "app/RotorLine.h"
#include "rotor/RotorReadings.h"
#include "serial/SerialPort.h"
#include "tests/app/MainWindowFixture.h"
#include "tests/support/TempDir.h"
#include "toolkit/ExceptionReport.h"

namespace skyvane {
namespace {

class RotorLineTest : public ::testing::Test {
protected:
    RotorLineTest()
        : readings_([](std::string reply) { return ParseRotorReply(std::move(reply)); }) {
        EnsureApplication();
        port_ = std::make_unique<TSerialPort>(nullptr);
        port_->SetBaudRate(br4800);
        port_->SetOnRxChar([this](TComponent*, int count) { line_->Received(count); });
        line_ = std::make_unique<TRotorLine>(*port_, readings_,
                                             [this](const std::string& t) { trace_.push_back(t); });
        readings_.SetOnReading([this](const AzimuthReading& r) { shown_.push_back(r.text); });
        previousReporter_ =
            SetExceptionReporter([this](const std::string& text) { reports_.push_back(text); });
    }
    ~RotorLineTest() override {
        port_.reset();
        SetExceptionReporter(previousReporter_);
    }
    // Points the link (the port's name) at a rotor's pseudo-terminal, or removes it.
    void Plug(FakeRotor* rotor) {
        std::filesystem::remove(link_);
        if (rotor) std::filesystem::create_symlink(rotor->Path(), link_);
    }

    test::TempDir dir_;
    const std::string link_ = dir_ / "rotor";
    TRotorReadings readings_;
    std::unique_ptr<TSerialPort> port_;
    std::unique_ptr<TRotorLine> line_;
    std::vector<std::string> trace_, shown_, reports_;
    ExceptionReporter previousReporter_;
};

TEST_F(RotorLineTest, QueriesOnTicksAndTakesQuietRepliesBetweenThem) {
    FakeRotor rotor;
    Plug(&rotor);
    port_->SetPort(link_);
    line_->Start();
    rotor.ReleaseSlave();
    EXPECT_EQ(rotor.Received(), "") << "the first query waits for the first tick";
    line_->PollTick();
    ASSERT_TRUE(WaitUntil([&] { return rotor.Received() == "AI1;"; }));
    rotor.Send(";123");
    EXPECT_TRUE(WaitUntil([&] { return shown_.size() == 1; })) << "a quiet line ends \";123\"";
    EXPECT_EQ(shown_, std::vector<std::string>{"123"});
    line_->PollTick();
    rotor.Send("045");
    WaitUntil([] { return false; }, 300);
    EXPECT_EQ(shown_.size(), 1u) << "digits without a separator wait for the exchange's end";
    line_->PollTick();
    EXPECT_EQ(shown_.back(), "045");
    EXPECT_EQ(trace_, std::vector<std::string>{"Track on: COM(" + link_ + ") open"});
    // Closing drops what the line has not passed on yet: the query is read first.
    EXPECT_TRUE(WaitUntil([&] { return rotor.Received() == "AI1;AI1;AI1;"; })) << rotor.Received();
    line_->Stop();
    EXPECT_FALSE(port_->Connected());
    line_->PollTick();
    EXPECT_EQ(rotor.Received(), "AI1;AI1;AI1;") << "no query after Track off";
    EXPECT_TRUE(reports_.empty());
}

TEST_F(RotorLineTest, ALostLineIsReportedOnceAndOpenedAgainByItself) {
    auto first = std::make_unique<FakeRotor>();
    Plug(first.get());
    port_->SetPort(link_);
    line_->Start();
    first->ReleaseSlave();
    first->HangUp();  // the adapter is pulled out...
    Plug(nullptr);
    line_->PollTick();
    EXPECT_FALSE(port_->Connected());
    EXPECT_TRUE(line_->Lost());
    EXPECT_TRUE(reports_.empty()) << "the report waits for the event loop, not the tick";
    ASSERT_TRUE(WaitUntil([&] { return !reports_.empty(); }));
    EXPECT_EQ(reports_[0], "WriteFile function failed (win error code: 5)");
    for (int i = 0; i < 3; ++i) line_->PollTick();  // ...and stays out a while
    WaitUntil([] { return false; }, 100);
    EXPECT_EQ(reports_.size(), 1u) << "reopening fails quietly";

    FakeRotor second;  // plugged in again: a new device under the same name
    Plug(&second);
    line_->PollTick();
    EXPECT_TRUE(port_->Connected());
    second.ReleaseSlave();
    ASSERT_TRUE(WaitUntil([&] { return second.Received() == "AI1;"; }))
        << "the query goes out at once";
    second.Send("200;");
    ASSERT_TRUE(WaitUntil([&] { return !shown_.empty(); }));
    EXPECT_EQ(shown_.back(), "200");

    second.HangUp();  // a later loss, after bytes came in again, is reported again
    line_->PollTick();
    EXPECT_TRUE(WaitUntil([&] { return reports_.size() == 2; }));
    const std::string com = "COM(" + link_ + ")";
    EXPECT_EQ(trace_, (std::vector<std::string>{
                          "Track on: " + com + " open",
                          com + " lost: WriteFile function failed (win error code: 5)",
                          com + " open again",
                          com + " lost: WriteFile function failed (win error code: 5)",
                      }));
    line_->Stop();
    FakeRotor third;
    Plug(&third);
    line_->PollTick();
    EXPECT_FALSE(port_->Connected()) << "Track off stops the retries";
}

TEST_F(RotorLineTest, AFirstOpenThatFailsIsRaisedAndTraced) {
    port_->SetPort(dir_ / "nothing-here");
    try {
        line_->Start();
        ADD_FAILURE() << "no error raised";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Unable to open com port (win error code: 2)");
    }
    EXPECT_FALSE(readings_.Tracking());
    EXPECT_FALSE(line_->Lost()) << "nothing is tracking, so nothing is lost";
    line_->PollTick();
    EXPECT_FALSE(port_->Connected());
    ASSERT_EQ(trace_.size(), 1u);
    EXPECT_EQ(trace_[0], "Track on: COM(" + dir_ / "nothing-here" +
                             ") cannot be opened: Unable to open com port (win error code: 2)");
}

}  // namespace
}  // namespace skyvane
