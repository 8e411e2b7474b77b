// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Azimuth.h"

#include <gtest/gtest.h>

#include <map>

namespace skyvane {
namespace {

TEST(Azimuth, SectorLabelBoundaries) {
    struct Case {
        int degrees;
        const char* label;
    } cases[] = {
        {0, "N"},    {22, "N"},    {23, "NE"},  {45, "NE"},  {67, "NE"},  {68, "E"},
        {112, "E"},  {113, "SE"},  {157, "SE"}, {158, "S"},  {180, "S"},  {225, "S"},
        {226, "SO"}, {247, "SO"},  {248, "O"},  {292, "O"},  {293, "NO"}, {337, "NO"},
        {338, "N"},  {360, "N"},   {361, ""},   {-1, ""},    {-5, ""},    {100000, ""},
    };
    for (const Case& c : cases) EXPECT_EQ(SectorLabel(c.degrees), c.label) << c.degrees;
}

TEST(Azimuth, EverySectorHasItsWidth) {
    std::map<std::string, int> width;
    for (int d = 0; d <= 360; ++d) ++width[SectorLabel(d)];
    EXPECT_EQ(width["N"], 46);
    EXPECT_EQ(width["NE"], 45);
    EXPECT_EQ(width["E"], 45);
    EXPECT_EQ(width["SE"], 45);
    EXPECT_EQ(width["S"], 68);
    EXPECT_EQ(width["SO"], 22);
    EXPECT_EQ(width["O"], 45);
    EXPECT_EQ(width["NO"], 45);
}

TEST(Azimuth, WholeRepliesAcceptedAndIgnored) {
    struct Case {
        const char* reply;  // the text between two terminators
        const char* text;   // nullptr: ignored
        int degrees;
    } cases[] = {
        {"045", "045", 45},       {"123", "123", 123},     {"-5", "-5", -5},
        {"361", "361", 361},      {"0", "0", 0},
        {"", nullptr, 0},         {"ERR", nullptr, 0},     {"12.5", nullptr, 0},
        {"-", nullptr, 0},        {" 90", nullptr, 0},     {"1,5", nullptr, 0},
        {"--5", nullptr, 0},      {"5-", nullptr, 0},      {"AI1", nullptr, 0},
        {"2147483647", "2147483647", 2147483647},
        {"2147483648", nullptr, 0},  // passes the character check, does not fit
        {"-2147483648", "-2147483648", -2147483647 - 1},
        {"99999999999999999999", nullptr, 0},
    };
    for (const Case& c : cases) {
        const auto reading = ParseRotorReply(c.reply);
        if (!c.text) {
            EXPECT_FALSE(reading) << c.reply;
            continue;
        }
        ASSERT_TRUE(reading) << c.reply;
        EXPECT_EQ(reading->text, c.text);
        EXPECT_EQ(reading->degrees, c.degrees);
    }
}

TEST(Azimuth, ReplyWithBinaryBytesIsIgnored) {
    EXPECT_FALSE(ParseRotorReply(std::string("1\0" "2", 3)));
    EXPECT_FALSE(ParseRotorReply(std::string(100000, '\xFF')));
}

}  // namespace
}  // namespace skyvane
