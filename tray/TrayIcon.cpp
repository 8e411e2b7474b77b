// SPDX-License-Identifier: GPL-3.0-or-later
#include "tray/TrayIcon.h"

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QWidget>
#include <QWindowStateChangeEvent>
#include <algorithm>
#include <cstring>

#include "toolkit/Application.h"
#include "toolkit/ExceptionReport.h"
#include "toolkit/Form.h"
#include "toolkit/Menu.h"
#include "tray/PopupMenuModel.h"

namespace skyvane {

using namespace platform;

namespace {
TTrayIconHandler* sharedTrayHandler = nullptr;

// The pointer is polled this often while enter and exit events are wanted.
constexpr unsigned kExitPollMs = 20;
// Period the tick timers start with.
constexpr unsigned kDefaultTickMs = 1000;
}  // namespace

// ---------------------------------------------------------------------------
// Shared handler window

TTrayIconHandler::TTrayIconHandler() : service_(CurrentStatusIconService()) {
    service_.AddRestartListener(this);
}

TTrayIconHandler::~TTrayIconHandler() {
    service_.RemoveRestartListener(this);
}

TTrayIconHandler* TTrayIconHandler::Shared() {
    return sharedTrayHandler;
}

TTrayIconHandler* TTrayIconHandler::Acquire(TTrayIcon* icon) {
    if (!sharedTrayHandler) sharedTrayHandler = new TTrayIconHandler;
    ++sharedTrayHandler->refCount_;
    sharedTrayHandler->icons_.push_back(icon);
    return sharedTrayHandler;
}

void TTrayIconHandler::Release(TTrayIcon* icon) {
    if (!sharedTrayHandler) return;
    auto& icons = sharedTrayHandler->icons_;
    icons.erase(std::remove(icons.begin(), icons.end(), icon), icons.end());
    if (sharedTrayHandler->refCount_ > 0) --sharedTrayHandler->refCount_;
    if (sharedTrayHandler->refCount_ == 0) {
        delete sharedTrayHandler;
        sharedTrayHandler = nullptr;
    }
}

std::intptr_t TTrayIconHandler::HandleMessage(std::uint32_t message, std::uintptr_t wParam,
                                              std::intptr_t lParam) {
    if (message == TrayCallbackMessage) {
        // Only a live icon is acted on; an identifier of a destroyed one is ignored.
        auto it = std::find_if(icons_.begin(), icons_.end(),
                               [wParam](TTrayIcon* icon) { return icon->IconId() == wParam; });
        if (it == icons_.end()) return 0;
        TTrayIcon* icon = *it;
        Guarded([&] { icon->HandleNotification(static_cast<std::uint32_t>(lParam)); });
        return 0;  // `this` may be gone: the notification may have destroyed the last icon
    }
    if (message == TaskbarCreatedMessage) {
        const std::vector<TTrayIcon*> icons = icons_;
        for (TTrayIcon* icon : icons) {
            // An earlier icon's re-add may have destroyed this one (or the handler).
            TTrayIconHandler* handler = sharedTrayHandler;
            if (!handler || std::find(handler->icons_.begin(), handler->icons_.end(), icon) ==
                                handler->icons_.end())
                continue;
            Guarded([&] { icon->HandleTrayHostRestart(); });
        }
    }
    return 0;
}

// ---------------------------------------------------------------------------
// Owner window events

// Watches the owner window's Qt events: minimise, restore, show and right click.
class TTrayIcon::OwnerWatcher : public QObject {
public:
    OwnerWatcher(TTrayIcon& icon, QWidget* window) : icon_(icon), window_(window) {
        window_->installEventFilter(this);
    }
    ~OwnerWatcher() override {
        if (window_) window_->removeEventFilter(this);
    }
    // Set while the tray icon itself changes the window's state.
    bool quiet = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != window_ || quiet) return false;
        bool consumed = false;
        Guarded([&] { consumed = Handle(event); });
        return consumed;
    }

private:
    bool Handle(QEvent* event) {
        switch (event->type()) {
            case QEvent::WindowStateChange: {
                const Qt::WindowStates before =
                    static_cast<QWindowStateChangeEvent*>(event)->oldState();
                const Qt::WindowStates now = window_->windowState();
                if ((now & Qt::WindowMinimized) && !(before & Qt::WindowMinimized))
                    icon_.OwnerMinimized();
                else if ((before & Qt::WindowMinimized) && !(now & Qt::WindowMinimized))
                    icon_.OwnerRestored();
                return false;
            }
            case QEvent::Show:
                if (!event->spontaneous()) icon_.OwnerShown();
                return false;
            case QEvent::ContextMenu: {
                const QPoint at = static_cast<QContextMenuEvent*>(event)->globalPos();
                return icon_.OwnerContextMenu(at.x(), at.y());
            }
            default:
                return false;
        }
    }

    TTrayIcon& icon_;
    QPointer<QWidget> window_;
};

// ---------------------------------------------------------------------------
// Construction and destruction

TTrayIcon::TTrayIcon(TComponent* owner)
    : TComponent(owner),
      handler_(TTrayIconHandler::Acquire(this)),
      service_(CurrentStatusIconService()) {
    icon_.SetOnChange([this] { UpdateTrayEntry(); });
    notifyData_.cbSize = 488;
    notifyData_.hWnd = handler_;
    notifyData_.uID = IconId();
    notifyData_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    notifyData_.uCallbackMessage = TrayCallbackMessage;
    iconCycleTimer_ =
        std::make_unique<TTickTimer>(kDefaultTickMs, [this](TTickTimer*) { CycleTimerTick(); });
    clickDelayTimer_ =
        std::make_unique<TTickTimer>(kDefaultTickMs, [this](TTickTimer*) { ClickTimerTick(); });
    exitPollTimer_ =
        std::make_unique<TTickTimer>(kExitPollMs, [this](TTickTimer*) { ExitTimerTick(); });
    ownerWindow_ = dynamic_cast<QWidget*>(owner);
    if (!IsDesigning() && ownerWindow_)
        watcher_ = std::make_unique<OwnerWatcher>(*this, ownerWindow_);
}

TTrayIcon::~TTrayIcon() {
    service_.SetEntryMenu(handler_, IconId(), nullptr);
    menuModel_.reset();
    try {
        SetIconVisible(false);  // sent even if the icon was never shown
        designPreview_ = false;
        iconCycleTimer_.reset();
        clickDelayTimer_.reset();
        exitPollTimer_.reset();
        icon_.SetOnChange(nullptr);
    } catch (...) {
        // Destruction goes on; the hooks and the handler are released below anyway.
    }
    watcher_.reset();
    TTrayIconHandler::Release(this);
}

void TTrayIcon::LayoutLoaded() {
    TComponent::LayoutLoaded();
    if (ownerWindow_ && !IsDesigning() && !StartupQuestion()) {
        // Hidden only where a tray icon can bring the window back.
        if (TrayAvailable()) {
            if (Application()) Application()->SetShowMainForm(false);
            HideMainWindow();
        }
    }
    UpdateTrayEntry();
    SetIconVisible(iconVisible_);
    SetCycleIcons(cycleIcons_);
    SetWantEnterExitEvents(wantEnterExit_);
    ApplyNotifyStyle(notifyStyle_);
}

void TTrayIcon::ComponentRemoved(TComponent* component) {
    TComponent::ComponentRemoved(component);
    if (component == iconList_) {
        iconList_ = nullptr;
        SetIconList(nullptr);
    }
    if (component == popupMenu_) {
        // The menu is half destroyed already: its model must not touch it any more.
        if (menuModel_) menuModel_->MenuDestroyed();
        popupMenu_ = nullptr;
        OfferMenu();
    }
}

// ---------------------------------------------------------------------------
// Properties

void TTrayIcon::SetIconList(TImageList* list) {
    if (iconList_ && iconList_ != list) RemoveFreeNotification(iconList_);
    iconList_ = list;
    if (iconList_) FreeNotification(iconList_);
    SetIconIndex(0);
}

void TTrayIcon::SetCycleIcons(bool cycle) {
    cycleIcons_ = cycle;
    if (cycle) {
        SetIconIndex(0);
        iconCycleTimer_->SetPeriod(cycleInterval_);
        iconCycleTimer_->SetRunning(true);
    } else {
        iconCycleTimer_->SetRunning(false);
    }
}

void TTrayIcon::SetCycleInterval(unsigned ms) {
    if (ms == cycleInterval_) return;
    cycleInterval_ = ms;
    SetCycleIcons(cycleIcons_);
}

void TTrayIcon::SetHint(std::string hint) {
    hint_ = std::move(hint);
    UpdateTrayEntry();
}

void TTrayIcon::SetShowHint(bool show) {
    showHint_ = show;
    UpdateTrayEntry();
}

void TTrayIcon::SetIcon(const TIcon& icon) {
    auto onChange = icon_.OnChange();
    icon_.SetOnChange(nullptr);
    icon_.Assign(icon);
    icon_.SetOnChange(std::move(onChange));
    UpdateTrayEntry();
}

void TTrayIcon::SetIconVisible(bool visible) {
    if (visible)
        AddTrayEntry();
    else
        DeleteTrayEntry();
}

void TTrayIcon::CopyListImage(int index) {
    auto onChange = icon_.OnChange();
    icon_.SetOnChange(nullptr);
    iconList_->GetIcon(index, icon_);
    icon_.SetOnChange(std::move(onChange));
}

void TTrayIcon::SetIconIndex(int index) {
    if (iconList_) {
        // An empty list gives -1 and leaves the image as it is; a negative index
        // means the first image.
        iconIndex_ = std::clamp(index, 0, std::max(0, iconList_->Count() - 1));
        if (iconList_->Count() == 0)
            iconIndex_ = -1;
        else
            CopyListImage(iconIndex_);
    } else {
        iconIndex_ = 0;
    }
    UpdateTrayEntry();
}

void TTrayIcon::SetPopupMenu(TPopupMenu* menu) {
    if (popupMenu_ && popupMenu_ != menu) RemoveFreeNotification(popupMenu_);
    popupMenu_ = menu;
    if (popupMenu_) FreeNotification(popupMenu_);
    OfferMenu();
}

void TTrayIcon::OfferMenu() {
    service_.SetEntryMenu(handler_, IconId(), nullptr);
    menuModel_.reset();
    if (!popupMenu_) return;
    menuModel_ = std::make_unique<TPopupMenuModel>(*popupMenu_);
    service_.SetEntryMenu(handler_, IconId(), menuModel_.get());
}

void TTrayIcon::SetWantEnterExitEvents(bool want) {
    wantEnterExit_ = want;
    exitPollTimer_->SetRunning(want);
}

bool TTrayIcon::ApplyNotifyStyle(TNotifyStyle style) {
    notifyStyle_ = style;
    notifyData_.uVersion = style == nsVersion3 ? 3 : 0;
    return Shell(NIM_SETVERSION);
}

// ---------------------------------------------------------------------------
// Shell calls

void TTrayIcon::PrepareIconData() {
    try {
        notifyData_.hIcon = icon_.Handle();
    } catch (const EReadError&) {
        notifyData_.hIcon = nullptr;  // the entry goes ahead without an image
    }
    std::memset(notifyData_.szTip, 0, sizeof notifyData_.szTip);
    if (!hint_.empty() && showHint_)
        std::memcpy(notifyData_.szTip, hint_.data(),
                    std::min(hint_.size(), sizeof notifyData_.szTip - 1));
}

bool TTrayIcon::Shell(std::uint32_t message) {
    return service_.NotifyIcon(message, notifyData_);
}

bool TTrayIcon::AddTrayEntry() {
    iconVisible_ = true;
    PrepareIconData();
    return Shell(NIM_ADD);
}

bool TTrayIcon::DeleteTrayEntry() {
    iconVisible_ = false;
    PrepareIconData();
    return Shell(NIM_DELETE);
}

bool TTrayIcon::UpdateTrayEntry() {
    PrepareIconData();
    return Shell(NIM_MODIFY);
}

bool TTrayIcon::MakeIconFromBitmap(const TBitmap& bitmap, TIcon& icon, TColor maskColor) {
    TImageList list(nullptr, 16, 16);
    list.Add(bitmap, maskColor);
    list.GetIcon(0, icon);
    return true;
}

// ---------------------------------------------------------------------------
// Notifications

TShiftState TTrayIcon::ReadModifierKeys() const {
    const unsigned keys = service_.ModifierKeys();
    TShiftState shift;
    if (keys & kKeyShift) shift.Include(ssShift);
    if (keys & kKeyAlt) shift.Include(ssAlt);
    if (keys & kKeyControl) shift.Include(ssCtrl);
    return shift;
}

bool TTrayIcon::MenuAutoPopup() const {
    return popupMenu_ && popupMenu_->AutoPopup();
}

void TTrayIcon::HandleNotification(std::uint32_t notification) {
    switch (notification) {
        case NIN_BALLOONSHOW:
            if (onBalloonShow_) onBalloonShow_(this);
            return;
        case NIN_BALLOONHIDE:
            if (onBalloonHide_) onBalloonHide_(this);
            return;
        case NIN_BALLOONTIMEOUT:
            if (onBalloonTimeout_) onBalloonTimeout_(this);
            return;
        case NIN_BALLOONUSERCLICK:
            if (onBalloonClick_) onBalloonClick_(this);
            return;
        default:
            break;
    }
    if (!enabled_) return;

    int x = 0, y = 0;
    service_.CursorPos(x, y);
    TShiftState shift = ReadModifierKeys();
    switch (notification) {
        case WM_MOUSEMOVE:
            if (wantEnterExit_ && pointerOutside_) {
                DoMouseEnter();
                pointerOutside_ = false;
            }
            DoMouseMove(shift, x, y);
            lastPointerX_ = x;
            lastPointerY_ = y;
            break;
        case WM_LBUTTONDOWN:
            if (onDblClick_) {
                clickDelayTimer_->SetPeriod(service_.DoubleClickTime());
                clickDelayTimer_->SetRunning(true);
            }
            DoMouseDown(mbLeft, shift.Include(ssLeft), x, y);
            leftDownSeen_ = true;
            if (leftPopup_ && MenuAutoPopup()) ShowMenuAtCursor();
            break;
        case WM_LBUTTONUP:
            shift.Include(ssLeft);
            if (leftDownSeen_) clickDue_ = true;
            if (leftDownSeen_ && !clickDelayTimer_->Running()) {
                leftDownSeen_ = false;
                clickDue_ = false;
                DoClick();
            }
            leftDownSeen_ = false;
            DoMouseUp(mbLeft, shift, x, y);
            break;
        case WM_LBUTTONDBLCLK:
            clickDue_ = false;
            doubleClickSeen_ = true;
            DoDblClick();
            if (MenuAutoPopup() && !leftPopup_) RunDefaultMenuItem();
            break;
        case WM_RBUTTONDOWN:
            DoMouseDown(mbRight, shift.Include(ssRight), x, y);
            if (MenuAutoPopup()) ShowMenuAtCursor();
            break;
        case WM_RBUTTONUP:
            if (notifyStyle_ == nsLegacy) DoMouseUp(mbRight, shift.Include(ssRight), x, y);
            break;
        case WM_MBUTTONDOWN:
            DoMouseDown(mbMiddle, shift.Include(ssMiddle), x, y);
            break;
        case WM_MBUTTONUP:
            DoMouseUp(mbMiddle, shift.Include(ssMiddle), x, y);
            break;
        case WM_CONTEXTMENU:
        case NIN_SELECT:
        case NIN_KEYSELECT:
            if (notifyStyle_ == nsVersion3) DoMouseUp(mbRight, shift.Include(ssRight), x, y);
            break;
        default:
            break;
    }
}

void TTrayIcon::RunDefaultMenuItem() {
    // Scanned from the last item to the first: of several default items the one with
    // the lowest index wins.
    TMenuItem* chosen = nullptr;
    const auto& items = popupMenu_->Items();
    for (auto it = items.rbegin(); it != items.rend(); ++it)
        if ((*it)->Default()) chosen = *it;
    if (chosen) chosen->Click();
}

void TTrayIcon::ClickTimerTick() {
    clickDelayTimer_->SetRunning(false);
    if (!doubleClickSeen_ && clickDue_) {
        clickDue_ = false;
        DoClick();
    }
    doubleClickSeen_ = false;
}

void TTrayIcon::ExitTimerTick() {
    if (pointerOutside_) return;
    int x = 0, y = 0;
    if (!service_.CursorPos(x, y)) return;
    if (x != lastPointerX_ || y != lastPointerY_) {
        pointerOutside_ = true;
        DoMouseExit();
    }
}

void TTrayIcon::CycleTimerTick() {
    if (!iconList_ || iconList_->Count() == 0) return;
    CopyListImage(iconIndex_);
    UpdateTrayEntry();
    const int next = iconIndex_ < iconList_->Count() - 1 ? iconIndex_ + 1 : 0;
    DoCycle(next);
    SetIconIndex(next);
}

void TTrayIcon::HandleTrayHostRestart() {
    if (iconVisible_) AddTrayEntry();
}

// ---------------------------------------------------------------------------
// Menu

void TTrayIcon::ShowMenuAtCursor() {
    int x = 0, y = 0;
    if (service_.CursorPos(x, y)) ShowMenuAt(x, y);
}

void TTrayIcon::ShowMenuAt(int x, int y) {
    if (!popupMenu_) return;
    QCoreApplication::processEvents();
    // The pending events may have removed the menu.
    if (!popupMenu_) return;
    popupMenu_->SetPopupComponent(this);
    // Modal; the chosen command may destroy this icon, so nothing follows.
    popupMenu_->Popup(x, y);
}

// ---------------------------------------------------------------------------
// Events

void TTrayIcon::DoClick() {
    if (onClick_) onClick_(this);
}
void TTrayIcon::DoDblClick() {
    if (onDblClick_) onDblClick_(this);
}
void TTrayIcon::DoCycle(int nextIndex) {
    if (onCycle_) onCycle_(this, nextIndex);
}
void TTrayIcon::DoMouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (onMouseDown_) onMouseDown_(this, button, shift, x, y);
}
void TTrayIcon::DoMouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (onMouseUp_) onMouseUp_(this, button, shift, x, y);
}
void TTrayIcon::DoMouseMove(TShiftState shift, int x, int y) {
    if (onMouseMove_) onMouseMove_(this, shift, x, y);
}
void TTrayIcon::DoMouseEnter() {
    if (onMouseEnter_) onMouseEnter_(this);
}
void TTrayIcon::DoMouseExit() {
    if (onMouseExit_) onMouseExit_(this);
}

// ---------------------------------------------------------------------------
// Minimise to tray

bool TTrayIcon::StartupQuestion() {
    bool showMainForm = true;
    if (onStartup_) onStartup_(this, showMainForm);
    return showMainForm;
}

void TTrayIcon::HideMainWindow() {
    if (!ownerWindow_ || !Application() || !Application()->MainForm()) return;
    TForm* form = Application()->MainForm();
    // Quiet: the tray icon's own state changes are not minimise or restore requests.
    const bool wasQuiet = watcher_ && watcher_->quiet;
    if (watcher_) watcher_->quiet = true;
    // Only hidden: clearing the minimised state here would make the window system map
    // the window again behind Qt's back (a black window Qt thinks is hidden). Whoever
    // shows it again shows it normal (showNormal).
    form->hide();
    if (watcher_) watcher_->quiet = wasQuiet;
    HideTaskbarButton();
}

void TTrayIcon::HideTaskbarButton() {
    // On this desktop the taskbar entry belongs to the main form itself.
    if (Application() && Application()->MainForm() && Application()->MainForm()->isVisible())
        Application()->MainForm()->hide();
}

void TTrayIcon::SendToTray() {
    HideMainWindow();
    SetIconVisible(true);
}

void TTrayIcon::OwnerMinimized() {
    // Without a notification area nothing could bring a hidden window back: the
    // window stays minimised on the taskbar.
    if (!minimizeToTray_ || !TrayAvailable()) return;
    if (onMinimizeToTray_) onMinimizeToTray_(this);
    SendToTray();
}

void TTrayIcon::OwnerRestored() {
    TForm* form = Application() ? Application()->MainForm() : nullptr;
    if (form && !form->isVisible()) form->showNormal();
}

void TTrayIcon::OwnerShown() {
    ownerWindow_->raise();
    ownerWindow_->activateWindow();
}

bool TTrayIcon::OwnerContextMenu(int x, int y) {
    // The window offers the icon's menu too, with or without a notification area: a
    // tray may hide the icon (an overflow box, a host that lists it elsewhere), and
    // every command stays reachable from the window.
    if (!enabled_ || !MenuAutoPopup()) return false;
    ShowMenuAt(x, y);
    return true;
}

}  // namespace skyvane
