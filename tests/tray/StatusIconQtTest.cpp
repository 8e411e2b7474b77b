#include <gtest/gtest.h>

#include <memory>

#include "platform/status_icon.h"
#include "platform/status_icon_qt_p.h"

namespace skyvane::platform {
namespace {

TEST(StatusIconQt, ActivationsMapOntoTheShellsNotifications) {
    const std::vector<std::pair<QSystemTrayIcon::ActivationReason, std::vector<std::uint32_t>>> cases = {
        {QSystemTrayIcon::Context, {WM_RBUTTONDOWN, WM_RBUTTONUP}},
        {QSystemTrayIcon::Trigger, {WM_LBUTTONDOWN, WM_LBUTTONUP}},
        {QSystemTrayIcon::DoubleClick, {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP}},
        {QSystemTrayIcon::MiddleClick, {WM_MBUTTONDOWN, WM_MBUTTONUP}},
        {QSystemTrayIcon::Unknown, {}},
    };
    for (const auto& [reason, codes] : cases) EXPECT_EQ(NotificationsFor(reason), codes) << reason;
}

// A window that counts the messages it receives.
class Window : public MessageWindow {
public:
    std::intptr_t HandleMessage(std::uint32_t, std::uintptr_t, std::intptr_t) override {
        ++messages;
        return 0;
    }
    int messages = 0;
};

TEST(StatusIconQt, WithoutATrayHostEveryCallIsRefused) {
    ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable());  // offscreen: no tray
    auto service = MakeDesktopStatusIconService();
    Window window;
    NotifyIconData data;
    data.hWnd = &window;
    data.uID = 7;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    EXPECT_FALSE(service->Available());
    EXPECT_FALSE(service->NotifyIcon(NIM_ADD, data));
    EXPECT_FALSE(service->NotifyIcon(NIM_MODIFY, data));
    EXPECT_FALSE(service->NotifyIcon(NIM_SETVERSION, data));
    EXPECT_FALSE(service->NotifyIcon(NIM_DELETE, data));
    EXPECT_EQ(window.messages, 0);
}

}  // namespace
}  // namespace skyvane::platform
