// SPDX-License-Identifier: GPL-3.0-or-later
// Private part of the desktop's notification area: which tray hosts are there,
// learnt from what the desktop announces (bus name owners, X selection owners) and
// never by asking and waiting, so that nothing on the GUI thread waits for a host.
#pragma once

#include <QAbstractNativeEventFilter>
#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QString>
#include <cstdint>
#include <functional>

namespace skyvane::platform {

// The bus name a StatusNotifierItem host side registers items with.
inline constexpr char kWatcherService[] = "org.kde.StatusNotifierWatcher";

// Who owns the status-notifier watcher name on the session bus; told on every change.
class WatcherPresence {
public:
    // Asks the bus once (answered later, without waiting) and then follows the
    // bus's name-owner changes; `changed` runs after each change of Owner or Known.
    WatcherPresence(const QDBusConnection& bus, std::function<void()> changed);
    // The owner's unique bus name; empty while there is no watcher.
    const QString& Owner() const { return owner_; }
    // True once the bus has said whether there is a watcher (or did not answer in
    // time): until then an empty Owner means "not known yet".
    bool Known() const { return known_; }

private:
    void SetOwner(const QString& owner);

    QDBusServiceWatcher watcher_;
    QString owner_;
    bool known_ = false;
    std::function<void()> changed_;
};

// Which window owns the X11 tray selection (_NET_SYSTEM_TRAY_Sn); told on every
// change. Inert where the display is not an X server.
class XEmbedTrayPresence : public QAbstractNativeEventFilter {
public:
    explicit XEmbedTrayPresence(std::function<void()> changed);
    ~XEmbedTrayPresence() override;
    // The tray manager's window; 0 while there is no X11 tray.
    std::uint32_t Manager() const { return manager_; }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    void Follow(std::uint32_t window);

    void* connection_ = nullptr;  // Qt's xcb connection, or nullptr
    std::uint32_t root_ = 0;
    std::uint32_t selection_ = 0;    // the _NET_SYSTEM_TRAY_Sn atom
    std::uint32_t managerAtom_ = 0;  // the MANAGER atom
    std::uint32_t manager_ = 0;
    std::function<void()> changed_;
};

}  // namespace skyvane::platform
