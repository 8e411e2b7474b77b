// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <random>

#include "rotor/Direction.h"
#include "rotor/RotctlProtocol.h"
#include "rotor/RotctlSession.h"
#include "rotor/RotorLink.h"

namespace skyvane {
namespace {

// Every position of the range, one degree apart, that points at the bearing; the
// nearest to `current` (ties: the one named by the request, else the lowest).
std::optional<int> OracleTarget(int offset, TAzimuthRange range, int heading,
                                std::optional<int> current) {
    const int lowest = std::min(0, range.min + offset);
    const int highest = std::max(360, range.max + offset);
    if (heading < lowest || heading > highest) return std::nullopt;
    std::optional<int> best;
    const auto score = [&](int p) { return current ? std::abs(p - *current) : 0; };
    for (int p = range.min; p <= range.max; ++p) {
        if (((p + offset) % 360 + 360) % 360 != ((heading % 360) + 360) % 360) continue;
        const bool asked = p == heading - offset;
        if (!best || score(p) < score(*best) || (score(p) == score(*best) && asked)) best = p;
    }
    return best;
}

// Random ranges, offsets, requests and current positions against the oracle; seeded.
TEST(Direction, TurnTargetIsTheNearestLegalPositionPointingThatWay) {
    std::mt19937 random(24);
    std::uniform_int_distribution<int> any(-400, 700);
    int checked = 0;
    for (int round = 0; round < 20000; ++round) {
        const int min = std::uniform_int_distribution<int>(LowestAzimuth, 100)(random);
        const int max = std::uniform_int_distribution<int>(
            min + 1, std::min(min + WidestTurn, HighestAzimuth))(random);
        const int offset = std::uniform_int_distribution<int>(-20, 20)(random);
        const TDirection direction(offset, {min, max});
        const int heading = any(random);
        const std::optional<int> current =
            round % 3 ? std::optional<int>(std::uniform_int_distribution<int>(min, max)(random))
                      : std::nullopt;
        ASSERT_EQ(direction.TurnTarget(heading, current),
                  OracleTarget(offset, {min, max}, heading, current))
            << "range " << min << ".." << max << " offset " << offset << " heading " << heading;
        ASSERT_EQ(direction.Accepts(heading),
                  OracleTarget(offset, {min, max}, heading, std::nullopt).has_value());
        checked += direction.Accepts(heading) ? 1 : 0;
    }
    EXPECT_GT(checked, 4000);  // the table is not all refusals
}

// The link's view through the direction model: what is shown, what the server's
// clients read, and where turns go, for the ranges users set.
TEST(Direction, ReadingsAndTurnsThroughTheLinkAccess) {
    struct FakeLink : TRotorLink {
        void StartTracking() override {}
        void StopTracking() override {}
        void PollTick() override {}
        bool Open() const override { return true; }
        bool Lost() const override { return false; }
        bool Stale() const override { return false; }
        std::optional<AzimuthReading> LatestLiveReading() const override { return reading; }
        bool Turn(int azimuth) override {
            turned = azimuth;
            return true;
        }
        bool StopTurning() override { return true; }
        bool Park() override { return true; }
        std::optional<TAzimuthRange> NativeRange() const override { return native; }
        std::optional<AzimuthReading> reading;
        std::optional<int> turned;
        std::optional<TAzimuthRange> native;
    };
    struct Case {
        int offset;
        std::optional<TAzimuthRange> settings;  // AZMIN/AZMAX; unset: the link's own
        std::optional<TAzimuthRange> native;
        AzimuthReading raw;
        std::string shownText;
        bool overlap;
        int liveHeading;
        int request;
        std::optional<int> turnedTo;  // unset: refused
    } cases[] = {
        // The default: readings exactly as they came, leading zeros or not.
        {0, {}, {}, {"45", 45}, "45", false, 45, 360, 0},
        {0, {}, {}, {"350", 350}, "350", false, 350, 0, 360},
        {5, {}, {}, {"100", 100}, "105", false, 105, 105, 100},
        {-10, {}, {}, {"5", 5}, "355", false, -5, 0, 10},
        {0, {}, TAzimuthRange{-180, 180}, {"-90", -90}, "270", false, -90, 180, -180},
        {0, {}, TAzimuthRange{-180, 180}, {"-90", -90}, "270", false, -90, -170, -170},
        {0, {}, TAzimuthRange{-180, 180}, {"10", 10}, "010", false, 10, 270, -90},
        {0, TAzimuthRange{0, 450}, {}, {"420", 420}, "060", true, 420, 30, 390},
        {0, TAzimuthRange{0, 450}, {}, {"20", 20}, "020", false, 20, 451, {}},
        {0, TAzimuthRange{0, 180}, {}, {"20", 20}, "020", false, 20, 270, {}},
        {0,
         TAzimuthRange{0, 450},
         TAzimuthRange{-180, 180},
         {"400", 400},
         "040",
         true,
         400,
         80,
         440},
    };
    for (const Case& c : cases) {
        FakeLink link;
        link.reading = c.raw;
        link.native = c.native;
        TLinkAccess access(link);
        access.SetDirection(c.offset, c.settings);
        const TShownReading shown = access.Shown(c.raw);
        const std::string what = c.raw.text + " offset " + std::to_string(c.offset) + " request " +
                                 std::to_string(c.request);
        EXPECT_EQ(shown.reading.text, c.shownText) << what;
        EXPECT_EQ(shown.overlap, c.overlap) << what;
        EXPECT_EQ(access.LiveHeading(), c.liveHeading) << what;
        EXPECT_EQ(access.Reaches(c.request), c.turnedTo.has_value()) << what;
        EXPECT_EQ(access.RequestTurn(c.request), c.turnedTo.has_value()) << what;
        EXPECT_EQ(link.turned, c.turnedTo) << what;

        // The server: P within the range turns, outside it is the client's error, and
        // dump_state tells the range in use.
        TRotctlSession session(access);
        EXPECT_EQ(session.Receive("P " + std::to_string(c.request) + " 0\n"),
                  c.turnedTo ? "RPRT 0\n" : "RPRT -1\n")
            << what;
        const TAzimuthRange scale = access.TurningScale();
        const std::string dump = session.Receive("\\dump_state\n");
        EXPECT_NE(dump.find("min_az=" + std::to_string(scale.min) +
                            ".000000\nmax_az=" + std::to_string(scale.max) + ".000000\n"),
                  std::string::npos)
            << what << dump;
    }
}

TEST(Direction, RangesFromCapabilities) {
    struct Case {
        double min, max;
        TAzimuthRange range;
    } cases[] = {
        {0, 360, {0, 360}},    {-180, 180, {-180, 180}}, {0, 450, {0, 450}},
        {-180, 450, {0, 450}}, {0, 0, {0, 360}},         {-180.4, 179.6, {-180, 180}},
        {NAN, 360, {0, 360}},  {90, 60, {0, 360}},       {-1e9, 1e9, {0, 450}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TurningRangeOf(c.min, c.max), c.range) << c.min << " " << c.max;
}

}  // namespace
}  // namespace skyvane
