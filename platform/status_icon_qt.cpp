// SPDX-License-Identifier: GPL-3.0-or-later
// The notification area on the desktop, through Qt's system tray icon (which speaks
// StatusNotifierItem or XEmbed, whichever the desktop offers). One QSystemTrayIcon
// stands for one shell entry; Qt's activation reasons become the shell's mouse
// notifications, and the tray host reappearing becomes the restart broadcast.
#include <QCursor>
#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QPointer>
#include <QStyleHints>
#include <QSystemTrayIcon>
#include <QTimer>
#include <algorithm>
#include <cstring>
#include <map>
#include <vector>

#include "platform/status_icon.h"
#include "platform/status_icon_qt_p.h"

namespace skyvane::platform {

std::vector<std::uint32_t> NotificationsFor(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
        case QSystemTrayIcon::Context:
            return {WM_RBUTTONDOWN, WM_RBUTTONUP};
        case QSystemTrayIcon::Trigger:
            return {WM_LBUTTONDOWN, WM_LBUTTONUP};
        case QSystemTrayIcon::DoubleClick:
            return {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP};
        case QSystemTrayIcon::MiddleClick:
            return {WM_MBUTTONDOWN, WM_MBUTTONUP};
        default:
            return {};
    }
}

namespace {

// How often the presence of a tray host is checked (restart detection).
constexpr int kHostPollMs = 1000;

// True when a tray host is there (never before the GUI application exists).
bool HostPresent() {
    return QGuiApplication::instance() && QSystemTrayIcon::isSystemTrayAvailable();
}

// The record's image; an entry without one shows a transparent square (Qt refuses to
// show a tray icon without any image).
QIcon ToQIcon(const IconHandle& handle) {
    if (!handle || handle->width <= 0 || handle->height <= 0 ||
        handle->pixels.size() != static_cast<std::size_t>(handle->width) * handle->height) {
        QPixmap blank(16, 16);
        blank.fill(Qt::transparent);
        return QIcon(blank);
    }
    QImage image(handle->width, handle->height, QImage::Format_ARGB32);
    for (int y = 0; y < handle->height; ++y)
        std::memcpy(image.scanLine(y), &handle->pixels[static_cast<std::size_t>(y) * handle->width],
                    static_cast<std::size_t>(handle->width) * 4);
    return QIcon(QPixmap::fromImage(image));
}

QString ToolTipOf(const NotifyIconData& data) {
    if (!(data.uFlags & NIF_TIP)) return QString();
    return QString::fromLocal8Bit(data.szTip,
                                  static_cast<int>(strnlen(data.szTip, sizeof data.szTip)));
}

class QtStatusIconService : public StatusIconService {
public:
    QtStatusIconService() {
        hostPresent_ = HostPresent();
        QObject::connect(&hostPoll_, &QTimer::timeout, [this] { CheckHost(); });
        hostPoll_.start(kHostPollMs);
    }

    ~QtStatusIconService() override {
        for (auto& [key, entry] : entries_) delete entry.icon;
    }

    bool NotifyIcon(std::uint32_t message, const NotifyIconData& data) override {
        const Key key{data.hWnd, data.uID};
        auto it = entries_.find(key);
        switch (message) {
            case NIM_ADD:
                if (!HostPresent()) return false;
                if (it == entries_.end())
                    it = entries_.emplace(key, Entry{NewIcon(key), false}).first;
                if (it->second.shown) return false;
                Apply(it->second, data);
                it->second.icon->show();
                it->second.shown = true;
                return true;
            case NIM_MODIFY:
                if (it == entries_.end() || !it->second.shown) return false;
                Apply(it->second, data);
                return true;
            case NIM_DELETE:
                if (it == entries_.end()) return false;
                {
                    const bool wasShown = it->second.shown;
                    it->second.icon->hide();
                    // Deleted later: this call may come from within the icon's own signal.
                    it->second.icon->deleteLater();
                    entries_.erase(it);
                    return wasShown;
                }
            case NIM_SETVERSION:
                // Qt reports the same activations whatever the version.
                return it != entries_.end() && it->second.shown;
            default:
                return false;
        }
    }

    bool Available() const override { return HostPresent(); }

    void AddRestartListener(MessageWindow* window) override { listeners_.push_back(window); }

    void RemoveRestartListener(MessageWindow* window) override {
        listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), window),
                         listeners_.end());
    }

    bool CursorPos(int& x, int& y) const override {
        if (!QGuiApplication::instance()) return false;
        const QPoint p = QCursor::pos();
        x = p.x();
        y = p.y();
        return true;
    }

    unsigned ModifierKeys() const override {
        const Qt::KeyboardModifiers m = QGuiApplication::queryKeyboardModifiers();
        return (m & Qt::ShiftModifier ? kKeyShift : 0) |
               (m & Qt::ControlModifier ? kKeyControl : 0) | (m & Qt::AltModifier ? kKeyAlt : 0);
    }

    unsigned DoubleClickTime() const override {
        return static_cast<unsigned>(QGuiApplication::styleHints()->mouseDoubleClickInterval());
    }

private:
    using Key = std::pair<MessageWindow*, std::uintptr_t>;
    struct Entry {
        QPointer<QSystemTrayIcon> icon;
        bool shown;  // false after the host forgot it
        std::uint32_t callback = 0;
    };

    QSystemTrayIcon* NewIcon(const Key& key) {
        auto* icon = new QSystemTrayIcon;
        QObject::connect(
            icon, &QSystemTrayIcon::activated,
            [this, key](QSystemTrayIcon::ActivationReason reason) { Deliver(key, reason); });
        return icon;
    }

    static void Apply(Entry& entry, const NotifyIconData& data) {
        if (data.uFlags & NIF_MESSAGE) entry.callback = data.uCallbackMessage;
        if (data.uFlags & NIF_ICON) entry.icon->setIcon(ToQIcon(data.hIcon));
        if (data.uFlags & NIF_TIP) entry.icon->setToolTip(ToolTipOf(data));
    }

    // Sends the notifications of one activation; the entry may be deleted by any of
    // them (the menu's Quit), so it is looked up again before each.
    void Deliver(const Key& key, QSystemTrayIcon::ActivationReason reason) {
        for (std::uint32_t code : NotificationsFor(reason)) {
            auto it = entries_.find(key);
            if (it == entries_.end() || !it->second.shown) return;
            key.first->HandleMessage(it->second.callback, key.second,
                                     static_cast<std::intptr_t>(code));
        }
    }

    // A host that vanished has forgotten every entry; when one is there again, the
    // listeners are told so that they add their entries anew.
    void CheckHost() {
        const bool present = HostPresent();
        if (present == hostPresent_) return;
        hostPresent_ = present;
        if (!present) {
            for (auto& [key, entry] : entries_) {
                entry.shown = false;
                if (entry.icon) entry.icon->hide();
            }
            return;
        }
        const std::vector<MessageWindow*> listeners = listeners_;
        for (MessageWindow* window : listeners)
            if (std::find(listeners_.begin(), listeners_.end(), window) != listeners_.end())
                window->HandleMessage(TaskbarCreatedMessage, 0, 0);
    }

    std::map<Key, Entry> entries_;
    std::vector<MessageWindow*> listeners_;
    QTimer hostPoll_;
    bool hostPresent_ = false;
};

}  // namespace

std::unique_ptr<StatusIconService> MakeDesktopStatusIconService() {
    return std::make_unique<QtStatusIconService>();
}

}  // namespace skyvane::platform
