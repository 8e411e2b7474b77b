// SPDX-License-Identifier: GPL-3.0-or-later
// Text forms of the port settings: one fixed text per enumeration member, the
// conversions both ways, and the text forms of booleans and characters that the
// settings persistence stores.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "serial/SerialTypes.h"

namespace skyvane {

// The texts of each enumeration, indexed by the member's ordinal.
inline constexpr std::array<std::string_view, 16> BaudRateTexts = {
    "Custom", "110",   "300",   "600",   "1200",  "2400",   "4800",   "9600",
    "14400",  "19200", "38400", "56000", "57600", "115200", "128000", "256000"};
inline constexpr std::array<std::string_view, 3> StopBitsTexts = {"1", "1.5", "2"};
inline constexpr std::array<std::string_view, 4> DataBitsTexts = {"5", "6", "7", "8"};
inline constexpr std::array<std::string_view, 5> ParityTexts = {"None", "Odd", "Even", "Mark",
                                                                "Space"};
inline constexpr std::array<std::string_view, 4> FlowControlTexts = {"Hardware", "Software", "None",
                                                                     "Custom"};
inline constexpr std::array<std::string_view, 3> DTRTexts = {"Disable", "Enable", "Handshake"};
inline constexpr std::array<std::string_view, 4> RTSTexts = {"Disable", "Enable", "Handshake",
                                                             "Toggle"};

// Member to text: the member's table entry.
std::string BaudRateToText(TBaudRate value);
std::string StopBitsToText(TStopBits value);
std::string DataBitsToText(TDataBits value);
std::string ParityToText(TParityBits value);
std::string FlowControlToText(TFlowControl value);
std::string DTRToText(TDTRFlowControl value);
std::string RTSToText(TRTSFlowControl value);

// Text to member: the first entry equal to the text without regard to ASCII letter
// case (nothing trimmed); when none is, the fallback named after the arrow.
TBaudRate TextToBaudRate(std::string_view text);        // -> br9600
TStopBits TextToStopBits(std::string_view text);        // -> sbOneStopBit
TDataBits TextToDataBits(std::string_view text);        // -> dbEight
TParityBits TextToParity(std::string_view text);        // -> prNone
TFlowControl TextToFlowControl(std::string_view text);  // -> fcCustom
TDTRFlowControl TextToDTR(std::string_view text);       // -> dtrDisable
TRTSFlowControl TextToRTS(std::string_view text);       // -> rtsDisable

// The byte with only the ASCII letters a to z upper-cased.
char UpperAscii(char c);
// True when the texts are equal without regard to ASCII letter case.
bool SameTextAscii(std::string_view a, std::string_view b);

// "Yes" for true, "No" for false.
std::string BoolToYesNo(bool value);
// True exactly for "YES" in any letter case.
bool YesNoToBool(std::string_view text);

// Codes 33 to 127 as that one character; every other code as "#" + decimal ("#13").
std::string CharToText(char value);
// Empty: 0. "#" + integer (blanks, sign, decimal or "$"/"x"/"0x" hexadecimal): its low
// 8 bits, or 0 when the rest is not a signed 32-bit integer. Otherwise the first byte.
char TextToChar(std::string_view text);

// The whole text as a signed 32-bit integer in the syntax TextToChar reads after "#"
// (blanks, sign, decimal or "$"/"x"/"0x" hexadecimal); nothing when it is not one.
std::optional<std::int32_t> TextToInt32(std::string_view text);

}  // namespace skyvane
