// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/StartFolder.h"
#include "platform/files.h"
#include "tests/support/TempDir.h"

namespace skyvane {
namespace {

namespace fs = std::filesystem;

TEST(StartFolderTest, TheOptionIsTakenOnlyAsTheFirstArgument) {
    struct Case {
        std::vector<std::string> args;
        bool taken;
        std::vector<std::string> left;
    };
    const std::vector<Case> cases = {
        {{"skyvane", "--user-folder"}, true, {"skyvane"}},
        {{"skyvane", "--user-folder", "-F", "my.ini"}, true, {"skyvane", "-F", "my.ini"}},
        {{"skyvane", "-F", "--user-folder"}, false, {"skyvane", "-F", "--user-folder"}},
        {{"skyvane", "--USER-FOLDER"}, false, {"skyvane", "--USER-FOLDER"}},
        {{"skyvane"}, false, {"skyvane"}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> storage = c.args;
        std::vector<char*> argv;
        for (std::string& a : storage) argv.push_back(a.data());
        argv.push_back(nullptr);
        int argc = static_cast<int>(c.args.size());
        EXPECT_EQ(TakeUserFolderOption(argc, argv.data()), c.taken) << c.args.back();
        ASSERT_EQ(argc, static_cast<int>(c.left.size()));
        for (int i = 0; i < argc; ++i) EXPECT_EQ(argv[std::size_t(i)], c.left[std::size_t(i)]);
        EXPECT_EQ(argv[std::size_t(argc)], nullptr);
    }
}

// Sets environment variables for one test and puts everything back afterwards.
class StartFolderEnvTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"XDG_CONFIG_HOME", "HOME"})
            if (const char* value = std::getenv(name)) saved_.emplace_back(name, value);
        previousDir_ = fs::current_path();
    }
    void TearDown() override {
        fs::current_path(previousDir_);
        unsetenv("XDG_CONFIG_HOME");
        for (const auto& [name, value] : saved_) setenv(name.c_str(), value.c_str(), 1);
    }
    test::TempDir dir;

private:
    std::vector<std::pair<std::string, std::string>> saved_;
    fs::path previousDir_;
};

TEST_F(StartFolderEnvTest, TheFolderIsCreatedAndEntered) {
    struct Case {
        const char* xdgConfigHome;  // nullptr: unset; relative values are ignored
        std::string expected;       // under the temporary folder
    };
    const std::vector<Case> cases = {
        {"/cfg/deeper", "/cfg/deeper/skyvane"},
        {nullptr, "/home/.config/skyvane"},
        {"relative/cfg", "/home/.config/skyvane"},
    };
    for (const Case& c : cases) {
        setenv("HOME", (dir.Path() + "/home").c_str(), 1);
        if (c.xdgConfigHome && c.xdgConfigHome[0] == '/')
            setenv("XDG_CONFIG_HOME", (dir.Path() + c.xdgConfigHome).c_str(), 1);
        else if (c.xdgConfigHome)
            setenv("XDG_CONFIG_HOME", c.xdgConfigHome, 1);
        else
            unsetenv("XDG_CONFIG_HOME");
        EXPECT_EQ(EnterUserFolder(), "");
        EXPECT_EQ(fs::current_path(), fs::path(dir.Path() + c.expected)) << c.expected;
        // A second start finds the folder there.
        EXPECT_EQ(EnterUserFolder(), "");
    }
}

TEST_F(StartFolderEnvTest, AFolderThatCannotBeMadeIsReportedAndNothingMoves) {
    std::ofstream(dir.Path() + "/cfg") << "a file where the folder should be";
    setenv("XDG_CONFIG_HOME", (dir.Path() + "/cfg").c_str(), 1);
    const fs::path before = fs::current_path();
    const std::string problem = EnterUserFolder();
    EXPECT_EQ(problem, "Cannot use the folder " + dir.Path() +
                           "/cfg/skyvane (Not a directory): "
                           "Skyvane works in " +
                           before.string() + ".");
    EXPECT_EQ(fs::current_path(), before);
}

}  // namespace
}  // namespace skyvane
