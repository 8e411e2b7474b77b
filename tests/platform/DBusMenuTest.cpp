// SPDX-License-Identifier: GPL-3.0-or-later
// The D-Bus menu: labels and properties as tables, and the exported object on a
// private bus of its own, asked the way a tray host asks.
#include <gtest/gtest.h>
#include <signal.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <algorithm>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "platform/dbus_menu.h"
#include "platform/dbus_types_p.h"
#include "tests/support/QtApplication.h"

namespace skyvane::platform {
namespace {

TEST(DBusMenuTest, LabelsCarryMnemonicsTheDBusMenuWay) {
    const std::vector<std::pair<std::string, QString>> cases = {
        {"Track", "Track"},
        {"COM Settings", "COM Settings"},
        {"&Quit", "_Quit"},
        {"Salt && Pepper", "Salt & Pepper"},
        {"snake_case", "snake__case"},
        {"&_x", "__x"},
        {"End&", "End&"},
    };
    for (const auto& [caption, label] : cases) EXPECT_EQ(DBusMenuLabel(caption), label) << caption;
}

TEST(DBusMenuTest, PropertiesOfEachKindOfEntry) {
    const auto entry = [](MenuEntry e) { return e; };
    const std::vector<std::pair<MenuEntry, QVariantMap>> cases = {
        {entry({.id = 1, .label = "About"}), {{"label", "About"}}},
        {entry({.id = 2, .label = "Track", .checkable = true}),
         {{"label", "Track"}, {"toggle-type", "checkmark"}, {"toggle-state", 0}}},
        {entry({.id = 3, .label = "Visible", .checkable = true, .checked = true}),
         {{"label", "Visible"}, {"toggle-type", "checkmark"}, {"toggle-state", 1}}},
        {entry({.id = 4, .label = "Stop rotor", .enabled = false}),
         {{"label", "Stop rotor"}, {"enabled", false}}},
        {entry({.id = 5, .label = "-", .separator = true}), {{"type", "separator"}}},
    };
    for (const auto& [e, expected] : cases) EXPECT_EQ(DBusMenuProperties(e), expected) << e.label;
}

// A menu model the test changes by hand.
class FakeMenu : public MenuModel {
public:
    std::vector<MenuEntry> entries;
    std::vector<std::int32_t> activated;
    std::vector<MenuEntry> Entries() const override { return entries; }
    void Activate(std::int32_t id) override { activated.push_back(id); }
    void SetOnChange(std::function<void()> listener) override { changed = std::move(listener); }
    std::function<void()> changed;
};

// Counts the bus signals it is connected to.
class SignalCounter : public QObject {
    Q_OBJECT
public:
    int count = 0;
public slots:
    void Count() { ++count; }
};

// Keeps the changed properties of each ItemsPropertiesUpdated it is connected to.
class PropertiesSink : public QObject {
    Q_OBJECT
public:
    std::vector<DBusMenuItemList> updated;
public slots:
    void Take(const QDBusMessage& message) {
        updated.push_back(qdbus_cast<DBusMenuItemList>(message.arguments().value(0)));
    }
};

// A dbus-daemon of the test's own, and two connections to it: the exporter's and the
// host's.
class DBusMenuBusTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // The icon tests in this program need a GUI application; one serves both.
        test_support::EnsureQtApplication<QGuiApplication>();
        RegisterDBusTrayTypes();
        FILE* daemon = popen("dbus-daemon --session --fork --print-address=1 --print-pid=1", "r");
        ASSERT_TRUE(daemon);
        char address[512] = {}, pid[32] = {};
        ASSERT_TRUE(fgets(address, sizeof address, daemon));
        ASSERT_TRUE(fgets(pid, sizeof pid, daemon));
        pclose(daemon);
        address_ = QString::fromLocal8Bit(address).trimmed();
        daemonPid_ = std::atoi(pid);
    }
    static void TearDownTestSuite() {
        QDBusConnection::disconnectFromBus("exporter");
        QDBusConnection::disconnectFromBus("host");
        if (daemonPid_ > 0) kill(daemonPid_, SIGTERM);
    }
    QDBusConnection Exporter() { return QDBusConnection::connectToBus(address_, "exporter"); }
    QDBusConnection Host() { return QDBusConnection::connectToBus(address_, "host"); }

    // The host's call, answered while this thread's event loop keeps the exporter going.
    QDBusMessage Ask(const QString& method, const QVariantList& args) {
        QDBusMessage call = QDBusMessage::createMethodCall(Exporter().baseService(), "/MenuBar",
                                                           "com.canonical.dbusmenu", method);
        call.setArguments(args);
        return Host().call(call, QDBus::BlockWithGui, 5000);
    }
    static void Spin(int ms) {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    // The entries of GetLayout: (id, properties) of the root's children.
    std::vector<std::pair<int, QVariantMap>> Layout(unsigned* revision = nullptr) {
        const QDBusMessage reply = Ask("GetLayout", {0, -1, QStringList()});
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
        std::vector<std::pair<int, QVariantMap>> result;
        if (reply.arguments().size() != 2) return result;
        if (revision) *revision = reply.arguments()[0].toUInt();
        const auto root = qdbus_cast<DBusMenuLayoutItem>(reply.arguments()[1]);
        for (const DBusMenuLayoutItem& child : root.children)
            result.emplace_back(child.id, child.properties);
        return result;
    }

    static inline QString address_;
    static inline int daemonPid_ = 0;
};

// What a host that reads the structure again on LayoutUpdated and nothing else keeps
// of each node's properties (the AppIndicator extension's way), with the protocol's
// defaults left out: after every announced change it must equal the menu's own.
using HostView = std::map<int, QVariantMap>;

QVariantMap WithoutDefaults(QVariantMap properties) {
    const QVariantMap defaults{{"type", "standard"},    {"label", ""},       {"enabled", true},
                               {"visible", true},       {"toggle-type", ""}, {"toggle-state", -1},
                               {"children-display", ""}};
    for (auto it = defaults.begin(); it != defaults.end(); ++it)
        if (properties.contains(it.key()) && properties.value(it.key()) == it.value())
            properties.remove(it.key());
    return properties;
}

HostView ReadWhole(const std::vector<MenuEntry>& menu) {
    HostView view{{0, WithoutDefaults(DBusMenuNodeProperties(menu, 0))}};
    for (const MenuEntry& e : menu)
        view[e.id] = WithoutDefaults(DBusMenuNodeProperties(menu, e.id));
    return view;
}

void Announce(HostView& view, const std::vector<MenuEntry>& after, const DBusMenuChange& change) {
    if (change.layoutChanged) {
        HostView kept;  // nodes it knew keep their cached properties, new ones are read
        const HostView fresh = ReadWhole(after);
        for (const auto& [id, properties] : fresh)
            kept[id] = view.count(id) ? view[id] : properties;
        view = kept;
    }
    for (const auto& [id, properties] : change.updated)
        for (auto it = properties.begin(); it != properties.end(); ++it)
            view[id].insert(it.key(), it.value());
    for (const auto& [id, names] : change.removed)
        for (const QString& name : names) view[id].remove(name);
    for (auto& [id, properties] : view) properties = WithoutDefaults(properties);
}

// Random menus of up to 8 entries, some in submenus, changed at random: every change
// announced is enough for such a host, and the structure is announced exactly when
// some node's children changed.
TEST(DBusMenuTest, AnnouncedChangesKeepAStructureOnlyHostRight) {
    std::mt19937 random(2512);
    const auto coin = [&](int in) { return int(random() % in) == 0; };
    const auto randomMenu = [&](std::vector<MenuEntry> menu) {
        for (MenuEntry& e : menu) {
            if (coin(3)) e.enabled = !e.enabled;
            if (coin(3)) e.checkable = !e.checkable;
            if (coin(3)) e.checked = !e.checked;
            if (coin(6)) e.label += "x";
            if (coin(8)) e.separator = !e.separator;
        }
        if (coin(3) && !menu.empty()) menu.erase(menu.begin() + random() % menu.size());
        const auto used = [&](int id) {
            return std::any_of(menu.begin(), menu.end(),
                               [id](const MenuEntry& e) { return e.id == id; });
        };
        if (coin(3) && menu.size() < 8) {
            MenuEntry added{.id = int(100 + random() % 900), .label = "New"};
            while (used(added.id)) ++added.id;
            if (coin(2) && !menu.empty()) added.parent = menu[random() % menu.size()].id;
            menu.insert(menu.begin() + random() % (menu.size() + 1), added);
        }
        if (coin(5) && menu.size() > 1) std::swap(menu[0], menu[1]);
        // A parent that went away takes its entries with it.
        for (bool orphans = true; orphans;) {
            const std::vector<MenuEntry> all = menu;
            orphans = std::erase_if(menu, [&](const MenuEntry& e) {
                          return e.parent &&
                                 std::none_of(all.begin(), all.end(),
                                              [&](const MenuEntry& p) { return p.id == e.parent; });
                      }) > 0;
        }
        return menu;
    };
    std::vector<MenuEntry> menu = {{.id = 1, .label = "Track", .checkable = true},
                                   {.id = 2, .label = "Visible", .checkable = true},
                                   {.id = 3, .label = "-", .separator = true},
                                   {.id = 4, .label = "Stop rotor", .enabled = false}};
    int layouts = 0, properties = 0;
    for (int round = 0; round < 2000; ++round) {
        HostView view = ReadWhole(menu);
        std::vector<MenuEntry> after = randomMenu(menu);
        const DBusMenuChange change = DBusMenuDiff(menu, after);
        Announce(view, after, change);
        ASSERT_EQ(view, ReadWhole(after)) << "round " << round;
        std::map<int, std::vector<int>> before, now;
        for (const MenuEntry& e : menu) before[e.parent].push_back(e.id);
        for (const MenuEntry& e : after) now[e.parent].push_back(e.id);
        ASSERT_EQ(change.layoutChanged, before != now) << "round " << round;
        layouts += change.layoutChanged;
        properties += !change.updated.empty();
        menu = after;
    }
    // Both kinds of change were met often.
    EXPECT_GT(layouts, 200);
    EXPECT_GT(properties, 200);
}

TEST_F(DBusMenuBusTest, APropertyChangeIsAnnouncedAsItsNewValuesOnce) {
    FakeMenu menu;
    menu.entries = {{.id = 7, .label = "Track", .checkable = true},
                    {.id = 8, .label = "-", .separator = true},
                    {.id = 9, .label = "Stop rotor", .enabled = false}};
    DBusMenuExporter exporter(Exporter(), "/MenuBar", &menu);
    ASSERT_TRUE(exporter.Exported());
    unsigned revision = 0;
    auto entries = Layout(&revision);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].first, 7);
    EXPECT_EQ(entries[0].second.value("toggle-state").toInt(), 0);
    EXPECT_EQ(entries[1].second.value("type").toString(), "separator");
    EXPECT_EQ(entries[2].second.value("enabled").toBool(), false);

    SignalCounter layoutUpdated;
    ASSERT_TRUE(Host().connect(Exporter().baseService(), "/MenuBar", "com.canonical.dbusmenu",
                               "LayoutUpdated", &layoutUpdated, SLOT(Count())));
    PropertiesSink updates;
    ASSERT_TRUE(Host().connect(Exporter().baseService(), "/MenuBar", "com.canonical.dbusmenu",
                               "ItemsPropertiesUpdated", &updates, SLOT(Take(QDBusMessage))));
    // Several change notices for one change: announced once, as the new values.
    menu.entries[0].checked = true;
    menu.entries[2].enabled = true;
    menu.changed();
    menu.changed();
    Spin(200);
    ASSERT_EQ(updates.updated.size(), 1u);
    const DBusMenuItemList& items = updates.updated[0];
    ASSERT_EQ(items.size(), 2);
    EXPECT_EQ(items[0].id, 7);
    EXPECT_EQ(items[0].properties, (QVariantMap{{"toggle-state", 1}}));
    EXPECT_EQ(items[1].id, 9);
    EXPECT_EQ(items[1].properties, (QVariantMap{{"enabled", true}}));
    EXPECT_EQ(layoutUpdated.count, 0);
    unsigned after = 0;
    entries = Layout(&after);
    EXPECT_EQ(after, revision);
    EXPECT_EQ(entries[0].second.value("toggle-state").toInt(), 1);
    // A new entry is a change of structure: a new revision.
    menu.entries.push_back({.id = 10, .label = "Map"});
    menu.changed();
    Spin(200);
    EXPECT_EQ(layoutUpdated.count, 1);
    Layout(&after);
    EXPECT_EQ(after, revision + 1);
    EXPECT_EQ(updates.updated.size(), 1u);
}

TEST_F(DBusMenuBusTest, AClickRunsItsEntryOnceAndUnknownEntriesAreRefused) {
    FakeMenu menu;
    menu.entries = {{.id = 3, .label = "Quit"}};
    DBusMenuExporter exporter(Exporter(), "/MenuBar", &menu);
    const QDBusMessage reply =
        Ask("Event", {3, QString("clicked"), QVariant::fromValue(QDBusVariant(0)), 0u});
    EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage);
    // The command runs once the call is answered (queued), exactly once.
    Spin(50);
    EXPECT_EQ(menu.activated, std::vector<std::int32_t>{3});
    // Unknown entries are refused, and run nothing.
    const QDBusMessage unknown =
        Ask("Event", {42, QString("clicked"), QVariant::fromValue(QDBusVariant(0)), 0u});
    EXPECT_EQ(unknown.type(), QDBusMessage::ErrorMessage);
    Spin(50);
    EXPECT_EQ(menu.activated.size(), 1u);
}

}  // namespace
}  // namespace skyvane::platform

#include "DBusMenuTest.moc"
