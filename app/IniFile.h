// SPDX-License-Identifier: GPL-3.0-or-later
// The profile-file object through which the application reads and writes its
// configuration file.
#pragma once

#include <string>
#include <string_view>

#include "toolkit/IniFile.h"

namespace skyvane {

// A profile (INI) file on disk: every read looks at the file as it is now, every write
// reaches the disk before it returns (platform/profile_file.h gives the file rules).
// The platform layer, which cannot use the program's exception base, raises its own
// EProfileWriteError; WriteString turns it into EIniFileException with the same text.
class TIniFile : public TCustomIniFile {
public:
    using TCustomIniFile::TCustomIniFile;

    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view defaultValue) const override;
    void WriteString(std::string_view section, std::string_view key,
                     std::string_view value) override;
};

}  // namespace skyvane
