// SPDX-License-Identifier: GPL-3.0-or-later
// A menu exported over D-Bus (the com.canonical.dbusmenu interface), so that a tray
// host draws it natively: entries with their check marks, enabled states, separators
// and submenus, kept in step with the menu model. A change of an entry's properties
// reaches the host as ItemsPropertiesUpdated, a change of the menu's structure
// (entries added, removed or moved) as LayoutUpdated; an entry chosen in the host
// runs the model's command once the host's call has been answered.
#pragma once

#include <QDBusConnection>
#include <QString>
#include <QVariantMap>
#include <memory>
#include <string>
#include <vector>

#include "platform/menu_model.h"

namespace skyvane::platform {

// The label dbusmenu shows for a caption: "&" marks the mnemonic (written "_"),
// "&&" is a literal "&", and a literal "_" is doubled.
QString DBusMenuLabel(const std::string& caption);

// The dbusmenu properties of one entry (type, label, enabled, toggle-type,
// toggle-state); properties at their default value are left out, as the protocol
// allows.
QVariantMap DBusMenuProperties(const MenuEntry& entry);

// The properties of node `id` of the menu made of `entries`: the root (0) or an
// entry, with "children-display" "submenu" where the node has entries of its own;
// empty when there is no such node.
QVariantMap DBusMenuNodeProperties(const std::vector<MenuEntry>& entries, int id);

// What a host must be told when the menu goes from `before` to `after`.
struct DBusMenuChange {
    // Entries were added, removed or moved: LayoutUpdated for `layoutParent`, the one
    // node whose children changed (0, the whole menu, when several did).
    bool layoutChanged = false;
    int layoutParent = 0;
    // ItemsPropertiesUpdated, for the nodes in both menus: the properties that have
    // a new value (one gone back to its protocol default is sent with that default),
    // and the names of those that are gone and have no default.
    std::vector<std::pair<int, QVariantMap>> updated;
    std::vector<std::pair<int, QStringList>> removed;
};
DBusMenuChange DBusMenuDiff(const std::vector<MenuEntry>& before,
                            const std::vector<MenuEntry>& after);

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
    // The layout's revision: raised whenever the menu's structure changes.
    unsigned Revision() const;

private:
    class Object;
    std::unique_ptr<Object> object_;
};

}  // namespace skyvane::platform
