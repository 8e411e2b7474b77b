// Shared pieces of the selector and setup dialog tests: the Qt application object
// and a user's pick in a combo box.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>

#include "tests/serial_setup/FakeSysfs.h"

namespace skyvane::testing {

// Creates the Qt application object once (offscreen under CTest).
inline void EnsureWidgetsApplication() {
    static int argc = 1;
    static char name[] = "serial_setup_tests";
    static char* argv[] = {name, nullptr};
    if (!QApplication::instance()) new QApplication(argc, argv);
}

// What a user's pick does: the control changes its selection and reports the activation.
inline void PickItem(QComboBox* combo, const QString& text) {
    int index = combo->findText(text);
    ASSERT_GE(index, 0) << text.toStdString();
    combo->setCurrentIndex(index);
    Q_EMIT combo->activated(index);
}

}  // namespace skyvane::testing
