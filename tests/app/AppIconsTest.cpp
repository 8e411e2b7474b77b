// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <fstream>
#include <set>
#include <string>

#include "app/AppIcons.h"
#include "tests/support/QtApplication.h"

namespace skyvane {
namespace {

class AppIconsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test_support::EnsureQtApplication<QGuiApplication>(); }
};

TEST_F(AppIconsTest, StoredTrayIconIsSixteenColoursLimeOnBlack) {
    const QImage image = StoredTrayIcon16();
    ASSERT_FALSE(image.isNull()) << "the icon resources are not linked in";
    EXPECT_EQ(image.size(), QSize(16, 16));
    std::set<QRgb> colours;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) colours.insert(image.pixel(x, y) & 0xFFFFFF);
    EXPECT_LE(colours.size(), 16u);
    EXPECT_TRUE(colours.count(0x000000));
    EXPECT_TRUE(colours.count(0x00FF00));
    // Black background at the corners, as the text icon draws on black.
    EXPECT_EQ(image.pixel(0, 0) & 0xFFFFFF, 0x000000u);
}

TEST_F(AppIconsTest, ApplicationIconHasSmallAndLargePictures) {
    const QIcon icon = ApplicationIcon();
    const QList<QSize> sizes = icon.availableSizes();
    for (int side : {16, 32, 48, 64}) EXPECT_TRUE(sizes.contains(QSize(side, side))) << side;
    // The small picture is the tray icon's own.
    EXPECT_EQ(icon.pixmap(16, 16).toImage().convertToFormat(QImage::Format_RGB32),
              StoredTrayIcon16().convertToFormat(QImage::Format_RGB32));
}

// The image-format plugins mapped into this process now.
std::set<std::string> LoadedImagePlugins() {
    std::set<std::string> plugins;
    std::ifstream maps("/proc/self/maps");
    for (std::string line; std::getline(maps, line);)
        if (line.find("/imageformats/") != std::string::npos) plugins.insert(line);
    return plugins;
}

// Reading the PNG pictures asks no other format's plugin to look at them (which
// would load them all for good); the application icon is read once for all users.
TEST_F(AppIconsTest, PicturesAreReadOnceWithoutLoadingImagePlugins) {
    const std::set<std::string> before = LoadedImagePlugins();
    const QIcon icon = ApplicationIcon();
    EXPECT_FALSE(StoredTrayIcon16().isNull() || icon.pixmap(48, 48).isNull());
    EXPECT_EQ(LoadedImagePlugins(), before);
    EXPECT_EQ(ApplicationIcon().cacheKey(), icon.cacheKey());
}

}  // namespace
}  // namespace skyvane
