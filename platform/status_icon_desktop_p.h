// SPDX-License-Identifier: GPL-3.0-or-later
// Private part of the desktop's notification area: the two kinds of tray host it
// speaks to sit behind one small back-end interface, and the desktop service
// (status_icon_desktop.cpp) routes the shell calls to the one whose host is there.
#pragma once

#include <QPoint>
#include <compare>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "platform/status_icon.h"

class QDBusConnection;

namespace skyvane::platform {

// One shell entry: the window its notifications go to and its identifier there.
struct EntryKey {
    MessageWindow* window = nullptr;
    std::uintptr_t id = 0;
    auto operator<=>(const EntryKey&) const = default;
};

// Hands one host request for an entry to the entry's window as the shell's
// notifications (in order); `at` is where the host says it happened, if it says.
using DeliverNotifications = std::function<void(
    const EntryKey& key, std::vector<std::uint32_t> codes, std::optional<QPoint> at)>;

// The entries shown by one kind of tray host.
class TrayBackend {
public:
    virtual ~TrayBackend() = default;
    // One shell call for the entry the record names, with the entry's menu.
    virtual bool NotifyIcon(std::uint32_t message, const NotifyIconData& data, MenuModel* menu) = 0;
    // The entry's menu was replaced (nullptr: removed).
    virtual void SetMenu(const EntryKey& key, MenuModel* menu) = 0;
    // True while the entry is shown; `callback` receives its notification message.
    virtual bool Shown(const EntryKey& key, std::uint32_t& callback) const = 0;
    // The host went away or another kind took over: every entry is dropped.
    virtual void ForgetAll() = 0;
};

// Entries in an X11 tray, through Qt's system tray icon (status_icon_qt.cpp).
std::unique_ptr<TrayBackend> MakeXEmbedBackend(DeliverNotifications deliver);
// StatusNotifierItems of our own on the session bus (status_icon_dbus.cpp).
std::unique_ptr<TrayBackend> MakeStatusNotifierBackend(const QDBusConnection& bus,
                                                       DeliverNotifications deliver);

}  // namespace skyvane::platform
