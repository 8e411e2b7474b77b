// SPDX-License-Identifier: GPL-3.0-or-later
// The X11 tray's presence: the owner of the tray selection, followed through the
// MANAGER announcement a new tray sends to the root window and the old owner's
// DestroyNotify (the system tray protocol), read from Qt's own xcb connection.
#include <xcb/xcb.h>

#include <QGuiApplication>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/tray_hosts_p.h"

namespace skyvane::platform {

namespace {

xcb_atom_t InternAtom(xcb_connection_t* c, const std::string& name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(name.size()), name.c_str()), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return atom;
}

// The screen number DISPLAY names (":1.2" is screen 2), 0 by default.
int DefaultScreen() {
    const char* display = std::getenv("DISPLAY");
    const char* dot = display ? std::strrchr(display, '.') : nullptr;
    const char* colon = display ? std::strrchr(display, ':') : nullptr;
    return dot && colon && dot > colon ? std::atoi(dot + 1) : 0;
}

// Adds StructureNotify to what this client hears from `window`, keeping the rest.
void ListenForStructure(xcb_connection_t* c, xcb_window_t window) {
    xcb_get_window_attributes_reply_t* attributes =
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr);
    if (!attributes) return;  // the window is gone already
    const std::uint32_t mask = attributes->your_event_mask | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    std::free(attributes);
    xcb_change_window_attributes(c, window, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(c);
}

}  // namespace

XEmbedTrayPresence::XEmbedTrayPresence(std::function<void()> changed)
    : changed_(std::move(changed)) {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11) return;
    auto* c = x11->connection();
    if (!c) return;
    const int screenNumber = DefaultScreen();
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screenNumber && screens.rem; ++i) xcb_screen_next(&screens);
    if (!screens.rem) return;
    // Start-up only: these few replies come from the X server, not from a tray.
    connection_ = c;
    root_ = screens.data->root;
    selection_ = InternAtom(c, "_NET_SYSTEM_TRAY_S" + std::to_string(screenNumber));
    managerAtom_ = InternAtom(c, "MANAGER");
    ListenForStructure(c, root_);
    xcb_get_selection_owner_reply_t* owner =
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selection_), nullptr);
    if (owner) {
        Follow(owner->owner);
        std::free(owner);
    }
    QCoreApplication::instance()->installNativeEventFilter(this);
}

XEmbedTrayPresence::~XEmbedTrayPresence() {
    if (connection_ && QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

void XEmbedTrayPresence::Follow(std::uint32_t window) {
    manager_ = window;
    // Its end is a DestroyNotify sent to us.
    if (window) ListenForStructure(static_cast<xcb_connection_t*>(connection_), window);
}

bool XEmbedTrayPresence::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t") return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    switch (event->response_type & 0x7F) {
        case XCB_CLIENT_MESSAGE: {
            const auto* announcement = reinterpret_cast<const xcb_client_message_event_t*>(event);
            if (announcement->window != root_ || announcement->type != managerAtom_ ||
                announcement->data.data32[1] != selection_)
                return false;
            Follow(announcement->data.data32[2]);
            if (changed_) changed_();
            return false;
        }
        case XCB_DESTROY_NOTIFY: {
            const auto* destroyed = reinterpret_cast<const xcb_destroy_notify_event_t*>(event);
            if (!manager_ || destroyed->window != manager_) return false;
            manager_ = 0;
            if (changed_) changed_();
            return false;
        }
        default:
            return false;
    }
}

}  // namespace skyvane::platform
