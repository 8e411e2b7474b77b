// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "platform/registry_store.h"
#include "tests/support/TempDir.h"

namespace skyvane {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

// The message of the ERegistryError `call` raises, or "" when it raises none.
std::string ErrorOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const ERegistryError& e) {
        return e.what();
    }
    return "";
}

std::string AllBytes() {
    std::string bytes;
    for (int b = 0; b < 256; ++b) bytes += static_cast<char>(b);
    return bytes;
}

TEST(RegistryStore, EveryTextAndIntegerSurvivesAFreshStore) {
    TempDir dir;
    const std::string file = dir / "registry";
    const std::vector<std::pair<std::string, std::string>> texts = {
        {"Port", "COM1"},
        {"Empty", ""},
        {"Bytes", AllBytes()},
        {"=[;odd name%\n", "  spaces kept  "},
        {"[Looks like a key]", "%41 stays literal"},
        {"", "the default value"},
    };
    const std::vector<std::pair<std::string, std::int32_t>> numbers = {
        {"Min", INT32_MIN}, {"MinusOne", -1}, {"Zero", 0}, {"Max", INT32_MAX}};
    {
        TRegistryStore store(file);
        ASSERT_TRUE(store.OpenKey("Software\\Skyvane\\SerialPort", true));
        for (const auto& [name, text] : texts) store.WriteString(name, text);
        for (const auto& [name, number] : numbers) store.WriteInteger(name, number);
    }
    TRegistryStore store(file);
    ASSERT_TRUE(store.OpenKey("\\software\\SKYVANE\\serialport", false));
    for (const auto& [name, text] : texts) {
        EXPECT_EQ(store.GetDataType(name), TRegDataType::rdString) << name;
        EXPECT_EQ(store.ReadString(name), text) << name;
    }
    for (const auto& [name, number] : numbers) {
        EXPECT_EQ(store.GetDataType(name), TRegDataType::rdInteger) << name;
        EXPECT_EQ(store.ReadInteger(name), number) << name;
    }
    // The file stays one line per value: no byte of a value breaks a line.
    const std::string content = ReadFile(file);
    EXPECT_EQ(std::count(content.begin(), content.end(), '\n'),
              static_cast<long>(2 + texts.size() + numbers.size()));
}

TEST(RegistryStore, MissingAndWrongTypeValuesGiveTheRegistryErrors) {
    TempDir dir;
    TRegistryStore store(dir / "registry");
    ASSERT_TRUE(store.OpenKey("Key", true));
    store.WriteString("Text", "abc");
    store.WriteInteger("Number", 7);
    const struct {
        const char* what;
        std::function<void()> call;
        std::string error;
    } cases[] = {
        {"missing integer", [&] { store.ReadInteger("CustomBaudRate"); },
         "Failed to get data for 'CustomBaudRate'"},
        {"text read as integer", [&] { store.ReadInteger("Text"); },
         "Invalid data type for 'Text'"},
        {"integer read as text", [&] { store.ReadString("Number"); },
         "Invalid data type for 'Number'"},
        {"missing text", [&] { EXPECT_EQ(store.ReadString("Nothing"), ""); }, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(ErrorOf(c.call), c.error) << c.what;
    // Writing the other type replaces the value in place.
    store.WriteInteger("Text", 5);
    EXPECT_EQ(store.ReadInteger("Text"), 5);
    EXPECT_EQ(store.GetValueNames(), (std::vector<std::string>{"Text", "Number"}));
}

TEST(RegistryStore, RefusedWritesRaiseAndLeaveTheFileAsItWas) {
    TempDir dir;
    const std::string readOnly = dir / "read-only";
    {
        TRegistryStore store(readOnly);
        store.WriteString("Port", "COM1");
    }
    const std::string before = ReadFile(readOnly);
    ::chmod(readOnly.c_str(), 0444);
    std::filesystem::create_directory(dir / "a-folder");
    const struct {
        const char* what;
        std::string file;
    } cases[] = {{"read-only file", readOnly},
                 {"folder in the way", dir / "a-folder"},
                 {"file in the way of the folder", readOnly + "/registry"},
                 {"no file name", ""}};
    for (const auto& c : cases) {
        TRegistryStore store(c.file);
        EXPECT_EQ(ErrorOf([&] { store.WriteString("Port", "COM2"); }),
                  "Failed to set data for 'Port'")
            << c.what;
        EXPECT_EQ(ErrorOf([&] { store.WriteInteger("Size", 1); }), "Failed to set data for 'Size'")
            << c.what;
        EXPECT_FALSE(store.DeleteValue("Port")) << c.what;
    }
    EXPECT_EQ(ReadFile(readOnly), before);
    EXPECT_EQ(TRegistryStore(readOnly).ReadString("Port"), "COM1");
}

TEST(RegistryStore, KeysOpenRelativeOrFromTheRootAndKeepTheirValuesApart) {
    TempDir dir;
    TRegistryStore store(dir / "registry");
    EXPECT_FALSE(store.OpenKey("Software\\Skyvane", false));
    EXPECT_EQ(store.CurrentPath(), "");
    ASSERT_TRUE(store.OpenKey("\\Software\\", true));
    ASSERT_TRUE(store.OpenKey("Skyvane", true));  // relative to Software
    EXPECT_EQ(store.CurrentPath(), "Software\\Skyvane");
    store.WriteString("Where", "below");
    EXPECT_TRUE(store.KeyExists("\\SOFTWARE"));
    EXPECT_FALSE(store.KeyExists("\\Soft"));
    store.CloseKey();
    store.WriteString("Where", "root");
    EXPECT_EQ(store.ReadString("Where"), "root");
    ASSERT_TRUE(store.OpenKey("software\\skyvane", false));
    EXPECT_EQ(store.ReadString("WHERE"), "below");
    EXPECT_TRUE(store.DeleteValue("where"));
    EXPECT_FALSE(store.ValueExists("Where"));
    EXPECT_FALSE(store.DeleteValue("Where"));
}

TEST(RegistryStore, MalformedFilesLoadAndTheirUnknownLinesAreKept) {
    TempDir dir;
    const std::string file = dir / "registry";
    using namespace std::string_literals;
    const std::string junk = "; comment\n\x01\xff garbage\0inside\n"s +
                             "[Key]\r\n"
                             "Good=s:fine\r\n"
                             "BrokenEscape=s:%4\r\n"
                             "BadHex=s:%zz\r\n"
                             "NotANumber=d:12a\r\n"
                             "TooBig=d:2147483648\r\n"
                             "NoType=plain\r\n"
                             "no equals sign\r\n"
                             "[%zz]\r\n"
                             "Hidden=s:under a broken header\r\n"
                             "[Key]\r\n"
                             "Good=s:second copy, not read\r\n"
                             "[Unterminated\n"
                             "Number=d:-12";
    WriteFile(file, junk);
    TRegistryStore store(file);
    ASSERT_TRUE(store.OpenKey("Key", false));
    EXPECT_EQ(store.GetValueNames(), (std::vector<std::string>{"Good"}));
    EXPECT_EQ(store.ReadString("Good"), "fine");
    EXPECT_EQ(store.ReadString("BrokenEscape"), "");
    EXPECT_EQ(ErrorOf([&] { store.ReadInteger("TooBig"); }), "Failed to get data for 'TooBig'");
    // A write changes its own line and keeps every other byte, line ends included.
    store.WriteString("Good", "better");
    store.WriteInteger("New", 3);
    std::string expected = junk;
    expected.replace(expected.find("Good=s:fine"), 11, "Good=s:better\r\nNew=d:3");
    EXPECT_EQ(ReadFile(file), expected + "\n");
}

TEST(RegistryStore, RandomFilesLoadAndStillTakeWrites) {
    TempDir dir;
    const std::string file = dir / "registry";
    const std::vector<std::string> pieces = {"[",  "]",  "Key", "A",  "=",
                                             "s:", "d:", "%",   "%4", "%41",
                                             "-",  "9",  "\r",  "\n", std::string(1, '\0'),
                                             "\\", ";"};
    std::mt19937 random(7);
    for (int round = 0; round < 300; ++round) {
        std::string content;
        const int count = static_cast<int>(random() % 60);
        for (int i = 0; i < count; ++i)
            content += random() % 4 ? pieces[random() % pieces.size()]
                                    : std::string(1, static_cast<char>(random()));
        WriteFile(file, content);
        TRegistryStore store(file);
        store.OpenKey("Key", false);
        for (const std::string& name : store.GetValueNames()) {
            // Each listed value reads back as its own type.
            if (store.GetDataType(name) == TRegDataType::rdInteger)
                EXPECT_NO_THROW(store.ReadInteger(name)) << round;
            else
                EXPECT_NO_THROW(store.ReadString(name)) << round;
        }
        if (round % 10) continue;  // writes flush to disk: a sample of the files is enough
        ASSERT_TRUE(store.OpenKey("\\Written", true)) << round;
        store.WriteString("A", "x");
        store.WriteInteger("B", -5);
        EXPECT_EQ(store.ReadString("A"), "x") << round;
        EXPECT_EQ(store.ReadInteger("B"), -5) << round;
    }
}

TEST(RegistryStore, TwoStoresOnOneFileKeepEachOthersWrites) {
    TempDir dir;
    TRegistryStore first(dir / "registry");
    TRegistryStore second(dir / "registry");
    ASSERT_TRUE(first.OpenKey("K", true));
    ASSERT_TRUE(second.OpenKey("K", false));
    first.WriteString("A", "1");
    second.WriteString("B", "2");
    first.WriteInteger("C", 3);
    EXPECT_EQ(second.ReadString("A"), "1");
    EXPECT_EQ(first.ReadString("B"), "2");
    EXPECT_EQ(second.ReadInteger("C"), 3);
}

class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnv() {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(RegistryStore, DefaultFileLivesInTheUsersConfigurationFolder) {
    TempDir dir;
    {
        ScopedEnv config("XDG_CONFIG_HOME", dir.Path().c_str());
        EXPECT_EQ(DefaultRegistryFileName(), dir / "skyvane/registry");
        // The first write makes the folder.
        TRegistryStore store;
        store.WriteInteger("Runs", 1);
        EXPECT_EQ(TRegistryStore(dir / "skyvane/registry").ReadInteger("Runs"), 1);
    }
    ScopedEnv home("HOME", dir.Path().c_str());
    for (const char* config : {static_cast<const char*>(nullptr), "", "relative/folder"}) {
        ScopedEnv xdg("XDG_CONFIG_HOME", config);
        EXPECT_EQ(DefaultRegistryFileName(), dir / ".config/skyvane/registry")
            << (config ? config : "unset");
    }
}

// Writes the values round after round until killed.
[[noreturn]] void WriteForever(const std::string& file) {
    try {
        TRegistryStore store(file);
        if (!store.OpenKey("Port", true)) ::_exit(1);
        for (std::int32_t round = 1;; ++round) {
            store.WriteInteger("Round", round);
            store.WriteString("Text", std::string(static_cast<std::size_t>(round % 500), 'x'));
        }
    } catch (...) {
        ::_exit(1);
    }
}

TEST(RegistryStore, AKilledWriterLeavesAWholeFile) {
    TempDir dir;
    std::mt19937 random(12345);
    for (int run = 0; run < 12; ++run) {
        const std::string file = dir / ("registry-" + std::to_string(run));
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) WriteForever(file);
        ::usleep(2000 + random() % 20000);
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped by itself";
        TRegistryStore store(file);
        if (!store.OpenKey("Port", false)) continue;  // killed before the first write
        if (!store.ValueExists("Round")) continue;
        const std::int32_t round = store.ReadInteger("Round");
        const std::string text = store.ReadString("Text");
        // Text is written after Round: it belongs to this round or the one before.
        EXPECT_TRUE(text.size() == static_cast<std::size_t>(round % 500) ||
                    text.size() == static_cast<std::size_t>((round - 1) % 500))
            << round << " " << text.size();
        EXPECT_EQ(text.find_first_not_of('x'), std::string::npos);
    }
}

}  // namespace
}  // namespace skyvane
