// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/UnusableSettings.h"

#include <algorithm>

#include "app/Configuration.h"
#include "app/HexStr.h"

namespace skyvane {
namespace {

// No value read from a profile file can hold a line end, so this default shows that
// the key is missing.
constexpr std::string_view Missing = "\n";
// Characters of a value shown in the message; a longer one is cut short.
constexpr std::size_t ShownLength = 40;

std::string Trimmed(std::string text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.back())) text.pop_back();
    std::size_t start = 0;
    while (start < text.size() && blank(text[start])) ++start;
    return text.substr(start);
}

std::string Shown(std::string_view value) {
    std::string shown(value.substr(0, ShownLength));
    for (char& c : shown)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    if (value.size() > ShownLength) shown += "\xE2\x80\xA6";
    return shown;
}

}  // namespace

void TUnusableSettings::Note(TEntry entry) {
    Forget(entry.key);
    entries_.push_back(std::move(entry));
}

bool TUnusableSettings::Holds(std::string_view key) const {
    return std::any_of(entries_.begin(), entries_.end(),
                       [&](const TEntry& e) { return e.key == key; });
}

void TUnusableSettings::Forget(std::string_view key) {
    std::erase_if(entries_, [&](const TEntry& e) { return e.key == key; });
}

std::optional<std::string> ReadSettingText(const TCustomIniFile& ini, std::string_view key) {
    const std::string text = ini.ReadString(SettingsSection, key, Missing);
    if (text == Missing) return std::nullopt;
    return Trimmed(text);
}

void WriteSetting(TCustomIniFile& ini, std::string_view key, std::string_view text,
                  const TUnusableSettings* unusable) {
    if (unusable && unusable->Holds(key)) return;
    ini.WriteString(SettingsSection, key, text);
}

std::string UnusableSettingsText(const TUnusableSettings& unusable, std::string_view configPath) {
    if (unusable.Entries().empty()) return {};
    std::string text = "These settings in " + std::string(configPath) +
                       " cannot be used; Skyvane runs on the default meanwhile and keeps "
                       "what you wrote:";
    for (const TUnusableSettings::TEntry& e : unusable.Entries())
        text += "\n" + e.key + "=" + Shown(e.value) + ": " + e.expected + " is expected; " +
                e.fallback + " is used";
    return text;
}

std::optional<bool> YesNoFromText(std::string_view text) {
    const std::string upper = UpperText(std::string(text));
    if (upper == "TRUE" || upper == "YES" || upper == "ON") return true;
    if (upper == "FALSE" || upper == "NOT" || upper == "NO" || upper == "OFF") return false;
    return std::nullopt;
}

}  // namespace skyvane
