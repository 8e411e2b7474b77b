// SPDX-License-Identifier: GPL-3.0-or-later
// The tray tests need a widget application (menus, windows) and one application object.
#include <gtest/gtest.h>

#include <QApplication>

#include "toolkit/Application.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Listing the tests (at build time) happens without the test environment too.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qtApp(argc, argv);
    skyvane::TApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
