// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/tray/TraySupport.h"
#include "toolkit/Menu.h"
#include "tray/TrayIcon.h"

namespace skyvane {
namespace {

using namespace platform;
using test::MenuCloser;

// A tray icon whose timers the test ticks by hand, logging every event it raises.
class ProbeIcon : public TTrayIcon {
public:
    explicit ProbeIcon(TComponent* owner) : TTrayIcon(owner) {
        SetOnClick([this](TComponent*) { log.push_back("click"); });
        SetOnMouseDown([this](TComponent*, TMouseButton b, TShiftState s, int x, int y) {
            log.push_back("down" + ButtonName(b) + At(s, x, y));
        });
        SetOnMouseUp([this](TComponent*, TMouseButton b, TShiftState s, int x, int y) {
            log.push_back("up" + ButtonName(b) + At(s, x, y));
        });
        SetOnMouseEnter([this](TComponent*) { log.push_back("enter"); });
        SetOnMouseExit([this](TComponent*) { log.push_back("exit"); });
        SetOnBalloonHintShow([this](TComponent*) { log.push_back("balloon"); });
    }
    void WithDoubleClick() {
        SetOnDblClick([this](TComponent*) { log.push_back("dbl"); });
    }
    void Tick(TTickTimer& timer) {
        TTickTimerHandler::Shared()->HandleTimerMessage(timer.TimerId());
    }
    void TickClickDelay() { Tick(ClickDelayTimer()); }
    void TickCycle() { Tick(IconCycleTimer()); }
    void TickExitPoll() { Tick(ExitPollTimer()); }
    bool ClickDelayRunning() { return ClickDelayTimer().Running(); }
    unsigned ClickDelayPeriod() { return ClickDelayTimer().Period(); }

    std::vector<std::string> log;

private:
    static std::string ButtonName(TMouseButton b) {
        return b == mbLeft ? "L" : b == mbRight ? "R" : "M";
    }
    static std::string At(TShiftState s, int x, int y) {
        std::string keys;
        if (s.Contains(ssShift)) keys += "s";
        if (s.Contains(ssCtrl)) keys += "c";
        if (s.Contains(ssAlt)) keys += "a";
        if (s.Contains(ssLeft)) keys += "l";
        if (s.Contains(ssRight)) keys += "r";
        if (s.Contains(ssMiddle)) keys += "m";
        if (s.Contains(ssDouble)) keys += "d";
        return "[" + keys + "]@" + std::to_string(x) + "," + std::to_string(y);
    }
};

// A solid 16 × 16 icon of one colour.
TIcon Solid(QRgb colour) {
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(colour);
    return TIcon(image);
}

QRgb CentreOf(const NotifyIconData& record) {
    return record.hIcon ? record.hIcon->pixels[8 * 16 + 8] : 0;
}

class TrayIconTest : public test::TrayTest {};

TEST_F(TrayIconTest, RecordCarriesItsFixedFieldsAndTheIcon) {
    ProbeIcon icon(nullptr);
    EXPECT_TRUE(shell.Calls().empty());  // nothing reaches the shell before IconVisible
    icon.SetIcon(Solid(0xFF123456));
    icon.SetIconVisible(true);
    ASSERT_FALSE(shell.Calls().empty());
    const auto& call = shell.Calls().back();
    EXPECT_EQ(call.message, NIM_ADD);
    EXPECT_TRUE(call.accepted);
    EXPECT_EQ(call.data.cbSize, 488u);
    EXPECT_EQ(call.data.uFlags, NIF_MESSAGE | NIF_ICON | NIF_TIP);
    EXPECT_EQ(call.data.uCallbackMessage, 0x800u);
    EXPECT_EQ(call.data.uID, icon.IconId());
    EXPECT_EQ(call.data.hWnd, TTrayIconHandler::Shared());
    ASSERT_TRUE(call.data.hIcon);
    EXPECT_EQ(call.data.hIcon->width, 16);
    EXPECT_EQ(CentreOf(call.data), 0xFF123456u);
}

TEST_F(TrayIconTest, HintReachesTheShellCutTo127Characters) {
    struct Case {
        std::string hint;
        bool showHint;
        std::string tip;
    };
    const std::string longHint(200, 'h');
    const std::vector<Case> cases = {
        {"Az(123)", true, "Az(123)"},
        {longHint, true, longHint.substr(0, 127)},
        {std::string(127, 'x'), true, std::string(127, 'x')},
        {"", true, ""},
        {"Az(1)", false, ""},
    };
    for (const Case& c : cases) {
        ProbeIcon icon(nullptr);
        icon.SetIconVisible(true);
        icon.SetShowHint(c.showHint);
        icon.SetHint(c.hint);
        const auto& call = shell.Calls().back();
        EXPECT_EQ(call.message, NIM_MODIFY);
        EXPECT_EQ(call.Tip(), c.tip) << c.hint.size();
        EXPECT_EQ(call.data.szTip[127], '\0');
        EXPECT_EQ(call.data.uFlags & NIF_TIP, NIF_TIP);  // the flag stays even without a tip
        if (c.tip.empty()) {
            for (char byte : call.data.szTip) ASSERT_EQ(byte, '\0');
        }
    }
}

TEST_F(TrayIconTest, HintSetOutsideTheTrayComesWithTheNextAdd) {
    ProbeIcon icon(nullptr);
    icon.SetHint("Az(42)");
    EXPECT_EQ(shell.Messages(), (std::vector<std::uint32_t>{NIM_MODIFY}));
    EXPECT_FALSE(shell.Calls().back().accepted);
    icon.SetIconVisible(true);
    EXPECT_EQ(shell.Calls().back().message, NIM_ADD);
    EXPECT_EQ(shell.Calls().back().Tip(), "Az(42)");
}

TEST_F(TrayIconTest, DestructionDeletesTheEntryEvenIfNeverShown) {
    auto icon = std::make_unique<ProbeIcon>(nullptr);
    icon->SetIconVisible(true);
    MessageWindow* window = TTrayIconHandler::Shared();
    const std::uintptr_t id = icon->IconId();
    icon.reset();
    EXPECT_EQ(shell.Calls().back().message, NIM_DELETE);
    EXPECT_FALSE(shell.Shown(window, id));
    shell.ClearCalls();
    { ProbeIcon hidden(nullptr); }
    EXPECT_EQ(shell.Messages(), (std::vector<std::uint32_t>{NIM_DELETE}));
}

TEST_F(TrayIconTest, MouseNotificationsBecomeEvents) {
    struct Case {
        const char* name;
        bool dblClickHandler;
        bool enabled;
        TNotifyStyle style;
        std::vector<std::uint32_t> notifications;
        bool tickAfter;  // the double-click time runs out afterwards
        std::vector<std::string> events;
    };
    const std::string at = "@7,9";
    const std::vector<Case> cases = {
        {"click reported at once without OnDblClick",
         false,
         true,
         nsLegacy,
         {WM_LBUTTONDOWN, WM_LBUTTONUP},
         false,
         {"downL[sl]" + at, "click", "upL[sl]" + at}},
        {"click waits for the double-click time",
         true,
         true,
         nsLegacy,
         {WM_LBUTTONDOWN, WM_LBUTTONUP},
         true,
         {"downL[sl]" + at, "upL[sl]" + at, "click"}},
        {"double click gives no click",
         true,
         true,
         nsLegacy,
         {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP},
         true,
         {"downL[sl]" + at, "upL[sl]" + at, "dbl", "upL[sl]" + at}},
        {"double click without handler: two clicks",
         false,
         true,
         nsLegacy,
         {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP},
         false,
         {"downL[sl]" + at, "click", "upL[sl]" + at, "upL[sl]" + at}},
        {"right and middle buttons, legacy",
         false,
         true,
         nsLegacy,
         {WM_RBUTTONDOWN, WM_RBUTTONUP, WM_CONTEXTMENU, NIN_SELECT, WM_MBUTTONDOWN, WM_MBUTTONUP},
         false,
         {"downR[sr]" + at, "upR[sr]" + at, "downM[sm]" + at, "upM[sm]" + at}},
        {"right button, version 3",
         false,
         true,
         nsVersion3,
         {WM_RBUTTONDOWN, WM_RBUTTONUP, WM_CONTEXTMENU, NIN_SELECT, NIN_KEYSELECT},
         false,
         {"downR[sr]" + at, "upR[sr]" + at, "upR[sr]" + at, "upR[sr]" + at}},
        {"disabled: only balloons",
         true,
         false,
         nsLegacy,
         {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_RBUTTONDOWN, WM_MOUSEMOVE,
          NIN_BALLOONSHOW},
         false,
         {"balloon"}},
        {"unknown notification", false, true, nsLegacy, {0x206, 0x209}, false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ProbeIcon icon(nullptr);
        if (c.dblClickHandler) icon.WithDoubleClick();
        icon.SetEnabled(c.enabled);
        icon.ApplyNotifyStyle(c.style);
        icon.SetIconVisible(true);
        shell.SetCursor(7, 9);
        shell.SetModifierKeys(kKeyShift);
        for (std::uint32_t n : c.notifications) shell.Notify(n);
        if (c.tickAfter) icon.TickClickDelay();
        EXPECT_EQ(icon.log, c.events);
        EXPECT_FALSE(icon.ClickDelayRunning());
    }
}

TEST_F(TrayIconTest, ClickDelayUsesTheSystemDoubleClickTime) {
    ProbeIcon icon(nullptr);
    icon.WithDoubleClick();
    icon.SetIconVisible(true);
    shell.SetDoubleClickTime(321);
    shell.Notify(WM_LBUTTONDOWN);
    EXPECT_TRUE(icon.ClickDelayRunning());
    EXPECT_EQ(icon.ClickDelayPeriod(), 321u);
}

TEST_F(TrayIconTest, ModifiersAreReadWhenTheNotificationIsHandled) {
    ProbeIcon icon(nullptr);
    icon.SetIconVisible(true);
    shell.SetCursor(-3, 1200);
    shell.SetModifierKeys(kKeyControl | kKeyAlt);
    shell.Notify(WM_MBUTTONDOWN);
    EXPECT_EQ(icon.log, (std::vector<std::string>{"downM[cam]@-3,1200"}));
}

class MenuTest : public test::TrayTest {
protected:
    void SetUp() override {
        TrayTest::SetUp();
        owner = std::make_unique<TComponent>(nullptr);
        menu = new TPopupMenu(owner.get());
        for (const char* caption : {"Track", "Visible", "Quit"}) {
            auto* item = new TMenuItem(owner.get());
            item->SetCaption(caption);
            item->SetOnClick([this, caption](TComponent*) { chosen.push_back(caption); });
            menu->Add(item);
            items.push_back(item);
        }
        icon = new ProbeIcon(owner.get());
        icon->SetPopupMenu(menu);
        icon->SetIconVisible(true);
        shell.SetCursor(40, 50);
    }
    void TearDown() override {
        owner.reset();
        TrayTest::TearDown();
    }
    std::unique_ptr<TComponent> owner;
    TPopupMenu* menu = nullptr;
    ProbeIcon* icon = nullptr;
    std::vector<TMenuItem*> items;
    std::vector<std::string> chosen;
};

TEST_F(MenuTest, RightButtonDownOpensTheMenuAtTheCursor) {
    MenuCloser closer(0);
    shell.Notify(WM_RBUTTONDOWN);
    EXPECT_EQ(closer.opened, 1);
    EXPECT_EQ(closer.at, QPoint(40, 50));
    EXPECT_EQ(menu->PopupComponent(), icon);
    EXPECT_EQ(chosen, (std::vector<std::string>{"Track"}));
    shell.Notify(WM_RBUTTONUP);  // the release opens nothing more
    EXPECT_EQ(closer.opened, 1);
}

TEST_F(MenuTest, NoMenuWhenDisabledWithoutAutoPopupOrWithoutCursor) {
    MenuCloser closer;
    icon->SetEnabled(false);
    shell.Notify(WM_RBUTTONDOWN);
    icon->SetEnabled(true);
    menu->SetAutoPopup(false);
    shell.Notify(WM_RBUTTONDOWN);
    menu->SetAutoPopup(true);
    shell.SetCursor(0, 0, false);
    shell.Notify(WM_RBUTTONDOWN);
    EXPECT_EQ(closer.opened, 0);
    shell.SetCursor(1, 2);
    shell.Notify(WM_LBUTTONDOWN);  // the left button needs LeftPopup
    EXPECT_EQ(closer.opened, 0);
    icon->SetLeftPopup(true);
    shell.Notify(WM_LBUTTONDOWN);
    EXPECT_EQ(closer.opened, 1);
}

TEST_F(MenuTest, RemovedMenuIsForgotten) {
    MenuCloser closer;
    delete menu;
    EXPECT_EQ(icon->PopupMenu(), nullptr);
    shell.Notify(WM_RBUTTONDOWN);
    EXPECT_EQ(closer.opened, 0);
    EXPECT_EQ(icon->log, (std::vector<std::string>{"downR[r]@40,50"}));
}

TEST_F(MenuTest, DoubleClickRunsTheDefaultItem) {
    items[1]->SetDefault(true);
    items[2]->SetDefault(true);  // of several defaults the first wins
    shell.Notify(WM_LBUTTONDBLCLK);
    EXPECT_EQ(chosen, (std::vector<std::string>{"Visible"}));
    icon->SetLeftPopup(true);
    shell.Notify(WM_LBUTTONDBLCLK);
    EXPECT_EQ(chosen.size(), 1u);
    icon->SetLeftPopup(false);
    menu->SetAutoPopup(false);
    shell.Notify(WM_LBUTTONDBLCLK);
    EXPECT_EQ(chosen.size(), 1u);
}

TEST_F(MenuTest, MenuCommandMayDestroyTheIcon) {
    // Quit destroys the icon from within the menu; nothing may touch it after.
    items[2]->SetOnClick([this](TComponent*) {
        delete icon;
        icon = nullptr;
    });
    MenuCloser closer(2);
    shell.Notify(WM_RBUTTONDOWN);
    EXPECT_EQ(closer.opened, 1);
    EXPECT_EQ(icon, nullptr);
    EXPECT_EQ(shell.Calls().back().message, NIM_DELETE);
    shell.Notify(WM_RBUTTONUP);  // for a destroyed icon: ignored
}

TEST_F(TrayIconTest, IconsShareOneHandlerWindow) {
    auto a = std::make_unique<ProbeIcon>(nullptr);
    auto b = std::make_unique<ProbeIcon>(nullptr);
    TTrayIconHandler* handler = TTrayIconHandler::Shared();
    EXPECT_EQ(handler->ReferenceCount(), 2u);
    EXPECT_EQ(a->NotifyData().hWnd, b->NotifyData().hWnd);
    a->SetIconVisible(true);
    b->SetIconVisible(true);
    const std::uintptr_t staleId = a->IconId();
    a.reset();
    EXPECT_EQ(TTrayIconHandler::Shared(), handler);
    handler->HandleMessage(TrayCallbackMessage, staleId, WM_LBUTTONDOWN);  // ignored
    shell.Notify(b->IconId(), WM_LBUTTONDOWN);
    EXPECT_EQ(b->log, (std::vector<std::string>{"downL[l]@0,0"}));
    b.reset();
    EXPECT_EQ(TTrayIconHandler::Shared(), nullptr);
    EXPECT_EQ(shell.RestartListenerCount(), 0u);
}

TEST_F(TrayIconTest, IconListCyclesAndClampsTheIndex) {
    TImageList list(nullptr);
    const QRgb colours[] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF};
    for (QRgb c : colours) list.AddIcon(Solid(c));
    ProbeIcon icon(nullptr);
    std::vector<int> next;
    icon.SetOnCycle([&](TComponent*, int n) { next.push_back(n); });
    icon.SetIconVisible(true);
    icon.SetIconList(&list);
    icon.SetIconIndex(10);
    EXPECT_EQ(icon.IconIndex(), 2);
    EXPECT_EQ(CentreOf(shell.Calls().back().data), colours[2]);
    icon.SetCycleInterval(50);
    icon.SetCycleIcons(true);
    EXPECT_EQ(icon.IconIndex(), 0);
    std::vector<QRgb> shown;
    for (int i = 0; i < 4; ++i) {
        icon.TickCycle();
        shown.push_back(CentreOf(shell.Calls().back().data));
    }
    EXPECT_EQ(shown, (std::vector<QRgb>{colours[1], colours[2], colours[0], colours[1]}));
    EXPECT_EQ(next, (std::vector<int>{1, 2, 0, 1}));
    icon.SetIconList(nullptr);
    EXPECT_EQ(icon.IconIndex(), 0);
}

TEST_F(TrayIconTest, DestroyedIconListIsForgotten) {
    auto list = std::make_unique<TImageList>(nullptr);
    list->AddIcon(Solid(0xFFFFFFFF));
    list->AddIcon(Solid(0xFF000000));
    ProbeIcon icon(nullptr);
    icon.SetIconList(list.get());
    icon.SetIconIndex(1);
    list.reset();
    EXPECT_EQ(icon.IconList(), nullptr);
    EXPECT_EQ(icon.IconIndex(), 0);
    icon.SetCycleInterval(10);
    icon.SetCycleIcons(true);
    icon.TickCycle();  // nothing to cycle through
    EXPECT_EQ(icon.IconIndex(), 0);
}

TEST_F(TrayIconTest, EnterAndExitArePolled) {
    ProbeIcon icon(nullptr);
    icon.SetIconVisible(true);
    icon.SetWantEnterExitEvents(true);
    shell.SetCursor(5, 5);
    shell.Notify(WM_MOUSEMOVE);
    shell.Notify(WM_MOUSEMOVE);
    icon.TickExitPoll();  // pointer still where the icon saw it
    shell.SetCursor(5, 6);
    icon.TickExitPoll();
    icon.TickExitPoll();  // already outside
    shell.Notify(WM_MOUSEMOVE);
    EXPECT_EQ(icon.log, (std::vector<std::string>{"enter", "exit", "enter"}));
}

TEST_F(TrayIconTest, TrayHostRestartAddsVisibleIconsAgain) {
    ProbeIcon shown(nullptr), hidden(nullptr);
    shown.SetIconVisible(true);
    shell.ClearCalls();
    shell.RestartHost();
    ASSERT_EQ(shell.Calls().size(), 1u);
    EXPECT_EQ(shell.Calls()[0].message, NIM_ADD);
    EXPECT_EQ(shell.Calls()[0].data.uID, shown.IconId());
    EXPECT_TRUE(shell.Calls()[0].accepted);
}

TEST_F(TrayIconTest, MakeIconFromBitmapMasksOneColour) {
    TBitmap bitmap(16, 16);
    bitmap.Image().fill(QColor(0, 0, 255));
    bitmap.Image().setPixel(3, 4, qRgb(255, 0, 0));
    TIcon icon;
    ASSERT_TRUE(TTrayIcon::MakeIconFromBitmap(bitmap, icon, 0x00FF0000));  // blue, as 0x00BBGGRR
    EXPECT_EQ(qAlpha(icon.Image().pixel(0, 0)), 0);
    EXPECT_EQ(icon.Image().pixel(3, 4), 0xFFFF0000u);
    ASSERT_TRUE(TTrayIcon::MakeIconFromBitmap(bitmap, icon, clNone));
    EXPECT_EQ(icon.Image().pixel(0, 0), 0xFF0000FFu);
    TBitmap small(8, 16);
    try {
        TTrayIcon::MakeIconFromBitmap(small, icon, clNone);
        ADD_FAILURE() << "a bitmap smaller than 16 x 16 was taken";
    } catch (const EInvalidGraphic& e) {
        EXPECT_EQ(e.Message(), "Invalid image size");
    }
}

}  // namespace
}  // namespace skyvane
