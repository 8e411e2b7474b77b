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
// The quiet may be told late, just before the next query, wherever QuietMatters is
// false: random streams of digits, terminators, echoes and junk, cut at random, give
// the same replies told eagerly (after every chunk) and lazily.
TEST(ReplyAssembler, AQuietThatDoesNotMatterMayBeToldAtTheNextQuery) {
    constexpr unsigned Seed = 20261209, Cases = 3000;
    std::mt19937 random(Seed);
    const std::string alphabet = "0123456789;;;;\r\n -AI1E?\x01";
    for (unsigned c = 0; c < Cases; ++c) {
        TReplyAssembler eager, lazy;
        std::vector<std::string> fromEager, fromLazy;
        const auto take = [](std::optional<std::string> reply, std::vector<std::string>& to) {
            if (reply) to.push_back(std::move(*reply));
        };
        const int exchanges = 1 + static_cast<int>(random() % 6);
        for (int e = 0; e < exchanges; ++e) {
            const int chunks = static_cast<int>(random() % 4);
            for (int k = 0; k < chunks; ++k) {
                std::string chunk(1 + random() % 12, ' ');
                for (char& ch : chunk) ch = alphabet[random() % alphabet.size()];
                if (random() % 40 == 0) chunk.assign(TReplyAssembler::MaxReplyLength + 1, '7');
                eager.Feed(chunk, fromEager);
                lazy.Feed(chunk, fromLazy);
                // A quiet after a chunk, or more bytes before it comes.
                if (random() % 3 == 0) continue;
                take(eager.LineQuiet(), fromEager);
                if (lazy.QuietMatters()) take(lazy.LineQuiet(), fromLazy);
            }
            // The query is due; for the lazy one a quiet not yet told comes first, unless
            // bytes were still arriving, when both wait for it.
            const bool stillArriving = eager.AwaitingQuiet();
            if (lazy.AwaitingQuiet() && !stillArriving) take(lazy.LineQuiet(), fromLazy);
            take(eager.QueryDue(), fromEager);
            take(lazy.QueryDue(), fromLazy);
            if (stillArriving) {
                take(eager.LineQuiet(), fromEager);
                take(lazy.LineQuiet(), fromLazy);
            }
            ASSERT_EQ(fromLazy, fromEager) << "seed " << Seed << ", case " << c;
        }
    }
}

}  // namespace skyvane
