// SPDX-License-Identifier: GPL-3.0-or-later
// Profile (INI) files: text values read and written by section and key.
//
// A file is lines of "[section]" headers, "key=value" entries and anything else
// (comments starting with ";", blank lines, stray text). Section and key names match
// regardless of ASCII letter case; names and values are read with blanks around them
// trimmed; a value ends at a NUL byte. When a section or key occurs twice, the first
// one counts. A line ends at "\n", at CRs followed by "\n", or at a lone CR, so files
// with CR LF, LF, CR-only or doubled CR line ends all read as their author saw them, and
// no value read holds a line break. A UTF-8 byte-order mark at the start is not part of
// the first line. A write changes only what it must: the value of an existing key in
// place, a new key after the last entry of its section, a new section at the end of the
// file. Every other byte of the file stays as it was, line ends and byte-order mark
// included, and new lines take the file's own line end. So whatever a read found can
// be written back. Each write reaches the disk whole (see ReplaceFileAtomically).
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

namespace skyvane {

// The longest value a read hands out; longer values are cut to this length.
inline constexpr std::size_t MaxProfileValueLength = 2047;

// Raised when a profile write cannot be made; what() is "Unable to write to " + the path.
class EProfileWriteError : public std::runtime_error {
public:
    explicit EProfileWriteError(const std::string& path);
};

// The value of `key` in `section` of the profile text `content`, or `defaultValue`
// when either is missing; at most MaxProfileValueLength characters.
std::string ProfileTextValue(std::string_view content, std::string_view section,
                             std::string_view key, std::string_view defaultValue);

// True when `section`, `key` and `value` can be stored as one entry without breaking
// the file apart: no line breaks or NUL bytes anywhere, no "]" in the section, a key that is not
// empty, holds no "=" and does not start with "[" or ";".
bool IsStorableProfileEntry(std::string_view section, std::string_view key, std::string_view value);

// `content` with `key` in `section` set to `value` (see the file comment for where it
// goes). New lines use the line end of the file's first line ("\n" when it has none).
// The entry must
// be storable (IsStorableProfileEntry).
std::string ProfileTextWithValue(std::string_view content, std::string_view section,
                                 std::string_view key, std::string_view value);

// Reads `key` of `section` from the file at `path`; `defaultValue` when the file, the
// section or the key is missing or the file cannot be read.
std::string GetProfileString(std::string_view path, std::string_view section, std::string_view key,
                             std::string_view defaultValue);

// Writes `key` = `value` into `section` of the file at `path`, creating the file, the
// section and the key as needed; the file on disk is then wholly the new one. Raises
// EProfileWriteError when the write cannot be made (read-only file, missing folder,
// unreadable file, full disk, an entry that is not storable); the file is left as it was.
void WriteProfileString(std::string_view path, std::string_view section, std::string_view key,
                        std::string_view value);

}  // namespace skyvane
