// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "app/Configuration.h"
#include "app/IniFile.h"
#include "app/SharingSettings.h"
#include "tests/support/TempDir.h"

namespace skyvane {
namespace {

using test::TempDir;

TEST(SharingSettings, ServerPortIsAPlainNumberFrom1To65535) {
    struct Case {
        std::string text;
        std::uint16_t port;
    } cases[] = {
        {"4533", 4533}, {"1", 1},         {"65535", 65535}, {"04535", 4535},
        {"0", 4533},    {"65536", 4533},  {"-1", 4533},     {"+80", 4533},
        {"80a", 4533},  {"", 4533},       {" 80", 4533},    {"99999999999999999999", 4533},
        {"0x50", 4533}, {"4533.0", 4533},
    };
    for (const Case& c : cases) EXPECT_EQ(ServerPortFromText(c.text), c.port) << c.text;
}

TEST(SharingSettings, ReadsTheKeysWithTheirDefaults) {
    struct Case {
        std::string section;
        bool server;
        std::uint16_t port;
        std::string locator;
    } cases[] = {
        {"", false, 4533, ""},
        {"SERVER=YES\n", true, 4533, ""},
        {"server=on\nserverport=4600\n", true, 4600, ""},
        {"SERVER=True\nSERVERPORT= 4601 \nLOCATOR= jo62QM \n", true, 4601, "JO62qm"},
        {"SERVER=NOT\nSERVERPORT=http\nLOCATOR=JN58\n", false, 4533, "JN58"},
        {"SERVER=1\nLOCATOR=XX99\n", false, 4533, ""},
        {"LOCATOR=JN58t\n", false, 4533, ""},
    };
    for (const Case& c : cases) {
        TempDir dir;
        test::WriteFile(dir / "Skyvane.INI", "[SETTINGS]\nCOMPORT=COM9\n" + c.section);
        const TSharingSettings s = ReadSharingSettings(TIniFile(dir / "Skyvane.INI"));
        EXPECT_EQ(s.server, c.server) << c.section;
        EXPECT_EQ(s.serverPort, c.port) << c.section;
        EXPECT_EQ(s.locator, c.locator) << c.section;
    }
}

TEST(SharingSettings, WritesTheKeysOnlyOnceTheyMatter) {
    const std::string five =
        "[SETTINGS]\nCOMPORT=COM9\nBAUDRATE=4800\nTRACE=YES\nVISIBLE=YES\nNUMERIC=YES\n";
    struct Case {
        std::string before;  // what the file holds after the five keys, before the write
        TSharingSettings settings;
        std::string after;  // what it holds after them once written
    } cases[] = {
        // Never enabled: exactly the file the program has always written.
        {"", {false, 4533, ""}, ""},
        {"", {true, 4533, ""}, "SERVER=YES\n"},
        {"", {false, 4600, ""}, "SERVERPORT=4600\n"},
        {"", {true, 4600, ""}, "SERVER=YES\nSERVERPORT=4600\n"},
        // Once in the file they stay there, also when back at their defaults.
        {"SERVER=YES\n", {false, 4533, ""}, "SERVER=NOT\n"},
        {"SERVERPORT=4600\n", {false, 4533, ""}, "SERVERPORT=4533\n"},
        {"SERVERPORT=junk\n", {false, 4533, ""}, "SERVERPORT=4533\n"},
        {"", {false, 4533, "JO62qm"}, "LOCATOR=JO62qm\n"},
        // A locator the program could not use is left as the user wrote it.
        {"LOCATOR=somewhere\n", {false, 4533, ""}, "LOCATOR=somewhere\n"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        test::WriteFile(dir / "Skyvane.INI", five + c.before);
        TIniFile ini(dir / "Skyvane.INI");
        WriteSettings(ini, TSavedSettings{.port = "COM9"});
        WriteSharingSettings(ini, c.settings);
        EXPECT_EQ(test::ReadFile(dir / "Skyvane.INI"), five + c.after) << c.before;
    }
}

TEST(SharingSettings, AGivenLocatorIsWrittenAtOnceAndReadBack) {
    TempDir dir;
    TIniFile ini(dir / "Skyvane.INI");
    WriteStationLocator(ini, "JN58td");
    EXPECT_EQ(test::ReadFile(dir / "Skyvane.INI"), "[SETTINGS]\nLOCATOR=JN58td\n");
    EXPECT_EQ(ReadSharingSettings(ini).locator, "JN58td");
}

// Values the program cannot use: each named once with its key and value, the default
// used meanwhile, and the line left exactly as written by the next save.
TEST(SharingSettings, UnusableValuesAreNamedAndKeptAsWritten) {
    const std::string huge(1 << 20, '7');
    const std::pair<std::string, std::string> cases[] = {
        {"SERVERPORT=0", "SERVERPORT=0: a TCP port"},
        {"SERVERPORT=abc", "SERVERPORT=abc:"},
        {"SERVERPORT=" + huge, "SERVERPORT=" + huge.substr(0, 40) + "\xE2\x80\xA6:"},
        {"SERVER=perhaps", "SERVER=perhaps: YES or NOT is expected; NOT is used"},
        {"LOCATOR=home\x01", "LOCATOR=home?: a Maidenhead"},
    };
    for (const auto& [line, named] : cases) {
        TempDir dir;
        test::WriteFile(dir / "Skyvane.INI", "[SETTINGS]\nCOMPORT=COM9\n" + line + "\n");
        TIniFile ini(dir / "Skyvane.INI");
        TUnusableSettings unusable;
        TSharingSettings read = ReadSharingSettings(ini, &unusable);
        EXPECT_EQ(read.serverPort, DefaultServerPort) << named;
        EXPECT_FALSE(read.server || !read.locator.empty()) << named;
        ASSERT_EQ(unusable.Entries().size(), 1u) << named;
        const std::string text = UnusableSettingsText(unusable, "/home/op/Skyvane.INI");
        EXPECT_NE(text.find(named), std::string::npos) << text;

        read.server = true;  // the program changes a setting meanwhile
        WriteSettings(ini, TSavedSettings{.port = "COM9"});
        WriteSharingSettings(ini, read, &unusable);
        const std::string after = test::ReadFile(dir / "Skyvane.INI");
        EXPECT_NE(after.find("\n" + line + "\n"), std::string::npos) << named;
        EXPECT_EQ(after.find("SERVER=YES") == std::string::npos, line.starts_with("SERVER="));
    }
}

}  // namespace
}  // namespace skyvane
