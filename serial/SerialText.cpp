// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/SerialText.h"

#include <cstdint>
#include <optional>

namespace skyvane {
namespace {

template <class Enum, std::size_t N>
std::string ToText(const std::array<std::string_view, N>& table, Enum value) {
    auto index = static_cast<std::size_t>(value);
    return index < N ? std::string(table[index]) : std::string();
}

template <class Enum, std::size_t N>
Enum FromText(const std::array<std::string_view, N>& table, std::string_view text, Enum fallback) {
    for (std::size_t i = 0; i < N; ++i)
        if (SameTextAscii(table[i], text)) return static_cast<Enum>(i);
    return fallback;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Reads a whole text as a signed 32-bit integer: leading blanks, an optional sign,
// then decimal digits or hexadecimal digits after "$", "x" or "0x".
std::optional<std::int32_t> ParseInt32(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && s[i] == ' ') ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    int base = 10;
    if (i < s.size() && (s[i] == '$' || s[i] == 'x' || s[i] == 'X')) {
        base = 16;
        ++i;
    } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i == s.size()) return std::nullopt;
    const std::uint64_t limit = negative ? 0x80000000u : 0x7FFFFFFFu;
    std::uint64_t magnitude = 0;
    for (; i < s.size(); ++i) {
        int digit = base == 16 ? HexDigit(s[i]) : (s[i] >= '0' && s[i] <= '9' ? s[i] - '0' : -1);
        if (digit < 0) return std::nullopt;
        magnitude = magnitude * static_cast<unsigned>(base) + static_cast<unsigned>(digit);
        if (magnitude > limit) return std::nullopt;
    }
    std::int64_t value =
        negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
    return static_cast<std::int32_t>(value);
}

}  // namespace

std::string BaudRateToText(TBaudRate value) {
    return ToText(BaudRateTexts, value);
}
std::string StopBitsToText(TStopBits value) {
    return ToText(StopBitsTexts, value);
}
std::string DataBitsToText(TDataBits value) {
    return ToText(DataBitsTexts, value);
}
std::string ParityToText(TParityBits value) {
    return ToText(ParityTexts, value);
}
std::string FlowControlToText(TFlowControl value) {
    return ToText(FlowControlTexts, value);
}
std::string DTRToText(TDTRFlowControl value) {
    return ToText(DTRTexts, value);
}
std::string RTSToText(TRTSFlowControl value) {
    return ToText(RTSTexts, value);
}

TBaudRate TextToBaudRate(std::string_view text) {
    return FromText(BaudRateTexts, text, br9600);
}
TStopBits TextToStopBits(std::string_view text) {
    return FromText(StopBitsTexts, text, sbOneStopBit);
}
TDataBits TextToDataBits(std::string_view text) {
    return FromText(DataBitsTexts, text, dbEight);
}
TParityBits TextToParity(std::string_view text) {
    return FromText(ParityTexts, text, prNone);
}
TFlowControl TextToFlowControl(std::string_view text) {
    return FromText(FlowControlTexts, text, fcCustom);
}
TDTRFlowControl TextToDTR(std::string_view text) {
    return FromText(DTRTexts, text, dtrDisable);
}
TRTSFlowControl TextToRTS(std::string_view text) {
    return FromText(RTSTexts, text, rtsDisable);
}

char UpperAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool SameTextAscii(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (UpperAscii(a[i]) != UpperAscii(b[i])) return false;
    return true;
}

std::string BoolToYesNo(bool value) {
    return value ? "Yes" : "No";
}

bool YesNoToBool(std::string_view text) {
    return SameTextAscii(text, "YES");
}

std::string CharToText(char value) {
    auto code = static_cast<unsigned char>(value);
    if (code >= 33 && code <= 127) return std::string(1, value);
    return "#" + std::to_string(code);
}

char TextToChar(std::string_view text) {
    if (text.empty()) return 0;
    if (text[0] == '#' && text.size() >= 2) {
        std::optional<std::int32_t> value = ParseInt32(text.substr(1));
        return value ? static_cast<char>(static_cast<std::uint32_t>(*value) & 0xFFu) : 0;
    }
    return text[0];
}

std::optional<std::int32_t> TextToInt32(std::string_view text) { return ParseInt32(text); }

}  // namespace skyvane
