// SPDX-License-Identifier: GPL-3.0-or-later
// Skyvane: shows the heading of an antenna rotor in the tray and a small window.
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "app/AppIcons.h"
#include "app/SkyvaneUnit.h"
#include "app/StartFolder.h"
#include "platform/display_setup.h"
#include "toolkit/Application.h"
#include "toolkit/ExceptionReport.h"
#include "toolkit/MessageBox.h"

namespace {

constexpr char kUsage[] =
    "Usage: skyvane [--user-folder] [-F FILE] [Qt options]\n"
    "Shows the heading of an antenna rotor in the tray and in a small window.\n"
    "\n"
    "  --user-folder  work in the per-user folder (the desktop entry starts it so);\n"
    "                 only as the first argument\n"
    "  -F FILE        the configuration file (default: Skyvane.INI in the folder\n"
    "                 Skyvane works in)\n"
    "  -h, --help     show this text and exit\n"
    "\n"
    "Everything else is done from the tray icon's menu or the window's: Track, Visible,\n"
    "Numeric, COM Settings, About, Quit. See skyvane(1).\n";

// True when an argument asks for the usage (the name after -F is a file name).
bool AsksForHelp(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-F") == 0 || std::strcmp(argv[i], "-f") == 0) {
            ++i;
            continue;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace skyvane;
    // Before the GUI toolkit starts: the usage needs no display.
    if (AsksForHelp(argc, argv)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
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
