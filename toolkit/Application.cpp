// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/Application.h"

#include "platform/status_icon.h"
#include "toolkit/ExceptionReport.h"
#include "toolkit/Form.h"
#include "toolkit/MessageBox.h"

namespace skyvane {

namespace {
TApplication* theApplication = nullptr;
}

TApplication* Application() {
    return theApplication;
}

TApplication::TApplication(int& argc, char** argv) {
    if (!QApplication::instance()) ownedApp_ = std::make_unique<QApplication>(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    for (int i = 1; i < argc; ++i) parameters_.emplace_back(argv[i]);
    theApplication = this;
    SetExceptionReporter([this](const std::string& text) {
        ShowMessageBox(text, title_, TMsgButtons::OK, TMsgIcon::Error);
    });
}

TApplication::~TApplication() {
    SetExceptionReporter(nullptr);
    if (theApplication == this) theApplication = nullptr;
}

void TApplication::SetTitle(std::string title) {
    title_ = std::move(title);
    // Not Qt's application display name: Qt would append it to every window title
    // on X11, message boxes included ("Warning! — Skyvane").
    platform::SetApplicationTitle(title_);
}

void TApplication::SetIcon(const QIcon& icon) {
    icon_ = icon;
    QApplication::setWindowIcon(icon);
}

int TApplication::Run() {
    if (terminated_) return 0;
    if (showMainForm_ && mainForm_) mainForm_->show();
    return QApplication::exec();
}

void TApplication::Terminate() {
    terminated_ = true;
    QApplication::quit();
}

}  // namespace skyvane
