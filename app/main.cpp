// SPDX-License-Identifier: GPL-3.0-or-later
// Skyvane: shows the heading of an antenna rotor in the tray and a small window.
#include <memory>
#include <string>

#include "app/AppIcons.h"
#include "app/SkyvaneUnit.h"
#include "app/StartFolder.h"
#include "platform/display_setup.h"
#include "toolkit/Application.h"
#include "toolkit/ExceptionReport.h"
#include "toolkit/MessageBox.h"

int main(int argc, char** argv) {
    using namespace skyvane;
    const bool inUserFolder = TakeUserFolderOption(argc, argv);
    platform::PrepareDisplay();
    TApplication application(argc, argv);
    application.SetTitle("Skyvane Rotor Azimuth Viewer");
    application.SetIcon(ApplicationIcon());
    int exitCode = 1;
    Guarded([&] {
        if (inUserFolder)
            if (const std::string problem = EnterUserFolder(); !problem.empty())
                ShowMessageBox(problem, "Error!", TMsgButtons::OK, TMsgIcon::None);
        // Destroying the window closes the port and removes the tray icon.
        auto form = std::make_unique<TForm1>(nullptr, application.Parameters());
        application.SetMainForm(form.get());
        exitCode = application.Run();
    });
    return exitCode;
}
