// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Log.h"

#include "platform/files.h"

namespace skyvane {

namespace {

// Appends `text` with every control byte but the tab written as "\xNN": a line break
// or a NUL in a message (a file name, a port name from the configuration) must never
// split the line or forge another one.
void AppendPrintable(std::string& line, std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 && c != '\t') || byte == 0x7F) {
            line.append("\\x");
            line.push_back(kHex[byte >> 4]);
            line.push_back(kHex[byte & 0x0F]);
        } else {
            line.push_back(c);
        }
    }
}

}  // namespace

void TLog::SetEnabled(bool value) {
    enabled_ = value;
    if (enabled_ && !CreateEmptyFile(fileName_)) enabled_ = false;
}

void TLog::WriteLine(std::uint8_t messageLevel, std::string_view text) {
    if (!enabled_ || messageLevel > level_) return;
    try {
        const TLocalDateTime now = LocalDateTimeNow();
        std::string line;
        line.reserve(now.date.size() + now.time.size() + text.size() + 4);
        line.append(now.date).append(" ").append(now.time).append(" ");
        AppendPrintable(line, text);
        line.append("\r\n");
        (void)AppendToFile(fileName_, line);
    } catch (...) {
        // Even running out of memory only loses the line.
    }
}

}  // namespace skyvane
