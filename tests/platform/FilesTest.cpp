// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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

// Runs `write` in a child process that cannot override file permissions (root, as
// tests may run, becomes "nobody" there); true when it returned true.
template <class Write>
bool WritesWithoutPrivileges(Write write) {
    const pid_t child = ::fork();
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(2);
        ::_exit(write() ? 0 : 1);
    }
    int status = 0;
    return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

TEST(Files, ReplacementWhereARenameWouldNotDo) {
    TempDir dir;
    // A second hard link keeps sharing the file, longer or shorter.
    const std::string file = dir / "Skyvane.INI", other = dir / "shared.ini";
    WriteFile(file, "old");
    ASSERT_EQ(::link(file.c_str(), other.c_str()), 0);
    ASSERT_TRUE(ReplaceFileAtomically(file, "newer and longer"));
    EXPECT_EQ(ReadFile(other), "newer and longer");
    ASSERT_TRUE(ReplaceFileAtomically(other, "short"));
    EXPECT_EQ(ReadFile(file), "short");

    // A link to a file not made yet makes it; a loop of links is refused.
    std::filesystem::create_directory(dir / "sub");
    ASSERT_EQ(::symlink("sub/target.ini", (dir / "dangling.ini").c_str()), 0);
    ASSERT_TRUE(ReplaceFileAtomically(dir / "dangling.ini", "created"));
    EXPECT_EQ(ReadFile(dir / "sub/target.ini"), "created");
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "dangling.ini"));
    ASSERT_EQ(::symlink("loop.ini", (dir / "loop.ini").c_str()), 0);
    EXPECT_FALSE(ReplaceFileAtomically(dir / "loop.ini", "x"));

    // A writable file in a folder that is not is written in place.
    const std::string locked = dir / "sub/Skyvane.INI";
    WriteFile(locked, "[SETTINGS]\n");
    ::chmod(locked.c_str(), 0666);
    ::chmod((dir / "sub").c_str(), 0555);
    ::chmod(dir.Path().c_str(), 0755);
    EXPECT_TRUE(WritesWithoutPrivileges([&] { return ReplaceFileAtomically(locked, "a\nb\n"); }));
    EXPECT_EQ(ReadFile(locked), "a\nb\n");
    EXPECT_FALSE(
        WritesWithoutPrivileges([&] { return ReplaceFileAtomically(dir / "sub/new", "x"); }));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / "sub"), {}), 2);
}

TEST(Files, LeftoversOfKilledWritesAreRemovedOnTheNextWrite) {
    TempDir dir;
    const pid_t child = ::fork();  // its id belongs to no process once it has ended
    if (child == 0) ::_exit(0);
    ::waitpid(child, nullptr, 0);
    const std::string ended = std::to_string(child), me = std::to_string(::getpid());
    const std::pair<std::string, bool> cases[] = {
        {".Skyvane.INI." + ended + ".0.tmp", true},  // writer ended
        {".Skyvane.INI." + me + ".4711.tmp", true},  // earlier process, same id
        {".Skyvane.INI." + std::to_string(::getppid()) + ".3.tmp", false},  // writer alive
        {".Other.INI." + ended + ".0.tmp", false},                          // another file's
        {".Skyvane.INI." + ended + ".tmp", false},  // not a temporary's name
    };
    for (const auto& [name, removed] : cases) WriteFile(dir / name, "partial");
    ASSERT_TRUE(ReplaceFileAtomically(dir / "Skyvane.INI", "new"));
    for (const auto& [name, removed] : cases)
        EXPECT_EQ(std::filesystem::exists(dir / name), !removed) << name;
}

TEST(Files, TheLogsWritesNeverFollowASymbolicLink) {
    TempDir dir;
    WriteFile(dir / "precious", "keep me");
    ASSERT_EQ(::symlink((dir / "precious").c_str(), (dir / "Skyvane.Log").c_str()), 0);
    ASSERT_EQ(::symlink((dir / "made").c_str(), (dir / "dangling.log").c_str()), 0);
    for (const char* name : {"Skyvane.Log", "SKYVANE.LOG", "dangling.log"}) {
        EXPECT_FALSE(CreateEmptyFile(dir / name)) << name;
        EXPECT_FALSE(AppendToFile(dir / name, "line\r\n")) << name;
    }
    EXPECT_EQ(ReadFile(dir / "precious"), "keep me");
    EXPECT_FALSE(std::filesystem::exists(dir / "made"));
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
