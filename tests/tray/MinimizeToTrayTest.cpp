// SPDX-License-Identifier: GPL-3.0-or-later
// The tray icon's owner-window hooks: minimise to tray, start-up, restore, and the
// window's own menu.
#include <gtest/gtest.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QWindow>
#include <memory>

#include "tests/tray/TraySupport.h"
#include "toolkit/Application.h"
#include "toolkit/Form.h"
#include "toolkit/Menu.h"
#include "tray/TrayIcon.h"

namespace skyvane {
namespace {

using namespace platform;
using test::MenuCloser;

// A main form with a tray icon and a menu, built the way the application builds its own.
class TMainForm : public TForm {
public:
    explicit TMainForm(TStartupEvent onStartup = nullptr) : TForm(nullptr) {
        Application()->SetMainForm(this);
        Application()->SetShowMainForm(true);
        Menu = new TPopupMenu(this);
        auto* track = new TMenuItem(this);
        track->SetCaption("Track");
        Menu->Add(track);
        Icon = new TTrayIcon(this);
        Icon->SetOnStartup(std::move(onStartup));
        LoadLayout([this] {
            Icon->SetIconVisible(true);
            Icon->SetPopupMenu(Menu);
        });
    }
    TPopupMenu* Menu;
    TTrayIcon* Icon;
};

class MinimizeToTrayTest : public test::TrayTest {
protected:
    void Show(TForm& form) {
        form.show();
        QApplication::processEvents();
    }
    // Minimised by the window system, as the title bar's button does it.
    void Minimize(TForm& form) {
        form.windowHandle()->setWindowStates(Qt::WindowMinimized);
        QApplication::processEvents();
    }
    bool RightClick(TForm& form, QPoint at) {
        QContextMenuEvent event(QContextMenuEvent::Mouse, form.mapFromGlobal(at), at);
        QApplication::sendEvent(&form, &event);
        return event.isAccepted();
    }
    bool TrayShown(TTrayIcon& icon) {
        return shell.Shown(TTrayIconHandler::Shared(), icon.IconId());
    }
};

TEST_F(MinimizeToTrayTest, MinimiseSendsTheWindowToTheTray) {
    TMainForm form;
    Show(form);
    form.Icon->SetMinimizeToTray(true);
    form.Icon->SetIconVisible(false);
    int handlerRuns = 0;
    form.Icon->SetOnMinimizeToTray([&](TComponent* sender) {
        EXPECT_EQ(sender, form.Icon);
        ++handlerRuns;
    });
    Minimize(form);
    EXPECT_FALSE(form.isVisible());
    EXPECT_TRUE(form.Icon->IconVisible());
    EXPECT_TRUE(TrayShown(*form.Icon));
    EXPECT_EQ(handlerRuns, 1);
    // Shown again as the Visible command shows it, it is a normal window.
    form.showNormal();
    QApplication::processEvents();
    EXPECT_TRUE(form.isVisible());
    EXPECT_FALSE(form.isMinimized());
}

TEST_F(MinimizeToTrayTest, WithoutTheFlagMinimiseIsOrdinary) {
    TMainForm form;
    Show(form);
    shell.ClearCalls();
    Minimize(form);
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(form.isMinimized());
    EXPECT_TRUE(shell.Calls().empty());
    // Restoring makes it a normal visible window again.
    form.setWindowState(form.windowState() & ~Qt::WindowMinimized);
    EXPECT_TRUE(form.isVisible());
    EXPECT_FALSE(form.isMinimized());
}

TEST_F(MinimizeToTrayTest, WithoutANotificationAreaTheWindowStaysReachable) {
    shell.SetAvailable(false);
    TMainForm form;
    Show(form);
    EXPECT_FALSE(TrayShown(*form.Icon));  // the add was refused
    form.Icon->SetMinimizeToTray(true);
    Minimize(form);
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(form.isMinimized());
    form.setWindowState(Qt::WindowNoState);

    // A right click on the window opens the tray menu there.
    MenuCloser closer;
    EXPECT_TRUE(RightClick(form, QPoint(120, 80)));
    EXPECT_EQ(closer.opened, 1);
    EXPECT_EQ(closer.at, QPoint(120, 80));
    EXPECT_EQ(form.Menu->PopupComponent(), form.Icon);

    // With a tray there, the window's right click still opens the menu.
    shell.SetAvailable(true);
    EXPECT_TRUE(RightClick(form, QPoint(90, 70)));
    EXPECT_EQ(closer.opened, 2);
    EXPECT_EQ(closer.at, QPoint(90, 70));
}

TEST_F(MinimizeToTrayTest, StartupHandlerCanKeepTheWindowHidden) {
    TMainForm form([](TComponent*, bool& show) { show = false; });
    EXPECT_FALSE(Application()->ShowMainForm());
    EXPECT_FALSE(form.isVisible());
    Application()->SetShowMainForm(true);
}

TEST_F(MinimizeToTrayTest, WithoutANotificationAreaTheStartupHandlerCannotHideTheWindow) {
    shell.SetAvailable(false);
    TMainForm form([](TComponent*, bool& show) { show = false; });
    EXPECT_TRUE(Application()->ShowMainForm());
}

TEST_F(MinimizeToTrayTest, TrayHostRestartPutsTheIconBack) {
    TMainForm form;
    ASSERT_TRUE(TrayShown(*form.Icon));
    shell.RestartHost();
    EXPECT_TRUE(TrayShown(*form.Icon));
    form.Icon->SetIconVisible(false);
    shell.RestartHost();
    EXPECT_FALSE(TrayShown(*form.Icon));
}

}  // namespace
}  // namespace skyvane
