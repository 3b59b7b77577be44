// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

#include "fragments/ImgScale01.h"

#include "canvas/TImage.h"
#include "desktop/Dialogs.h"
#include "system/EditorError.h"
#include "system/Memory.h"

#include <QLocale>
#include <algorithm>
#include <cfenv>
#include <cmath>

namespace {

// The part of a rectangle of the given size at (left, top) that lies inside a bitmap, in the
// bitmap's coordinates; empty when they do not meet. Computed in 64 bits: the corner may lie
// anywhere.
TRect InsidePart(std::int64_t left, std::int64_t top, std::int64_t width, std::int64_t height,
                 const TBitmap& bitmap) {
    const std::int64_t l = std::max<std::int64_t>(left, 0);
    const std::int64_t t = std::max<std::int64_t>(top, 0);
    const std::int64_t r = std::min<std::int64_t>(left + width, bitmap.Width());
    const std::int64_t b = std::min<std::int64_t>(top + height, bitmap.Height());
    if (l >= r || t >= b)
        return {};
    return {static_cast<std::int32_t>(l), static_cast<std::int32_t>(t),
            static_cast<std::int32_t>(r), static_cast<std::int32_t>(b)};
}

// A rectangle moved so that (left, top) becomes the origin. Used for the part of a rectangle
// that meets a bitmap, so the results are small.
TRect Shifted(const TRect& r, std::int32_t left, std::int32_t top) {
    return {TRect::Saturate(std::int64_t{r.left} - left),
            TRect::Saturate(std::int64_t{r.top} - top),
            TRect::Saturate(std::int64_t{r.right} - left),
            TRect::Saturate(std::int64_t{r.bottom} - top)};
}

} // namespace

void CopyImageRect(TImage* Image, TRect Rect, TBitmap* Bitmap) {
    if (!Image || !Bitmap || Rect.left >= Rect.right || Rect.top >= Rect.bottom)
        return;
    Bitmap->SetSize(Rect.Width(), Rect.Height());
    const TBitmap& picture = Image->Picture();
    const TRect inside = InsidePart(Rect.left, Rect.top, Rect.Width(), Rect.Height(), picture);
    TCanvas& canvas = Bitmap->Canvas();
    if (inside.Width() != Rect.Width() || inside.Height() != Rect.Height()) {
        // What lies outside the picture comes out white, the colour of a new picture.
        const TBrush brush = canvas.Brush;
        canvas.Brush = {bsSolid, clWhite};
        canvas.FillRect(Bitmap->BoundsRect());
        canvas.Brush = brush;
    }
    if (!inside.IsEmpty())
        canvas.CopyRect(Shifted(inside, Rect.left, Rect.top), picture.Canvas(), inside);
}

void PasteBitmapRect(TImage* Image, TRect Rect, TBitmap* Bitmap) {
    if (!Image || !Bitmap)
        return;
    const std::int32_t h = std::min(Rect.Height(), Bitmap->Height());
    const std::int32_t w = std::min(Rect.Width(), Bitmap->Width());
    if (h <= 0 || w <= 0)
        return;
    // The top-left w x h block of the bitmap at the rectangle's corner, cut to the picture.
    TBitmap& picture = Image->Picture();
    const TRect inside = InsidePart(Rect.left, Rect.top, w, h, picture);
    if (inside.IsEmpty())
        return;
    picture.Canvas().CopyRect(inside, Bitmap->Canvas(), Shifted(inside, Rect.left, Rect.top));
}

std::int32_t RoundHalfEven(long double value) {
    if (std::isnan(value))
        return 0;
    const int mode = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const long double rounded = std::nearbyintl(value);
    std::fesetround(mode);
    return static_cast<std::int32_t>(std::clamp<long double>(rounded, INT32_MIN, INT32_MAX));
}

void ZoomRangeWarning() {
    // "%4.1f" in the user's own decimal notation: " 1,0" and "800,0" under a Russian locale.
    const auto number = [](double v) {
        return QStringLiteral("%1").arg(QLocale().toString(v, 'f', 1), 4);
    };
    Dialogs().ShowMessage(nullptr, TMsgKind::Warning,
                          QStringLiteral("Zoom ВНЕ диапазона:\r\n( ") +
                              number(TImageScale::kMinZoom * 100) + QStringLiteral(" ... ") +
                              number(TImageScale::kMaxZoom * 100) + QStringLiteral(" ) %") +
                              QStringLiteral("\r\n") + QStringLiteral("Запрос будет исправлен"),
                          TMsgButtons::Ok);
}

void SizeRangeWarning() {
    Dialogs().ShowMessage(nullptr, TMsgKind::Warning,
                          QStringLiteral("Размер строки или столбца ВНЕ диапазона:\r\n( 1 ... ") +
                              QString::number(TImageScale::kMaxSide) +
                              QStringLiteral(" ) пикселей") + QStringLiteral("\r\n") +
                              QStringLiteral("Запрос будет исправлен"),
                          TMsgButtons::Ok);
}

TImageScale::TImageScale() : WorkBitmap(std::make_unique<TBitmap>()) {}

TImageScale::~TImageScale() = default;

void TImageScale::ReadSourceSize() {
    if (!SrcImage) {
        SrcHeight = SrcWidth = 0;
        return;
    }
    SrcHeight = SrcImage->Picture().Height();
    SrcWidth = SrcImage->Picture().Width();
}

void TImageScale::SetSource(TImage* Image) {
    SrcImage = Image;
    if (Image)
        ReadSourceSize();
}

void TImageScale::SetZoom(double Factor) {
    if (!SrcImage)
        return;
    ReadSourceSize();
    Zoom = Factor;
    if (Zoom < kMinZoom) {
        Zoom = kMinZoom;
        ZoomRangeWarning();
    } else if (Zoom > kMaxZoom) {
        Zoom = kMaxZoom;
        ZoomRangeWarning();
    }
    DstHeight = RoundHalfEven(static_cast<long double>(SrcHeight) * Zoom);
    DstWidth = RoundHalfEven(static_cast<long double>(SrcWidth) * Zoom);
    LimitSize();
}

void TImageScale::LimitSize() {
    if (DstWidth > kMaxSide || DstHeight > kMaxSide) {
        if (DstWidth > DstHeight) {
            DstHeight = RoundHalfEven(static_cast<long double>(DstHeight) / DstWidth * kMaxSide);
            DstWidth = kMaxSide;
        } else if (DstHeight > DstWidth) {
            DstWidth = RoundHalfEven(static_cast<long double>(DstWidth) / DstHeight * kMaxSide);
            DstHeight = kMaxSide;
        } else {
            DstWidth = DstHeight = kMaxSide;
        }
        SizeRangeWarning();
    }
    DstWidth = std::max(DstWidth, 1);
    DstHeight = std::max(DstHeight, 1);
}

void TImageScale::Execute() {
    if (!SrcImage || !DstImage || SrcHeight == 0 || SrcWidth == 0)
        return;
    // The block of the size stored by the last SetZoom; should the picture have changed its size
    // since, what it no longer covers is white.
    const TBitmap& picture = SrcImage->Picture();
    TBitmap block;
    if (picture.Width() == SrcWidth && picture.Height() == SrcHeight) {
        block.Assign(picture); // shares the pixels until one of them is written
    } else {
        block.SetSize(SrcWidth, SrcHeight);
        const TRect inside = block.BoundsRect().Intersected(picture.BoundsRect());
        block.Canvas().CopyRect(inside, picture.Canvas(), inside);
    }
    if (DstHeight == SrcHeight && DstWidth == SrcWidth) {
        WorkBitmap->Assign(block); // a plain copy
    } else {
        // Qt's smooth scaling averages the source pixels that fall into each target pixel where
        // it reduces, and interpolates where it enlarges; it needs the scaled image and buffers of
        // the same size.
        RequireMemory(std::int64_t{DstWidth} * DstHeight * 4 * 2, DstWidth, DstHeight);
        const QImage scaled = block.Image().scaled(DstWidth, DstHeight, Qt::IgnoreAspectRatio,
                                                   Qt::SmoothTransformation);
        if (scaled.isNull())
            throw OutOfMemory(DstWidth, DstHeight);
        WorkBitmap->AssignImage(scaled);
    }
    DstImage->Picture().Assign(*WorkBitmap);
}
