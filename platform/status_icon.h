// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop's notification area ("tray"): the shell calls that add, modify and
// delete a status icon, and the notifications it sends back to the icon's window.
// Qt-free. The desktop's implementation (status_icon_desktop.cpp) speaks to whichever
// tray host the desktop has: a StatusNotifierItem host over D-Bus
// (status_icon_dbus.cpp) or an X11 tray through Qt's system tray icon
// (status_icon_qt.cpp); status_icon_recording.h records the calls for tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/menu_model.h"

namespace skyvane::platform {

// Shell calls.
inline constexpr std::uint32_t NIM_ADD = 0;
inline constexpr std::uint32_t NIM_MODIFY = 1;
inline constexpr std::uint32_t NIM_DELETE = 2;
inline constexpr std::uint32_t NIM_SETVERSION = 4;

// Which fields of the record are valid.
inline constexpr std::uint32_t NIF_MESSAGE = 1;
inline constexpr std::uint32_t NIF_ICON = 2;
inline constexpr std::uint32_t NIF_TIP = 4;

// Notifications the shell sends with the callback message (its lParam).
inline constexpr std::uint32_t WM_MOUSEMOVE = 0x200;
inline constexpr std::uint32_t WM_LBUTTONDOWN = 0x201;
inline constexpr std::uint32_t WM_LBUTTONUP = 0x202;
inline constexpr std::uint32_t WM_LBUTTONDBLCLK = 0x203;
inline constexpr std::uint32_t WM_RBUTTONDOWN = 0x204;
inline constexpr std::uint32_t WM_RBUTTONUP = 0x205;
inline constexpr std::uint32_t WM_MBUTTONDOWN = 0x207;
inline constexpr std::uint32_t WM_MBUTTONUP = 0x208;
inline constexpr std::uint32_t WM_CONTEXTMENU = 0x7B;
inline constexpr std::uint32_t NIN_SELECT = 0x400;
inline constexpr std::uint32_t NIN_KEYSELECT = 0x401;
inline constexpr std::uint32_t NIN_BALLOONSHOW = 0x402;
inline constexpr std::uint32_t NIN_BALLOONHIDE = 0x403;
inline constexpr std::uint32_t NIN_BALLOONTIMEOUT = 0x404;
inline constexpr std::uint32_t NIN_BALLOONUSERCLICK = 0x405;

// Modifier keys held down, as ModifierKeys reports them.
inline constexpr unsigned kKeyShift = 1;
inline constexpr unsigned kKeyControl = 2;
inline constexpr unsigned kKeyAlt = 4;

// An icon image as the shell takes it: width × height pixels, 0xAARRGGBB, row by row.
struct IconImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
    // Draws the same picture anew at size × size for hosts that show more pixels
    // (empty: they scale this image). Called only by hosts that ask for it.
    std::function<IconImage(int size)> drawAtSize;
    // Same size and pixels (drawAtSize is not compared).
    bool SamePicture(const IconImage& other) const {
        return width == other.width && height == other.height && pixels == other.pixels;
    }
};
// The "icon handle" of the record: shared so the record never dangles.
using IconHandle = std::shared_ptr<const IconImage>;

// True when a host showing `shown` needs nothing new for `given`: the same handle, or
// the same pixels from a picture that cannot draw itself at other sizes (one that
// can may draw otherwise there, as a large background icon does).
inline bool SameDrawing(const IconHandle& shown, const IconHandle& given) {
    return shown == given || (shown && given && !given->drawAtSize && shown->SamePicture(*given));
}

// A window that receives messages: the tray icon's hidden handler window.
class MessageWindow {
public:
    virtual ~MessageWindow() = default;
    // Handles one message and returns its result. Never throws: it is called from
    // the desktop's event dispatch.
    virtual std::intptr_t HandleMessage(std::uint32_t message, std::uintptr_t wParam,
                                        std::intptr_t lParam) = 0;
};

// The notify record in its 488-byte form: the fixed fields, the icon and the hint.
struct NotifyIconData {
    std::uint32_t cbSize = 488;
    MessageWindow* hWnd = nullptr;       // receives uCallbackMessage
    std::uintptr_t uID = 0;              // the icon's identifier within hWnd
    std::uint32_t uFlags = 0;            // NIF_* bits
    std::uint32_t uCallbackMessage = 0;  // message number of the notifications
    IconHandle hIcon;                    // nullptr: no image
    char szTip[128] = {};                // the hint, zero-terminated
    std::uint32_t dwState = 0;
    std::uint32_t dwStateMask = 0;
    char szInfo[256] = {};
    std::uint32_t uVersion = 0;  // NIM_SETVERSION: 0 legacy, 3 version 3
    char szInfoTitle[64] = {};
    std::uint32_t dwInfoFlags = 0;
};

// The notification area of the desktop. An entry is named by (hWnd, uID); the
// notifications for it arrive as hWnd->HandleMessage(uCallbackMessage, uID, code).
class StatusIconService {
public:
    virtual ~StatusIconService() = default;

    // One shell call (NIM_*); true when the shell accepted it. NIM_ADD fails for an
    // entry that is already shown, NIM_MODIFY and NIM_DELETE for one that is not.
    virtual bool NotifyIcon(std::uint32_t message, const NotifyIconData& data) = 0;
    // True when the desktop has a notification area right now. Never waits: the
    // answer is what the service last learnt from the desktop.
    virtual bool Available() const = 0;
    // The menu a host that draws menus itself shows for the entry (hWnd, uID), kept
    // until replaced; nullptr: none. The model must outlive its use here: set
    // nullptr before destroying it.
    virtual void SetEntryMenu(MessageWindow* hWnd, std::uintptr_t uID, MenuModel* menu) = 0;

    // Windows told when the tray host comes back after a restart: they receive
    // TaskbarCreatedMessage (wParam and lParam 0); the host has forgotten every entry.
    virtual void AddRestartListener(MessageWindow* window) = 0;
    virtual void RemoveRestartListener(MessageWindow* window) = 0;

    // The pointer's screen position now; false when it cannot be read.
    virtual bool CursorPos(int& x, int& y) const = 0;
    // The modifier keys held down now (kKey* bits).
    virtual unsigned ModifierKeys() const = 0;
    // The system double-click time in milliseconds.
    virtual unsigned DoubleClickTime() const = 0;
};

// The message number of the "tray host has restarted" broadcast.
inline constexpr std::uint32_t TaskbarCreatedMessage = 0xC000;

// The desktop's own service (status_icon_desktop.cpp).
std::unique_ptr<StatusIconService> MakeDesktopStatusIconService();

// The application's title, which hosts show as the entry's name.
void SetApplicationTitle(std::string title);
const std::string& ApplicationTitle();

// The service the tray icons use: the one installed with SetStatusIconService, else
// the desktop's (created on first use).
StatusIconService& CurrentStatusIconService();
// Installs a service (nullptr: back to the desktop's); returns the previous one.
StatusIconService* SetStatusIconService(StatusIconService* service);

}  // namespace skyvane::platform
