// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/Images.h"

#include <cstring>

namespace skyvane {

namespace {
QRgb ToQRgb(TColor rgb) {
    return qRgb(static_cast<int>(rgb & 0xFF), static_cast<int>((rgb >> 8) & 0xFF),
                static_cast<int>((rgb >> 16) & 0xFF));
}
}  // namespace

QImage MaskedImage(const QImage& bitmap, TColor maskColor) {
    QImage result = bitmap.convertToFormat(QImage::Format_ARGB32);
    if (maskColor == clNone) {
        // No transparent colour: every pixel opaque.
        for (int y = 0; y < result.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(result.scanLine(y));
            for (int x = 0; x < result.width(); ++x) line[x] |= 0xFF000000u;
        }
        return result;
    }
    const QRgb key = ToQRgb(ColorToRGB(maskColor)) & 0x00FFFFFFu;
    for (int y = 0; y < result.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(result.scanLine(y));
        for (int x = 0; x < result.width(); ++x)
            line[x] = (line[x] & 0x00FFFFFFu) == key ? 0u : (line[x] | 0xFF000000u);
    }
    return result;
}

TIcon::TIcon(const QImage& image)
    : image_(image.isNull() ? QImage() : image.convertToFormat(QImage::Format_ARGB32)) {}

void TIcon::SetImage(const QImage& image) {
    image_ = image.isNull() ? QImage() : image.convertToFormat(QImage::Format_ARGB32);
    drawAtSize_ = nullptr;
    handle_.reset();
    if (onChange_) onChange_();
}

void TIcon::Assign(const TIcon& source) {
    image_ = source.image_;
    drawAtSize_ = source.drawAtSize_;
    handle_ = source.handle_;
    if (onChange_) onChange_();
}

void TIcon::SetDrawAtSize(TDrawAtSize draw) {
    drawAtSize_ = std::move(draw);
    handle_.reset();
}

namespace {
platform::IconImage ToIconImage(const QImage& image) {
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    platform::IconImage result;
    result.width = argb.width();
    result.height = argb.height();
    result.pixels.resize(static_cast<std::size_t>(argb.width()) * argb.height());
    for (int y = 0; y < argb.height(); ++y)
        std::memcpy(&result.pixels[static_cast<std::size_t>(y) * argb.width()],
                    argb.constScanLine(y), static_cast<std::size_t>(argb.width()) * 4);
    return result;
}
}  // namespace

void TIcon::LoadFromFile(const std::string& path) {
    QImage image;
    if (!image.load(QString::fromLocal8Bit(path)))
        throw EReadError("Cannot read the icon file " + path);
    SetImage(image);
}

platform::IconHandle TIcon::Handle() const {
    if (image_.isNull()) return nullptr;
    if (handle_) return handle_;
    const QImage argb = image_.convertToFormat(QImage::Format_ARGB32);
    if (argb.isNull()) throw EReadError("The icon image cannot be read");
    auto handle = std::make_shared<platform::IconImage>(ToIconImage(argb));
    if (drawAtSize_)
        handle->drawAtSize = [draw = drawAtSize_](int size) { return ToIconImage(draw(size)); };
    handle_ = std::move(handle);
    return handle_;
}

TBitmap::TBitmap(int width, int height) : image_(width, height, QImage::Format_RGB32) {
    image_.fill(Qt::black);
}

TImageList::TImageList(TComponent* owner, int width, int height)
    : TComponent(owner), width_(width), height_(height) {}

int TImageList::Add(const TBitmap& bitmap, TColor maskColor) {
    if (bitmap.Width() < width_ || bitmap.Height() < height_)
        throw EInvalidGraphic("Invalid image size");
    images_.push_back(MaskedImage(bitmap.Image().copy(0, 0, width_, height_), maskColor));
    return Count() - 1;
}

int TImageList::AddIcon(const TIcon& icon) {
    if (icon.Empty()) throw EInvalidGraphic("Invalid image size");
    images_.push_back(icon.Image()
                          .scaled(width_, height_, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                          .convertToFormat(QImage::Format_ARGB32));
    return Count() - 1;
}

bool TImageList::GetIcon(int index, TIcon& icon) const {
    if (index < 0 || index >= Count()) return false;
    icon.SetImage(images_[static_cast<std::size_t>(index)]);
    return true;
}

}  // namespace skyvane
