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
    // A bus that has not answered within this time is taken to have no watcher.
    constexpr int kAnswerMs = 2000;
    auto* pending = new QDBusPendingCallWatcher(bus.asyncCall(ask, kAnswerMs), &watcher_);
    QObject::connect(pending, &QDBusPendingCallWatcher::finished,
                     [this](QDBusPendingCallWatcher* call) {
                         const QDBusPendingReply<QString> reply = *call;
                         // An error is "no owner" (or no answer): known all the same.
                         SetOwner(reply.isError() ? owner_ : reply.value());
                         call->deleteLater();
                     });
}

void WatcherPresence::SetOwner(const QString& owner) {
    if (owner == owner_ && known_) return;
    owner_ = owner;
    known_ = true;
    if (changed_) changed_();
}

}  // namespace skyvane::platform
