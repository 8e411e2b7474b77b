// SPDX-License-Identifier: GPL-3.0-or-later
// Private part of the D-Bus tray pieces: the structured values the StatusNotifierItem
// and com.canonical.dbusmenu interfaces carry, with their D-Bus marshalling.
#pragma once

#include <QByteArray>
#include <QDBusArgument>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QVariantMap>

namespace skyvane::platform {

// One picture (iiay): width, height and ARGB32 pixels in network byte order.
struct DBusImage {
    int width = 0;
    int height = 0;
    QByteArray pixels;
};
using DBusImageList = QList<DBusImage>;

// An item's tooltip (sa(iiay)ss): icon name, pictures, title and description.
struct DBusToolTip {
    QString iconName;
    DBusImageList images;
    QString title;
    QString description;
};

// A menu node of GetLayout (ia{sv}av): identifier, properties and children, each
// child wrapped in a variant.
struct DBusMenuLayoutItem {
    int id = 0;
    QVariantMap properties;
    QList<DBusMenuLayoutItem> children;
};

// One item's properties (ia{sv}) as GetGroupProperties returns them.
struct DBusMenuItem {
    int id = 0;
    QVariantMap properties;
};
using DBusMenuItemList = QList<DBusMenuItem>;

// One item's properties gone back to having no value (ias), as ItemsPropertiesUpdated
// carries them.
struct DBusMenuRemovedProperties {
    int id = 0;
    QStringList names;
};
using DBusMenuRemovedList = QList<DBusMenuRemovedProperties>;

// One event of EventGroup (isvu): item, event name, data and timestamp.
struct DBusMenuEvent {
    int id = 0;
    QString eventId;
    QDBusVariant data;
    uint timestamp = 0;
};
using DBusMenuEventList = QList<DBusMenuEvent>;

QDBusArgument& operator<<(QDBusArgument& argument, const DBusImage& image);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusImage& image);
QDBusArgument& operator<<(QDBusArgument& argument, const DBusToolTip& tip);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusToolTip& tip);
QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuLayoutItem& item);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuLayoutItem& item);
QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuItem& item);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuItem& item);
QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuRemovedProperties& item);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuRemovedProperties& item);
QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuEvent& event);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuEvent& event);

// Registers the types above with QtDBus (once; further calls do nothing).
void RegisterDBusTrayTypes();

}  // namespace skyvane::platform

Q_DECLARE_METATYPE(skyvane::platform::DBusImage)
Q_DECLARE_METATYPE(skyvane::platform::DBusToolTip)
Q_DECLARE_METATYPE(skyvane::platform::DBusMenuLayoutItem)
Q_DECLARE_METATYPE(skyvane::platform::DBusMenuItem)
Q_DECLARE_METATYPE(skyvane::platform::DBusMenuRemovedProperties)
Q_DECLARE_METATYPE(skyvane::platform::DBusMenuEvent)
