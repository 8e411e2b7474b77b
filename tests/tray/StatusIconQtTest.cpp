// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "platform/status_icon.h"
#include "platform/status_icon_qt_p.h"

namespace skyvane::platform {
namespace {

TEST(StatusIconQt, ActivationsMapOntoTheShellsNotifications) {
    const std::vector<std::pair<QSystemTrayIcon::ActivationReason, std::vector<std::uint32_t>>>
        cases = {
            {QSystemTrayIcon::Context, {WM_RBUTTONDOWN, WM_RBUTTONUP}},
            {QSystemTrayIcon::Trigger, {WM_LBUTTONDOWN, WM_LBUTTONUP}},
            {QSystemTrayIcon::DoubleClick,
             {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP}},
            {QSystemTrayIcon::MiddleClick, {WM_MBUTTONDOWN, WM_MBUTTONUP}},
            {QSystemTrayIcon::Unknown, {}},
        };
    for (const auto& [reason, codes] : cases) EXPECT_EQ(NotificationsFor(reason), codes) << reason;
}

}  // namespace
}  // namespace skyvane::platform
