// SPDX-License-Identifier: GPL-3.0-or-later
// The notification-area icon: a non-visual component that owns one entry in the
// tray, carries its hint, turns the shell's mouse notifications into events, opens a
// pop-up menu from it and can step through an image list. It also watches its owner
// window: minimise to tray, start-up, restore, bring to front, and the re-add when
// the tray host comes back. The owner window opens the pop-up menu on a right click;
// on a desktop without a notification area it also minimises normally.
#pragma once

#include <QPointer>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/status_icon.h"
#include "toolkit/Component.h"
#include "toolkit/Images.h"
#include "tray/TickTimer.h"

class QWidget;

namespace skyvane {

class TPopupMenu;
class TPopupMenuModel;
class TTrayIcon;

enum TMouseButton : std::uint8_t { mbLeft, mbRight, mbMiddle };
enum TShiftStateMember : std::uint8_t {
    ssShift,
    ssAlt,
    ssCtrl,
    ssLeft,
    ssRight,
    ssMiddle,
    ssDouble
};

// A set of TShiftStateMember.
class TShiftState {
public:
    constexpr TShiftState() = default;
    constexpr TShiftState(std::initializer_list<TShiftStateMember> members) {
        for (TShiftStateMember m : members) Include(m);
    }
    constexpr bool Contains(TShiftStateMember m) const { return (bits_ >> m) & 1u; }
    constexpr TShiftState& Include(TShiftStateMember m) {
        bits_ = static_cast<std::uint8_t>(bits_ | (1u << m));
        return *this;
    }
    constexpr bool operator==(const TShiftState&) const = default;

private:
    std::uint8_t bits_ = 0;
};

// How the shell reports events: legacy, or version 3 (context menu via WM_CONTEXTMENU).
enum TNotifyStyle : std::uint8_t { nsLegacy, nsVersion3 };

using TMouseEvent =
    std::function<void(TComponent* sender, TMouseButton button, TShiftState shift, int x, int y)>;
using TMouseMoveEvent = std::function<void(TComponent* sender, TShiftState shift, int x, int y)>;
using TCycleEvent = std::function<void(TComponent* sender, int nextIndex)>;
using TStartupEvent = std::function<void(TComponent* sender, bool& showMainForm)>;

// The message number of the shell's notifications to the shared handler window.
inline constexpr std::uint32_t TrayCallbackMessage = 0x800;

// The hidden window shared by all tray icons of the process: the shell's
// notifications and the tray host's restart reach the icons through it.
class TTrayIconHandler : public platform::MessageWindow {
public:
    // The shared handler, or nullptr while no tray icon exists.
    static TTrayIconHandler* Shared();
    // Number of live tray icons using it.
    unsigned ReferenceCount() const { return refCount_; }
    // The handler's message procedure: TrayCallbackMessage with wParam = IconId and
    // lParam = the notification, and the restart broadcast.
    std::intptr_t HandleMessage(std::uint32_t message, std::uintptr_t wParam,
                                std::intptr_t lParam) override;

private:
    friend class TTrayIcon;
    TTrayIconHandler();
    ~TTrayIconHandler() override;
    static TTrayIconHandler* Acquire(TTrayIcon* icon);
    static void Release(TTrayIcon* icon);

    platform::StatusIconService& service_;  // tells it when the tray host comes back
    unsigned refCount_ = 0;
    std::vector<TTrayIcon*> icons_;  // the live icons, to turn an IconId back into one
};

class TTrayIcon : public TComponent {
public:
    // A tray icon owned by `owner`; when the owner is a window (a QWidget, normally
    // the main TForm) its window events are watched.
    explicit TTrayIcon(TComponent* owner);
    ~TTrayIcon() override;

    // Stored; only meaningful inside a form designer.
    bool DesignPreview() const { return designPreview_; }
    void SetDesignPreview(bool preview) { designPreview_ = preview; }
    // The images to cycle through (16 × 16), or none; setting it sets IconIndex to 0.
    TImageList* IconList() const { return iconList_; }
    void SetIconList(TImageList* list);
    // Cycle through IconList every CycleInterval ms.
    bool CycleIcons() const { return cycleIcons_; }
    void SetCycleIcons(bool cycle);
    unsigned CycleInterval() const { return cycleInterval_; }
    void SetCycleInterval(unsigned ms);
    // While false all mouse notifications are ignored.
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled) { enabled_ = enabled; }
    // The tooltip text (up to 127 characters reach the shell).
    const std::string& Hint() const { return hint_; }
    void SetHint(std::string hint);
    bool ShowHint() const { return showHint_; }
    void SetShowHint(bool show);
    // The image shown; its change notification updates the tray entry.
    const TIcon& Icon() const { return icon_; }
    TIcon& Icon() { return icon_; }
    void SetIcon(const TIcon& icon);
    // true adds the entry to the tray, false deletes it.
    bool IconVisible() const { return iconVisible_; }
    void SetIconVisible(bool visible);
    // The image of IconList shown (clamped to the list; 0 without a list).
    int IconIndex() const { return iconIndex_; }
    void SetIconIndex(int index);
    // The menu opened from the icon (right button; left too with LeftPopup); tray
    // hosts that draw menus themselves are given it as well.
    TPopupMenu* PopupMenu() const { return popupMenu_; }
    void SetPopupMenu(TPopupMenu* menu);
    bool LeftPopup() const { return leftPopup_; }
    void SetLeftPopup(bool leftPopup) { leftPopup_ = leftPopup; }
    // Report the pointer entering and leaving the icon (polled every 20 ms).
    bool WantEnterExitEvents() const { return wantEnterExit_; }
    void SetWantEnterExitEvents(bool want);
    // Minimising the owner window sends the application to the tray.
    bool MinimizeToTray() const { return minimizeToTray_; }
    void SetMinimizeToTray(bool minimize) { minimizeToTray_ = minimize; }
    // The shell's notification style (not stored).
    TNotifyStyle NotifyStyle() const { return notifyStyle_; }
    // Sets the style and tells the shell (NIM_SETVERSION).
    bool ApplyNotifyStyle(TNotifyStyle style);

    // Events; a handler is called only when set, with this icon as sender.
    void SetOnClick(TNotifyEvent h) { onClick_ = std::move(h); }
    void SetOnDblClick(TNotifyEvent h) { onDblClick_ = std::move(h); }
    const TNotifyEvent& OnDblClick() const { return onDblClick_; }
    void SetOnMouseEnter(TNotifyEvent h) { onMouseEnter_ = std::move(h); }
    void SetOnMouseExit(TNotifyEvent h) { onMouseExit_ = std::move(h); }
    void SetOnMouseDown(TMouseEvent h) { onMouseDown_ = std::move(h); }
    void SetOnMouseUp(TMouseEvent h) { onMouseUp_ = std::move(h); }
    void SetOnMouseMove(TMouseMoveEvent h) { onMouseMove_ = std::move(h); }
    void SetOnCycle(TCycleEvent h) { onCycle_ = std::move(h); }
    void SetOnBalloonHintShow(TNotifyEvent h) { onBalloonShow_ = std::move(h); }
    void SetOnBalloonHintHide(TNotifyEvent h) { onBalloonHide_ = std::move(h); }
    void SetOnBalloonHintTimeout(TNotifyEvent h) { onBalloonTimeout_ = std::move(h); }
    void SetOnBalloonHintClick(TNotifyEvent h) { onBalloonClick_ = std::move(h); }
    void SetOnMinimizeToTray(TNotifyEvent h) { onMinimizeToTray_ = std::move(h); }
    void SetOnStartup(TStartupEvent h) { onStartup_ = std::move(h); }

    // True when the desktop has a notification area now. Without one the owner window
    // is never hidden by minimising; a program should not hide its window either then.
    bool TrayAvailable() const { return service_.Available(); }

    // The identifier given to the shell (this instance's address).
    std::uintptr_t IconId() const { return reinterpret_cast<std::uintptr_t>(this); }
    // The record as last prepared for the shell.
    const platform::NotifyIconData& NotifyData() const { return notifyData_; }

    // Shell calls; each returns whether the shell accepted it.
    virtual bool AddTrayEntry();
    virtual bool DeleteTrayEntry();
    virtual bool UpdateTrayEntry();

    // Shows PopupMenu at the screen point, modally (returns when the menu closes).
    void ShowMenuAt(int x, int y);
    // Shows PopupMenu at the pointer; nothing if the pointer cannot be read.
    void ShowMenuAtCursor();

    // Hides the main form (and with it its taskbar entry).
    void HideMainWindow();
    // Hides what carries the application's taskbar entry: here the main form itself.
    void HideTaskbarButton();
    // Hides the main window, then shows the tray icon.
    virtual void SendToTray();

    // The 16 × 16 icon of `bitmap` with RGB(maskColor) transparent (none with clNone).
    static bool MakeIconFromBitmap(const TBitmap& bitmap, TIcon& icon, TColor maskColor);

    // True: an empty Icon gets the stock application icon inside a form designer.
    virtual bool WantsDefaultIcon() const { return true; }

    void LayoutLoaded() override;

protected:
    friend class TTrayIconHandler;
    // The shell's notification for this icon (the lParam of TrayCallbackMessage).
    void HandleNotification(std::uint32_t notification);
    // The tray host has come back: a visible icon is added again.
    void HandleTrayHostRestart();

    void ComponentRemoved(TComponent* component) override;

    virtual void DoClick();
    virtual void DoDblClick();
    virtual void DoCycle(int nextIndex);
    virtual void DoMouseDown(TMouseButton button, TShiftState shift, int x, int y);
    virtual void DoMouseUp(TMouseButton button, TShiftState shift, int x, int y);
    virtual void DoMouseMove(TShiftState shift, int x, int y);
    virtual void DoMouseEnter();
    virtual void DoMouseExit();

    // The three timers, for subclasses and tests that drive ticks themselves.
    TTickTimer& IconCycleTimer() { return *iconCycleTimer_; }
    TTickTimer& ClickDelayTimer() { return *clickDelayTimer_; }
    TTickTimer& ExitPollTimer() { return *exitPollTimer_; }

private:
    class OwnerWatcher;
    friend class OwnerWatcher;

    void PrepareIconData();
    bool Shell(std::uint32_t message);
    TShiftState ReadModifierKeys() const;
    void CycleTimerTick();
    void ClickTimerTick();
    void ExitTimerTick();
    void RunDefaultMenuItem();
    bool MenuAutoPopup() const;
    // Copies image `index` of IconList into Icon without its change notification.
    void CopyListImage(int index);
    bool StartupQuestion();
    // Owner window events (through OwnerWatcher); true when the event is consumed.
    void OwnerMinimized();
    void OwnerRestored();
    void OwnerShown();
    bool OwnerContextMenu(int x, int y);
    // Hands the tray host the model of PopupMenu (none without a menu).
    void OfferMenu();

    TTrayIconHandler* handler_;
    platform::StatusIconService& service_;
    platform::NotifyIconData notifyData_;
    TIcon icon_;
    std::unique_ptr<TTickTimer> iconCycleTimer_;
    std::unique_ptr<TTickTimer> clickDelayTimer_;
    std::unique_ptr<TTickTimer> exitPollTimer_;
    QPointer<QWidget> ownerWindow_;
    std::unique_ptr<OwnerWatcher> watcher_;

    bool designPreview_ = false;
    TImageList* iconList_ = nullptr;
    bool cycleIcons_ = false;
    unsigned cycleInterval_ = 0;
    bool enabled_ = true;
    std::string hint_;
    bool showHint_ = true;
    bool iconVisible_ = false;
    int iconIndex_ = 0;
    TPopupMenu* popupMenu_ = nullptr;
    std::unique_ptr<TPopupMenuModel> menuModel_;  // PopupMenu as the tray host sees it
    bool leftPopup_ = false;
    bool wantEnterExit_ = false;
    bool minimizeToTray_ = false;
    TNotifyStyle notifyStyle_ = nsLegacy;

    bool leftDownSeen_ = false;
    bool clickDue_ = false;
    bool doubleClickSeen_ = false;
    bool pointerOutside_ = true;
    int lastPointerX_ = 0;
    int lastPointerY_ = 0;

    TNotifyEvent onClick_, onDblClick_, onMouseEnter_, onMouseExit_;
    TMouseEvent onMouseDown_, onMouseUp_;
    TMouseMoveEvent onMouseMove_;
    TCycleEvent onCycle_;
    TNotifyEvent onBalloonShow_, onBalloonHide_, onBalloonTimeout_, onBalloonClick_;
    TNotifyEvent onMinimizeToTray_;
    TStartupEvent onStartup_;
};

}  // namespace skyvane
