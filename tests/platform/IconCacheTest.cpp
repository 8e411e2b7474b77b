// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <memory>

#include "platform/status_icon_qt_p.h"
#include "tests/support/QtApplication.h"

namespace skyvane::platform {
namespace {

IconHandle Picture(std::uint32_t colour) {
    auto image = std::make_shared<IconImage>();
    image->width = image->height = 16;
    image->pixels.assign(256, colour);
    return image;
}

TEST(IconCacheTest, APictureShownAgainIsTheSameQtIcon) {
    test_support::EnsureQtApplication<QGuiApplication>();
    IconCache cache(2);
    const qint64 red = cache.IconFor(Picture(0xFFFF0000)).cacheKey();
    // Equal pixels in a new handle: the same icon, so Qt's caches see nothing new.
    EXPECT_EQ(cache.IconFor(Picture(0xFFFF0000)).cacheKey(), red);
    const qint64 green = cache.IconFor(Picture(0xFF00FF00)).cacheKey();
    EXPECT_NE(green, red);
    EXPECT_EQ(cache.Size(), 2u);
    // Red used last; a third picture pushes out green, the least recently used.
    EXPECT_EQ(cache.IconFor(Picture(0xFFFF0000)).cacheKey(), red);
    cache.IconFor(Picture(0xFF0000FF));
    EXPECT_EQ(cache.Size(), 2u);
    EXPECT_EQ(cache.IconFor(Picture(0xFFFF0000)).cacheKey(), red);
    EXPECT_NE(cache.IconFor(Picture(0xFF00FF00)).cacheKey(), green);
}

TEST(IconCacheTest, MissingOrMalformedPicturesShowATransparentSquare) {
    test_support::EnsureQtApplication<QGuiApplication>();
    IconCache cache;
    auto malformed = std::make_shared<IconImage>();
    malformed->width = malformed->height = 16;
    malformed->pixels.assign(10, 0xFFFFFFFF);  // too few pixels
    for (const IconHandle& handle : {IconHandle(), IconHandle(malformed)}) {
        const QIcon& icon = cache.IconFor(handle);
        ASSERT_FALSE(icon.isNull());
        EXPECT_EQ(icon.pixmap(16, 16).toImage().pixelColor(8, 8).alpha(), 0);
    }
    EXPECT_EQ(cache.Size(), 0u);
}

}  // namespace
}  // namespace skyvane::platform
