// SPDX-License-Identifier: GPL-3.0-or-later
// Shared helpers of the tray tests: a recording notification area installed for
// each test, and a closer for modal pop-up menus.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QMenu>
#include <QTimer>
#include <functional>

#include "platform/status_icon_recording.h"

namespace skyvane::test {

// Installs a recording notification area for the duration of a test.
class TrayTest : public ::testing::Test {
protected:
    void SetUp() override { previous_ = platform::SetStatusIconService(&shell); }
    void TearDown() override { platform::SetStatusIconService(previous_); }
    platform::RecordingStatusIconService shell;

private:
    platform::StatusIconService* previous_ = nullptr;
};

// While alive, closes every pop-up menu as soon as it is shown, after noting where it
// opened and optionally choosing the entry at `chooseIndex`.
class MenuCloser {
public:
    explicit MenuCloser(int chooseIndex = -1) : chooseIndex_(chooseIndex) {
        QObject::connect(&poll_, &QTimer::timeout, [this] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu) return;
            ++opened;
            at = menu->pos();
            if (chooseIndex_ >= 0 && chooseIndex_ < menu->actions().size())
                menu->actions().at(chooseIndex_)->trigger();
            menu->close();
        });
        poll_.start(1);
    }
    int opened = 0;
    QPoint at;

private:
    int chooseIndex_;
    QTimer poll_;
};

}  // namespace skyvane::test
