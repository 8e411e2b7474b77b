// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/display_setup.h"

namespace skyvane::platform {
namespace {

void Put(const char* name, const char* value) {
    value ? setenv(name, value, 1) : unsetenv(name);
}

// Shared memory goes off for Qt unless the user chose: a QT_XCB_NO_MITSHM given is
// kept as it is, and SKYVANE_X11_SHM leaves the environment untouched.
TEST(DisplaySetupTest, SharedMemoryIsOffUnlessTheUserChose) {
    struct Case {
        const char *noShm, *keepShm, *expected;
    };
    for (const Case& c :
         {Case{nullptr, nullptr, "1"}, Case{"0", nullptr, "0"}, Case{"", nullptr, ""},
          Case{nullptr, "1", nullptr}, Case{"7", "1", "7"}}) {
        Put("QT_XCB_NO_MITSHM", c.noShm);
        Put("SKYVANE_X11_SHM", c.keepShm);
        PrepareDisplay();
        const char* now = std::getenv("QT_XCB_NO_MITSHM");
        EXPECT_EQ(now ? std::string(now) : "(unset)", c.expected ? c.expected : "(unset)");
        EXPECT_EQ(std::getenv("SKYVANE_X11_SHM") != nullptr, c.keepShm != nullptr);
    }
    Put("QT_XCB_NO_MITSHM", nullptr);
    Put("SKYVANE_X11_SHM", nullptr);
}

}  // namespace
}  // namespace skyvane::platform
