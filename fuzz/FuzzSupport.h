// SPDX-License-Identifier: GPL-3.0-or-later
// Shared pieces of the file-reading fuzz targets.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace skyvane::fuzz {

// A private scratch file for this process (under $TMPDIR, else /tmp), created once.
const std::string& ScratchFile(const char* stem);

// Replaces the scratch file's content with `size` bytes from `data`.
void WriteScratch(const std::string& path, const std::uint8_t* data, std::size_t size);

}  // namespace skyvane::fuzz
