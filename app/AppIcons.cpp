// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AppIcons.h"

#include <QFile>
#include <QImageReader>
#include <QPixmap>

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

// One of the stored PNG pictures. Read as PNG, without asking every image-format
// plugin whether it knows the data: that question loads them all (GIF, ICO, JPEG
// and their libraries) for the life of the process.
QImage StoredPicture(const char* size) {
    EnsureResources();
    QImageReader reader(QStringLiteral(":/skyvane/icons/skyvane-%1.png").arg(QLatin1String(size)),
                        "png");
    reader.setAutoDetectImageFormat(false);
    return reader.read();
}
}  // namespace

QIcon ApplicationIcon() {
    // Read once and shared by every window and the About box (a QIcon is a shared
    // handle); kept to the end of the process, never destroyed after Qt itself.
    // Up to 64 pixels, for task lists and window switchers, which draw the window's
    // own icon: every size is decoded at start and goes into the window's icon
    // property whole (256 pixels alone kept 256 KiB decoded and needed twice that
    // while the property was built). Docks and menus take larger sizes from the
    // installed icon theme.
    static const QIcon* const icon = [] {
        auto* pictures = new QIcon;
        for (const char* size : {"16", "32", "48", "64"})
            pictures->addPixmap(QPixmap::fromImage(StoredPicture(size)));
        return pictures;
    }();
    return *icon;
}

QImage StoredTrayIcon16() {
    return StoredPicture("16");
}

}  // namespace skyvane
