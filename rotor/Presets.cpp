// SPDX-License-Identifier: GPL-3.0-or-later
#include "rotor/Presets.h"

#include "rotor/TextParsing.h"

namespace skyvane {
std::optional<std::string> PresetText(const TPreset& preset) {
    const std::string_view target = TrimmedBlanks(preset.target), name = TrimmedBlanks(preset.name);
    if (target.empty() || target.find_first_of(" \t\r\n") != target.npos ||
        name.find_first_of("\r\n") != name.npos)
        return std::nullopt;
    if (name.empty() || name == target) return std::string(target);
    return std::string(target) + " " + std::string(name);
}

std::optional<TPreset> PresetFromText(std::string_view text) {
    text = TrimmedBlanks(text);
    if (text.empty()) return std::nullopt;
    const std::size_t blank = text.find_first_of(" \t");
    TPreset preset;
    preset.target = std::string(text.substr(0, blank));
    preset.name =
        blank == text.npos ? preset.target : std::string(TrimmedBlanks(text.substr(blank)));
    return preset;
}

std::vector<TPreset> ReadPresets(const TCustomIniFile& ini) {
    std::vector<TPreset> presets;
    for (std::size_t i = 1; i <= MaxPresets; ++i)
        if (auto preset = PresetFromText(ini.ReadString(PresetsSection, std::to_string(i), "")))
            presets.push_back(std::move(*preset));
    return presets;
}

void WritePresets(TCustomIniFile& ini, const std::vector<TPreset>& presets) {
    std::size_t key = 1;
    for (const TPreset& preset : presets) {
        if (key > MaxPresets) break;
        if (std::optional<std::string> text = PresetText(preset))
            ini.WriteString(PresetsSection, std::to_string(key++), *text);
    }
    for (; key <= MaxPresets; ++key)
        if (!TrimmedBlanks(ini.ReadString(PresetsSection, std::to_string(key), "")).empty())
            ini.WriteString(PresetsSection, std::to_string(key), "");
}

}  // namespace skyvane
