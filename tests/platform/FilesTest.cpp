#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <regex>

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

TEST(Files, ReplaceFileAtomicallyKeepsModeAndRefusesReadOnlyFiles) {
    TempDir dir;
    const std::string path = dir / "f.txt";
    WriteFile(path, "old");
    ::chmod(path.c_str(), 0604);
    EXPECT_TRUE(ReplaceFileAtomically(path, "new"));
    EXPECT_EQ(ReadFile(path), "new");
    EXPECT_EQ(test::ModeOf(path), 0604u);

    ::chmod(path.c_str(), 0444);
    EXPECT_FALSE(ReplaceFileAtomically(path, "newer"));
    EXPECT_EQ(ReadFile(path), "new");
    EXPECT_FALSE(ReplaceFileAtomically(dir / "missing/f.txt", "x"));
    EXPECT_FALSE(ReplaceFileAtomically("", "x"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
}

TEST(Files, CreateAndAppendForTheLog) {
    TempDir dir;
    const std::string path = dir / "Skyvane.Log";
    EXPECT_TRUE(AppendToFile(path, "first\r\n"));  // a missing file is created
    EXPECT_TRUE(AppendToFile(path, "second\r\n"));
    EXPECT_EQ(ReadFile(path), "first\r\nsecond\r\n");
    EXPECT_TRUE(CreateEmptyFile(path));
    EXPECT_EQ(ReadFile(path), "");

    WriteFile(path, "kept");
    ::chmod(path.c_str(), 0444);
    EXPECT_FALSE(CreateEmptyFile(path));
    EXPECT_FALSE(AppendToFile(path, "more"));
    EXPECT_EQ(ReadFile(path), "kept");

    EXPECT_FALSE(CreateEmptyFile(dir / "missing/x.log"));
    EXPECT_FALSE(AppendToFile(dir / "missing/x.log", "x"));
    EXPECT_FALSE(AppendToFile(dir.Path(), "x"));
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
    EXPECT_TRUE(std::regex_match(now.date, std::regex(R"(\d\d/\d\d/\d\d)"))) << now.date;
    EXPECT_TRUE(std::regex_match(now.time, std::regex(R"(\d\d:\d\d:\d\d)"))) << now.time;
}

}  // namespace
}  // namespace skyvane
