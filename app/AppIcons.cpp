// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AppIcons.h"

#include <QFile>

// The resource file lives in a static library; its registration must be pulled in by
// name or the linker drops it.
static void InitIconResources() {
    Q_INIT_RESOURCE(skyvane_icons);
}

namespace skyvane {

namespace {
void EnsureResources() {
    static const bool done = (InitIconResources(), true);
    (void)done;
}
}  // namespace

QIcon ApplicationIcon() {
    EnsureResources();
    QIcon icon;
    for (const char* size : {"16", "32", "48", "256"})
        icon.addFile(QStringLiteral(":/skyvane/icons/skyvane-%1.png").arg(QLatin1String(size)));
    return icon;
}

QImage StoredTrayIcon16() {
    EnsureResources();
    return QImage(QStringLiteral(":/skyvane/icons/skyvane-16.png"));
}

}  // namespace skyvane
