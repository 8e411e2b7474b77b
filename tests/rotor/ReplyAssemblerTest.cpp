// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <climits>
#include <random>

#include "rotor/ReplyAssembler.h"
#include "tests/rotor/ReplyExchanges.h"

namespace skyvane {
namespace {

using namespace std::chrono_literals;

// Every layout, junk, cut, quiet moment and straddled query the exchanges can hold,
// checked against the oracle (see ReplyExchanges.h). Seeded: a failure names its case.
TEST(ReplyAssembler, RandomExchangesShowEveryWholeReplyAndNeverAPiece) {
    constexpr unsigned Seed = 20261209, Cases = 4000;
    std::mt19937 random(Seed);
    const test::TPick pick = [&](unsigned n) {
        return std::uniform_int_distribution<unsigned>(0, n - 1)(random);
    };
    for (unsigned c = 0; c < Cases; ++c) {
        const test::TExchanges x = test::MakeExchanges(pick, 12);
        const std::string failure = test::CheckExchanges(x);
        if (failure.empty()) continue;
        std::string steps;
        for (const auto& step : x.steps) {
            steps += step.kind == test::TExchangeStep::Poll    ? "<poll>"
                     : step.kind == test::TExchangeStep::Quiet ? "<quiet>"
                                                               : "[";
            for (unsigned char b : step.bytes)
                steps += b >= ' ' && b < 127 ? std::string(1, char(b)) : "\\x" + std::to_string(b);
            if (step.kind == test::TExchangeStep::Bytes) steps += "]";
        }
        FAIL() << "seed " << Seed << ", case " << c << ": " << failure << "\n" << steps;
    }
}

TEST(ReplyAssembler, QuietTimeIsTenCharactersAndAtLeast20Ms) {
    struct Case {
        int baud;
        double bits;
        std::chrono::milliseconds quiet;
    } cases[] = {
        {4800, 12, 25ms},   {1200, 12, 100ms},   {300, 10, 334ms},  {9600, 10, 20ms},
        {115200, 10, 20ms}, {INT_MAX, 10, 20ms}, {0, 10, 20ms},     {-4800, 10, 20ms},
        {4800, 0, 20ms},    {1, 12, 120000ms},   {1200, 8.5, 71ms},
    };
    for (const Case& c : cases)
        EXPECT_EQ(QuietTimeFor(c.baud, c.bits), c.quiet)
            << c.baud << " baud, " << c.bits << " bits";
}

}  // namespace
}  // namespace skyvane
