// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/HexStr.h"

#include <gtest/gtest.h>

namespace skyvane {
namespace {

TEST(HexStr, IsNumericAcceptsDigitsAndSeparatorsOnly) {
    struct Case {
        const char* text;
        bool numeric;
    } cases[] = {
        {"", false},     {"045", true},  {"360", true},  {"-", true},    {"12.5", true},
        {"1,5", true},   {"1-2", true},  {" 45", false}, {"+45", false}, {"45;", false},
        {"AI1", false},  {"9/", false},  {":", false},   {"\xB9", false},
    };
    for (const Case& c : cases) EXPECT_EQ(IsNumeric(c.text), c.numeric) << '"' << c.text << '"';
}

TEST(HexStr, IsTrueTextWholeWordInAnyCase) {
    struct Case {
        const char* text;
        bool value;
    } cases[] = {
        {"yes", true}, {"Yes", true},  {"on", true},   {"true", true}, {"TRUE", true},
        {"NOT", false}, {"NO", false}, {"FALSE", false}, {"Y", false}, {"1", false},
        {"", false},   {"YES ", false}, {" ON", false}, {"ONE", false},
    };
    for (const Case& c : cases) EXPECT_EQ(IsTrueText(c.text), c.value) << '"' << c.text << '"';
}

TEST(HexStr, UpperTextKeepsLengthAndNonLetters) {
    EXPECT_EQ(UpperText("com9"), "COM9");
    EXPECT_EQ(UpperText("myconf.ini"), "MYCONF.INI");
    EXPECT_EQ(UpperText(std::string("a\0b", 3)), std::string("A\0B", 3));
    EXPECT_EQ(UpperText("/dev/ttyUSB0").size(), 12u);
    EXPECT_EQ(BoolToText(true), "TRUE");
    EXPECT_EQ(BoolToText(false), "FALSE");
}

TEST(HexStr, GetTokenCutsAtFirstSeparator) {
    struct Case {
        const char* source;
        const char* token;
        const char* rest;
    } cases[] = {
        {"123;", "123", ""},   {"123;124;", "123", "124;"}, {";45", "", "45"},
        {"123", "123", ""},    {"", "", ""},                {";", "", ""},
        {"a;;b", "a", ";b"},
    };
    for (const Case& c : cases) {
        std::string source = c.source, token = "stale";
        GetToken(source, ';', token);
        EXPECT_EQ(token, c.token) << c.source;
        EXPECT_EQ(source, c.rest) << c.source;
    }
}

TEST(HexStr, GetTokenHandlesSourcesBeyondSixteenBitPositions) {
    std::string source(70000, '7');
    source += ";9";
    std::string token;
    GetToken(source, ';', token);
    EXPECT_EQ(token.size(), 70000u);
    EXPECT_EQ(source, "9");
}

}  // namespace
}  // namespace skyvane
