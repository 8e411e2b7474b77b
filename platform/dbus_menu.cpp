// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/dbus_menu.h"

#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <vector>

#include "platform/dbus_types_p.h"

namespace skyvane::platform {

namespace {
constexpr char kMenuInterface[] = "com.canonical.dbusmenu";
constexpr char kPropertiesInterface[] = "org.freedesktop.DBus.Properties";
constexpr int kRootId = 0;
}  // namespace

QString DBusMenuLabel(const std::string& caption) {
    const QString text = QString::fromLocal8Bit(caption);
    QString label;
    label.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'_') {
            label += QStringLiteral("__");
        } else if (c == u'&' && i + 1 < text.size()) {
            ++i;  // "&&" is a literal "&", "&x" makes x the mnemonic
            if (text[i] == u'&')
                label += u'&';
            else if (text[i] == u'_')
                label += QStringLiteral("__");  // no mnemonic on a literal "_"
            else
                label += QStringLiteral("_") + text[i];
        } else {
            label += c;
        }
    }
    return label;
}

QVariantMap DBusMenuProperties(const MenuEntry& entry) {
    QVariantMap properties;
    if (entry.separator) {
        properties.insert(QStringLiteral("type"), QStringLiteral("separator"));
        return properties;
    }
    properties.insert(QStringLiteral("label"), DBusMenuLabel(entry.label));
    if (!entry.enabled) properties.insert(QStringLiteral("enabled"), false);
    if (entry.checkable) {
        properties.insert(QStringLiteral("toggle-type"), QStringLiteral("checkmark"));
        properties.insert(QStringLiteral("toggle-state"), entry.checked ? 1 : 0);
    }
    return properties;
}

namespace {

QVariantMap Filtered(const QVariantMap& properties, const QStringList& names) {
    if (names.isEmpty()) return properties;
    QVariantMap chosen;
    for (const QString& name : names)
        if (properties.contains(name)) chosen.insert(name, properties.value(name));
    return chosen;
}

bool HasChildren(const std::vector<MenuEntry>& entries, int id) {
    return std::any_of(entries.begin(), entries.end(),
                       [id](const MenuEntry& e) { return e.parent == id; });
}

const MenuEntry* FindEntry(const std::vector<MenuEntry>& entries, int id) {
    auto it = std::find_if(entries.begin(), entries.end(),
                           [id](const MenuEntry& e) { return e.id == id; });
    return it == entries.end() ? nullptr : &*it;
}

// The children of `id`, in menu order.
std::vector<int> ChildrenOf(const std::vector<MenuEntry>& entries, int id) {
    std::vector<int> children;
    for (const MenuEntry& e : entries)
        if (e.parent == id) children.push_back(e.id);
    return children;
}

// The value a host assumes for a property that is not given.
QVariant ProtocolDefault(const QString& name) {
    static const QVariantMap defaults{{QStringLiteral("type"), QStringLiteral("standard")},
                                      {QStringLiteral("label"), QString()},
                                      {QStringLiteral("enabled"), true},
                                      {QStringLiteral("visible"), true},
                                      {QStringLiteral("toggle-type"), QString()},
                                      {QStringLiteral("toggle-state"), -1},
                                      {QStringLiteral("children-display"), QString()}};
    return defaults.value(name);
}

}  // namespace

QVariantMap DBusMenuNodeProperties(const std::vector<MenuEntry>& entries, int id) {
    QVariantMap properties;
    if (id != kRootId) {
        const MenuEntry* entry = FindEntry(entries, id);
        if (!entry) return properties;
        properties = DBusMenuProperties(*entry);
    }
    if (id == kRootId || HasChildren(entries, id))
        properties.insert(QStringLiteral("children-display"), QStringLiteral("submenu"));
    return properties;
}

DBusMenuChange DBusMenuDiff(const std::vector<MenuEntry>& before,
                            const std::vector<MenuEntry>& after) {
    DBusMenuChange change;
    std::vector<int> parents{kRootId}, changedParents;
    for (const auto* menu : {&before, &after})
        for (const MenuEntry& e : *menu)
            if (std::find(parents.begin(), parents.end(), e.id) == parents.end())
                parents.push_back(e.id);
    for (int parent : parents)
        if (ChildrenOf(before, parent) != ChildrenOf(after, parent))
            changedParents.push_back(parent);
    change.layoutChanged = !changedParents.empty();
    if (changedParents.size() == 1 &&
        (changedParents[0] == kRootId ||
         (FindEntry(before, changedParents[0]) && FindEntry(after, changedParents[0]))))
        change.layoutParent = changedParents[0];

    std::vector<int> kept{kRootId};
    for (const MenuEntry& e : after)
        if (FindEntry(before, e.id)) kept.push_back(e.id);
    for (int id : kept) {
        const QVariantMap old = DBusMenuNodeProperties(before, id);
        const QVariantMap now = DBusMenuNodeProperties(after, id);
        QVariantMap updated;
        QStringList removed;
        for (auto it = now.begin(); it != now.end(); ++it)
            if (!old.contains(it.key()) || old.value(it.key()) != it.value())
                updated.insert(it.key(), it.value());
        for (auto it = old.begin(); it != old.end(); ++it) {
            if (now.contains(it.key())) continue;
            const QVariant fallback = ProtocolDefault(it.key());
            if (fallback.isValid())
                updated.insert(it.key(), fallback);
            else
                removed.append(it.key());
        }
        if (!updated.isEmpty()) change.updated.emplace_back(id, updated);
        if (!removed.isEmpty()) change.removed.emplace_back(id, removed);
    }
    return change;
}

// The exported object: answers the host's calls from a snapshot of the model that is
// refreshed before each answer and after each change notice (coalesced into one
// announcement per turn of the event loop).
class DBusMenuExporter::Object : public QDBusVirtualObject {
public:
    Object(const QDBusConnection& bus, const QString& path, MenuModel* model)
        : bus_(bus), path_(path), model_(model) {
        RegisterDBusTrayTypes();
        entries_ = model_->Entries();
        model_->SetOnChange([this] { ScheduleRefresh(); });
        exported_ = bus_.registerVirtualObject(path_, this, QDBusConnection::SingleNode);
    }

    ~Object() override {
        model_->SetOnChange(nullptr);
        if (exported_) bus_.unregisterObject(path_);
    }

    bool exported_ = false;
    unsigned revision_ = 1;

    QString introspect(const QString&) const override {
        return QStringLiteral(
            "<interface name=\"com.canonical.dbusmenu\">"
            "<property name=\"Version\" type=\"u\" access=\"read\"/>"
            "<property name=\"TextDirection\" type=\"s\" access=\"read\"/>"
            "<property name=\"Status\" type=\"s\" access=\"read\"/>"
            "<property name=\"IconThemePath\" type=\"as\" access=\"read\"/>"
            "<method name=\"GetLayout\"><arg type=\"i\" direction=\"in\"/>"
            "<arg type=\"i\" direction=\"in\"/><arg type=\"as\" direction=\"in\"/>"
            "<arg type=\"u\" direction=\"out\"/><arg type=\"(ia{sv}av)\" "
            "direction=\"out\"/></method>"
            "<method name=\"GetGroupProperties\"><arg type=\"ai\" direction=\"in\"/>"
            "<arg type=\"as\" direction=\"in\"/><arg type=\"a(ia{sv})\" "
            "direction=\"out\"/></method>"
            "<method name=\"GetProperty\"><arg type=\"i\" direction=\"in\"/>"
            "<arg type=\"s\" direction=\"in\"/><arg type=\"v\" direction=\"out\"/></method>"
            "<method name=\"Event\"><arg type=\"i\" direction=\"in\"/><arg type=\"s\" "
            "direction=\"in\"/>"
            "<arg type=\"v\" direction=\"in\"/><arg type=\"u\" direction=\"in\"/></method>"
            "<method name=\"EventGroup\"><arg type=\"a(isvu)\" direction=\"in\"/>"
            "<arg type=\"ai\" direction=\"out\"/></method>"
            "<method name=\"AboutToShow\"><arg type=\"i\" direction=\"in\"/>"
            "<arg type=\"b\" direction=\"out\"/></method>"
            "<method name=\"AboutToShowGroup\"><arg type=\"ai\" direction=\"in\"/>"
            "<arg type=\"ai\" direction=\"out\"/><arg type=\"ai\" direction=\"out\"/></method>"
            "<signal name=\"ItemsPropertiesUpdated\"><arg type=\"a(ia{sv})\"/><arg "
            "type=\"a(ias)\"/></signal>"
            "<signal name=\"LayoutUpdated\"><arg type=\"u\"/><arg type=\"i\"/></signal>"
            "<signal name=\"ItemActivationRequested\"><arg type=\"i\"/><arg type=\"u\"/></signal>"
            "</interface>");
    }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        const QString interface = message.interface();
        const QString member = message.member();
        const QVariantList args = message.arguments();
        Refresh();
        QDBusMessage reply;
        if (interface == QLatin1String(kPropertiesInterface)) {
            reply = Properties(message, member, args);
        } else if (interface == QLatin1String(kMenuInterface) || interface.isEmpty()) {
            reply = Menu(message, member, args);
        } else {
            return false;
        }
        connection.send(reply);
        return true;
    }

private:
    QDBusMessage Properties(const QDBusMessage& message, const QString& member,
                            const QVariantList& args) {
        const QVariantMap all{{QStringLiteral("Version"), 3u},
                              {QStringLiteral("TextDirection"), QStringLiteral("ltr")},
                              {QStringLiteral("Status"), QStringLiteral("normal")},
                              {QStringLiteral("IconThemePath"), QStringList()}};
        if (member == QLatin1String("GetAll")) return message.createReply(QVariant(all));
        if (member == QLatin1String("Get") && args.size() == 2 && all.contains(args[1].toString()))
            return message.createReply(
                QVariant::fromValue(QDBusVariant(all.value(args[1].toString()))));
        return message.createErrorReply(QDBusError::InvalidArgs,
                                        QStringLiteral("No such property"));
    }

    QDBusMessage Menu(const QDBusMessage& message, const QString& member,
                      const QVariantList& args) {
        if (member == QLatin1String("GetLayout") && args.size() == 3) {
            const int parent = args[0].toInt();
            if (parent != kRootId && !FindEntry(entries_, parent))
                return NoSuchItem(message, parent);
            const QStringList names = qdbus_cast<QStringList>(args[2]);
            return message.createReply(QVariantList{
                QVariant(revision_), QVariant::fromValue(Node(parent, args[1].toInt(), names))});
        }
        if (member == QLatin1String("GetGroupProperties") && args.size() == 2) {
            const QList<int> ids = qdbus_cast<QList<int>>(args[0]);
            const QStringList names = qdbus_cast<QStringList>(args[1]);
            DBusMenuItemList items;
            std::vector<int> all{kRootId};
            for (const MenuEntry& entry : entries_) all.push_back(entry.id);
            for (int id : all)
                if (ids.isEmpty() || ids.contains(id))
                    items.append({id, Filtered(DBusMenuNodeProperties(entries_, id), names)});
            return message.createReply(QVariant::fromValue(items));
        }
        if (member == QLatin1String("GetProperty") && args.size() == 2) {
            const int id = args[0].toInt();
            if (id != kRootId && !FindEntry(entries_, id)) return NoSuchItem(message, id);
            const QVariant value = DBusMenuNodeProperties(entries_, id).value(args[1].toString());
            if (!value.isValid())
                return message.createErrorReply(QDBusError::InvalidArgs,
                                                QStringLiteral("No such property"));
            return message.createReply(QVariant::fromValue(QDBusVariant(value)));
        }
        if (member == QLatin1String("Event") && args.size() == 4) {
            const int id = args[0].toInt();
            if (id != kRootId && !FindEntry(entries_, id)) return NoSuchItem(message, id);
            if (args[1].toString() == QLatin1String("clicked")) Choose(id);
            return message.createReply();
        }
        if (member == QLatin1String("EventGroup") && args.size() == 1) {
            const DBusMenuEventList events = qdbus_cast<DBusMenuEventList>(args[0]);
            QList<int> unknown;
            for (const DBusMenuEvent& event : events) {
                if (event.id != kRootId && !FindEntry(entries_, event.id)) {
                    unknown.append(event.id);
                    continue;
                }
                if (event.eventId == QLatin1String("clicked")) Choose(event.id);
            }
            if (!events.isEmpty() && unknown.size() == events.size())
                return message.createErrorReply(QDBusError::InvalidArgs,
                                                QStringLiteral("No such menu items"));
            return message.createReply(QVariant::fromValue(unknown));
        }
        if (member == QLatin1String("AboutToShow") && args.size() == 1)
            return message.createReply(QVariant(false));
        if (member == QLatin1String("AboutToShowGroup") && args.size() == 1)
            return message.createReply(
                QVariantList{QVariant::fromValue(QList<int>()), QVariant::fromValue(QList<int>())});
        return message.createErrorReply(QDBusError::UnknownMethod,
                                        QStringLiteral("Unknown method ") + member);
    }

    static QDBusMessage NoSuchItem(const QDBusMessage& message, int id) {
        return message.createErrorReply(QDBusError::InvalidArgs,
                                        QStringLiteral("No menu item %1").arg(id));
    }

    // Node `id` with its properties and, `depth` levels down (-1: all), its children.
    DBusMenuLayoutItem Node(int id, int depth, const QStringList& names) const {
        DBusMenuLayoutItem node{id, Filtered(DBusMenuNodeProperties(entries_, id), names), {}};
        if (depth != 0)
            for (int child : ChildrenOf(entries_, id))
                node.children.append(Node(child, depth - 1, names));
        return node;
    }

    // The command runs after the host's call has been answered: it may open a
    // modal box, and the host must not wait for that.
    void Choose(int id) {
        QTimer::singleShot(0, this, [this, id] { model_->Activate(id); });
    }

    void ScheduleRefresh() {
        if (refreshPending_) return;
        refreshPending_ = true;
        QTimer::singleShot(0, this, [this] {
            refreshPending_ = false;
            Refresh();
        });
    }

    // Takes the model's entries and announces the difference at once: new property
    // values, and a new revision when the structure changed.
    void Refresh() {
        std::vector<MenuEntry> now = model_->Entries();
        if (now == entries_) return;
        const DBusMenuChange change = DBusMenuDiff(entries_, now);
        entries_ = std::move(now);
        if (!change.updated.empty() || !change.removed.empty()) {
            DBusMenuItemList updated;
            for (const auto& [id, properties] : change.updated) updated.append({id, properties});
            DBusMenuRemovedList removed;
            for (const auto& [id, names] : change.removed) removed.append({id, names});
            QDBusMessage signal = QDBusMessage::createSignal(
                path_, QLatin1String(kMenuInterface), QStringLiteral("ItemsPropertiesUpdated"));
            signal << QVariant::fromValue(updated) << QVariant::fromValue(removed);
            bus_.send(signal);
        }
        if (change.layoutChanged) {
            ++revision_;
            QDBusMessage signal = QDBusMessage::createSignal(path_, QLatin1String(kMenuInterface),
                                                             QStringLiteral("LayoutUpdated"));
            signal << revision_ << change.layoutParent;
            bus_.send(signal);
        }
    }

    QDBusConnection bus_;
    QString path_;
    MenuModel* model_;
    std::vector<MenuEntry> entries_;
    bool refreshPending_ = false;
};

DBusMenuExporter::DBusMenuExporter(const QDBusConnection& bus, const QString& path,
                                   MenuModel* model)
    : object_(std::make_unique<Object>(bus, path, model)) {}

DBusMenuExporter::~DBusMenuExporter() = default;

bool DBusMenuExporter::Exported() const {
    return object_->exported_;
}

unsigned DBusMenuExporter::Revision() const {
    return object_->revision_;
}

}  // namespace skyvane::platform
