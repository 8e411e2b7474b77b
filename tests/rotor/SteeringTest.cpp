// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "rotor/Steering.h"

namespace skyvane {
namespace {

TEST(Steering, TurnSetsTheTargetInThreeDigitsThenMoves) {
    struct Case {
        int heading;
        std::optional<std::string> bytes;
    } cases[] = {
        {0, "AP1000;AM1;"},   {7, "AP1007;AM1;"}, {45, "AP1045;AM1;"}, {200, "AP1200;AM1;"},
        {360, "AP1360;AM1;"}, {-1, std::nullopt}, {361, std::nullopt}, {1000, std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(TurnCommand(c.heading), c.bytes) << c.heading;
    EXPECT_EQ(StopCommand(), ";");
}

}  // namespace
}  // namespace skyvane
