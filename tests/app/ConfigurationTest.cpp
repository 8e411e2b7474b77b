// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <map>
#include <tuple>

#include "app/Configuration.h"
#include "app/HexStr.h"
#include "tests/support/TempDir.h"

namespace skyvane {
namespace {

using test::TempDir;
using namespace std::string_literals;

// Answers reads from a table and records every call, in order.
class RecordingIniFile : public TCustomIniFile {
public:
    RecordingIniFile() : TCustomIniFile("recorded.ini") {}

    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view defaultValue) const override {
        calls.push_back("read " + std::string(section) + " " + std::string(key) + " " +
                        std::string(defaultValue));
        auto found = values.find(std::string(key));
        return found == values.end() ? std::string(defaultValue) : found->second;
    }
    void WriteString(std::string_view section, std::string_view key,
                     std::string_view value) override {
        if (key == failingKey) throw EIniFileException("Unable to write to " + FileName());
        calls.push_back("write " + std::string(section) + " " + std::string(key) + "=" +
                        std::string(value));
    }

    std::map<std::string, std::string> values;
    std::string failingKey;
    mutable std::vector<std::string> calls;
};

TEST(Configuration, LocatesTheFileFromTheCommandLine) {
    TempDir dir;
    const std::string here = dir.Path() + "/";
    test::WriteFile(dir / "myconf.ini", "");
    std::filesystem::create_directory(dir / "Sub");
    const std::string absolute = UpperText(dir.Path());
    struct Case {
        std::vector<std::string> parameters;
        std::string path;
        bool missing;
        std::string folder;  // the folder "-F" named, if any
    } cases[] = {
        {{}, here + "Skyvane.INI", false, ""},
        {{"-f", "myconf.ini"}, here + "MYCONF.INI", false, ""},  // found though spelled lower
        {{"-F", "other.ini"}, here + "OTHER.INI", true, ""},
        {{"-F"}, here + "Skyvane.INI", false, ""},
        {{"-F", ""}, here + "Skyvane.INI", false, ""},
        {{"-x", "myconf.ini"}, here + "Skyvane.INI", false, ""},
        {{"myconf.ini"}, here + "Skyvane.INI", false, ""},
        {{"-F", "C:\\cfg\\a.ini"}, here + "C:\\CFG\\A.INI", true, ""},
        // An absolute path is that path, found regardless of letter case.
        {{"-F", dir / "myconf.ini"}, absolute + "/MYCONF.INI", false, ""},
        // A folder holds the configuration file.
        {{"-F", "."}, here + "Skyvane.INI", false, here + "."},
        {{"-F", "sub/"}, here + "SUB/Skyvane.INI", false, here + "SUB/"},
        {{"-F", "/"}, "/Skyvane.INI", false, "/"},
    };
    for (const Case& c : cases) {
        const TConfigLocation location = LocateConfiguration(c.parameters, here);
        const std::string what = ::testing::PrintToString(c.parameters);
        EXPECT_EQ(location.path, c.path) << what;
        EXPECT_EQ(location.namedFileMissing, c.missing) << what;
        EXPECT_EQ(location.namedFolder, c.folder) << what;
    }
    EXPECT_EQ(ConfigPathOrDefault("", here), here + "Skyvane.INI");
    EXPECT_EQ(ConfigPathOrDefault("/x/A.INI", here), "/x/A.INI");
}

TEST(Configuration, ReadsTheSixKeysInOrderAndReportsTraceAtOnce) {
    RecordingIniFile ini;
    const TSettings s = ReadSettings(ini, [&](bool traceOn) {
        ini.calls.push_back(std::string("trace ") + (traceOn ? "on" : "off"));
    });
    const std::vector<std::string> expected = {
        "read SETTINGS COMPORT COM9",        "read SETTINGS BAUDRATE 4800",
        "read SETTINGS TRACE YES",           "trace on",
        "read SETTINGS NUMERIC YES",         "read SETTINGS VISIBLE YES",
        "read SETTINGS LOGFILE Skyvane.LOG",
    };
    EXPECT_EQ(ini.calls, expected);
    EXPECT_EQ(s.portName, "COM9");
    EXPECT_EQ(s.baudNumber, 4800);
    EXPECT_TRUE(s.traceOn);
    EXPECT_TRUE(s.numeric);
    EXPECT_TRUE(s.visible);
    EXPECT_EQ(s.logFile, "SKYVANE.LOG");
}

TEST(Configuration, ConvertsTheValuesRead) {
    struct Case {
        const char* key;
        const char* value;
        TSettings expected;
    };
    auto with = [](auto change) {
        TSettings s;
        change(s);
        return s;
    };
    const Case cases[] = {
        {"COMPORT", "com3", with([](TSettings& s) { s.portName = "COM3"; })},
        {"COMPORT", "ttyUSB0", with([](TSettings& s) { s.portName = "TTYUSB0"; })},
        {"BAUDRATE", "9600", with([](TSettings& s) { s.baudNumber = 9600; })},
        {"BAUDRATE", "fast", with([](TSettings&) {})},
        {"TRACE", "on", with([](TSettings&) {})},
        {"TRACE", "True", with([](TSettings&) {})},
        {"TRACE", "NOT", with([](TSettings& s) { s.traceOn = false; })},
        {"TRACE", "no", with([](TSettings& s) { s.traceOn = false; })},
        {"TRACE", "0", with([](TSettings& s) { s.traceOn = false; })},
        {"TRACE", "", with([](TSettings& s) { s.traceOn = false; })},
        {"NUMERIC", "NOT", with([](TSettings& s) { s.numeric = false; })},
        {"NUMERIC", "yes", with([](TSettings&) {})},
        {"VISIBLE", "NOT", with([](TSettings& s) { s.visible = false; })},
        {"VISIBLE", "YES ", with([](TSettings& s) { s.visible = false; })},
        {"LOGFILE", "my.log", with([](TSettings& s) { s.logFile = "MY.LOG"; })},
    };
    for (const Case& c : cases) {
        RecordingIniFile ini;
        ini.values[c.key] = c.value;
        bool reported = !c.expected.traceOn;
        const TSettings s = ReadSettings(ini, [&](bool traceOn) { reported = traceOn; });
        const std::string what = std::string(c.key) + "=" + c.value;
        EXPECT_EQ(s.portName, c.expected.portName) << what;
        EXPECT_EQ(s.baudNumber, c.expected.baudNumber) << what;
        EXPECT_EQ(s.traceOn, c.expected.traceOn) << what;
        EXPECT_EQ(reported, c.expected.traceOn) << what;
        EXPECT_EQ(s.numeric, c.expected.numeric) << what;
        EXPECT_EQ(s.visible, c.expected.visible) << what;
        EXPECT_EQ(s.logFile, c.expected.logFile) << what;
    }
}

TEST(Configuration, BaudNumberIsASigned32BitIntegerOr4800) {
    struct Case {
        const char* text;
        std::int32_t number;
    } cases[] = {
        {"9600", 9600},
        {"19200", 19200},
        {"300", 300},
        {"007", 7},
        {"-5", -5},
        {"-0", 0},
        {"2147483647", INT_MAX},
        {"-2147483648", INT_MIN},
        {"2147483648", 4800},
        {"-2147483649", 4800},
        {"99999999999999999999", 4800},
        {"12.5", 4800},
        {"1,5", 4800},
        {"-", 4800},
        {"--5", 4800},
        {"1-2", 4800},
        {"", 4800},
        {" 9600", 4800},
        {"9600 ", 4800},
        {"+9600", 4800},
        {"$2580", 4800},
        {"0x2580", 4800},
        {"fast", 4800},
    };
    for (const Case& c : cases)
        EXPECT_EQ(BaudNumberFromText(c.text), c.number) << '"' << c.text << '"';
}

TEST(Configuration, BaudTablesBothWays) {
    // Every rate the port offers is written as its number and read back as itself; so
    // the five values of old files (1200 to 19200) keep their meaning.
    for (int r = br110; r <= LastBaudRate; ++r) {
        const auto rate = static_cast<TBaudRate>(r);
        const std::string text = PortSpeedNumberText(rate, 31250);
        EXPECT_EQ(text, std::to_string(BaudRateNumber(rate)));
        EXPECT_EQ(PortSpeedFromNumber(std::stoi(text)).rate, rate) << text;
    }
    const std::pair<std::int32_t, TPortSpeed> other[] = {
        {31250, {brCustom, 31250}}, {1, {brCustom, 1}}, {0, {br4800}}, {INT_MIN, {br4800}}};
    for (const auto& [number, speed] : other)
        EXPECT_EQ(PortSpeedFromNumber(number), speed) << number;
    EXPECT_EQ(PortSpeedNumberText(brCustom, 31250), "31250");
}

TEST(Configuration, WritesTheFiveKeysInOrderAndStopsAtAFailure) {
    const TSavedSettings saved{"COM3", br14400, false, true, false};
    RecordingIniFile ini;
    WriteSettings(ini, saved);
    const std::vector<std::string> expected = {
        "write SETTINGS COMPORT=COM3", "write SETTINGS BAUDRATE=14400", "write SETTINGS TRACE=NOT",
        "write SETTINGS VISIBLE=YES",  "write SETTINGS NUMERIC=NOT",
    };
    EXPECT_EQ(ini.calls, expected);

    RecordingIniFile failing;
    failing.failingKey = "TRACE";
    EXPECT_THROW(WriteSettings(failing, saved), EIniFileException);
    EXPECT_EQ(failing.calls, std::vector<std::string>(expected.begin(), expected.begin() + 2));
    EXPECT_EQ(SettingsSavedLogText("COM3", "/home/a/Skyvane.INI"),
              "COM(COM3) selected and configured in /home/a/Skyvane.INI");
}

TEST(Configuration, FileWrittenFromScratchReadsBackTheSettings) {
    TempDir dir;
    const std::string path = dir / "Skyvane.INI";
    TIniFile ini(path);
    WriteSettings(ini, TSavedSettings{"COM9", br4800, true, true, true});
    EXPECT_EQ(test::ReadFile(path),
              "[SETTINGS]\nCOMPORT=COM9\nBAUDRATE=4800\nTRACE=YES\nVISIBLE=YES\nNUMERIC=YES\n");

    WriteSettings(ini, TSavedSettings{"/dev/pts/3", br19200, false, false, true});
    const TSettings s = ReadSettings(TIniFile(path), nullptr);
    EXPECT_EQ(s.portName, "/DEV/PTS/3");
    EXPECT_EQ(s.baudNumber, 19200);
    EXPECT_FALSE(s.traceOn);
    EXPECT_FALSE(s.visible);
    EXPECT_TRUE(s.numeric);
}

// Files as users and their editors write them read as their author meant, and what
// was read comes back unchanged from the settings writer.
TEST(Configuration, WhatIsReadIsWhatTheUserWroteAndWritesBackUnchanged) {
    const std::tuple<std::string, const char*, TPortSpeed> cases[] = {
        {"[SETTINGS]\r\r\nCOMPORT=ttyUSB1\r\r\nBAUDRATE=9600\r\r\n", "TTYUSB1", {br9600}},
        {"[SETTINGS]\rCOMPORT=ttyUSB1\rBAUDRATE=38400\r", "TTYUSB1", {br38400}},
        {"\xEF\xBB\xBF[SETTINGS]\r\nCOMPORT=ttyACM0\r\n", "TTYACM0", {br4800}},
        {"[SETTINGS]\nCOMPORT=ttyS1\0junk\nBAUDRATE=31250\n"s, "TTYS1", {brCustom, 31250}},
    };
    for (const auto& [content, port, speed] : cases) {
        TempDir dir;
        const std::string path = dir / "Skyvane.INI";
        test::WriteFile(path, content);
        const TSettings read = ReadSettings(TIniFile(path), nullptr);
        EXPECT_EQ(read.portName, port);
        EXPECT_EQ(PortSpeedFromNumber(read.baudNumber), speed) << port;
        TIniFile ini(path);
        ASSERT_NO_THROW(WriteSettings(
            ini, TSavedSettings{read.portName, speed.rate, false, true, false, speed.customRate}));
        const TSettings again = ReadSettings(TIniFile(path), nullptr);
        EXPECT_EQ(again.portName, port);
        EXPECT_EQ(PortSpeedFromNumber(again.baudNumber), speed) << port;
        EXPECT_EQ(test::ReadFile(path).find('\0'), std::string::npos);
    }
}

TEST(Configuration, StartupHeaderLines) {
    TSettings s;
    s.portName = "TTYUSB0";
    s.baudNumber = 38400;
    s.visible = false;
    const std::vector<std::string> expected = {
        "Skyvane Ver.1.00 Build 000-001",
        "--------------Parameters ----------------",
        "Configuration File /home/op/Skyvane.INI",
        "PORTNRO=TTYUSB0",
        "COMBAUD=38400",
        "VISIBLE=FALSE",
        "NUMERIC=TRUE",
        "-----------------------------------------",
    };
    const std::vector<std::string> lines = StartupHeaderLines("/home/op/Skyvane.INI", s);
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(lines[1].size(), 41u);
    EXPECT_EQ(lines[7].size(), 41u);
}

TEST(Configuration, StartupHeaderAlwaysReachesTheLogAndTraceDecidesTheRest) {
    for (bool traceOn : {true, false}) {
        TempDir dir;
        const std::string path = dir / "Skyvane.Log";
        test::WriteFile(path, "last run\r\n");
        TLog log;
        log.SetFileName(path);
        const std::vector<std::string> lines = StartupHeaderLines(dir / "Skyvane.INI", TSettings{});
        WriteStartupHeader(log, lines, traceOn);
        log.WriteLine(1, "later");

        const std::string content = test::ReadFile(path);
        std::vector<std::string> written;
        for (std::size_t at = 0, end; (end = content.find("\r\n", at)) != std::string::npos;
             at = end + 2)
            written.push_back(content.substr(at, end - at));
        ASSERT_EQ(written.size(), traceOn ? 9u : 8u) << content;
        EXPECT_EQ(content.substr(content.size() - 2), "\r\n");
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const std::string& line = written[i];
            EXPECT_EQ(line.substr(line.size() - lines[i].size()), lines[i]);
        }
        EXPECT_EQ(log.Enabled(), traceOn);
        EXPECT_EQ(log.Level(), 1);
    }
}

}  // namespace
}  // namespace skyvane
