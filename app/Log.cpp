// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Log.h"

#include "platform/files.h"

namespace skyvane {

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
        line.append(now.date).append(" ").append(now.time).append(" ").append(text).append("\r\n");
        (void)AppendToFile(fileName_, line);
    } catch (...) {
        // Even running out of memory only loses the line.
    }
}

}  // namespace skyvane
