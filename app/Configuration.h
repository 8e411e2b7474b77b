// SPDX-License-Identifier: GPL-3.0-or-later
// The configuration file: where it is, what its one section holds, and the conversions
// between its texts and the program's settings. No windows here; the main window shows
// the messages and applies the values.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "app/IniFile.h"
#include "app/Log.h"
#include "serial/SerialTypes.h"

namespace skyvane {

// The configuration file's name in the current directory when none is given.
inline constexpr std::string_view DefaultConfigName = "Skyvane.INI";
// The one section of the configuration file.
inline constexpr std::string_view SettingsSection = "SETTINGS";
// Text and caption of the message box for a named configuration file that is missing.
inline constexpr std::string_view ConfigMissingText = "ERROR: Configuration File does not exists";
inline constexpr std::string_view ConfigMissingCaption = "Error!";

// The current directory with the path delimiter appended, read afresh on each call.
std::string CurrentDirectoryWithDelimiter();

// Where the configuration file is.
struct TConfigLocation {
    std::string path;               // the configuration path in use (ConfigPath)
    bool namedFileMissing = false;  // "-F" named a file that does not exist: tell the user
    std::string namedFolder;        // "-F" named this folder (path is then inside it): tell
                                    // the user; empty otherwise
};

// Finds the configuration file from the command-line parameters (without the program
// name) and the current directory `directory` (ending with the delimiter): with "-F"
// (any case) as the first parameter, the upper-cased second one, below `directory`
// unless it is an absolute path, checked for existence; a folder named so holds the
// file as DefaultConfigName. Otherwise `directory` + DefaultConfigName, not checked.
// Names are found without regard to letter case when used.
TConfigLocation LocateConfiguration(const std::vector<std::string>& parameters,
                                    const std::string& directory);

// The message box text for a "-F" name that is a folder: what was named and which file
// is used instead.
std::string ConfigFolderText(const TConfigLocation& location);

// `configPath`, or `directory` + DefaultConfigName when it is empty.
std::string ConfigPathOrDefault(const std::string& configPath, const std::string& directory);

// The settings as read at start-up, with their defaults.
struct TSettings {
    std::string portName = "COM9";        // COMPORT, upper-cased
    std::int32_t baudNumber = 4800;       // BAUDRATE as a number, before it is mapped
    bool traceOn = true;                  // TRACE
    bool numeric = true;                  // NUMERIC: check mark of the Numeric entry
    bool visible = true;                  // VISIBLE: check mark of the Visible entry
    std::string logFile = "SKYVANE.LOG";  // LOGFILE, upper-cased; nothing uses it
};

// Reads COMPORT, BAUDRATE, TRACE, NUMERIC, VISIBLE and LOGFILE, in this order, from the
// settings section of `ini`; `onTrace` receives TraceOn as soon as TRACE is read, before
// the keys after it.
TSettings ReadSettings(const TCustomIniFile& ini, const std::function<void(bool traceOn)>& onTrace);

// The number a BAUDRATE text stands for: the signed 32-bit integer it holds when it is
// numeric and made of an optional single "-" and digits; 4800 otherwise.
std::int32_t BaudNumberFromText(std::string_view text);

// A port speed as the port holds it: a standard rate, or brCustom with its number.
struct TPortSpeed {
    TBaudRate rate = br4800;
    std::int32_t customRate = 9600;  // the port's CustomBaudRate, used with brCustom
    bool operator==(const TPortSpeed&) const = default;
};

// The port speed for a baud number: the standard rate of that number (110 to 256000,
// so 1200, 2400, 4800, 9600 and 19200 keep their meaning), brCustom with the number
// for any other positive number, br4800 for zero and below.
TPortSpeed PortSpeedFromNumber(std::int32_t number);

// The number text written for a port speed: the standard rate's number, or the custom
// number for brCustom. PortSpeedFromNumber reads it back as the same speed.
std::string PortSpeedNumberText(TBaudRate rate, std::int32_t customRate);

// "YES" or "NOT", the yes/no values of the configuration file.
std::string YesNotText(bool value);

// The values the settings writer stores.
struct TSavedSettings {
    std::string port;  // the port's Port text as the port holds it
    TBaudRate baudRate = br4800;
    bool traceOn = true;
    bool visible = true;
    bool numeric = true;
    std::int32_t customBaudRate = 9600;  // the port's CustomBaudRate, written for brCustom
};

// Writes COMPORT, BAUDRATE, TRACE, VISIBLE and NUMERIC, in this order, into the
// settings section of `ini`. A key that cannot be written raises EIniFileException; the
// keys before it stay written.
void WriteSettings(TCustomIniFile& ini, const TSavedSettings& settings);

// The log line of a save: "COM(" + port + ") selected and configured in " + path.
std::string SettingsSavedLogText(std::string_view port, std::string_view configPath);

// The eight lines of the start-up header: version, parameter rule, configuration path,
// port name and baud number as read, the Visible and Numeric check marks, closing rule.
std::vector<std::string> StartupHeaderLines(std::string_view configPath, const TSettings& settings);

// Starts `log` afresh at level 1, writes `lines` into it at level 1 and switches it off
// again unless `traceOn`: every start leaves a file that begins with the header.
void WriteStartupHeader(TLog& log, const std::vector<std::string>& lines, bool traceOn);

}  // namespace skyvane
