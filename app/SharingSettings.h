// SPDX-License-Identifier: GPL-3.0-or-later
// The configuration keys of sharing and steering the rotor: SERVER, SERVERPORT and
// LOCATOR in the settings section. A user who never touches them keeps the file the
// program has always written: they are written only once they matter.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "toolkit/IniFile.h"

namespace skyvane {

// The TCP port of rotctld and of the programs that talk to it.
inline constexpr std::uint16_t DefaultServerPort = 4533;

struct TSharingSettings {
    bool server = false;                           // SERVER: share the rotor over TCP
    std::uint16_t serverPort = DefaultServerPort;  // SERVERPORT
    std::string locator;  // LOCATOR: the station's Maidenhead locator; empty: not known
};

// Reads SERVER (yes/no, default NOT), SERVERPORT (1 to 65535, else 4533) and LOCATOR (a
// 4- or 6-character locator in its usual spelling, else empty) from the settings section.
TSharingSettings ReadSharingSettings(const TCustomIniFile& ini);

// Writes SERVER and SERVERPORT when the file already has them or they differ from their
// defaults, then LOCATOR when one is known. Raises EIniFileException like every write.
void WriteSharingSettings(TCustomIniFile& ini, const TSharingSettings& settings);

// Writes LOCATOR alone, at once: the station's locator as the user just gave it.
void WriteStationLocator(TCustomIniFile& ini, std::string_view locator);

// True when the settings section has `key` at all.
bool HasKey(const TCustomIniFile& ini, std::string_view key);

// A value with the blanks and tabs around it taken off.
std::string Trimmed(std::string text);

// The SERVERPORT text as a port: digits only, 1 to 65535; DefaultServerPort otherwise.
std::uint16_t ServerPortFromText(std::string_view text);

}  // namespace skyvane
