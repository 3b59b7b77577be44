#include "fragments/ImgScale01.h"

#include "platform/Dialogs.h"
#include "platform/EditorError.h"
#include "platform/TImage.h"

#include <QLocale>
#include <cfenv>
#include <cmath>

void CopyImageRect(TImage* Image, TRect Rect, TBitmap* Bitmap) {
    if (!Image || !Bitmap || Rect.left >= Rect.right || Rect.top >= Rect.bottom)
        return;
    Bitmap->SetHeight(Rect.Height());
    Bitmap->SetWidth(Rect.Width());
    TCanvas& canvas = Bitmap->Canvas();
    const TBrush brush = canvas.Brush;
    canvas.Brush = {bsSolid, clWhite};
    canvas.FillRect(Bitmap->BoundsRect());
    canvas.Brush = brush;
    canvas.CopyRect(Bitmap->BoundsRect(), Image->Canvas(), Rect);
}

void PasteBitmapRect(TImage* Image, TRect Rect, TBitmap* Bitmap) {
    if (!Image || !Bitmap)
        return;
    const std::int32_t h = std::min(Rect.Height(), Bitmap->Height());
    const std::int32_t w = std::min(Rect.Width(), Bitmap->Width());
    if (h <= 0 || w <= 0)
        return;
    TBitmap part(w, h);
    part.Canvas().CopyRect(part.BoundsRect(), Bitmap->Canvas(), {0, 0, w, h});
    Image->Canvas().Draw(Rect.left, Rect.top, part);
}

std::int32_t RoundHalfEven(long double value) {
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
    const TBitmap& source = SrcImage->Picture();
    if (DstHeight == SrcHeight && DstWidth == SrcWidth) {
        WorkBitmap->SetSize(DstWidth, DstHeight);
        WorkBitmap->Canvas().CopyRect(WorkBitmap->BoundsRect(), source.Canvas(),
                                      {0, 0, DstWidth, DstHeight});
    } else {
        // The sizes stored by the last SetZoom; Qt's smooth scaling averages the source pixels
        // that fall into each target pixel when it reduces.
        const QImage& whole = source.Image();
        const QImage part = whole.width() == SrcWidth && whole.height() == SrcHeight
                                ? whole
                                : whole.copy(0, 0, SrcWidth, SrcHeight);
        const QImage scaled =
            part.scaled(DstWidth, DstHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        if (scaled.isNull())
            throw EditorError(QStringLiteral("Недостаточно памяти для изображения %1 x %2")
                                  .arg(DstWidth)
                                  .arg(DstHeight));
        WorkBitmap->AssignImage(scaled);
    }
    DstImage->Picture().Assign(*WorkBitmap);
}
