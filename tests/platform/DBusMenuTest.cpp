// SPDX-License-Identifier: GPL-3.0-or-later
// The D-Bus menu: labels and properties as tables, and the exported object on a
// private bus of its own, asked the way a tray host asks.
#include <gtest/gtest.h>
#include <signal.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <cstdio>
#include <functional>
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

TEST_F(DBusMenuBusTest, AHostReadsTheEntriesAndSeesEachChangeOnce) {
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

    // Several change notices for one change: one new revision, announced once.
    SignalCounter layoutUpdated;
    ASSERT_TRUE(Host().connect(Exporter().baseService(), "/MenuBar", "com.canonical.dbusmenu",
                               "LayoutUpdated", &layoutUpdated, SLOT(Count())));
    menu.entries[0].checked = true;
    menu.changed();
    menu.changed();
    Spin(200);
    EXPECT_EQ(layoutUpdated.count, 1);
    unsigned after = 0;
    entries = Layout(&after);
    EXPECT_EQ(after, revision + 1);
    EXPECT_EQ(entries[0].second.value("toggle-state").toInt(), 1);
    // A notice without a change is not a new revision.
    menu.changed();
    Spin(100);
    Layout(&after);
    EXPECT_EQ(after, revision + 1);
    EXPECT_EQ(layoutUpdated.count, 1);
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

TEST_F(DBusMenuBusTest, SubmenusAreLaidOutUnderTheirEntryToTheDepthAskedFor) {
    FakeMenu menu;
    menu.entries = {{.id = 1, .label = "Presets"},
                    {.id = 2, .parent = 1, .label = "West"},
                    {.id = 3, .parent = 1, .label = "More"},
                    {.id = 5, .parent = 3, .label = "Deep"},
                    {.id = 4, .label = "Park"}};
    DBusMenuExporter exporter(Exporter(), "/MenuBar", &menu);
    // The ids of a layout's children, each followed by its own in brackets.
    const std::function<std::string(const DBusMenuLayoutItem&)> tree = [&](const auto& item) {
        std::string text;
        for (const DBusMenuLayoutItem& child : item.children) {
            text += std::to_string(child.id);
            if (child.properties.value("children-display").toString() == "submenu")
                text += "[" + tree(child) + "]";
            text += " ";
        }
        return text;
    };
    const auto layout = [&](int parent, int depth) {
        const QDBusMessage reply = Ask("GetLayout", {parent, depth, QStringList()});
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
        return reply.arguments().size() == 2
                   ? tree(qdbus_cast<DBusMenuLayoutItem>(reply.arguments()[1]))
                   : std::string("error");
    };
    EXPECT_EQ(layout(0, -1), "1[2 3[5 ] ] 4 ");
    EXPECT_EQ(layout(0, 1), "1[] 4 ");
    EXPECT_EQ(layout(0, 2), "1[2 3[] ] 4 ");
    EXPECT_EQ(layout(1, -1), "2 3[5 ] ");
    EXPECT_EQ(layout(0, 0), "");
    // A click on an entry of a submenu reaches it.
    Ask("Event", {5, QString("clicked"), QVariant::fromValue(QDBusVariant(0)), 0u});
    Spin(50);
    EXPECT_EQ(menu.activated, std::vector<std::int32_t>{5});
}

}  // namespace
}  // namespace skyvane::platform

#include "DBusMenuTest.moc"
