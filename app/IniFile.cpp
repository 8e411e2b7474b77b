// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/IniFile.h"

#include "platform/profile_file.h"

namespace skyvane {

std::string TIniFile::ReadString(std::string_view section, std::string_view key,
                                 std::string_view defaultValue) const {
    return GetProfileString(FileName(), section, key, defaultValue);
}

void TIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    try {
        WriteProfileString(FileName(), section, key, value);
    } catch (const EProfileWriteError& e) {
        throw EIniFileException(e.what());
    }
}

}  // namespace skyvane
