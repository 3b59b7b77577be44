// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// A picture, fragment, snapshot or work bitmap: a QImage in Format_RGB32 with its own canvas.
// The pixels of a large bitmap live in memory aligned to 2 MB that the kernel may back with huge
// pages, so that touching new memory costs one fault per 2 MB rather than one per 4 KB.
#pragma once

#include "canvas/TCanvas.h"
#include "common/Geometry.h"

#include <QImage>
#include <functional>
#include <memory>

class TBitmap {
public:
    TBitmap();
    // A new bitmap of the given size comes out white. Throws EditorError when it cannot be made.
    TBitmap(std::int32_t width, std::int32_t height);
    // A new bitmap whose pixels are whatever the memory held, for a caller that writes every one
    // of them next. Throws EditorError when it cannot be made.
    static std::unique_ptr<TBitmap> Unfilled(std::int32_t width, std::int32_t height);
    TBitmap(const TBitmap&) = delete;
    TBitmap& operator=(const TBitmap&) = delete;

    std::int32_t Width() const { return width_; }
    std::int32_t Height() const { return height_; }
    TRect BoundsRect() const { return {0, 0, Width(), Height()}; }
    bool Empty() const { return Width() == 0 || Height() == 0; }

    // Changes the size; pixels in the overlap stay, new ones are white. A size outside the bounds
    // of system/Limits.h, or one that cannot be allocated, throws EditorError and changes
    // nothing.
    void SetSize(std::int32_t width, std::int32_t height);
    void SetWidth(std::int32_t width) { SetSize(width, Height()); }
    void SetHeight(std::int32_t height) { SetSize(Width(), height); }

    // Takes the size and the pixels of another bitmap.
    void Assign(const TBitmap& source);
    // Takes the pixels of an image of any format, converted to 24-bit colour (alpha dropped).
    void AssignImage(const QImage& image);

    TCanvas& Canvas() { return canvas_; }
    const TCanvas& Canvas() const { return canvas_; }
    const QImage& Image() const { return image_; }

    // Pixel access without a canvas; coordinates outside the bitmap read as the invalid colour
    // kNoPixel and write nothing.
    static constexpr TColor kNoPixel = 0xFFFFFFFFu;
    TColor Pixel(std::int32_t x, std::int32_t y) const;

    // Notifications for whoever shows the bitmap: OnChange gets every changed area (already cut
    // to the bitmap), OnResize runs after the size changed.
    std::function<void(const TRect&)> OnChange;
    std::function<void()> OnResize;

    // For the canvas: writable pixels, and the report of an area it changed. Pixels still shared
    // with a copy of the image (the clipboard's, say) are copied first, into memory of this
    // bitmap's own kind.
    QImage& MutableImage();
    void Changed(const TRect& area);

    // Throws EditorError unless a bitmap of this size may be made.
    static void CheckSize(std::int64_t width, std::int64_t height);
    // A new image of the given size in the kind of memory a bitmap of that size keeps its pixels
    // in, the pixels not set, for a caller that has checked the memory left (RequireMemory), writes
    // every pixel and hands the image to a bitmap (a decoder); null when a side is 0. Throws
    // EditorError when the memory cannot be had.
    static QImage AllocateImage(std::int32_t width, std::int32_t height);

private:
    // AllocateImage after the check of the memory left.
    static QImage NewImage(std::int32_t width, std::int32_t height);
    // Takes an image of the given size (null when a side is 0).
    void Replace(QImage image, std::int32_t width, std::int32_t height);

    // A bitmap may be 0 pixels wide and still have a height, and the other way round; its
    // image is null then.
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    QImage image_;
    TCanvas canvas_;
};
