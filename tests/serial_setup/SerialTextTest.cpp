// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "serial/SerialText.h"

namespace skyvane {
namespace {

// Every member's text, the member read back from that text in three letter cases,
// and the fallback for texts that name no member.
template <class Enum, class ToText, class FromText>
void CheckTable(const char* what, const std::vector<std::string>& expected, ToText toText,
                FromText fromText, Enum fallback) {
    for (std::size_t i = 0; i < expected.size(); ++i) {
        auto member = static_cast<Enum>(i);
        std::string text = toText(member);
        EXPECT_EQ(text, expected[i]) << what << " " << i;
        std::string lower = text, upper = text;
        for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        EXPECT_EQ(fromText(text), member) << what << " " << text;
        EXPECT_EQ(fromText(lower), member) << what << " " << lower;
        EXPECT_EQ(fromText(upper), member) << what << " " << upper;
        EXPECT_EQ(fromText(" " + text), fallback) << what << " leading blank";
        EXPECT_EQ(fromText(text + " "), fallback) << what << " trailing blank";
    }
    EXPECT_EQ(fromText(""), fallback) << what;
    EXPECT_EQ(fromText("no such text"), fallback) << what;
}

TEST(SerialText, EveryTableBothWaysWithItsFallback) {
    CheckTable<TBaudRate>("baud",
                          {"Custom", "110", "300", "600", "1200", "2400", "4800", "9600", "14400",
                           "19200", "38400", "56000", "57600", "115200", "128000", "256000"},
                          BaudRateToText, TextToBaudRate, br9600);
    CheckTable<TStopBits>("stop", {"1", "1.5", "2"}, StopBitsToText, TextToStopBits, sbOneStopBit);
    CheckTable<TDataBits>("data", {"5", "6", "7", "8"}, DataBitsToText, TextToDataBits, dbEight);
    CheckTable<TParityBits>("parity", {"None", "Odd", "Even", "Mark", "Space"}, ParityToText,
                            TextToParity, prNone);
    CheckTable<TFlowControl>("flow", {"Hardware", "Software", "None", "Custom"}, FlowControlToText,
                             TextToFlowControl, fcCustom);
    CheckTable<TDTRFlowControl>("dtr", {"Disable", "Enable", "Handshake"}, DTRToText, TextToDTR,
                                dtrDisable);
    CheckTable<TRTSFlowControl>("rts", {"Disable", "Enable", "Handshake", "Toggle"}, RTSToText,
                                TextToRTS, rtsDisable);
}

TEST(SerialText, TextsOutsideTheirOwnTable) {
    EXPECT_EQ(TextToBaudRate("custom"), brCustom);
    EXPECT_EQ(TextToBaudRate("115200"), br115200);
    EXPECT_EQ(TextToBaudRate("1200 "), br9600);
    EXPECT_EQ(TextToStopBits("1,5"), sbOneStopBit);
    EXPECT_EQ(TextToDataBits("9"), dbEight);
    EXPECT_EQ(TextToFlowControl("none"), fcNone);
    EXPECT_EQ(TextToFlowControl("RTS/CTS"), fcCustom);
    EXPECT_EQ(TextToDTR("Toggle"), dtrDisable);  // only the RTS table has it
    EXPECT_EQ(TextToRTS("toggle"), rtsToggle);
    EXPECT_EQ(TextToParity("Custom"), prNone);
    // Only ASCII letters fold: a byte above 127 is compared as it is.
    EXPECT_EQ(TextToParity("N\xD3NE"), prNone);
    EXPECT_EQ(TextToParity("\xE9ven"), prNone);
}

TEST(SerialText, YesNo) {
    EXPECT_EQ(BoolToYesNo(true), "Yes");
    EXPECT_EQ(BoolToYesNo(false), "No");
    for (const char* yes : {"Yes", "yes", "YES", "yEs"}) EXPECT_TRUE(YesNoToBool(yes)) << yes;
    for (const char* no : {"No", "Y", "TRUE", "1", "", " yes", "yes ", "ON"})
        EXPECT_FALSE(YesNoToBool(no)) << no;
}

TEST(SerialText, CharToTextForms) {
    EXPECT_EQ(CharToText(0), "#0");
    EXPECT_EQ(CharToText(13), "#13");
    EXPECT_EQ(CharToText(17), "#17");
    EXPECT_EQ(CharToText(19), "#19");
    EXPECT_EQ(CharToText(' '), "#32");
    EXPECT_EQ(CharToText('!'), "!");
    EXPECT_EQ(CharToText('#'), "#");
    EXPECT_EQ(CharToText('A'), "A");
    EXPECT_EQ(CharToText('~'), "~");
    EXPECT_EQ(CharToText(static_cast<char>(127)), "\x7F");
    EXPECT_EQ(CharToText(static_cast<char>(128)), "#128");
    EXPECT_EQ(CharToText(static_cast<char>(200)), "#200");
    EXPECT_EQ(CharToText(static_cast<char>(255)), "#255");
}

TEST(SerialText, TextToCharOnOddInputs) {
    struct Case {
        const char* text;
        int code;
    };
    // clang-format off
    const Case cases[] = {
        {"", 0},        {"A", 65},       {"AB", 65},      {"#", 35},       {"##", 0},
        {"#13", 13},    {"#013", 13},    {"#$1B", 27},    {"#$1b", 27},    {"#x1B", 27},
        {"#X1b", 27},   {"#0x1B", 27},   {"#0X1B", 27},   {"#300", 44},    {"#-1", 255},
        {"#+7", 7},     {"#   9", 9},    {"# -$10", 240}, {"#x", 0},       {"#$", 0},
        {"#0x", 0},     {"#-", 0},       {"# ", 0},       {"#13 ", 0},     {"#1 3", 0},
        {"#12a", 0},    {"#$1G", 0},     {"#$-1", 0},     {"#--1", 0},     {"#1.5", 0},
        {"#2147483647", 255},            {"#2147483905", 0},  // 2^31 + 257: out of range
        {"#-2147483647", 1},             {"#-2147483905", 0},
        {"#$7FFFFFFF", 255},             {"#$80000001", 0},
        {"#-$7FFFFFFF", 1},              {"#99999999999999999999", 0},
        {"#0", 0},      {"#256", 0},     {"#257", 1},     {"#0x0", 0},     {"#00x1", 0},
    };
    // clang-format on
    for (const Case& c : cases)
        EXPECT_EQ(static_cast<unsigned char>(TextToChar(c.text)), c.code) << '"' << c.text << '"';
    EXPECT_EQ(static_cast<unsigned char>(TextToChar(std::string_view("\0x", 2))), 0);
    EXPECT_EQ(static_cast<unsigned char>(TextToChar("\xFF"
                                                    "A")),
              255);
}

TEST(SerialText, CharToTextThenTextToCharKeepsEveryCode) {
    for (int code = 0; code < 256; ++code) {
        char c = static_cast<char>(code);
        EXPECT_EQ(TextToChar(CharToText(c)), c) << code;
    }
}

}  // namespace
}  // namespace skyvane
