// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <random>

#include "platform/profile_file.h"
#include "tests/support/TempDir.h"

namespace skyvane {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

struct ReadCase {
    const char* what;
    std::string content;
    const char* section;
    const char* key;
    std::string expected;
};

TEST(ProfileTextValue, FindsValuesByTheProfileRules) {
    const std::string binary("\x00\xff\xfe[\x01=\x02\n\x00\x00\n", 11);
    const ReadCase cases[] = {
        {"names ignore case", "[Settings]\ncomport=COM3\n", "SETTINGS", "COMPORT", "COM3"},
        {"blanks around names and value", "  [ SETTINGS ]  \n\t key \t=  v a l  \n", "SETTINGS",
         "KEY", "v a l"},
        {"missing section", "[OTHER]\nKEY=1\n", "SETTINGS", "KEY", "dflt"},
        {"missing key", "[SETTINGS]\nOTHER=1\n", "SETTINGS", "KEY", "dflt"},
        {"empty text", "", "SETTINGS", "KEY", "dflt"},
        {"key of another section", "[A]\nKEY=1\n[B]\nX=2\n", "B", "KEY", "dflt"},
        {"key before any section", "KEY=1\n[S]\n", "S", "KEY", "dflt"},
        {"no sections at all", "KEY=1\nKEY=2\n", "", "KEY", "dflt"},
        {"commented-out key", "[S]\n;KEY=1\n", "S", "KEY", "dflt"},
        {"duplicate key: first wins", "[S]\nKEY=first\nkey=second\n", "S", "KEY", "first"},
        {"duplicate section: first wins", "[S]\nA=1\n[s]\nKEY=2\n", "S", "KEY", "dflt"},
        {"empty value is not the default", "[S]\nKEY=\n", "S", "KEY", ""},
        {"value holding =", "[S]\nKEY=a=b\n", "S", "KEY", "a=b"},
        {"CR LF line ends", "[S]\r\nKEY=v\r\nX=1\r\n", "S", "KEY", "v"},
        {"no final line end", "[S]\nKEY=v", "S", "KEY", "v"},
        {"header without ]", "[S\nKEY=v\n", "S", "KEY", "v"},
        {"binary bytes and NULs around", binary + "[S]\n" + binary + "KEY=v\n" + binary, "S", "KEY",
         "v"},
        {"NUL ends the value", std::string("[S]\nKEY=a \0b\n", 13), "S", "KEY", "a"},
        {"line without =", "[S]\nKEY\nKEY=v\n", "S", "KEY", "v"},
        {"CR-only line ends", "[S]\rX=1\rKEY=v", "S", "KEY", "v"},
        {"CR LF converted twice", "[S]\r\r\nKEY=v\r\r\n", "S", "KEY", "v"},
        {"a lone CR inside a line ends it", "[S]\nKEY=v\rX=1\n", "S", "X", "1"},
        {"byte-order mark", "\xEF\xBB\xBF[S]\r\nKEY=v\r\n", "S", "KEY", "v"},
    };
    for (const ReadCase& c : cases)
        EXPECT_EQ(ProfileTextValue(c.content, c.section, c.key, "dflt"), c.expected) << c.what;
}

TEST(ProfileTextValue, CutsValuesTo2047Characters) {
    const std::string longValue(5000, 'x');
    EXPECT_EQ(ProfileTextValue("[S]\nKEY=" + longValue + "\n", "S", "KEY", ""),
              std::string(MaxProfileValueLength, 'x'));
    const std::string exact(MaxProfileValueLength, 'y');
    EXPECT_EQ(ProfileTextValue("[S]\nKEY=" + exact + "\n", "S", "KEY", ""), exact);
}

struct WriteCase {
    const char* what;
    std::string before;
    const char* section;
    const char* key;
    const char* value;
    std::string after;
};

TEST(ProfileTextWithValue, ChangesOnlyWhatItMust) {
    const WriteCase cases[] = {
        {"new text", "", "S", "K", "v", "[S]\nK=v\n"},
        {"in place, spelling and spacing kept", "; c\n[s]\n Key = old  \nZ=1\n", "S", "KEY", "new",
         "; c\n[s]\n Key = new\nZ=1\n"},
        {"in place, empty value", "[S]\nK=\n", "S", "K", "v", "[S]\nK=v\n"},
        {"in place, to empty", "[S]\nK=v\n", "S", "K", "", "[S]\nK=\n"},
        {"only the first of duplicate keys", "[S]\nK=1\nK=2\n", "S", "K", "3", "[S]\nK=3\nK=2\n"},
        {"new key after the section's last entry, before blanks and the next comment",
         "[A]\na=1\n\n; about B\n[B]\nb=1\n", "A", "n", "v",
         "[A]\na=1\nn=v\n\n; about B\n[B]\nb=1\n"},
        {"new key into a section that has only its header", "[A]\n[B]\n", "A", "k", "v",
         "[A]\nk=v\n[B]\n"},
        {"new key after a header that ends the file", "[A]", "A", "k", "v", "[A]\nk=v\n"},
        {"new key after an entry that ends the file", "[A]\nx=1", "A", "k", "v", "[A]\nx=1\nk=v\n"},
        {"new key into the first of duplicate sections", "[A]\nx=1\n[a]\ny=2\n", "A", "k", "v",
         "[A]\nx=1\nk=v\n[a]\ny=2\n"},
        {"new section after text", "x=1\n", "S", "K", "v", "x=1\n\n[S]\nK=v\n"},
        {"new section after text without a final line end", "x=1", "S", "K", "v",
         "x=1\n\n[S]\nK=v\n"},
        {"new section after a blank line", "x=1\n\n", "S", "K", "v", "x=1\n\n[S]\nK=v\n"},
        {"CR LF file gets CR LF lines", "[A]\r\na=1\r\n", "A", "b", "2", "[A]\r\na=1\r\nb=2\r\n"},
        {"CR LF file, new section", "[A]\r\na=1\r\n", "B", "b", "2",
         "[A]\r\na=1\r\n\r\n[B]\r\nb=2\r\n"},
        {"names asked for are trimmed", "[S]\nK=1\n", " S ", "K\t", "2", "[S]\nK=2\n"},
        {"new names are written trimmed", "", " S ", " K ", "v", "[S]\nK=v\n"},
        {"key of a comment is not replaced", "[S]\n;K=1\n", "S", "K", "2", "[S]\nK=2\n;K=1\n"},
        {"CR-only file, new section", "[A]\ra=1", "B", "b", "2", "[A]\ra=1\r\r[B]\rb=2\r"},
        {"doubled CR file", "[A]\r\r\na=1\r\r\n", "A", "b", "2", "[A]\r\r\na=1\r\r\nb=2\r\r\n"},
        {"byte-order mark kept", "\xEF\xBB\xBF[S]\r\nK=1\r\n", "S", "K", "2",
         "\xEF\xBB\xBF[S]\r\nK=2\r\n"},
        {"byte-order mark alone", "\xEF\xBB\xBF", "S", "K", "v", "\xEF\xBB\xBF[S]\nK=v\n"},
    };
    for (const WriteCase& c : cases)
        EXPECT_EQ(ProfileTextWithValue(c.before, c.section, c.key, c.value), c.after) << c.what;
}

// Found by fuzzing: a last line "[\r" without "\n" read as a section named "\r" until a
// write closed the line, after which it read as "[" and hid the value just written.
TEST(ProfileTextWithValue, AWrittenValueReadsBackAfterALastLineEndingInCR) {
    const struct {
        std::string content, section;
    } cases[] = {
        {"a=1\n[\r", ""},
        {"[S]\r\nx=1\r", "S"},
        {"[S]\nx=1\n[T]\r", "T"},
        {"x=1\r", "S"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.content);
        const std::string written = ProfileTextWithValue(c.content, c.section, "k", "v");
        EXPECT_EQ(ProfileTextValue(written, c.section, "k", "<none>"), "v");
        EXPECT_EQ(written.substr(0, c.content.size()), c.content) << "the old text stays as it was";
    }
    EXPECT_EQ(ProfileTextValue("[S]\nx=1\r", "S", "x", ""), "1");
}

TEST(IsStorableProfileEntry, RefusesWhatWouldBreakTheFile) {
    EXPECT_TRUE(IsStorableProfileEntry("SETTINGS", "COMPORT", "COM3"));
    EXPECT_TRUE(IsStorableProfileEntry("S", "K", ""));
    EXPECT_TRUE(IsStorableProfileEntry("S", "K", "a=b;c[d]"));
    EXPECT_FALSE(IsStorableProfileEntry("S", "K", "line\nINJECTED=1"));
    EXPECT_FALSE(IsStorableProfileEntry("S", "K", "cr\r"));
    EXPECT_FALSE(IsStorableProfileEntry("S]", "K", "v"));
    EXPECT_FALSE(IsStorableProfileEntry("S\n", "K", "v"));
    EXPECT_FALSE(IsStorableProfileEntry("S", "K=1", "v"));
    EXPECT_FALSE(IsStorableProfileEntry("S", "", "v"));
    EXPECT_FALSE(IsStorableProfileEntry("S", "  ", "v"));
    EXPECT_FALSE(IsStorableProfileEntry("S", "[K", "v"));
    EXPECT_FALSE(IsStorableProfileEntry("S", ";K", "v"));
    EXPECT_FALSE(IsStorableProfileEntry("S", "K", std::string("a\0b", 3)));
}

// Renders a file from a template in which "{KEY}" stands for the current value of KEY.
std::string Render(std::string text, const std::map<std::string, std::string>& values) {
    for (const auto& [key, value] : values) {
        const std::string mark = "{" + key + "}";
        for (std::size_t at; (at = text.find(mark)) != std::string::npos;)
            text.replace(at, mark.size(), value);
    }
    return text;
}

TEST(ProfileFile, KeepsEveryUnrelatedByteThroughManyWrites) {
    const std::string layout =
        "; Skyvane settings, edited by hand\r\n"
        "\r\n"
        "[Other]\n"
        "COMPORT=must stay\n"
        "Unknown = kept\t\n"
        "\n"
        "  [ settings ]   ; trailing text after the header\r\n"
        "ComPort = {COMPORT}\r\n"
        "; a comment between keys\n"
        "BAUDRATE={BAUDRATE}\n"
        "SOMEKEY=unknown key, kept\n"
        "trace={TRACE}\r\n"
        "    \t\n"
        "VISIBLE=\t{VISIBLE}\n"
        "NUMERIC={NUMERIC}\n"
        "garbage line without equals\n" +
        std::string("\x01\x02\xff binary\x00 line\n", 17) +
        "\n"
        "[LAST]\n"
        "TRACE=NOT\n"
        "no final line end";
    std::map<std::string, std::string> values = {{"COMPORT", "COM1"},
                                                 {"BAUDRATE", "9600"},
                                                 {"TRACE", "YES"},
                                                 {"VISIBLE", "NOT"},
                                                 {"NUMERIC", "YES"}};
    TempDir dir;
    const std::string path = dir / "Skyvane.INI";
    WriteFile(path, Render(layout, values));

    std::mt19937 random(7);
    const char* keys[] = {"COMPORT", "BAUDRATE", "TRACE", "VISIBLE", "NUMERIC"};
    for (int round = 0; round < 200; ++round) {
        const std::string key = keys[random() % 5];
        const std::string value = "v" + std::to_string(random() % 100000);
        WriteProfileString(path, "SETTINGS", key, value);
        values[key] = value;
        ASSERT_EQ(ReadFile(path), Render(layout, values)) << "after round " << round;
    }
    for (const auto& [key, value] : values)
        EXPECT_EQ(GetProfileString(path, "Settings", key, ""), value);
    // Nothing but the file itself is left in the folder.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
}

TEST(ProfileFile, WriteThatCannotBeMadeRaisesUnableToWriteAndKeepsTheFile) {
    TempDir dir;
    const std::string readOnly = dir / "readonly.ini";
    WriteFile(readOnly, "[SETTINGS]\nCOMPORT=COM1\n");
    ::chmod(readOnly.c_str(), 0444);
    const std::string missingFolder = dir / "no/such/folder/x.ini";
    const std::string folder = dir / "a-folder";
    std::filesystem::create_directory(folder);
    const std::string plain = dir / "plain.ini";
    WriteFile(plain, "[S]\nK=1\n");

    struct Case {
        std::string path;
        const char* key;
        const char* value;
    } cases[] = {
        {readOnly, "COMPORT", "COM2"},
        {missingFolder, "COMPORT", "COM2"},
        {folder, "COMPORT", "COM2"},
        {plain, "K", "line\nbreak"},
        {plain, "K=", "v"},
    };
    for (const Case& c : cases) {
        const std::string before = ReadFile(c.path);
        try {
            WriteProfileString(c.path, "SETTINGS", c.key, c.value);
            ADD_FAILURE() << "no error for " << c.path;
        } catch (const EProfileWriteError& e) {
            EXPECT_STREQ(e.what(), ("Unable to write to " + c.path).c_str());
        }
        EXPECT_EQ(ReadFile(c.path), before) << c.path;
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "no"));
    EXPECT_EQ(test::ModeOf(readOnly), 0444u);
}

TEST(ProfileFile, WriteKeepsPermissionsAndSymbolicLinks) {
    TempDir dir;
    const std::string target = dir / "real.ini";
    WriteFile(target, "[S]\nK=1\n");
    ::chmod(target.c_str(), 0640);
    const std::string link = dir / "link.ini";
    ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);

    WriteProfileString(link, "S", "K", "2");
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadFile(target), "[S]\nK=2\n");
    EXPECT_EQ(test::ModeOf(target), 0640u);

    const mode_t old = ::umask(022);
    WriteProfileString(dir / "new.ini", "S", "K", "1");
    ::umask(old);
    EXPECT_EQ(test::ModeOf(dir / "new.ini"), 0644u);
}

TEST(ProfileFile, FindsTheFileRegardlessOfLetterCase) {
    TempDir dir;
    std::filesystem::create_directory(dir / "Conf");
    const std::string real = dir / "Conf/myconf.ini";
    WriteFile(real, "[SETTINGS]\nTRACE=NOT\n");
    const std::string upper = dir / "CONF/MYCONF.INI";

    EXPECT_EQ(GetProfileString(upper, "SETTINGS", "TRACE", "YES"), "NOT");
    WriteProfileString(upper, "SETTINGS", "TRACE", "YES");
    EXPECT_EQ(ReadFile(real), "[SETTINGS]\nTRACE=YES\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / "Conf"), {}), 1);

    // A new file lands in the folder that exists under another spelling.
    WriteProfileString(dir / "CONF/NEW.INI", "S", "K", "v");
    EXPECT_TRUE(std::filesystem::exists(dir / "Conf/NEW.INI"));
}

TEST(ProfileFile, MalformedFilesReadAndWriteWithoutHarm) {
    std::mt19937 random(11);
    std::string noise(1 << 20, '\0');
    for (char& c : noise) c = static_cast<char>(random());
    const std::string hugeLine(4 << 20, 'q');
    struct Case {
        const char* what;
        std::string content;
        const char* expected;  // value of [SETTINGS] TRACE
    } cases[] = {
        {"random binary bytes", noise, "dflt"},
        {"binary bytes before the section", noise + "\n[SETTINGS]\nTRACE=on\n", "on"},
        {"only NUL bytes", std::string(100000, '\0'), "dflt"},
        {"megabyte lines", hugeLine + "\n[SETTINGS]\nX=" + hugeLine + "\nTRACE=yes\n" + hugeLine,
         "yes"},
        {"megabyte line ending in a header", hugeLine + "[SETTINGS]", "dflt"},
        {"no sections", "TRACE=YES\nNUMERIC=YES\n", "dflt"},
        {"duplicate keys", "[SETTINGS]\nTRACE=first\nTRACE=second\n", "first"},
        {"lone CRs", "[SETTINGS]\rTRACE=x\r\r", "x"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const std::string path = dir / "bad.ini";
        WriteFile(path, c.content);
        EXPECT_EQ(GetProfileString(path, "SETTINGS", "TRACE", "dflt"), c.expected) << c.what;
        WriteProfileString(path, "SETTINGS", "TRACE", "NOT");
        EXPECT_EQ(GetProfileString(path, "SETTINGS", "TRACE", "dflt"), "NOT") << c.what;
        const std::string after = ReadFile(path);
        // What stood before the section (or the whole file, when it had none) is untouched.
        const std::size_t section = c.content.find("[SETTINGS]");
        const std::size_t kept = section == std::string::npos ? c.content.size() : section;
        EXPECT_EQ(after.compare(0, kept, c.content, 0, kept), 0) << c.what;
    }
}

TEST(ProfileFile, ReadsNoDevicesOrPipes) {
    TempDir dir;
    const std::string fifo = dir / "pipe.ini";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // A pipe without a writer would block a reader forever; it counts as no file.
    EXPECT_EQ(GetProfileString(fifo, "S", "K", "dflt"), "dflt");
    EXPECT_THROW(WriteProfileString(fifo, "S", "K", "v"), EProfileWriteError);
    EXPECT_EQ(GetProfileString("/dev/null", "S", "K", "dflt"), "dflt");
}

}  // namespace
}  // namespace skyvane
