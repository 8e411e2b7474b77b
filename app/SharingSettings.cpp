// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SharingSettings.h"

#include <charconv>
#include <optional>

#include "app/Configuration.h"
#include "app/HexStr.h"
#include "rotor/Locator.h"

namespace skyvane {
namespace {

bool HasKey(const TCustomIniFile& ini, std::string_view key) {
    return ReadSettingText(ini, key).has_value();
}

}  // namespace

std::optional<std::uint16_t> UsableServerPort(std::string_view text) {
    unsigned long port = 0;
    const char* end = text.data() + text.size();
    const bool digitsOnly = !text.empty() && text.find_first_not_of("0123456789") == text.npos;
    const auto [stop, error] = std::from_chars(text.data(), end, port);
    if (!digitsOnly || error != std::errc() || stop != end || port < 1 || port > 65535)
        return std::nullopt;
    return static_cast<std::uint16_t>(port);
}

std::uint16_t ServerPortFromText(std::string_view text) {
    return UsableServerPort(text).value_or(DefaultServerPort);
}

TSharingSettings ReadSharingSettings(const TCustomIniFile& ini, TUnusableSettings* unusable) {
    TUnusableSettings ignored;
    TUnusableSettings& noted = unusable ? *unusable : ignored;
    const TSharingSettings defaults;
    TSharingSettings s;
    s.server = ReadSetting<bool>(ini, "SERVER", defaults.server, YesNoFromText, "YES or NOT",
                                 YesNotText(defaults.server), noted);
    s.serverPort = ReadSetting<std::uint16_t>(ini, "SERVERPORT", DefaultServerPort,
                                              UsableServerPort, "a TCP port from 1 to 65535",
                                              std::to_string(DefaultServerPort), noted);
    s.locator = ReadSetting<std::string>(
        ini, "LOCATOR", "", [](std::string_view t) { return NormalLocator(t); },
        "a Maidenhead locator of 4 or 6 characters (JN58 or JN58td)", "none", noted);
    return s;
}

void WriteSharingSettings(TCustomIniFile& ini, const TSharingSettings& settings,
                          const TUnusableSettings* kept) {
    const TSharingSettings defaults;
    if (settings.server != defaults.server || HasKey(ini, "SERVER"))
        WriteSetting(ini, "SERVER", YesNotText(settings.server), kept);
    if (settings.serverPort != defaults.serverPort || HasKey(ini, "SERVERPORT"))
        WriteSetting(ini, "SERVERPORT", std::to_string(settings.serverPort), kept);
    if (!settings.locator.empty()) WriteSetting(ini, "LOCATOR", settings.locator, kept);
}

void WriteStationLocator(TCustomIniFile& ini, std::string_view locator) {
    ini.WriteString(SettingsSection, "LOCATOR", locator);
}

}  // namespace skyvane
