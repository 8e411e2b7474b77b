// SPDX-License-Identifier: GPL-3.0-or-later
// The Hamlib link against Hamlib's own rotors: the dummy rotor (model 1) in-process,
// and the network model (2) against Hamlib's rotctld started on loopback.
#include <gtest/gtest.h>
#include <hamlib/rig.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>
#include <atomic>

#include "rotor/HamlibRotorLink.h"
#include "rotor/HamlibRotors.h"
#include "tests/support/QtApplication.h"
#include "tests/support/Rotctl.h"
#include "toolkit/ExceptionReport.h"

namespace skyvane {
namespace {

// A link with its access, polled every 100 ms while waiting, its reports counted.
class HamlibLinkTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test_support::EnsureQtApplication<QCoreApplication>(); }
    void SetUp() override {
        previous_ =
            SetExceptionReporter([this](const std::string& text) { reports_.push_back(text); });
    }
    void TearDown() override {
        access_.reset();
        link_.reset();
        SetExceptionReporter(previous_);
    }
    void Track(THamlibRotor rotor, int offset = 0) {
        const std::optional<TAzimuthRange> range = rotor.range;
        link_ = std::make_unique<THamlibRotorLink>(std::move(rotor), [](const std::string&) {});
        link_->SetOnReading(
            [this](const AzimuthReading& r) { shown_ = access_->Shown(r).reading.text; });
        access_ = std::make_unique<TLinkAccess>(*link_);
        access_->SetDirection(offset, range);
        link_->StartTracking();
    }
    template <class Pred>
    bool PollUntil(Pred done, int ms = 15000) {
        QTimer ticks;
        ticks.callOnTimeout([this] { link_->PollTick(); });
        ticks.start(100);
        QElapsedTimer clock;
        clock.start();
        while (!done() && clock.elapsed() < ms)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        return done();
    }
    std::optional<int> Raw() const {
        const auto reading = link_->LatestLiveReading();
        return reading ? std::optional<int>(reading->degrees) : std::nullopt;
    }

    std::unique_ptr<THamlibRotorLink> link_;
    std::unique_ptr<TLinkAccess> access_;
    std::string shown_;
    std::vector<std::string> reports_;
    ExceptionReporter previous_;
};

// The dummy rotor starts at 0 and turns 6 degrees a second; its park position is 0.
TEST_F(HamlibLinkTest, DummyRotorReadsTurnsStopsAndParksThroughTheDirectionModel) {
    struct Case {
        std::optional<TAzimuthRange> range;  // AZMIN/AZMAX; unset: the model's own
        int offset;
        int request;       // a true bearing, as the menu or a client asks
        int rawTarget;     // where the rotor itself turns
        std::string text;  // what the displays show there
    } cases[] = {
        {{}, 0, 6, 6, "006"},                           // the model's own
        {TAzimuthRange{-180, 180}, 0, 354, -6, "354"},  // south-centred: the short way, below 0
        {TAzimuthRange{0, 450}, 0, 6, 6, "006"},
        {{}, 5, 11, 6, "011"},  // offset: the rotor turns 5 degrees less than asked
    };
    const TAzimuthRange own = HamlibModel(HamlibDummyModel)->range;
    for (const Case& c : cases) {
        SCOPED_TRACE("request " + std::to_string(c.request));
        Track({HamlibDummyModel, "", 0, c.range}, c.offset);
        ASSERT_TRUE(PollUntil([&] { return Raw() == 0; }));
        EXPECT_TRUE(link_->Open());
        EXPECT_EQ(access_->TurningScale().min, c.range.value_or(own).min + c.offset);
        ASSERT_TRUE(access_->RequestTurn(c.request));
        EXPECT_TRUE(PollUntil([&] { return Raw() == c.rawTarget; }));
        EXPECT_EQ(shown_, c.text);
        EXPECT_EQ(access_->LiveHeading(), c.rawTarget + c.offset);
        // Park: the dummy's own park command takes it back to 0.
        ASSERT_TRUE(access_->RequestPark());
        EXPECT_TRUE(PollUntil([&] { return Raw() == 0; }));
    }
    // Stopped on the way, the rotor holds.
    ASSERT_TRUE(link_->Turn(400));
    ASSERT_TRUE(PollUntil([&] { return Raw() >= 3; }));
    ASSERT_TRUE(access_->RequestStop());
    PollUntil([] { return false; }, 500);
    const std::optional<int> stopped = Raw();
    PollUntil([] { return false; }, 1000);
    EXPECT_EQ(Raw(), stopped);
    EXPECT_TRUE(reports_.empty()) << reports_.front();
}

TEST_F(HamlibLinkTest, TheLibrarysRefusalIsReportedWithItsTextAndTheModel) {
    // The range in use is the library's own check too: -180..180 refuses 200.
    Track({HamlibDummyModel, "", 0, TAzimuthRange{-180, 180}});
    ASSERT_TRUE(PollUntil([&] { return Raw().has_value(); }));
    ASSERT_TRUE(link_->Turn(200));
    ASSERT_TRUE(PollUntil([&] { return !reports_.empty(); }));
    EXPECT_NE(reports_[0].find(HamlibModelText(HamlibDummyModel)), std::string::npos)
        << reports_[0];
    EXPECT_NE(reports_[0].find(HamlibErrorText(-RIG_EINVAL)), std::string::npos) << reports_[0];
    EXPECT_TRUE(link_->Open());

    // A device that is not there: said once, and Hamlib's own debug output says why to
    // whoever it is routed to (the trace log with TRACE=YES).
    static std::atomic<int> debugLines;  // outlives the routing, whatever fails
    RouteHamlibDebug([](const std::string& line) { debugLines += line.rfind("Hamlib: ", 0) == 0; });
    Track({603, "/nonexistent/skyvane-rotor", 0, {}});
    ASSERT_TRUE(PollUntil([&] { return reports_.size() == 2; }));
    EXPECT_NE(
        reports_[1].find(HamlibModelText(603) + " at /nonexistent/skyvane-rotor cannot be opened"),
        std::string::npos)
        << reports_[1];
    EXPECT_TRUE(link_->Lost());
    EXPECT_GT(debugLines, 0);
    RouteHamlibDebug(nullptr);
}

// Hamlib's rotctld with the dummy rotor, on a port of this machine's loopback.
class Rotctld {
public:
    explicit Rotctld(quint16 port) : port_(port) { Start(); }
    ~Rotctld() { Stop(); }
    void Start() {
        process_.start(QStandardPaths::findExecutable("rotctld"),
                       {"-m", "1", "-T", "127.0.0.1", "-t", QString::number(port_)});
        process_.waitForStarted();
        // Ready once rotctl gets an answer.
        QElapsedTimer clock;
        clock.start();
        while (test::RunRotctl(port_, {"p"}, 3000).exitCode != 0 && clock.elapsed() < 10000) {
        }
    }
    void Stop() {
        process_.terminate();
        process_.waitForFinished(5000);
    }

private:
    quint16 port_;
    QProcess process_;
};

TEST_F(HamlibLinkTest, NetworkRotorFollowsRotctldThroughItsLossAndReturn) {
    if (QStandardPaths::findExecutable("rotctld").isEmpty()) GTEST_SKIP() << "no rotctld";
    const quint16 port = test::FreeTcpPort();
    Rotctld rotctld(port);
    Track({HamlibNetworkModel, "127.0.0.1:" + std::to_string(port), 0, {}});
    ASSERT_TRUE(PollUntil([&] { return Raw() == 0; }));
    // The range is the server's, as its dump_state tells.
    EXPECT_EQ(link_->NativeRange(), HamlibModel(HamlibDummyModel)->range);

    // Turn to reaches rotctld: its own p reads the new heading.
    ASSERT_TRUE(access_->RequestTurn(6));
    EXPECT_TRUE(PollUntil([&] { return Raw() == 6; }));
    EXPECT_EQ(shown_, "006");
    EXPECT_TRUE(PollUntil([&] { return test::RunRotctl(port, {"p"}).output == "6.00\n0.00\n"; }));

    // rotctld stops: the heading goes stale and the loss is reported once.
    rotctld.Stop();
    EXPECT_TRUE(PollUntil([&] { return link_->Stale() && link_->Lost(); }));
    PollUntil([] { return false; }, 1500);  // several more tries to open it
    EXPECT_FALSE(access_->LiveHeading().has_value());
    ASSERT_EQ(reports_.size(), 1u);
    EXPECT_NE(reports_[0].find(HamlibModelText(HamlibNetworkModel)), std::string::npos)
        << reports_[0];

    // Back again: readings return with nothing done by the user, and nothing more told.
    rotctld.Start();
    EXPECT_TRUE(PollUntil([&] { return link_->Open() && !link_->Stale() && Raw() == 0; }));
    EXPECT_EQ(reports_.size(), 1u);
}

}  // namespace
}  // namespace skyvane
