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

// A picture that draws itself in one colour at every size but 16.
IconHandle Drawn(std::uint32_t colour) {
    auto image = std::make_shared<IconImage>(*Picture(0xFF000000));
    image->drawAtSize = [colour](int size) {
        IconImage drawn;
        drawn.width = drawn.height = size;
        drawn.pixels.assign(std::size_t(size) * size, colour);
        return drawn;
    };
    return image;
}

TEST(IconCacheTest, ATrayGetsThePictureDrawnAtTheSizeItDraws) {
    test_support::EnsureQtApplication<QGuiApplication>();
    IconCache cache;
    const QIcon& icon = cache.IconFor(Drawn(0xFFFF0000));
    for (const int size : {16, 22, 24, 48, 128}) {
        const QImage shown = icon.pixmap(size, size).toImage();
        EXPECT_EQ(shown.size(), QSize(size, size)) << size;
        EXPECT_EQ(shown.pixel(size / 2, size / 2), size == 16 ? 0xFF000000u : 0xFFFF0000u) << size;
    }
    // The same 16-pixel picture from a new handle that draws otherwise: the same icon,
    // now drawing the new picture.
    const qint64 key = icon.cacheKey();
    const QIcon& again = cache.IconFor(Drawn(0xFF00FF00));
    EXPECT_EQ(again.cacheKey(), key);
    EXPECT_EQ(again.pixmap(48, 48).toImage().pixel(24, 24), 0xFF00FF00u);
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
