// SPDX-License-Identifier: GPL-3.0-or-later
// The configuration keys of the rotor in use: ROTORMODEL (a Hamlib model number; absent
// or 0: the built-in "AI1;" line on COMPORT/BAUDRATE), ROTORPORT, ROTORSPEED, AZOFFSET,
// AZMIN and AZMAX. A file that never had them keeps exactly what it had: they are
// written only once they matter.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "app/UnusableSettings.h"
#include "rotor/Direction.h"
#include "toolkit/IniFile.h"

namespace skyvane {

struct TRotorSettings {
    int model = 0;     // ROTORMODEL: Hamlib's model number; 0: the built-in line
    std::string port;  // ROTORPORT: device path, or host:port for the network models
    int speed = 0;     // ROTORSPEED: serial speed in bit/s; 0: the model's own
    int offset = 0;    // AZOFFSET: degrees added to every reading, -180..180
    // AZMIN and AZMAX: the turning range in the rotor's own degrees; nothing: the
    // model's own.
    std::optional<TAzimuthRange> range;
    bool operator==(const TRotorSettings&) const = default;
};

// The keys, in the order they are written.
inline constexpr std::string_view RotorSettingKeys[] = {"ROTORMODEL", "ROTORPORT", "ROTORSPEED",
                                                        "AZOFFSET",   "AZMIN",     "AZMAX"};

// Reads the keys. An unknown model number or a bad value of any key is noted in
// `unusable` (when given) with its key and value: a bad ROTORMODEL falls back to the
// built-in line, a bad ROTORSPEED or AZOFFSET to 0, a bad AZMIN/AZMAX pair to the
// model's own range. Never raises.
TRotorSettings ReadRotorSettings(const TCustomIniFile& ini, TUnusableSettings* unusable = nullptr);

// Writes each key the file already has or whose value differs from its default (the
// range as AZMIN and AZMAX, or neither), except those `kept` holds as the user wrote
// them. Raises EIniFileException like every write.
void WriteRotorSettings(TCustomIniFile& ini, const TRotorSettings& settings,
                        const TUnusableSettings* kept = nullptr);

// The problems of a port text for a Hamlib model: empty when it can be tried; else why
// not (a network model needs host:port with a port number 1..65535).
std::string RotorPortProblem(int model, std::string_view port);

}  // namespace skyvane
