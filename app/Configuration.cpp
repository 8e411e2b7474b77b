// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Configuration.h"

#include <charconv>

#include "app/HexStr.h"
#include "platform/files.h"

namespace skyvane {

std::string CurrentDirectoryWithDelimiter() {
    return WithTrailingDelimiter(CurrentDirectory());
}

namespace {

// `path` without trailing separators and "." components ("/a/./." is "/a"), so that a
// name can be put after it; the root stays "/".
std::string WithoutTrailingDots(std::string path) {
    for (;;) {
        if (path.size() > 1 && path.back() == PathDelimiter)
            path.pop_back();
        else if (path.size() > 1 && path.back() == '.' && path[path.size() - 2] == PathDelimiter)
            path.resize(path.size() - 2);
        else
            return path.empty() ? std::string(1, PathDelimiter) : path;
    }
}

}  // namespace

TConfigLocation LocateConfiguration(const std::vector<std::string>& parameters,
                                    const std::string& directory) {
    std::string name;
    if (!parameters.empty() && UpperText(parameters[0]) == "-F" && parameters.size() > 1)
        name = UpperText(parameters[1]);
    TConfigLocation location;
    if (name.empty()) {
        location.path = directory + std::string(DefaultConfigName);
        return location;
    }
    // An absolute path names the file itself; anything else is below the current directory.
    location.path = name.front() == PathDelimiter ? name : directory + name;
    if (IsDirectory(location.path)) {
        location.namedFolder = location.path;
        location.path = WithTrailingDelimiter(WithoutTrailingDots(location.path)) +
                        std::string(DefaultConfigName);
    } else {
        location.namedFileMissing = !FileExists(location.path);
    }
    return location;
}

std::string ConfigFolderText(const TConfigLocation& location) {
    return "ERROR: Configuration File is a folder: " + location.namedFolder +
           "\nThe settings are read from and saved to " + location.path;
}

std::string ConfigPathOrDefault(const std::string& configPath, const std::string& directory) {
    return configPath.empty() ? directory + std::string(DefaultConfigName) : configPath;
}

TSettings ReadSettings(const TCustomIniFile& ini,
                       const std::function<void(bool traceOn)>& onTrace) {
    const TSettings defaults;
    TSettings s;
    auto read = [&](std::string_view key, std::string_view defaultValue) {
        return ini.ReadString(SettingsSection, key, defaultValue);
    };
    s.portName = UpperText(read("COMPORT", defaults.portName));
    s.baudNumber = BaudNumberFromText(read("BAUDRATE", std::to_string(defaults.baudNumber)));
    s.traceOn = IsTrueText(read("TRACE", YesNotText(defaults.traceOn)));
    if (onTrace) onTrace(s.traceOn);
    s.numeric = IsTrueText(read("NUMERIC", YesNotText(defaults.numeric)));
    s.visible = IsTrueText(read("VISIBLE", YesNotText(defaults.visible)));
    s.logFile = UpperText(read("LOGFILE", "Skyvane.LOG"));
    return s;
}

std::int32_t BaudNumberFromText(std::string_view text) {
    std::int32_t number = 0;
    const char* end = text.data() + text.size();
    if (!IsNumeric(text)) return 4800;
    auto [stop, error] = std::from_chars(text.data(), end, number);
    return (error == std::errc() && stop == end) ? number : 4800;
}

TPortSpeed PortSpeedFromNumber(std::int32_t number) {
    for (int rate = br110; rate <= LastBaudRate; ++rate)
        if (BaudRateNumber(static_cast<TBaudRate>(rate)) == number)
            return {static_cast<TBaudRate>(rate)};
    if (number > 0) return {brCustom, number};
    return {};
}

std::string PortSpeedNumberText(TBaudRate rate, std::int32_t customRate) {
    const std::int32_t number = BaudRateNumber(rate);
    return std::to_string(number > 0 ? number : customRate);
}

std::string YesNotText(bool value) {
    return value ? "YES" : "NOT";
}

void WriteSettings(TCustomIniFile& ini, const TSavedSettings& settings) {
    ini.WriteString(SettingsSection, "COMPORT", settings.port);
    ini.WriteString(SettingsSection, "BAUDRATE",
                    PortSpeedNumberText(settings.baudRate, settings.customBaudRate));
    ini.WriteString(SettingsSection, "TRACE", YesNotText(settings.traceOn));
    ini.WriteString(SettingsSection, "VISIBLE", YesNotText(settings.visible));
    ini.WriteString(SettingsSection, "NUMERIC", YesNotText(settings.numeric));
}

std::string SettingsSavedLogText(std::string_view port, std::string_view configPath) {
    return "COM(" + std::string(port) + ") selected and configured in " + std::string(configPath);
}

std::vector<std::string> StartupHeaderLines(std::string_view configPath,
                                            const TSettings& settings) {
    return {
        "Skyvane Ver.1.00 Build 000-001",
        "--------------Parameters ----------------",
        "Configuration File " + std::string(configPath),
        "PORTNRO=" + settings.portName,
        "COMBAUD=" + std::to_string(settings.baudNumber),
        "VISIBLE=" + BoolToText(settings.visible),
        "NUMERIC=" + BoolToText(settings.numeric),
        std::string(41, '-'),
    };
}

void WriteStartupHeader(TLog& log, const std::vector<std::string>& lines, bool traceOn) {
    log.SetEnabled(true);
    log.SetLevel(1);
    for (const std::string& line : lines) log.WriteLine(1, line);
    if (!traceOn) log.SetEnabled(false);
}

}  // namespace skyvane
