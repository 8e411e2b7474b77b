// SPDX-License-Identifier: GPL-3.0-or-later
// A menu exported over D-Bus (the com.canonical.dbusmenu interface), so that a tray
// host draws it natively: entries with their check marks, enabled states and
// separators, kept in step with the menu model; an entry chosen in the host runs the
// model's command once the host's call has been answered.
#pragma once

#include <QDBusConnection>
#include <QString>
#include <QVariantMap>
#include <memory>
#include <string>

#include "platform/menu_model.h"

namespace skyvane::platform {

// The label dbusmenu shows for a caption: "&" marks the mnemonic (written "_"),
// "&&" is a literal "&", and a literal "_" is doubled.
QString DBusMenuLabel(const std::string& caption);

// The dbusmenu properties of one entry (type, label, enabled, toggle-type,
// toggle-state); properties at their default value are left out, as the protocol
// allows.
QVariantMap DBusMenuProperties(const MenuEntry& entry);

class DBusMenuExporter {
public:
    // Exports `model` on `bus` at object path `path`; false from Exported when the
    // path is taken. The model must outlive the exporter.
    DBusMenuExporter(const QDBusConnection& bus, const QString& path, MenuModel* model);
    ~DBusMenuExporter();
    DBusMenuExporter(const DBusMenuExporter&) = delete;
    DBusMenuExporter& operator=(const DBusMenuExporter&) = delete;

    // True when the object path could be registered.
    bool Exported() const;
    // The layout's revision: raised whenever the exported entries change.
    unsigned Revision() const;

private:
    class Object;
    std::unique_ptr<Object> object_;
};

}  // namespace skyvane::platform
