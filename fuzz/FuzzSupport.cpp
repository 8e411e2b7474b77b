// SPDX-License-Identifier: GPL-3.0-or-later
#include "fuzz/FuzzSupport.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace skyvane::fuzz {

const std::string& ScratchFile(const char* stem) {
    // Never destroyed, so the clean-up at exit can still use it.
    static const std::string* const path = [stem] {
        const char* tmp = std::getenv("TMPDIR");
        const std::filesystem::path dir =
            std::filesystem::path(tmp && *tmp ? tmp : "/tmp") /
            ("skyvane-fuzz-" + std::string(stem) + "-" + std::to_string(getpid()));
        std::filesystem::create_directories(dir);
        std::atexit([] { std::filesystem::remove_all(std::filesystem::path(*path).parent_path()); });
        return new std::string((dir / "file").string());
    }();
    return *path;
}

void WriteScratch(const std::string& path, const std::uint8_t* data, std::size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

}  // namespace skyvane::fuzz
