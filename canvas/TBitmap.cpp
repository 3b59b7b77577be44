// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

#include "canvas/TBitmap.h"

#include "system/EditorError.h"
#include "system/LargeMemory.h"
#include "system/Limits.h"
#include "system/Memory.h"

#include <QCoreApplication>
#include <QPainter>

namespace {

void FreePixels(void* memory) {
    FreeLargeMemory()(static_cast<unsigned char*>(memory));
}

} // namespace

TBitmap::TBitmap() : canvas_(*this) {}

TBitmap::TBitmap(std::int32_t width, std::int32_t height) : canvas_(*this) {
    SetSize(width, height);
}

std::unique_ptr<TBitmap> TBitmap::Unfilled(std::int32_t width, std::int32_t height) {
    CheckSize(width, height);
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->Replace(NewImage(width, height), width, height);
    return bitmap;
}

QImage TBitmap::NewImage(std::int32_t width, std::int32_t height) {
    if (width <= 0 || height <= 0)
        return QImage();
    RequireMemory(std::int64_t{width} * height * 4, width, height);
    return AllocateImage(width, height);
}

QImage TBitmap::AllocateImage(std::int32_t width, std::int32_t height) {
    if (width <= 0 || height <= 0)
        return QImage();
    const qsizetype stride = qsizetype{width} * 4;
    const std::size_t bytes = static_cast<std::size_t>(stride) * static_cast<std::size_t>(height);
    QImage image;
    if (bytes < kLargeAllocation) {
        image = QImage(width, height, QImage::Format_RGB32);
    } else if (LargeMemory memory = AllocateLarge(bytes)) {
        image = QImage(memory.get(), width, height, stride, QImage::Format_RGB32, FreePixels,
                       memory.get());
        if (!image.isNull())
            memory.release(); // the image frees it
    }
    if (image.isNull())
        throw OutOfMemory(width, height);
    return image;
}

void TBitmap::CheckSize(std::int64_t width, std::int64_t height) {
    if (width < 0 || height < 0 || width > kMaxBitmapSide || height > kMaxBitmapSide ||
        width * height > kMaxBitmapPixels)
        throw EditorError(
            QStringLiteral("Недопустимый размер изображения: %1 x %2").arg(width).arg(height));
}

void TBitmap::SetSize(std::int32_t width, std::int32_t height) {
    if (width == Width() && height == Height())
        return;
    CheckSize(width, height);
    QImage next = NewImage(width, height);
    if (!next.isNull()) {
        next.fill(ToQRgb(clWhite));
        const int w = std::min(width, Width());
        const int h = std::min(height, Height());
        for (int y = 0; y < h; ++y)
            std::copy_n(reinterpret_cast<const QRgb*>(image_.constScanLine(y)), w,
                        reinterpret_cast<QRgb*>(next.scanLine(y)));
    }
    Replace(std::move(next), width, height);
}

void TBitmap::Assign(const TBitmap& source) {
    if (&source != this)
        Replace(source.image_, source.width_, source.height_);
}

void TBitmap::AssignImage(const QImage& image) {
    CheckSize(image.width(), image.height());
    if (image.format() == QImage::Format_RGB32) {
        Replace(image, image.width(), image.height());
        return;
    }
    // Alpha is dropped, not blended: every pixel keeps its own colour values.
    RequireMemory(std::int64_t{image.width()} * image.height() * 4, image.width(), image.height());
    QImage converted = image.hasAlphaChannel() ? image.convertToFormat(QImage::Format_ARGB32)
                                               : image.convertToFormat(QImage::Format_RGB32);
    if (converted.isNull() && !image.isNull())
        throw OutOfMemory(image.width(), image.height());
    if (converted.format() == QImage::Format_ARGB32) {
        for (int y = 0; y < converted.height(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(converted.scanLine(y));
            for (int x = 0; x < converted.width(); ++x)
                row[x] |= 0xFF000000u;
        }
        converted.reinterpretAsFormat(QImage::Format_RGB32);
    }
    Replace(std::move(converted), image.width(), image.height());
}

TColor TBitmap::Pixel(std::int32_t x, std::int32_t y) const {
    if (x < 0 || y < 0 || x >= Width() || y >= Height())
        return kNoPixel;
    return FromQRgb(reinterpret_cast<const QRgb*>(image_.constScanLine(y))[x]);
}

QImage& TBitmap::MutableImage() {
    if (!image_.isNull() && !image_.isDetached()) {
        QImage own = NewImage(width_, height_);
        for (int y = 0; y < height_; ++y)
            std::copy_n(image_.constScanLine(y), own.bytesPerLine(), own.scanLine(y));
        image_ = std::move(own);
    }
    return image_;
}

void TBitmap::Changed(const TRect& area) {
    const TRect r = area.Intersected(BoundsRect());
    if (!r.IsEmpty() && OnChange)
        OnChange(r);
}

void TBitmap::Replace(QImage image, std::int32_t width, std::int32_t height) {
    const bool resized = width != width_ || height != height_;
    image_ = std::move(image);
    width_ = width;
    height_ = height;
    if (resized && OnResize)
        OnResize();
    Changed(BoundsRect());
}
