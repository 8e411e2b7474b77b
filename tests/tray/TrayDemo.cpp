// SPDX-License-Identifier: GPL-3.0-or-later
// A small window with the text tray icon, for looking at the tray by eye: the icon
// shows "NE" lime on black with the hint "Az(45)", and its menu carries Track,
// Visible, Numeric, COM Settings, About and Quit. Track steps a made-up heading once
// a second so the tray text can be seen to follow it. Each command chosen is printed.
//
//   skyvane-traydemo [text]
#include <cstdio>
#include <string>

#include "toolkit/Application.h"
#include "toolkit/Form.h"
#include "toolkit/Label.h"
#include "toolkit/Menu.h"
#include "toolkit/Timer.h"
#include "tray/TextIcon.h"

namespace skyvane {
namespace {

const char* const kSectors[] = {"N", "NE", "E", "SE", "S", "SW", "W", "NW"};

class TDemoForm : public TForm {
public:
    explicit TDemoForm(const std::string& text) : TForm(nullptr) {
        Response = new TLabel(this);
        PopUpMenu = new TPopupMenu(this);
        Track =
            Item("Track", true, [this](TComponent*) { TimerRotor->SetEnabled(Track->Checked()); });
        Visible = Item("Visible", true, [this](TComponent*) {
            TextIcon->SetMinimizeToTray(Visible->Checked());
            // Without a tray nothing could bring a hidden window back: minimise it.
            if (Visible->Checked())
                showNormal();
            else if (TextIcon->TrayAvailable())
                hide();
            else
                showMinimized();
        });
        Numeric = Item("Numeric", true);
        Item("COM Settings", false);
        Item("About", false);
        Item("Quit", false, [](TComponent*) { Application()->Terminate(); });
        TextIcon = new TTextIcon(this);
        TimerRotor = new TTimer(this);
        LoadLayout([this] {
            SetCaption("Skyvane tray demo");
            SetBounds(40, 40, 220, 110);
            SetColor(clBlack);
            Response->SetBounds(10, 10, 200, 90);
            Response->SetColor(clBlack);
            Response->SetFont(TFont{"Arial", -64, clLime, 0});
            TextIcon->SetCycleInterval(0);
            TextIcon->SetIconVisible(true);
            TextIcon->SetIconIndex(0);
            TextIcon->SetPopupMenu(PopUpMenu);
            TextIcon->SetFont(TFont{"Arial", -8, clLime, 0});
            TextIcon->SetColor(clBlack);
            TextIcon->SetBorder(false);
            TextIcon->Options().SetOffsetX(0);
            TextIcon->Options().SetOffsetY(0);
            TextIcon->Options().SetLineDistance(0);
            TimerRotor->SetEnabled(false);
            TimerRotor->SetInterval(1000);
        });
        TimerRotor->SetOnTimer([this](TComponent*) { Step(); });
        Visible->SetChecked(true);
        TextIcon->SetMinimizeToTray(true);
        Show(text, 45);
    }

private:
    // A menu entry that prints its caption when chosen, then runs `action`.
    TMenuItem* Item(const char* caption, bool autoCheck, TNotifyEvent action = nullptr) {
        auto* item = new TMenuItem(this);
        item->SetCaption(caption);
        item->SetAutoCheck(autoCheck);
        item->SetOnClick([caption, action](TComponent* sender) {
            std::printf("chosen: %s\n", caption);
            std::fflush(stdout);
            if (action) action(sender);
        });
        PopUpMenu->Add(item);
        return item;
    }

    // Shows a heading three ways, as the viewer does.
    void Show(const std::string& text, int azimuth) {
        TextIcon->SetText(text);
        Response->SetCaption(std::to_string(azimuth));
        TextIcon->SetHint("Az(" + std::to_string(azimuth) + ")");
    }

    void Step() {
        azimuth_ = (azimuth_ + 17) % 360;
        Show(Numeric->Checked() ? std::to_string(azimuth_) : kSectors[((azimuth_ + 22) / 45) % 8],
             azimuth_);
    }

    TLabel* Response;
    TPopupMenu* PopUpMenu;
    TMenuItem* Track;
    TMenuItem* Visible;
    TMenuItem* Numeric;
    TTextIcon* TextIcon;
    TTimer* TimerRotor;
    int azimuth_ = 45;
};

}  // namespace
}  // namespace skyvane

int main(int argc, char** argv) {
    skyvane::TApplication application(argc, argv);
    application.SetTitle("Skyvane tray demo");
    const std::string text = argc > 1 ? argv[1] : "NE";
    auto* form = new skyvane::TDemoForm(text);
    application.SetMainForm(form);
    const int code = application.Run();
    delete form;
    return code;
}
