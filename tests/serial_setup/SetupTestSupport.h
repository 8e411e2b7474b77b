// SPDX-License-Identifier: GPL-3.0-or-later
// Shared pieces of the selector and setup dialog tests: the Qt application object,
// a user's pick in a combo box and driving the modal Setup dialog.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QTimer>
#include <functional>

#include "serial/SerialSetup.h"
#include "tests/serial_setup/FakeSysfs.h"
#include "tests/support/QtApplication.h"

namespace skyvane::testing {

// Creates the Qt application object once (offscreen under CTest).
inline void EnsureWidgetsApplication() {
    test_support::EnsureQtApplication<QApplication>();
}

// What a user's pick does: the control changes its selection and reports the activation.
inline void PickItem(QComboBox* combo, const QString& text) {
    int index = combo->findText(text);
    ASSERT_GE(index, 0) << text.toStdString();
    combo->setCurrentIndex(index);
    Q_EMIT combo->activated(index);
}

// The Setup dialog on the screen, or nullptr.
inline TSerialSetupFrm* FindDialog() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == "SerialSetupFrm" && w->isVisible())
            return dynamic_cast<TSerialSetupFrm*>(w);
    return nullptr;
}

// Runs `drive` on the Setup dialog once it is shown; `drive` must close it.
inline void WhenShown(std::function<void(TSerialSetupFrm&)> drive) {
    QTimer::singleShot(0, [drive] {
        TSerialSetupFrm* form = FindDialog();
        if (!form) {
            ADD_FAILURE() << "no Setup dialog is shown";
            return;
        }
        drive(*form);
        if (FindDialog() == form) {
            ADD_FAILURE() << "the test left the dialog open";
            form->close();
        }
    });
}

}  // namespace skyvane::testing
