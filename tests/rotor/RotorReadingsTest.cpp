// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "app/Azimuth.h"
#include "rotor/RotorReadings.h"

namespace skyvane {
namespace {

// The readings with the application's own judge, recording what they hand on.
class RotorReadingsTest : public ::testing::Test {
protected:
    RotorReadingsTest()
        : readings_([](std::string reply) { return ParseRotorReply(std::move(reply)); }) {
        readings_.SetOnReading([this](const AzimuthReading& r) { shown_.push_back(r.text); });
        readings_.SetOnStaleChange([this](bool stale) { staleEvents_.push_back(stale); });
    }
    void Ticks(int n) {
        for (int i = 0; i < n; ++i) readings_.PollTick();
    }
    std::string Latest() const {
        const auto reading = readings_.LatestLiveReading();
        return reading ? reading->text : "(none)";
    }

    TRotorReadings readings_;
    std::vector<std::string> shown_;
    std::vector<bool> staleEvents_;
};

TEST_F(RotorReadingsTest, WholeRepliesAreJudgedByTheReplyRules) {
    readings_.StartTracking();
    for (const char* chunk :
         {"04", "5;12.5;-", ";ERR; 90;", "1,5;2147483648;-5;36", "1;0", ";AI1;"})
        readings_.Received(chunk);
    EXPECT_EQ(shown_, (std::vector<std::string>{"045", "-5", "361", "0"}));
    EXPECT_EQ(Latest(), "0");
    ASSERT_TRUE(readings_.LatestLiveReading());
    EXPECT_EQ(readings_.LatestLiveReading()->degrees, 0);
}

TEST_F(RotorReadingsTest, StaleAfterThreeUnansweredPeriodsUntilTheNextReply) {
    readings_.StartTracking();
    readings_.Received("123;");
    Ticks(3);
    EXPECT_FALSE(readings_.Stale()) << "three queries out, each still has its period";
    EXPECT_EQ(Latest(), "123");
    Ticks(1);
    EXPECT_TRUE(readings_.Stale());
    EXPECT_EQ(Latest(), "(none)") << "an old heading is never live";
    Ticks(5);
    EXPECT_EQ(staleEvents_, std::vector<bool>{true}) << "one change, one event";
    readings_.Received("124;");
    EXPECT_FALSE(readings_.Stale());
    EXPECT_EQ(Latest(), "124");
    EXPECT_EQ(staleEvents_, (std::vector<bool>{true, false}));
    Ticks(2);
    readings_.Received("ERR;");  // a rejected reply is no answer
    Ticks(2);
    EXPECT_TRUE(readings_.Stale());
}

TEST_F(RotorReadingsTest, TrackOffFreezesAndTrackOnWaitsForAFreshReply) {
    readings_.StartTracking();
    readings_.Received("123;");
    readings_.StopTracking();
    Ticks(10);
    EXPECT_FALSE(readings_.Stale()) << "nothing goes stale while not tracking";
    EXPECT_EQ(Latest(), "(none)");
    readings_.StartTracking();
    EXPECT_EQ(Latest(), "(none)") << "the last session's heading is not live";
    Ticks(4);
    EXPECT_TRUE(readings_.Stale()) << "no answer since Track on";
    readings_.StopTracking();
    readings_.StartTracking();
    EXPECT_TRUE(readings_.Stale()) << "still old until a reply";
    readings_.Received("200;");
    EXPECT_EQ(Latest(), "200");
    EXPECT_EQ(staleEvents_, (std::vector<bool>{true, false}));
}

TEST_F(RotorReadingsTest, AClosedLineLosesTheReplyInProgress) {
    readings_.StartTracking();
    readings_.Received("045;12");
    readings_.LineClosed();
    readings_.Received("200;");
    EXPECT_EQ(shown_, (std::vector<std::string>{"045", "200"})) << "no \"12200\"";
}

}  // namespace
}  // namespace skyvane
