// SPDX-License-Identifier: GPL-3.0-or-later
// Private part of the X11 tray entries: how Qt's activations map onto the shell's
// mouse notifications, and the icons handed to Qt.
#pragma once

#include <QIcon>
#include <QSystemTrayIcon>
#include <cstdint>
#include <list>
#include <map>
#include <vector>

#include "platform/status_icon.h"

namespace skyvane::platform {

// The shell's notification sequence for one activation of a Qt tray icon: a context
// request is right down then up; an activation left down then up; a double click
// left down, up, double click, up; a middle click middle down then up.
std::vector<std::uint32_t> NotificationsFor(QSystemTrayIcon::ActivationReason reason);

class DrawnIconEngine;

// The Qt icons of the pictures shown lately, one per distinct picture. A tray that
// draws an icon keeps its renderings in Qt's pixmap cache under the icon's
// identity, so a picture shown again must come back as the same QIcon, or every
// update would leave a new cache entry behind. Holds at most `capacity` pictures
// (a heading has 360 texts and 8 labels), dropping the least recently used.
class IconCache {
public:
    explicit IconCache(std::size_t capacity = 512) : capacity_(capacity) {}
    // The icon of the picture, drawn at whatever size the tray draws it; a missing or
    // malformed one gives a transparent square.
    const QIcon& IconFor(const IconHandle& handle);
    // Number of pictures held.
    std::size_t Size() const { return icons_.size(); }

private:
    struct Picture {
        int width;
        int height;
        std::vector<std::uint32_t> pixels;
        auto operator<=>(const Picture&) const = default;
    };
    struct Cached {
        QIcon icon;
        DrawnIconEngine* engine;  // the icon's own
        IconHandle source;        // the picture it draws now
        std::list<Picture>::iterator place;
    };
    std::size_t capacity_;
    std::map<Picture, Cached> icons_;
    std::list<Picture> order_;  // least recently used first
    QIcon blank_;
};

}  // namespace skyvane::platform
