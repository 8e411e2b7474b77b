// SPDX-License-Identifier: GPL-3.0-or-later
// Icons, bitmaps and image lists as the tray components use them. Pictures are held
// as QImage; an icon's "system handle" is the platform's IconImage.
#pragma once

#include <QImage>
#include <functional>
#include <string>
#include <vector>

#include "platform/status_icon.h"
#include "toolkit/Component.h"
#include "toolkit/Exception.h"
#include "toolkit/Graphics.h"

namespace skyvane {

// Raised for an image that cannot be used, such as one too small for an image list.
class EInvalidGraphic : public Exception {
public:
    using Exception::Exception;
};

// Raised when the picture of an icon cannot be read.
class EReadError : public Exception {
public:
    using Exception::Exception;
};

// An icon image: a picture with an alpha channel (QImage::Format_ARGB32), or empty.
// A change of the picture calls OnChange.
class TIcon {
public:
    TIcon() = default;
    // An icon showing `image` (converted to ARGB32).
    explicit TIcon(const QImage& image);

    // True when there is no picture.
    bool Empty() const { return image_.isNull(); }
    int Width() const { return image_.width(); }
    int Height() const { return image_.height(); }
    // The picture (null when empty).
    const QImage& Image() const { return image_; }
    // Replaces the picture (a null image empties the icon), then OnChange.
    void SetImage(const QImage& image);
    // Takes the picture of another icon (and its DrawAtSize), then OnChange.
    void Assign(const TIcon& source);
    // Draws this picture anew at size × size for hosts that show more pixels than
    // the picture has; empty: the picture is scaled there. Cleared by SetImage.
    using TDrawAtSize = std::function<QImage(int size)>;
    const TDrawAtSize& DrawAtSize() const { return drawAtSize_; }
    void SetDrawAtSize(TDrawAtSize draw);
    // Reads the picture from a file; raises EReadError if it cannot be read.
    void LoadFromFile(const std::string& path);

    // The system handle: the picture at its own size as the notification area takes
    // it, or nullptr when empty; the same handle until the picture changes. Raises
    // EReadError if the picture cannot be converted.
    platform::IconHandle Handle() const;

    // Called after every change of the picture.
    void SetOnChange(std::function<void()> handler) { onChange_ = std::move(handler); }
    const std::function<void()>& OnChange() const { return onChange_; }

private:
    QImage image_;
    TDrawAtSize drawAtSize_;
    mutable platform::IconHandle handle_;  // made on first use after a change
    std::function<void()> onChange_;
};

// A bitmap with a drawing surface (QImage::Format_RGB32: every pixel opaque).
class TBitmap {
public:
    TBitmap() = default;
    // A bitmap of the given size, filled with black.
    TBitmap(int width, int height);

    int Width() const { return image_.width(); }
    int Height() const { return image_.height(); }
    // The pixels; paint on them with a QPainter.
    QImage& Image() { return image_; }
    const QImage& Image() const { return image_; }

private:
    QImage image_;
};

// A list of images of one size, each kept with its transparency.
class TImageList : public TComponent {
public:
    // A list of width × height images (16 × 16 by default).
    explicit TImageList(TComponent* owner, int width = 16, int height = 16);

    int Width() const { return width_; }
    int Height() const { return height_; }
    // Number of images.
    int Count() const { return static_cast<int>(images_.size()); }
    // Appends `bitmap`; a pixel whose colour is RGB(maskColor) becomes transparent,
    // none with clNone. Raises EInvalidGraphic "Invalid image size" when the bitmap is
    // smaller than the list's size; a larger one is cut to it. Returns the index.
    int Add(const TBitmap& bitmap, TColor maskColor);
    // Appends an icon (scaled to the list's size); returns its index.
    int AddIcon(const TIcon& icon);
    // Copies image `index` into `icon`; false (icon untouched) for a bad index.
    bool GetIcon(int index, TIcon& icon) const;

private:
    int width_, height_;
    std::vector<QImage> images_;
};

// The picture of `bitmap` with every pixel of colour RGB(maskColor) made transparent
// (none with clNone), as ARGB32.
QImage MaskedImage(const QImage& bitmap, TColor maskColor);

}  // namespace skyvane
