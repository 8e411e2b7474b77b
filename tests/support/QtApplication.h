// SPDX-License-Identifier: GPL-3.0-or-later
// The Qt application object the tests run under, created once per test program.
#pragma once

#include <QCoreApplication>

namespace skyvane::test_support {

// Creates an `App` (QCoreApplication, QGuiApplication or QApplication) unless a Qt
// application object exists already; it lives until the program ends.
template <class App>
void EnsureQtApplication() {
    static int argc = 1;
    static char name[] = "skyvane_tests";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance()) new App(argc, argv);
}

}  // namespace skyvane::test_support
