// SPDX-License-Identifier: GPL-3.0-or-later
// The INI-style settings object that components store their settings through.
#pragma once

#include <string>
#include <string_view>

#include "toolkit/Exception.h"

namespace skyvane {

// Raised when a value cannot be written to a profile file; the message is
// "Unable to write to " + the file name.
class EIniFileException : public Exception {
public:
    using Exception::Exception;
};

// Text values by section and key in one settings store named by a file name.
class TCustomIniFile {
public:
    explicit TCustomIniFile(std::string fileName) : fileName_(std::move(fileName)) {}
    virtual ~TCustomIniFile() = default;

    // The store's file name as given.
    const std::string& FileName() const { return fileName_; }
    // The value of `key` in `section`, or `defaultValue` when either is missing.
    virtual std::string ReadString(std::string_view section, std::string_view key,
                                   std::string_view defaultValue) const = 0;
    // Sets `key` in `section` to `value` at once; raises EIniFileException when it cannot.
    virtual void WriteString(std::string_view section, std::string_view key,
                             std::string_view value) = 0;

private:
    std::string fileName_;
};

}  // namespace skyvane
