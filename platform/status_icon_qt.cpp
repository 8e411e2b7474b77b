// SPDX-License-Identifier: GPL-3.0-or-later
// Entries in an X11 tray through Qt's system tray icon. One QSystemTrayIcon stands for
// one shell entry; Qt's activation reasons become the shell's mouse notifications, so
// the tray icon component keeps its own mouse events and opens its own menu. Used
// only while no status-notifier watcher is on the bus (the desktop service decides),
// so Qt's one check for a D-Bus tray finds none and Qt embeds the icon in the X tray.
#include <QCursor>
#include <QGuiApplication>
#include <QIcon>
#include <QIconEngine>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QSystemTrayIcon>
#include <algorithm>
#include <cstring>
#include <list>
#include <map>
#include <vector>

#include "platform/status_icon.h"
#include "platform/status_icon_desktop_p.h"
#include "platform/status_icon_qt_p.h"

namespace skyvane::platform {

std::vector<std::uint32_t> NotificationsFor(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
        case QSystemTrayIcon::Context:
            return {WM_RBUTTONDOWN, WM_RBUTTONUP};
        case QSystemTrayIcon::Trigger:
            return {WM_LBUTTONDOWN, WM_LBUTTONUP};
        case QSystemTrayIcon::DoubleClick:
            return {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP};
        case QSystemTrayIcon::MiddleClick:
            return {WM_MBUTTONDOWN, WM_MBUTTONUP};
        default:
            return {};
    }
}

namespace {

QImage ToQImage(const IconImage& picture) {
    QImage image(picture.width, picture.height, QImage::Format_ARGB32);
    for (int y = 0; y < picture.height; ++y)
        std::memcpy(image.scanLine(y), &picture.pixels[static_cast<std::size_t>(y) * picture.width],
                    static_cast<std::size_t>(picture.width) * 4);
    return image;
}

// A picture given to Qt at the size the tray draws it: drawn anew at that size where
// the picture can draw itself, else its own pixels enlarged or reduced. An X11 tray
// whose icon window is larger than the picture then shows sharp text, not a small
// picture scaled up or a large one smeared down.
}  // namespace

class DrawnIconEngine : public QIconEngine {
public:
    explicit DrawnIconEngine(IconImage picture) : picture_(std::move(picture)) {}

    // The same pixels, but perhaps another drawing at other sizes: drawn anew from now.
    void Redraw(IconImage picture) {
        picture_ = std::move(picture);
        drawn_.clear();
    }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
               QIcon::State state) override {
        const QPixmap drawn = pixmap(rect.size(), mode, state);
        painter->drawPixmap(rect.x() + (rect.width() - drawn.width()) / 2,
                            rect.y() + (rect.height() - drawn.height()) / 2, drawn);
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode, QIcon::State) override {
        const int side = std::min(size.width(), size.height());
        if (side <= 0) return QPixmap();
        auto found = drawn_.find(side);
        if (found != drawn_.end()) return found->second;
        QImage image = side != picture_.width && picture_.drawAtSize
                           ? ToQImage(picture_.drawAtSize(side))
                           : ToQImage(picture_);
        if (image.width() != side || image.height() != side)
            image = image.scaled(side, side, Qt::KeepAspectRatio, Qt::FastTransformation);
        if (drawn_.size() >= kSizesKept) drawn_.clear();
        return drawn_.emplace(side, QPixmap::fromImage(image)).first->second;
    }

    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override {
        const int side = std::min(size.width(), size.height());
        return QSize(side, side);
    }

    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
        return {QSize(picture_.width, picture_.height)};
    }

    QIconEngine* clone() const override { return new DrawnIconEngine(*this); }

private:
    static constexpr std::size_t kSizesKept = 8;  // a tray draws at one or two sizes
    IconImage picture_;
    std::map<int, QPixmap> drawn_;
};

const QIcon& IconCache::IconFor(const IconHandle& handle) {
    if (!handle || handle->width <= 0 || handle->height <= 0 ||
        handle->pixels.size() != static_cast<std::size_t>(handle->width) * handle->height) {
        // Qt refuses to show a tray icon without any image: a transparent square.
        if (blank_.isNull()) {
            QPixmap blank(16, 16);
            blank.fill(Qt::transparent);
            blank_ = QIcon(blank);
        }
        return blank_;
    }
    const Picture key{handle->width, handle->height, handle->pixels};
    auto found = icons_.find(key);
    if (found != icons_.end()) {
        // The most recently used picture goes to the back of the eviction order.
        order_.splice(order_.end(), order_, found->second.place);
        // Another picture with these pixels may draw itself otherwise at other sizes.
        if (handle->drawAtSize && found->second.source != handle) {
            found->second.engine->Redraw(*handle);
            found->second.source = handle;
        }
        return found->second.icon;
    }
    if (icons_.size() >= capacity_) {
        icons_.erase(order_.front());
        order_.pop_front();
    }
    order_.push_back(key);
    auto* engine = new DrawnIconEngine(*handle);
    auto placed =
        icons_.emplace(key, Cached{QIcon(engine), engine, handle, std::prev(order_.end())});
    return placed.first->second.icon;
}

namespace {

class XEmbedBackend : public TrayBackend {
public:
    explicit XEmbedBackend(DeliverNotifications deliver) : deliver_(std::move(deliver)) {}

    ~XEmbedBackend() override {
        for (auto& [key, entry] : entries_) delete entry.icon;
    }

    bool NotifyIcon(std::uint32_t message, const NotifyIconData& data, MenuModel*) override {
        const EntryKey key{data.hWnd, data.uID};
        auto it = entries_.find(key);
        switch (message) {
            case NIM_ADD:
                if (it == entries_.end()) {
                    Entry entry;
                    entry.icon = NewIcon(key);
                    it = entries_.emplace(key, std::move(entry)).first;
                }
                if (it->second.shown) return false;
                Apply(it->second, data);
                it->second.icon->show();
                it->second.shown = true;
                return true;
            case NIM_MODIFY:
                if (it == entries_.end() || !it->second.shown) return false;
                Apply(it->second, data);
                return true;
            case NIM_DELETE:
                if (it == entries_.end()) return false;
                {
                    const bool wasShown = it->second.shown;
                    Drop(it->second);
                    entries_.erase(it);
                    return wasShown;
                }
            case NIM_SETVERSION:
                // Qt reports the same activations whatever the version.
                return it != entries_.end() && it->second.shown;
            default:
                return false;
        }
    }

    void SetMenu(const EntryKey&, MenuModel*) override {
        // The component opens its own menu from the mouse notifications.
    }

    bool Shown(const EntryKey& key, std::uint32_t& callback) const override {
        auto it = entries_.find(key);
        if (it == entries_.end() || !it->second.shown) return false;
        callback = it->second.callback;
        return true;
    }

    void ForgetAll() override {
        for (auto& [key, entry] : entries_) Drop(entry);
        entries_.clear();
    }

private:
    struct Entry {
        QPointer<QSystemTrayIcon> icon;
        bool shown = false;
        std::uint32_t callback = 0;
        IconHandle picture;  // what the icon shows now
        QString toolTip;
    };

    QSystemTrayIcon* NewIcon(const EntryKey& key) {
        auto* icon = new QSystemTrayIcon;
        QObject::connect(icon, &QSystemTrayIcon::activated,
                         [this, key](QSystemTrayIcon::ActivationReason reason) {
                             deliver_(key, NotificationsFor(reason), std::nullopt);
                         });
        return icon;
    }

    static void Drop(Entry& entry) {
        if (!entry.icon) return;
        entry.icon->hide();
        // Deleted later: this call may come from within the icon's own signal.
        entry.icon->deleteLater();
    }

    // Hands Qt only what changed: a new picture or a new tooltip, each once.
    void Apply(Entry& entry, const NotifyIconData& data) {
        if (data.uFlags & NIF_MESSAGE) entry.callback = data.uCallbackMessage;
        if (data.uFlags & NIF_ICON) {
            const bool same = SameDrawing(entry.picture, data.hIcon);
            if (!same || entry.icon->icon().isNull())
                entry.icon->setIcon(icons_.IconFor(data.hIcon));
            entry.picture = data.hIcon;
        }
        if (data.uFlags & NIF_TIP) {
            const QString tip = QString::fromLocal8Bit(
                data.szTip, static_cast<int>(strnlen(data.szTip, sizeof data.szTip)));
            if (tip != entry.toolTip || entry.icon->toolTip() != tip) entry.icon->setToolTip(tip);
            entry.toolTip = tip;
        }
    }

    std::map<EntryKey, Entry> entries_;
    IconCache icons_;
    DeliverNotifications deliver_;
};

}  // namespace

std::unique_ptr<TrayBackend> MakeXEmbedBackend(DeliverNotifications deliver) {
    return std::make_unique<XEmbedBackend>(std::move(deliver));
}

}  // namespace skyvane::platform
