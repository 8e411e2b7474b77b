// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <set>

#include "serial/SerialErrors.h"

namespace skyvane {
namespace {

TEST(SerialErrorsTest, EveryCodeHasItsOwnTextAndOutsideCodesHaveNone) {
    std::set<std::string_view> texts;
    for (int code = 1; code <= 23; ++code) {
        EXPECT_FALSE(SerialErrorText(code).empty()) << code;
        texts.insert(SerialErrorText(code));
    }
    EXPECT_EQ(texts.size(), 23u);
    EXPECT_TRUE(SerialErrorText(0).empty());
    EXPECT_TRUE(SerialErrorText(24).empty());
    EXPECT_TRUE(SerialErrorText(-1).empty());
}

TEST(SerialErrorsTest, TextsAtTheEndsOfTheTableAndBetween) {
    struct Case {
        int code;
        const char* text;
    } cases[] = {
        {1, "Unable to open com port"},
        {2, "WriteFile function failed"},
        {5, "PurgeComm function failed"},
        {8, "SetCommTimeouts failed"},
        {14, "Cannot set property while connected"},
        {18, "Link (un)registration failed"},
        {22, "A component is linked to OnRxBuf event"},
        {23, "Registry error"},
    };
    for (const Case& c : cases) EXPECT_EQ(SerialErrorText(c.code), c.text) << c.code;
}

TEST(SerialErrorsTest, WithAnOsErrorTheNumberIsAppended) {
    struct Case {
        int code, os;
        const char* message;
    } cases[] = {
        {1, 2, "Unable to open com port (win error code: 2)"},
        {7, 22, "SetCommState function failed (win error code: 22)"},
        {3, -5, "ReadFile function failed (win error code: -5)"},
        {2, 0, "WriteFile function failed (win error code: 0)"},
    };
    for (const Case& c : cases) {
        ESerialPort e(c.code, c.os);
        EXPECT_EQ(e.Message(), c.message);
        EXPECT_EQ(e.PortErrorCode(), c.code);
        EXPECT_EQ(e.OsErrorCode(), c.os);
    }
}

TEST(SerialErrorsTest, WithoutAnOsErrorTheTextStandsAloneAndTheNumberIsMinusOne) {
    ESerialPort e(spConnectedProperty);
    EXPECT_EQ(e.Message(), "Cannot set property while connected");
    EXPECT_EQ(e.OsErrorCode(), -1);
    EXPECT_EQ(e.PortErrorCode(), 14);
    const Exception& base = e;  // caught as the program's base exception
    EXPECT_STREQ(base.what(), "Cannot set property while connected");
}

}  // namespace
}  // namespace skyvane
