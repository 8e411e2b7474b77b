// SPDX-License-Identifier: GPL-3.0-or-later
// Configuration values the program cannot use. Each is named once to the user with its
// key and value; the program runs on the key's default meanwhile; and the file keeps
// the value exactly as the user wrote it, however long or odd: the key is not written
// over until the program has a value of its own for it.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/IniFile.h"

namespace skyvane {

class TUnusableSettings {
public:
    // One value that could not be used.
    struct TEntry {
        std::string key;       // as the program names it: "SERVERPORT"
        std::string value;     // as read from the file
        std::string expected;  // what would have been usable: "a TCP port from 1 to 65535"
        std::string fallback;  // the default used meanwhile, as text: "4533"
    };

    // Notes that `key` holds `value`, which cannot be used.
    void Note(TEntry entry);
    // True while the file keeps what the user wrote for `key`.
    bool Holds(std::string_view key) const;
    // The program now has a value of its own for `key`: it may be written over.
    void Forget(std::string_view key);
    // Every value noted, in the order read.
    const std::vector<TEntry>& Entries() const { return entries_; }

private:
    std::vector<TEntry> entries_;
};

// Reads `key` from the settings section with `parse`: a missing key gives `fallback`;
// a text `parse` refuses is noted in `unusable` (with `expected` and `fallbackText`)
// and gives `fallback`. The text is trimmed of blanks before it is parsed.
template <class T>
T ReadSetting(const TCustomIniFile& ini, std::string_view key, T fallback,
              const std::function<std::optional<T>(std::string_view)>& parse, std::string expected,
              std::string fallbackText, TUnusableSettings& unusable);

// The key's trimmed text, or nothing when the settings section does not have the key.
std::optional<std::string> ReadSettingText(const TCustomIniFile& ini, std::string_view key);

// Writes `text` for `key` in the settings section unless the file keeps what the user
// wrote there (`unusable` may be null: nothing is kept).
void WriteSetting(TCustomIniFile& ini, std::string_view key, std::string_view text,
                  const TUnusableSettings* unusable);

// The message for the values that cannot be used, one line each naming the key, the
// value (shortened when long, control characters shown as "?"), what is expected and
// the default used; empty when there are none.
std::string UnusableSettingsText(const TUnusableSettings& unusable, std::string_view configPath);

// A yes/no text as the configuration file holds one: TRUE, YES, ON, or FALSE, NOT, NO,
// OFF in any letter case; nothing for any other text.
std::optional<bool> YesNoFromText(std::string_view text);

template <class T>
T ReadSetting(const TCustomIniFile& ini, std::string_view key, T fallback,
              const std::function<std::optional<T>(std::string_view)>& parse, std::string expected,
              std::string fallbackText, TUnusableSettings& unusable) {
    const std::optional<std::string> text = ReadSettingText(ini, key);
    if (!text) return fallback;
    if (std::optional<T> value = parse(*text)) return *value;
    unusable.Note({std::string(key), *text, std::move(expected), std::move(fallbackText)});
    return fallback;
}

}  // namespace skyvane
