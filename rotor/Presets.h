// SPDX-License-Identifier: GPL-3.0-or-later
// Named memories to turn to: each a heading, a locator or a callsign, with a name.
// Stored in the profile file's section PRESETS, one key per preset in order ("1" to
// "20"), each "TARGET Name" (the target holds no blank, the name may).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "toolkit/IniFile.h"

namespace skyvane {

// The section the presets are stored in.
inline constexpr std::string_view PresetsSection = "PRESETS";
// The most presets kept.
inline constexpr std::size_t MaxPresets = 20;

struct TPreset {
    std::string name;    // what the menu shows; never empty
    std::string target;  // a heading, a locator or a callsign; no blanks
    bool operator==(const TPreset&) const = default;
};

// The key and value one preset is stored as: "JN58td Munich" (the name left out when it
// is the target itself); nothing for a preset that cannot be stored (empty target,
// blanks in it, a line break anywhere).
std::optional<std::string> PresetText(const TPreset& preset);
// A stored value read back; nothing for an empty one.
std::optional<TPreset> PresetFromText(std::string_view text);

// Reads keys "1" to "20" of PRESETS in order; empty keys are skipped.
std::vector<TPreset> ReadPresets(const TCustomIniFile& ini);
// Writes `presets` (at most MaxPresets) as keys "1", "2", ..., and empties the keys after
// them that hold a preset now. Raises EIniFileException like every write.
void WritePresets(TCustomIniFile& ini, const std::vector<TPreset>& presets);

}  // namespace skyvane
