// SPDX-License-Identifier: GPL-3.0-or-later
// The status-notifier watcher's presence, from the bus daemon's name-owner changes.
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

#include "platform/tray_hosts_p.h"

namespace skyvane::platform {

WatcherPresence::WatcherPresence(const QDBusConnection& bus, std::function<void()> changed)
    : watcher_(QString::fromLatin1(kWatcherService), bus, QDBusServiceWatcher::WatchForOwnerChange),
      changed_(std::move(changed)) {
    QObject::connect(
        &watcher_, &QDBusServiceWatcher::serviceOwnerChanged,
        [this](const QString&, const QString&, const QString& newOwner) { SetOwner(newOwner); });
    // The owner at start: asked once; the answer comes in through the event loop.
    // A name-owner change that arrives first is newer, and the answer then agrees
    // with it (the bus daemon answers in order).
    QDBusMessage ask = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("GetNameOwner"));
    ask << QString::fromLatin1(kWatcherService);
    auto* pending = new QDBusPendingCallWatcher(bus.asyncCall(ask), &watcher_);
    QObject::connect(pending, &QDBusPendingCallWatcher::finished,
                     [this](QDBusPendingCallWatcher* call) {
                         const QDBusPendingReply<QString> reply = *call;
                         if (!reply.isError()) SetOwner(reply.value());
                         call->deleteLater();
                     });
}

void WatcherPresence::SetOwner(const QString& owner) {
    if (owner == owner_) return;
    owner_ = owner;
    if (changed_) changed_();
}

}  // namespace skyvane::platform
