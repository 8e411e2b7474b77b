// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "platform/display_setup.h"

namespace skyvane::platform {
namespace {

std::optional<std::string> Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::optional<std::string>(value) : std::nullopt;
}

void SetEnv(const char* name, const std::optional<std::string>& value) {
    if (value)
        setenv(name, value->c_str(), 1);
    else
        unsetenv(name);
}

// Shared memory stays off for Qt unless the user chose: a value of QT_XCB_NO_MITSHM
// given is kept as it is, and SKYVANE_X11_SHM leaves the environment untouched.
TEST(DisplaySetupTest, SharedMemoryIsOffUnlessTheUserChose) {
    struct Case {
        std::optional<std::string> noShm, keepShm, expected;
    };
    const Case cases[] = {
        {std::nullopt, std::nullopt, "1"}, {"0", std::nullopt, "0"}, {"", std::nullopt, ""},
        {std::nullopt, "1", std::nullopt}, {"7", "1", "7"},
    };
    const auto savedNoShm = Env("QT_XCB_NO_MITSHM");
    const auto savedKeep = Env("SKYVANE_X11_SHM");
    for (const Case& c : cases) {
        SetEnv("QT_XCB_NO_MITSHM", c.noShm);
        SetEnv("SKYVANE_X11_SHM", c.keepShm);
        PrepareDisplay();
        EXPECT_EQ(Env("QT_XCB_NO_MITSHM"), c.expected)
            << "given " << c.noShm.value_or("(unset)") << ", " << c.keepShm.value_or("(unset)");
        EXPECT_EQ(Env("SKYVANE_X11_SHM"), c.keepShm);
    }
    SetEnv("QT_XCB_NO_MITSHM", savedNoShm);
    SetEnv("SKYVANE_X11_SHM", savedKeep);
}

}  // namespace
}  // namespace skyvane::platform
