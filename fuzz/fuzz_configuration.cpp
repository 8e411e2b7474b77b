// SPDX-License-Identifier: GPL-3.0-or-later
// The configuration file as the program reads and saves it: arbitrary file content is
// read into the settings, written back through the settings writer the main window
// uses, and read again. Every setting read must come back unchanged, and a save of
// what was read must never be refused.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/Configuration.h"
#include "app/IniFile.h"
#include "fuzz/FuzzSupport.h"

using namespace skyvane;

namespace {

// The values the main window takes from the settings read, as WriteINI saves them.
TSavedSettings AsSaved(const TSettings& s) {
    const TPortSpeed speed = PortSpeedFromNumber(s.baudNumber);
    return TSavedSettings{.port = s.portName,
                          .baudRate = speed.rate,
                          .traceOn = s.traceOn,
                          .visible = s.visible,
                          .numeric = s.numeric,
                          .customBaudRate = speed.customRate};
}

bool SameSettings(const TSettings& a, const TSettings& b) {
    return a.portName == b.portName &&
           PortSpeedFromNumber(a.baudNumber) == PortSpeedFromNumber(b.baudNumber) &&
           a.traceOn == b.traceOn && a.visible == b.visible && a.numeric == b.numeric &&
           a.logFile == b.logFile;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& path = fuzz::ScratchFile("configuration");
    fuzz::WriteScratch(path, data, size);
    const TSettings read = ReadSettings(TIniFile(path), nullptr);
    TIniFile ini(path);
    try {
        WriteSettings(ini, AsSaved(read));
    } catch (const EIniFileException&) {
        std::abort();  // a value the program read itself was refused
    }
    if (!SameSettings(ReadSettings(TIniFile(path), nullptr), read)) std::abort();
    // A second save of the same settings changes nothing more.
    const TSettings again = ReadSettings(TIniFile(path), nullptr);
    WriteSettings(ini, AsSaved(again));
    if (!SameSettings(ReadSettings(TIniFile(path), nullptr), read)) std::abort();
    return 0;
}
