// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop's notification area. Two kinds of tray host exist on Linux desktops: a
// StatusNotifierItem host, reached through the watcher on the session bus (KDE,
// GNOME with the AppIndicator extension, XFCE, Cinnamon, waybar, ...), and an X11
// tray that embeds icon windows. The watcher wins when both are there, so no host
// is taken before the bus has said whether there is a watcher: an entry put into
// the X11 tray first would be registered with the watcher by Qt on its own and
// then dropped, a second item that lives for a few milliseconds. Which hosts are
// there is learnt from what the desktop announces; when the host in use changes
// (one appears, goes, or is replaced by a restarted one) every entry is dropped and,
// if a host is there now, the listeners get the restart broadcast and add their
// entries anew, which then go to that host.
#include <QCursor>
#include <QDBusConnection>
#include <QGuiApplication>
#include <QStyleHints>
#include <algorithm>
#include <map>
#include <vector>

#include "platform/status_icon.h"
#include "platform/status_icon_desktop_p.h"
#include "platform/tray_hosts_p.h"

namespace skyvane::platform {

namespace {

class DesktopStatusIconService : public StatusIconService {
public:
    DesktopStatusIconService() {
        const auto deliver = [this](const EntryKey& key, std::vector<std::uint32_t> codes,
                                    std::optional<QPoint> at) { Deliver(key, codes, at); };
        xembed_ = MakeXEmbedBackend(deliver);
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (bus.isConnected()) {
            statusNotifier_ = MakeStatusNotifierBackend(bus, deliver);
            watcher_ = std::make_unique<WatcherPresence>(bus, [this] { HostsChanged(); });
        }
        xtray_ = std::make_unique<XEmbedTrayPresence>([this] { HostsChanged(); });
        HostsChanged();
    }

    ~DesktopStatusIconService() override {
        // The presence trackers first: nothing may call back while the rest goes.
        watcher_.reset();
        xtray_.reset();
    }

    bool NotifyIcon(std::uint32_t message, const NotifyIconData& data) override {
        const EntryKey key{data.hWnd, data.uID};
        if (!active_) return false;
        auto menu = menus_.find(key);
        return active_->NotifyIcon(message, data, menu == menus_.end() ? nullptr : menu->second);
    }

    bool Available() const override { return active_ != nullptr; }

    void SetEntryMenu(MessageWindow* hWnd, std::uintptr_t uID, MenuModel* menu) override {
        const EntryKey key{hWnd, uID};
        if (menu)
            menus_[key] = menu;
        else
            menus_.erase(key);
        if (statusNotifier_) statusNotifier_->SetMenu(key, menu);
    }

    void AddRestartListener(MessageWindow* window) override { listeners_.push_back(window); }

    void RemoveRestartListener(MessageWindow* window) override {
        listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), window),
                         listeners_.end());
    }

    bool CursorPos(int& x, int& y) const override {
        if (hostPoint_) {
            x = hostPoint_->x();
            y = hostPoint_->y();
            return true;
        }
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
    // The host in use: its kind and its identity (bus name or tray window).
    struct Host {
        TrayBackend* backend = nullptr;
        QString identity;
        bool operator==(const Host&) const = default;
    };

    Host CurrentHost() const {
        if (watcher_ && !watcher_->Known()) return {};
        if (watcher_ && !watcher_->Owner().isEmpty())
            return {statusNotifier_.get(), watcher_->Owner()};
        if (xtray_ && xtray_->Manager()) return {xembed_.get(), QString::number(xtray_->Manager())};
        return {};
    }

    void HostsChanged() {
        const Host now = CurrentHost();
        if (now == host_) return;
        host_ = now;
        // The old host has forgotten the entries, or another kind takes them over.
        xembed_->ForgetAll();
        if (statusNotifier_) statusNotifier_->ForgetAll();
        active_ = now.backend;
        if (!active_) return;
        const std::vector<MessageWindow*> listeners = listeners_;
        for (MessageWindow* window : listeners)
            if (std::find(listeners_.begin(), listeners_.end(), window) != listeners_.end())
                window->HandleMessage(TaskbarCreatedMessage, 0, 0);
    }

    // Sends the notifications of one host request; the entry may be deleted by any
    // of them (the menu's Quit), so it is looked up again before each. While they
    // run, the pointer is where the host said the request happened.
    void Deliver(const EntryKey& key, const std::vector<std::uint32_t>& codes,
                 std::optional<QPoint> at) {
        TrayBackend* backend = active_;
        if (!backend) return;
        const std::optional<QPoint> previous = hostPoint_;
        hostPoint_ = at;
        for (std::uint32_t code : codes) {
            std::uint32_t callback = 0;
            if (active_ != backend || !backend->Shown(key, callback)) break;
            key.window->HandleMessage(callback, key.id, static_cast<std::intptr_t>(code));
        }
        hostPoint_ = previous;
    }

    std::unique_ptr<TrayBackend> xembed_;
    std::unique_ptr<TrayBackend> statusNotifier_;
    std::unique_ptr<WatcherPresence> watcher_;
    std::unique_ptr<XEmbedTrayPresence> xtray_;
    TrayBackend* active_ = nullptr;
    Host host_;
    std::map<EntryKey, MenuModel*> menus_;
    std::vector<MessageWindow*> listeners_;
    std::optional<QPoint> hostPoint_;
};

}  // namespace

std::unique_ptr<StatusIconService> MakeDesktopStatusIconService() {
    return std::make_unique<DesktopStatusIconService>();
}

}  // namespace skyvane::platform
