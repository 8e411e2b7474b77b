// SPDX-License-Identifier: GPL-3.0-or-later
// The text conversions the settings persistence applies to stored values: every
// enumeration, booleans, characters and integers, on arbitrary text.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "serial/SerialText.h"

using namespace skyvane;

namespace {

// Text to member and back must give a text of the table (or the fallback).
template <class Enum, std::size_t N>
void CheckEnum(std::string_view text, Enum (*toMember)(std::string_view),
               std::string (*toText)(Enum), const std::array<std::string_view, N>& table) {
    const Enum member = toMember(text);
    const auto ordinal = static_cast<std::size_t>(member);
    if (ordinal >= N) std::abort();
    if (toText(member) != table[ordinal]) std::abort();
    if (toMember(toText(member)) != member) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    CheckEnum(text, TextToBaudRate, BaudRateToText, BaudRateTexts);
    CheckEnum(text, TextToStopBits, StopBitsToText, StopBitsTexts);
    CheckEnum(text, TextToDataBits, DataBitsToText, DataBitsTexts);
    CheckEnum(text, TextToParity, ParityToText, ParityTexts);
    CheckEnum(text, TextToFlowControl, FlowControlToText, FlowControlTexts);
    CheckEnum(text, TextToDTR, DTRToText, DTRTexts);
    CheckEnum(text, TextToRTS, RTSToText, RTSTexts);

    (void)YesNoToBool(text);
    if (YesNoToBool(BoolToYesNo(YesNoToBool(text))) != YesNoToBool(text)) std::abort();

    // A character survives its text form.
    const char c = TextToChar(text);
    if (TextToChar(CharToText(c)) != c) std::abort();
    if (const auto value = TextToInt32(text)) {
        if (TextToInt32(std::to_string(*value)) != value) std::abort();
    }
    if (!text.empty()) (void)SameTextAscii(text.substr(0, size / 2), text.substr(size / 2));
    return 0;
}
