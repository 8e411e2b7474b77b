// SPDX-License-Identifier: GPL-3.0-or-later
// Private part of the desktop notification area: how Qt's activations map onto the
// shell's mouse notifications.
#pragma once

#include <QSystemTrayIcon>
#include <cstdint>
#include <vector>

namespace skyvane::platform {

// The shell's notification sequence for one activation of a Qt tray icon: a context
// request is right down then up; an activation left down then up; a double click
// left down, up, double click, up; a middle click middle down then up.
std::vector<std::uint32_t> NotificationsFor(QSystemTrayIcon::ActivationReason reason);

}  // namespace skyvane::platform
