// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#include "app/Log.h"
#include "platform/files.h"
#include "tests/support/TempDir.h"

namespace skyvane {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

class LogTest : public ::testing::Test {
protected:
    LogTest() {
        log.SetFileName(path);
        log.SetLevel(1);
    }
    TempDir dir;
    const std::string path = dir / "Skyvane.Log";
    TLog log;
};

TEST_F(LogTest, WritesNothingAndCreatesNoFileBeforeBeingEnabled) {
    EXPECT_FALSE(log.Enabled());
    log.WriteLine(1, "early");
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(LogTest, LineIsDateTimeAndTextEndedByCrLf) {
    log.SetEnabled(true);
    const TLocalDateTime before = LocalDateTimeNow();
    log.WriteLine(1, "PORTNRO=COM9");
    const TLocalDateTime after = LocalDateTimeNow();
    const std::string line = ReadFile(path);
    // The clock may tick during the call: the stamp is one of the two readings around it.
    auto expected = [](const TLocalDateTime& t) {
        return t.date + " " + t.time + " PORTNRO=COM9\r\n";
    };
    EXPECT_TRUE(line == expected(before) || line == expected(after)) << line;
}

TEST_F(LogTest, WritesOnlyMessagesUpToItsLevel) {
    struct Case {
        std::int32_t level;
        std::uint8_t messageLevel;
        bool written;
    } cases[] = {
        {1, 1, true}, {1, 0, true},   {1, 2, false},    {0, 1, false},
        {0, 0, true}, {-1, 0, false}, {300, 255, true}, {254, 255, false},
    };
    for (const Case& c : cases) {
        log.SetLevel(c.level);
        log.SetEnabled(true);
        log.WriteLine(c.messageLevel, "message");
        EXPECT_EQ(ReadFile(path).find("message") != std::string::npos, c.written)
            << "Level " << c.level << ", message level " << int(c.messageLevel);
    }
}

TEST_F(LogTest, EnablingStartsTheFileAfreshAndDisablingLeavesIt) {
    WriteFile(path, "old content\r\n");
    log.SetEnabled(true);
    EXPECT_TRUE(log.Enabled());
    EXPECT_EQ(ReadFile(path), "");
    log.WriteLine(1, "one");
    log.WriteLine(1, "two");
    const std::string twoLines = ReadFile(path);
    EXPECT_EQ(std::count(twoLines.begin(), twoLines.end(), '\n'), 2);
    EXPECT_LT(twoLines.find(" one\r\n"), twoLines.find(" two\r\n"));

    log.SetEnabled(false);
    log.WriteLine(1, "three");
    EXPECT_EQ(ReadFile(path), twoLines);

    log.SetEnabled(true);
    log.SetEnabled(true);
    EXPECT_EQ(ReadFile(path), "");
}

TEST_F(LogTest, DeletedFileIsCreatedAgainByTheNextLine) {
    log.SetEnabled(true);
    log.WriteLine(1, "before");
    std::filesystem::remove(path);
    log.WriteLine(1, "after");
    const std::string content = ReadFile(path);
    EXPECT_EQ(content.find("before"), std::string::npos);
    EXPECT_EQ(content.size() - content.find(" after\r\n"), 8u);
    EXPECT_EQ(std::count(content.begin(), content.end(), '\n'), 1);
}

TEST_F(LogTest, ReadOnlyFileIsLeftAloneAndTheLogStaysOff) {
    WriteFile(path, "someone else's\r\n");
    ::chmod(path.c_str(), 0444);
    log.SetEnabled(true);
    EXPECT_FALSE(log.Enabled());
    log.WriteLine(1, "dropped");
    EXPECT_EQ(ReadFile(path), "someone else's\r\n");
}

TEST_F(LogTest, LineThatCannotBeWrittenIsDroppedAndLaterLinesGoOn) {
    log.SetEnabled(true);
    ::chmod(path.c_str(), 0444);
    log.WriteLine(1, "dropped");
    EXPECT_TRUE(log.Enabled());
    ::chmod(path.c_str(), 0644);
    log.WriteLine(1, "kept");
    const std::string content = ReadFile(path);
    EXPECT_EQ(content.find("dropped"), std::string::npos);
    EXPECT_NE(content.find(" kept\r\n"), std::string::npos);
}

TEST_F(LogTest, EachMessageIsOneLineWhateverBytesItHolds) {
    log.SetEnabled(true);
    log.WriteLine(1, "File /x/a\n01/01/26 00:00:00 FORGED");
    log.WriteLine(1, std::string("COM\0"
                                 "9\r\x7F\tok\xE9",
                                 11));
    const std::string content = ReadFile(path);
    EXPECT_EQ(std::count(content.begin(), content.end(), '\n'), 2) << content;
    EXPECT_NE(content.find(" File /x/a\\x0A01/01/26 00:00:00 FORGED\r\n"), std::string::npos);
    EXPECT_NE(content.find(" COM\\x009\\x0D\\x7F\tok\xE9\r\n"), std::string::npos) << content;
}

TEST_F(LogTest, FileThatCannotBeCreatedLeavesTheLogOff) {
    log.SetFileName(dir / "no/such/folder/Skyvane.Log");
    log.SetEnabled(true);
    EXPECT_FALSE(log.Enabled());
    log.SetFileName("");
    log.SetEnabled(true);
    EXPECT_FALSE(log.Enabled());
}

}  // namespace
}  // namespace skyvane
