// SPDX-License-Identifier: GPL-3.0-or-later
// The configuration keys of the rotor in use: ROTORMODEL (a Hamlib model number; absent
// or 0: the built-in "AI1;" line on COMPORT/BAUDRATE), ROTORPORT, ROTORSPEED, AZOFFSET,
// AZMIN and AZMAX. A file that never had them keeps exactly what it had: they are
// written only once they matter.
#pragma once

#include <optional>
#include <string>
#include <string_view>

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

// The settings as read, and what was wrong with them.
struct TRotorSettingsRead {
    TRotorSettings settings;
    // One message naming every key and value that could not be used and what is used
    // instead; empty when all was well.
    std::string problems;
};

// Reads the keys. An unknown model number or a bad value of any key is named in
// `problems`: a bad ROTORMODEL falls back to the built-in line, a bad ROTORSPEED or
// AZOFFSET to 0, a bad AZMIN/AZMAX pair to the model's own range. Never raises.
TRotorSettingsRead ReadRotorSettings(const TCustomIniFile& ini);

// Writes each key the file already has or whose value differs from its default; the
// range as AZMIN and AZMAX, or neither. Raises EIniFileException like every write.
void WriteRotorSettings(TCustomIniFile& ini, const TRotorSettings& settings);

// The problems of a port text for a Hamlib model: empty when it can be tried; else why
// not (a network model needs host:port with a port number 1..65535).
std::string RotorPortProblem(int model, std::string_view port);

}  // namespace skyvane
