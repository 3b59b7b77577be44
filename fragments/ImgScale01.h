// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// Rectangles of pixels between the picture and bitmaps, and the scaler of fragments.
#pragma once

#include "common/Geometry.h"

#include <cstdint>
#include <memory>

class TBitmap;
class TImage;

// Copies the rectangle of the picture into the bitmap, which takes the rectangle's size. Nothing
// happens for an empty rectangle or a missing image or bitmap. The part of the rectangle outside
// the picture comes out white (the colour of a new picture); nothing outside is read.
void CopyImageRect(TImage* Image, TRect Rect, TBitmap* Bitmap);

// Copies the top-left part of the bitmap, at most the rectangle's size, onto the picture at the
// rectangle's top-left corner, 1:1 and opaque; nothing is stretched and nothing is written
// outside the picture.
void PasteBitmapRect(TImage* Image, TRect Rect, TBitmap* Bitmap);

// Makes a resized copy of the picture of one image control and puts it into another (or the
// same) image control. The factor is kept within 0.01 .. 8.0 and each side of the result within
// 1 .. 6000 pixels; out-of-range requests are corrected with a warning box.
class TImageScale {
public:
    static constexpr double kMinZoom = 0.01;
    static constexpr double kMaxZoom = 8.0;
    static constexpr std::int32_t kMaxSide = 6000;

    TImageScale();
    ~TImageScale();
    TImageScale(const TImageScale&) = delete;
    TImageScale& operator=(const TImageScale&) = delete;

    TImage* SrcImage = nullptr; // not owned
    TImage* DstImage = nullptr; // not owned; set by the owner
    double Zoom = 0;
    std::int32_t SrcHeight = 0;
    std::int32_t SrcWidth = 0;
    std::int32_t DstHeight = 0;
    std::int32_t DstWidth = 0;
    std::unique_ptr<TBitmap> WorkBitmap; // receives the scaled copy before it goes to DstImage

    // Sets the source and reads its size; with nothing, the source becomes absent and the sizes
    // stay.
    void SetSource(TImage* Image);
    // Sets and corrects the factor and computes the target size; nothing without a source.
    void SetZoom(double Factor);
    // Makes the scaled copy of the block of the size read by the last SetZoom (white where the
    // picture no longer covers it) and gives it to DstImage: a plain copy when the size does not
    // change; otherwise smooth, averaging the source pixels under each target pixel where it
    // reduces and interpolating between pixel centres where it enlarges.
    void Execute();
    void ReadSourceSize();
    void LimitSize();
};

// The two warning boxes of the scaler.
void ZoomRangeWarning();
void SizeRangeWarning();

// Rounds to the nearest integer, halves to the even neighbour.
std::int32_t RoundHalfEven(long double value);
