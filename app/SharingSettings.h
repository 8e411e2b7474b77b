// SPDX-License-Identifier: GPL-3.0-or-later
// The configuration keys of sharing and steering the rotor: SERVER, SERVERPORT and
// LOCATOR in the settings section. A user who never touches them keeps the file the
// program has always written: they are written only once they matter.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "app/UnusableSettings.h"
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
// A value that cannot be used is noted in `unusable` when given.
TSharingSettings ReadSharingSettings(const TCustomIniFile& ini,
                                     TUnusableSettings* unusable = nullptr);

// Writes SERVER and SERVERPORT when the file already has them or they differ from their
// defaults, then LOCATOR when one is known; a key whose unusable value `kept` holds is
// left as written. Raises EIniFileException like every write.
void WriteSharingSettings(TCustomIniFile& ini, const TSharingSettings& settings,
                          const TUnusableSettings* kept = nullptr);

// Writes LOCATOR alone, at once: the station's locator as the user just gave it.
void WriteStationLocator(TCustomIniFile& ini, std::string_view locator);

// The SERVERPORT text as a port: digits only, 1 to 65535; nothing otherwise.
std::optional<std::uint16_t> UsableServerPort(std::string_view text);

// The SERVERPORT text as a port: digits only, 1 to 65535; DefaultServerPort otherwise.
std::uint16_t ServerPortFromText(std::string_view text);

}  // namespace skyvane
