// SPDX-License-Identifier: GPL-3.0-or-later
// The trace log: time-stamped lines in a plain text file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace skyvane {

// Writes "date time text" lines, each ended by CR LF, to FileName while enabled. The
// file is opened and closed for every line, so it is never held open and other programs
// can read it at any time. A symbolic link under the file's name is never followed: the
// log then stays off. Nothing here ever reports a failure or throws.
class TLog {
public:
    TLog() = default;

    // Full path of the log file; set by the owner after construction.
    const std::string& FileName() const { return fileName_; }
    void SetFileName(std::string fileName) { fileName_ = std::move(fileName); }
    // Highest message level that is written (0 after construction).
    std::int32_t Level() const { return level_; }
    void SetLevel(std::int32_t level) { level_ = level; }
    // True while lines are written.
    bool Enabled() const { return enabled_; }
    // On: starts the file afresh, empty; stays off when the file cannot be created.
    // Off: stops writing and leaves the file as it is.
    void SetEnabled(bool value);

    // Appends date + " " + time + " " + text + CR LF when enabled and messageLevel is at
    // most Level; a file that has gone is created anew. Control bytes in the text (line
    // breaks, NUL) are written as "\xNN", so one call is always one line. A line that
    // cannot be written is dropped.
    void WriteLine(std::uint8_t messageLevel, std::string_view text);

private:
    std::string fileName_;
    bool enabled_ = false;
    std::int32_t level_ = 0;
};

}  // namespace skyvane
