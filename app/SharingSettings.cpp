// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SharingSettings.h"

#include <charconv>

#include "app/Configuration.h"
#include "app/HexStr.h"
#include "rotor/Locator.h"

namespace skyvane {
namespace {

// No value read from a profile file can hold a line end, so this default shows that
// the key is missing.
constexpr std::string_view Missing = "\n";

}  // namespace

bool HasKey(const TCustomIniFile& ini, std::string_view key) {
    return ini.ReadString(SettingsSection, key, Missing) != Missing;
}

std::string Trimmed(std::string text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.back())) text.pop_back();
    std::size_t start = 0;
    while (start < text.size() && blank(text[start])) ++start;
    return text.substr(start);
}

std::uint16_t ServerPortFromText(std::string_view text) {
    unsigned long port = 0;
    const char* end = text.data() + text.size();
    const bool digitsOnly = !text.empty() && text.find_first_not_of("0123456789") == text.npos;
    const auto [stop, error] = std::from_chars(text.data(), end, port);
    if (!digitsOnly || error != std::errc() || stop != end || port < 1 || port > 65535)
        return DefaultServerPort;
    return static_cast<std::uint16_t>(port);
}

TSharingSettings ReadSharingSettings(const TCustomIniFile& ini) {
    const TSharingSettings defaults;
    TSharingSettings s;
    s.server = IsTrueText(ini.ReadString(SettingsSection, "SERVER", YesNotText(defaults.server)));
    s.serverPort = ServerPortFromText(
        Trimmed(ini.ReadString(SettingsSection, "SERVERPORT", std::to_string(DefaultServerPort))));
    s.locator = NormalLocator(Trimmed(ini.ReadString(SettingsSection, "LOCATOR", ""))).value_or("");
    return s;
}

void WriteSharingSettings(TCustomIniFile& ini, const TSharingSettings& settings) {
    const TSharingSettings defaults;
    if (settings.server != defaults.server || HasKey(ini, "SERVER"))
        ini.WriteString(SettingsSection, "SERVER", YesNotText(settings.server));
    if (settings.serverPort != defaults.serverPort || HasKey(ini, "SERVERPORT"))
        ini.WriteString(SettingsSection, "SERVERPORT", std::to_string(settings.serverPort));
    if (!settings.locator.empty()) WriteStationLocator(ini, settings.locator);
}

void WriteStationLocator(TCustomIniFile& ini, std::string_view locator) {
    ini.WriteString(SettingsSection, "LOCATOR", locator);
}

}  // namespace skyvane
