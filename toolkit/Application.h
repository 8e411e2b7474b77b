// SPDX-License-Identifier: GPL-3.0-or-later
// The application object: title, icon, main form and the message loop.
#pragma once

#include <QApplication>
#include <QIcon>
#include <memory>
#include <string>
#include <vector>

namespace skyvane {

class TForm;

class TApplication {
public:
    // Creates the Qt application (or adopts the one that exists) and installs the
    // standard exception report as a message box.
    TApplication(int& argc, char** argv);
    ~TApplication();
    TApplication(const TApplication&) = delete;
    TApplication& operator=(const TApplication&) = delete;

    // The title: caption of the standard exception report and of the taskbar entry.
    const std::string& Title() const { return title_; }
    void SetTitle(std::string title);
    // The application's icon (window icon and About box picture).
    const QIcon& Icon() const { return icon_; }
    void SetIcon(const QIcon& icon);
    // The main form: shown when the loop starts, and closing it ends the program.
    TForm* MainForm() const { return mainForm_; }
    void SetMainForm(TForm* form) { mainForm_ = form; }
    // Whether Run shows the main form (default true).
    bool ShowMainForm() const { return showMainForm_; }
    void SetShowMainForm(bool show) { showMainForm_ = show; }

    // Shows the main form (when ShowMainForm) and runs the message loop until
    // Terminate; returns the exit code.
    int Run();
    // Ends the message loop.
    void Terminate();
    // True once Terminate was called.
    bool Terminated() const { return terminated_; }
    // The command-line parameters after the program name, as given.
    const std::vector<std::string>& Parameters() const { return parameters_; }

private:
    std::unique_ptr<QApplication> ownedApp_;
    std::string title_;
    QIcon icon_;
    TForm* mainForm_ = nullptr;
    bool showMainForm_ = true;
    bool terminated_ = false;
    std::vector<std::string> parameters_;
};

// The one application object, or nullptr before it exists.
TApplication* Application();

}  // namespace skyvane
