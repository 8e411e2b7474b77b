// SPDX-License-Identifier: GPL-3.0-or-later
// Entries as StatusNotifierItems of our own on the session bus, for desktops whose
// tray host speaks that protocol. Each entry is one item object with its menu
// exported beside it (dbus_menu.h), so the host draws the menu itself. Every call
// to the bus is asynchronous, and the host's calls are answered at once: a click
// reaches the tray icon component only after the host has its answer, at the point
// the host gave. Icon, tooltip and title changes are announced once per turn of the
// event loop, however many shell calls made them.
#include <unistd.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusVirtualObject>
#include <QThread>
#include <QTimer>
#include <cstring>
#include <map>
#include <set>

#include "platform/dbus_menu.h"
#include "platform/dbus_types_p.h"
#include "platform/status_icon.h"
#include "platform/status_icon_desktop_p.h"
#include "platform/tray_hosts_p.h"

namespace skyvane::platform {

namespace {

// Sends `messages` in their order. A message sent from another thread is handed to
// the bus connection's own thread, which wakes for it and, having slept, takes the
// CPU from the sender before the next one is handed over: the icon's and the hint's
// signals of one reading would wake it twice. Sent from that thread (where the
// connection's interface object lives), they go out in one wake-up.
void SendTogether(const QDBusConnection& bus, QList<QDBusMessage> messages) {
    QObject* inBusThread = bus.interface();
    if (messages.size() < 2 || !inBusThread || inBusThread->thread() == QThread::currentThread()) {
        for (const QDBusMessage& message : messages) bus.send(message);
        return;
    }
    QMetaObject::invokeMethod(
        inBusThread,
        [bus, messages = std::move(messages)] {
            for (const QDBusMessage& message : messages) bus.send(message);
        },
        Qt::QueuedConnection);
}

constexpr char kItemInterface[] = "org.kde.StatusNotifierItem";
constexpr char kPropertiesInterface[] = "org.freedesktop.DBus.Properties";
// Sizes offered besides the icon's own, for hosts that draw larger than 16 pixels.
constexpr int kLargerSizes[] = {22, 24, 32, 48, 64};

// ARGB32 in network byte order, as the protocol wants it.
DBusImage ToDBusImage(const IconImage& image) {
    DBusImage result{image.width, image.height, QByteArray()};
    result.pixels.resize(static_cast<qsizetype>(image.pixels.size() * 4));
    char* out = result.pixels.data();
    for (std::uint32_t argb : image.pixels) {
        *out++ = static_cast<char>(argb >> 24);
        *out++ = static_cast<char>(argb >> 16);
        *out++ = static_cast<char>(argb >> 8);
        *out++ = static_cast<char>(argb);
    }
    return result;
}

QString Title() {
    const std::string& title = ApplicationTitle();
    return title.empty() ? QCoreApplication::applicationName() : QString::fromLocal8Bit(title);
}

// One item on the bus: object `ItemPath(slot)` with its menu at `MenuPath(slot)`.
class StatusNotifierItem : public QDBusVirtualObject {
public:
    StatusNotifierItem(const QDBusConnection& bus, int slot, EntryKey key,
                       const DeliverNotifications& deliver)
        : bus_(bus), slot_(slot), key_(key), deliver_(deliver) {
        itemPath_ = slot == 1 ? QStringLiteral("/StatusNotifierItem")
                              : QStringLiteral("/StatusNotifierItem%1").arg(slot);
        menuPath_ = slot == 1 ? QStringLiteral("/MenuBar") : QStringLiteral("/MenuBar%1").arg(slot);
        serviceName_ = QStringLiteral("org.kde.StatusNotifierItem-%1-%2").arg(getpid()).arg(slot);
        title_ = Title();
        bus_.registerVirtualObject(itemPath_, this, QDBusConnection::SingleNode);
    }

    ~StatusNotifierItem() override { Retire(); }

    // Leaves the bus at once (the object itself may be deleted later): its paths and
    // its name are free for a new item right away.
    void Retire() {
        if (retired_) return;
        retired_ = true;
        menu_.reset();
        bus_.unregisterObject(itemPath_);
        if (ownsName_)
            Call(QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                 QStringLiteral("org.freedesktop.DBus"), QStringLiteral("ReleaseName"),
                 {serviceName_});
    }

    void Apply(const NotifyIconData& data) {
        if (data.uFlags & NIF_MESSAGE) callback_ = data.uCallbackMessage;
        if (data.uFlags & NIF_ICON) {
            if (!SameDrawing(picture_, data.hIcon)) {
                picture_ = data.hIcon;
                pixmaps_.reset();
                Announce(iconChanged_);
            }
        }
        if (data.uFlags & NIF_TIP) {
            const QString tip = QString::fromLocal8Bit(
                data.szTip, static_cast<int>(strnlen(data.szTip, sizeof data.szTip)));
            if (tip != toolTip_) {
                toolTip_ = tip;
                Announce(toolTipChanged_);
            }
        }
        if (Title() != title_) {
            title_ = Title();
            Announce(titleChanged_);
        }
    }

    void SetMenu(MenuModel* menu) {
        menu_.reset();
        if (retired_) return;
        if (menu) menu_ = std::make_unique<DBusMenuExporter>(bus_, menuPath_, menu);
    }

    std::uint32_t Callback() const { return callback_; }
    int Slot() const { return slot_; }

    QString introspect(const QString&) const override {
        return QStringLiteral(
            "<interface name=\"org.kde.StatusNotifierItem\">"
            "<property name=\"Category\" type=\"s\" access=\"read\"/>"
            "<property name=\"Id\" type=\"s\" access=\"read\"/>"
            "<property name=\"Title\" type=\"s\" access=\"read\"/>"
            "<property name=\"Status\" type=\"s\" access=\"read\"/>"
            "<property name=\"WindowId\" type=\"i\" access=\"read\"/>"
            "<property name=\"IconThemePath\" type=\"s\" access=\"read\"/>"
            "<property name=\"IconName\" type=\"s\" access=\"read\"/>"
            "<property name=\"IconPixmap\" type=\"a(iiay)\" access=\"read\"/>"
            "<property name=\"OverlayIconName\" type=\"s\" access=\"read\"/>"
            "<property name=\"OverlayIconPixmap\" type=\"a(iiay)\" access=\"read\"/>"
            "<property name=\"AttentionIconName\" type=\"s\" access=\"read\"/>"
            "<property name=\"AttentionIconPixmap\" type=\"a(iiay)\" access=\"read\"/>"
            "<property name=\"AttentionMovieName\" type=\"s\" access=\"read\"/>"
            "<property name=\"IconAccessibleDesc\" type=\"s\" access=\"read\"/>"
            "<property name=\"AttentionAccessibleDesc\" type=\"s\" access=\"read\"/>"
            "<property name=\"ToolTip\" type=\"(sa(iiay)ss)\" access=\"read\"/>"
            "<property name=\"ItemIsMenu\" type=\"b\" access=\"read\"/>"
            "<property name=\"Menu\" type=\"o\" access=\"read\"/>"
            "<method name=\"ContextMenu\"><arg type=\"i\" direction=\"in\"/><arg type=\"i\" "
            "direction=\"in\"/></method>"
            "<method name=\"Activate\"><arg type=\"i\" direction=\"in\"/><arg type=\"i\" "
            "direction=\"in\"/></method>"
            "<method name=\"SecondaryActivate\"><arg type=\"i\" direction=\"in\"/><arg type=\"i\" "
            "direction=\"in\"/></method>"
            "<method name=\"Scroll\"><arg type=\"i\" direction=\"in\"/><arg type=\"s\" "
            "direction=\"in\"/></method>"
            "<signal name=\"NewTitle\"/><signal name=\"NewIcon\"/><signal "
            "name=\"NewAttentionIcon\"/>"
            "<signal name=\"NewOverlayIcon\"/><signal name=\"NewToolTip\"/>"
            "<signal name=\"NewStatus\"><arg type=\"s\"/></signal>"
            "</interface>");
    }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        const QString interface = message.interface();
        const QString member = message.member();
        const QVariantList args = message.arguments();
        if (retired_) return false;
        if (interface == QLatin1String(kPropertiesInterface)) {
            const QVariantMap all = AllProperties();
            if (member == QLatin1String("GetAll")) {
                connection.send(message.createReply(QVariant(all)));
            } else if (member == QLatin1String("Get") && args.size() == 2 &&
                       all.contains(args[1].toString())) {
                connection.send(message.createReply(
                    QVariant::fromValue(QDBusVariant(all.value(args[1].toString())))));
            } else {
                connection.send(message.createErrorReply(QDBusError::UnknownProperty,
                                                         QStringLiteral("No such property")));
            }
            return true;
        }
        if (interface != QLatin1String(kItemInterface) && !interface.isEmpty()) return false;
        // Answered first; the notifications follow once the host has its answer.
        connection.send(message.createReply());
        const auto at = [&]() -> std::optional<QPoint> {
            if (args.size() < 2) return std::nullopt;
            return QPoint(args[0].toInt(), args[1].toInt());
        };
        if (member == QLatin1String("ContextMenu"))
            Later({WM_RBUTTONDOWN, WM_RBUTTONUP}, at());
        else if (member == QLatin1String("Activate"))
            Later({WM_LBUTTONDOWN, WM_LBUTTONUP}, at());
        else if (member == QLatin1String("SecondaryActivate"))
            Later({WM_MBUTTONDOWN, WM_MBUTTONUP}, at());
        return true;
    }

    // The bus daemon answered RequestName: the item registers with the watcher.
    void RequestNameAnswered(const QDBusMessage& reply) {
        if (retired_) return;
        // 1: primary owner. Without the name, the watcher is given our object path.
        ownsName_ = reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
                    reply.arguments().at(0).toUInt() == 1;
        const QString registered = ownsName_ && slot_ == 1 ? serviceName_ : itemPath_;
        Call(QString::fromLatin1(kWatcherService), QStringLiteral("/StatusNotifierWatcher"),
             QString::fromLatin1(kWatcherService), QStringLiteral("RegisterStatusNotifierItem"),
             {registered});
    }

    // The bus name the item asks for: org.kde.StatusNotifierItem-<pid>-<slot>.
    const QString& ServiceName() const { return serviceName_; }

private:
    QVariantMap AllProperties() {
        const DBusImageList none;
        return {
            {QStringLiteral("Category"), QStringLiteral("ApplicationStatus")},
            {QStringLiteral("Id"), title_},
            {QStringLiteral("Title"), title_},
            {QStringLiteral("Status"), QStringLiteral("Active")},
            {QStringLiteral("WindowId"), 0},
            {QStringLiteral("IconThemePath"), QString()},
            {QStringLiteral("IconName"), QString()},
            {QStringLiteral("IconPixmap"), QVariant::fromValue(Pixmaps())},
            {QStringLiteral("OverlayIconName"), QString()},
            {QStringLiteral("OverlayIconPixmap"), QVariant::fromValue(none)},
            {QStringLiteral("AttentionIconName"), QString()},
            {QStringLiteral("AttentionIconPixmap"), QVariant::fromValue(none)},
            {QStringLiteral("AttentionMovieName"), QString()},
            // What a screen reader says for the icon: what its hint says.
            {QStringLiteral("IconAccessibleDesc"), toolTip_},
            {QStringLiteral("AttentionAccessibleDesc"), QString()},
            {QStringLiteral("ToolTip"), QVariant::fromValue(DBusToolTip{{}, {}, toolTip_, {}})},
            {QStringLiteral("ItemIsMenu"), false},
            {QStringLiteral("Menu"), QVariant::fromValue(QDBusObjectPath(
                                         menu_ ? menuPath_ : QStringLiteral("/NO_DBUSMENU")))},
        };
    }

    // The picture at its own size and, where it can draw itself anew, at the larger
    // sizes; made when a host first asks after a change.
    const DBusImageList& Pixmaps() {
        if (pixmaps_) return *pixmaps_;
        pixmaps_ = DBusImageList();
        if (picture_ && picture_->width > 0 &&
            picture_->pixels.size() == std::size_t(picture_->width) * picture_->height) {
            pixmaps_->append(ToDBusImage(*picture_));
            if (picture_->drawAtSize)
                for (int size : kLargerSizes)
                    if (size > picture_->width)
                        pixmaps_->append(ToDBusImage(picture_->drawAtSize(size)));
        }
        return *pixmaps_;
    }

    void Announce(bool& flag) {
        flag = true;
        if (announcePending_) return;
        announcePending_ = true;
        QTimer::singleShot(0, this, [this] {
            announcePending_ = false;
            QList<QDBusMessage> changes;
            if (iconChanged_) changes.append(Signal(QStringLiteral("NewIcon")));
            if (toolTipChanged_) changes.append(Signal(QStringLiteral("NewToolTip")));
            if (titleChanged_) changes.append(Signal(QStringLiteral("NewTitle")));
            iconChanged_ = toolTipChanged_ = titleChanged_ = false;
            SendTogether(bus_, std::move(changes));
        });
    }

    QDBusMessage Signal(const QString& name) const {
        return QDBusMessage::createSignal(itemPath_, QLatin1String(kItemInterface), name);
    }

    void Later(std::vector<std::uint32_t> codes, std::optional<QPoint> at) {
        QTimer::singleShot(0, this, [this, codes, at] { deliver_(key_, codes, at); });
    }

    void Call(const QString& service, const QString& path, const QString& interface,
              const QString& method, const QVariantList& args) {
        QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, method);
        call.setArguments(args);
        bus_.asyncCall(call);
    }

    QDBusConnection bus_;
    int slot_;
    EntryKey key_;
    const DeliverNotifications& deliver_;
    QString itemPath_, menuPath_, serviceName_;
    bool ownsName_ = false;
    bool retired_ = false;
    std::uint32_t callback_ = 0;
    IconHandle picture_;
    std::optional<DBusImageList> pixmaps_;
    QString toolTip_, title_;
    std::unique_ptr<DBusMenuExporter> menu_;
    bool iconChanged_ = false, toolTipChanged_ = false, titleChanged_ = false;
    bool announcePending_ = false;
};

class StatusNotifierBackend : public TrayBackend {
public:
    StatusNotifierBackend(const QDBusConnection& bus, DeliverNotifications deliver)
        : bus_(bus), deliver_(std::move(deliver)) {
        RegisterDBusTrayTypes();
    }

    bool NotifyIcon(std::uint32_t message, const NotifyIconData& data, MenuModel* menu) override {
        const EntryKey key{data.hWnd, data.uID};
        auto it = items_.find(key);
        switch (message) {
            case NIM_ADD: {
                if (it != items_.end()) return false;
                auto item = std::make_unique<StatusNotifierItem>(bus_, FreeSlot(), key, deliver_);
                item->Apply(data);
                item->SetMenu(menu);
                Register(*item);
                items_.emplace(key, std::move(item));
                return true;
            }
            case NIM_MODIFY:
                if (it == items_.end()) return false;
                it->second->Apply(data);
                return true;
            case NIM_DELETE:
                if (it == items_.end()) return false;
                Drop(it);
                return true;
            case NIM_SETVERSION:
                return it != items_.end();
            default:
                return false;
        }
    }

    void SetMenu(const EntryKey& key, MenuModel* menu) override {
        auto it = items_.find(key);
        if (it != items_.end()) it->second->SetMenu(menu);
    }

    bool Shown(const EntryKey& key, std::uint32_t& callback) const override {
        auto it = items_.find(key);
        if (it == items_.end()) return false;
        callback = it->second->Callback();
        return true;
    }

    void ForgetAll() override {
        while (!items_.empty()) Drop(items_.begin());
    }

private:
    using Items = std::map<EntryKey, std::unique_ptr<StatusNotifierItem>>;

    int FreeSlot() const {
        std::set<int> taken;
        for (const auto& [key, item] : items_) taken.insert(item->Slot());
        int slot = 1;
        while (taken.count(slot)) ++slot;
        return slot;
    }

    void Register(StatusNotifierItem& item) {
        QDBusMessage ask = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
            QStringLiteral("org.freedesktop.DBus"), QStringLiteral("RequestName"));
        ask << item.ServiceName() << 4u;  // DBUS_NAME_FLAG_DO_NOT_QUEUE
        auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(ask), &item);
        QObject::connect(watcher, &QDBusPendingCallWatcher::finished,
                         [&item](QDBusPendingCallWatcher* call) {
                             item.RequestNameAnswered(call->reply());
                             call->deleteLater();
                         });
    }

    // Deleted later: this may run inside one of the item's own deliveries.
    void Drop(Items::iterator it) {
        it->second->Retire();
        it->second.release()->deleteLater();
        items_.erase(it);
    }

    QDBusConnection bus_;
    DeliverNotifications deliver_;
    Items items_;
};

}  // namespace

std::unique_ptr<TrayBackend> MakeStatusNotifierBackend(const QDBusConnection& bus,
                                                       DeliverNotifications deliver) {
    return std::make_unique<StatusNotifierBackend>(bus, std::move(deliver));
}

}  // namespace skyvane::platform
