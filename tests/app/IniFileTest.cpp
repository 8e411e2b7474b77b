// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "app/IniFile.h"
#include "tests/support/TempDir.h"

namespace skyvane {
namespace {

TEST(IniFile, ReadsAndWritesTheNamedFile) {
    test::TempDir dir;
    TIniFile ini(dir / "Skyvane.INI");
    EXPECT_EQ(ini.FileName(), dir / "Skyvane.INI");
    EXPECT_EQ(ini.ReadString("SETTINGS", "COMPORT", "COM9"), "COM9");
    ini.WriteString("SETTINGS", "COMPORT", "COM3");
    EXPECT_EQ(ini.ReadString("settings", "comport", "COM9"), "COM3");
    EXPECT_EQ(test::ReadFile(dir / "Skyvane.INI"), "[SETTINGS]\nCOMPORT=COM3\n");
}

TEST(IniFile, FailedWriteRaisesTheProgramsExceptionWithTheFileName) {
    test::TempDir dir;
    const std::string path = dir / "Skyvane.INI";
    test::WriteFile(path, "[SETTINGS]\n");
    ::chmod(path.c_str(), 0444);
    TIniFile ini(path);
    try {
        ini.WriteString("SETTINGS", "COMPORT", "COM3");
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_NE(dynamic_cast<const EIniFileException*>(&e), nullptr);
        EXPECT_EQ(e.Message(), "Unable to write to " + path);
    }
}

}  // namespace
}  // namespace skyvane
