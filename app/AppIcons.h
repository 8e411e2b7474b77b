// SPDX-License-Identifier: GPL-3.0-or-later
// The program's own pictures, compiled into the program from assets/.
#pragma once

#include <QIcon>
#include <QImage>

namespace skyvane {

// The application icon: the 16x16 picture for small uses, larger drawings of the same
// motif (32, 48 and 256 pixels) for the About box, task switchers and the desktop.
QIcon ApplicationIcon();

// The 16x16, 16-colour picture stored with the tray icon's layout.
QImage StoredTrayIcon16();

}  // namespace skyvane
