// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

#include "platform/files.h"
#include "tests/support/TempDir.h"

namespace skyvane {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

TEST(Files, CurrentDirectoryAndItsDelimiter) {
    EXPECT_EQ(CurrentDirectory(), std::filesystem::current_path().string());
    EXPECT_EQ(WithTrailingDelimiter("/work"), "/work/");
    EXPECT_EQ(WithTrailingDelimiter("/"), "/");
    EXPECT_EQ(WithTrailingDelimiter("/work/"), "/work/");
}

TEST(Files, ResolvesNamesRegardlessOfCase) {
    TempDir dir;
    std::filesystem::create_directories(dir / "Alpha/Beta");
    WriteFile(dir / "Alpha/Beta/conf.ini", "");
    WriteFile(dir / "Alpha/Beta/CONF.INI", "");
    WriteFile(dir / "Alpha/Beta/Conf.Ini", "");
    WriteFile(dir / "Alpha/Beta/skyvane.ini", "");

    struct Case {
        std::string given;
        std::string expected;
    } cases[] = {
        {dir / "Alpha/Beta/conf.ini", dir / "Alpha/Beta/conf.ini"},  // exact match wins
        {dir / "Alpha/Beta/Conf.Ini", dir / "Alpha/Beta/Conf.Ini"},  // exact match wins
        {dir / "alpha/beta/cONF.ini", dir / "Alpha/Beta/CONF.INI"},  // first in byte order
        {dir / "ALPHA/BETA/SKYVANE.INI", dir / "Alpha/Beta/skyvane.ini"},
        {dir / "ALPHA//BETA/SKYVANE.INI", dir / "Alpha/Beta/skyvane.ini"},
        {dir / "ALPHA/BETA/NEW.INI", dir / "Alpha/Beta/NEW.INI"},  // new name in a found folder
        {dir / "ALPHA/GAMMA/X/Y.INI",
         dir / "Alpha/GAMMA/X/Y.INI"},  // rest kept from the first miss
        {dir / "ALPHA/BETA/", dir / "Alpha/Beta/"},
        {dir / "ALPHA/./BETA/SKYVANE.INI", dir / "Alpha/./Beta/skyvane.ini"},
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(ResolvePathCase(c.given), c.expected) << c.given;

    EXPECT_TRUE(FileExists(dir / "ALPHA/BETA/SKYVANE.INI"));
    EXPECT_TRUE(FileExists(dir / "ALPHA"));
    EXPECT_FALSE(FileExists(dir / "ALPHA/BETA/MISSING.INI"));
    EXPECT_FALSE(FileExists(""));
}

TEST(Files, ReadWholeFileTellsMissingFromRead) {
    TempDir dir;
    const std::string bytes("a\0b\r\n\xff", 6);
    WriteFile(dir / "data.bin", bytes);
    std::string content = "stale";
    EXPECT_EQ(ReadWholeFile(dir / "DATA.BIN", content), TFileRead::Read);
    EXPECT_EQ(content, bytes);
    EXPECT_EQ(ReadWholeFile(dir / "none", content), TFileRead::Missing);
    EXPECT_EQ(content, "");
    EXPECT_EQ(ReadWholeFile(dir.Path(), content), TFileRead::Missing);
    const std::string fifo = dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(ReadWholeFile(fifo, content), TFileRead::Missing);
}

// True when `text` has the shape of `pattern`, in which '9' stands for any digit.
bool HasShape(const std::string& text, const std::string& pattern) {
    if (text.size() != pattern.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool digit = text[i] >= '0' && text[i] <= '9';
        if (pattern[i] == '9' ? !digit : text[i] != pattern[i]) return false;
    }
    return true;
}

TEST(Files, LocalDateTimeUsesTheShortDateAndLongTimeFormats) {
    const char* saved = std::getenv("LC_ALL");
    const std::string savedValue = saved ? saved : "";
    ::setenv("LC_ALL", "C", 1);
    TLocalDateTime now = LocalDateTimeNow();
    if (saved)
        ::setenv("LC_ALL", savedValue.c_str(), 1);
    else
        ::unsetenv("LC_ALL");
    // In the C locale %x is MM/DD/YY and %X is HH:MM:SS.
    EXPECT_TRUE(HasShape(now.date, "99/99/99")) << now.date;
    EXPECT_TRUE(HasShape(now.time, "99:99:99")) << now.time;
}

}  // namespace
}  // namespace skyvane
