// SPDX-License-Identifier: GPL-3.0-or-later
// The profile-file reader and a write after the read, on arbitrary file content.
// Input: the first bytes up to the first NUL choose section, key and value
// (separated by '\n'); the rest is the file.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "fuzz/FuzzSupport.h"
#include "platform/profile_file.h"

using namespace skyvane;

namespace {

std::string_view NextLine(std::string_view& text) {
    const std::size_t end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    return line;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = input.find('\0');
    std::string_view head = split == std::string_view::npos ? std::string_view() : input.substr(0, split);
    const std::string_view content = split == std::string_view::npos ? input : input.substr(split + 1);
    const std::string section(NextLine(head));
    const std::string key(NextLine(head));
    const std::string value(head);

    // The text functions: a read, and a write whose result must read back.
    const std::string before = ProfileTextValue(content, section, key, "<none>");
    if (before.size() > MaxProfileValueLength) std::abort();
    if (IsStorableProfileEntry(section, key, value)) {
        const std::string written = ProfileTextWithValue(content, section, key, value);
        const std::string_view trimmed = [&] {
            std::string_view v = value;
            while (!v.empty() && (v.front() == ' ' || v.front() == '\t')) v.remove_prefix(1);
            while (!v.empty() && (v.back() == ' ' || v.back() == '\t')) v.remove_suffix(1);
            return v.substr(0, MaxProfileValueLength);
        }();
        if (ProfileTextValue(written, section, key, "<none>") != trimmed) std::abort();
    }

    // The same through the file functions the program calls.
    const std::string& path = fuzz::ScratchFile("profile");
    fuzz::WriteScratch(path, reinterpret_cast<const std::uint8_t*>(content.data()), content.size());
    if (GetProfileString(path, section, key, "<none>") != before) std::abort();
    try {
        WriteProfileString(path, section, key, value);
        (void)GetProfileString(path, section, key, "");
    } catch (const EProfileWriteError&) {
        // Refused entries (line breaks, "=" in the key, ...) are reported, not written.
    }
    return 0;
}
