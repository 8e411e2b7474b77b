// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AboutDlg.h"

#include <memory>

#include "app/AboutForm.h"
#include "toolkit/Timer.h"

namespace skyvane {

namespace {
// Side of the picture area inside the box.
constexpr int PictureSize = 48;
}  // namespace

TAboutDlg::TAboutDlg(TComponent* owner) : TComponent(owner) {}

TAboutDlg::~TAboutDlg() {
    // Destroyed while its box is shown (its owner went first): end that run; Execute
    // sees through `alive_` that it must not touch this object any more.
    *alive_ = false;
    if (box_) box_->close();
    ReleaseCloseTimer();
}

void TAboutDlg::SetIcon(const QIcon& icon) {
    // QIcon copies on write: later changes to the caller's icon do not show here.
    icon_ = icon;
}

void TAboutDlg::Execute() {
    if (box_) {  // already shown (a second request from a menu that stayed usable)
        box_->raise();
        box_->activateWindow();
        return;
    }
    // The box and the timer live exactly as long as this call, whatever happens in it;
    // so a tick can never reach a box that is gone.
    struct Release {
        TAboutDlg* dlg;
        std::shared_ptr<bool> alive;
        ~Release() {
            if (!*alive) return;
            dlg->ReleaseCloseTimer();
            dlg->box_ = nullptr;
        }
    };
    auto box = std::make_unique<TAboutBox>(nullptr);
    box_ = box.get();
    Release release{this, alive_};

    box->SetCaption(title_);
    box->SetLineText(box->ProductName(), productName_);
    box->SetLineText(box->Copyright(), copyRight_);
    box->SetLineText(box->Programmer(), programmer_);
    box->SetLineText(box->Website(), webSite_);
    box->SetPicture(icon_.isNull() ? QPixmap() : icon_.pixmap(PictureSize, PictureSize));

    if (timer_) {
        closeTimer_ = new TTimer(this);
        closeTimer_->SetEnabled(false);
        closeTimer_->SetInterval(AboutAutoCloseInterval);
        closeTimer_->SetOnTimer([this](TComponent* sender) { CloseTimerTick(sender); });
        closeTimer_->SetEnabled(true);
    }
    box->ShowModal();
}

void TAboutDlg::CloseTimerTick(TComponent*) {
    // The timer itself is released when Execute returns, outside its own tick.
    if (closeTimer_) closeTimer_->SetEnabled(false);
    if (box_) box_->close();
}

void TAboutDlg::ReleaseCloseTimer() {
    delete closeTimer_;
    closeTimer_ = nullptr;
}

}  // namespace skyvane
