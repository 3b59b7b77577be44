// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

#include "clipboard/Clipboard.h"

#include "canvas/TBitmap.h"
#include "clipboard/OfferedImage.h"
#include "clipboard/ServedPng.h"
#include "desktop/Dialogs.h"
#include "files/PictureFiles.h"
#include "system/Limits.h"
#include "system/Memory.h"
#include "system/QtCompat.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QPointer>

#include <algorithm>

namespace {

bool WithinBounds(const QImage& image) {
    return image.width() <= kMaxBitmapSide && image.height() <= kMaxBitmapSide &&
           std::int64_t{image.width()} * image.height() <= kMaxBitmapPixels;
}

// The picture this program put on the clipboard. Qt offers it in every image format it can
// write, and encodes it in the format asked for when another program asks. PNG, which most
// programs ask for first, is made here instead: fast (see ServedPng) and once for the copy, so
// that every request gets the same bytes. Qt's own target for images is PNG too: another Qt
// program asks for that one first.
//
// Where memory is short, another program gets nothing rather than the editor being killed: Qt
// asks for the image itself to encode it in the other formats, about 8 bytes a pixel at most
// with the growing buffer, and that is refused first.
class CopiedPicture final : public QMimeData {
public:
    explicit CopiedPicture(const QImage& image) : image_(image) { setImageData(image); }

    const QImage& Image() const { return image_; }

protected:
    QVariant retrieveData(const QString& mimeType, qtcompat::MimeDataType type) const override {
        const bool png =
            mimeType == QLatin1String("image/png") ||
            (mimeType == QLatin1String("application/x-qt-image") && qtcompat::IsByteArray(type));
        if (!png) {
            if (mimeType.startsWith(QLatin1String("image/")) ||
                mimeType == QLatin1String("application/x-qt-image")) {
                if (!MemoryFits(std::int64_t{image_.width()} * image_.height() * 8))
                    return QVariant();
            }
            return QMimeData::retrieveData(mimeType, type);
        }
        if (png_.isNull()) {
            try {
                png_ = ServedPng(image_);
            } catch (const std::exception&) {
                return QByteArray(); // perhaps there is room for it at the next request
            }
        }
        return png_;
    }

private:
    const QImage image_;
    mutable QByteArray png_;
};

class SystemClipboard final : public IClipboard {
public:
    bool PutImage(const QImage& image) override {
        QClipboard* clipboard = QGuiApplication::clipboard();
        if (!clipboard || image.isNull())
            return false;
        auto* copied = new CopiedPicture(image);
        clipboard->setMimeData(copied); // the clipboard owns it from here on
        own_ = copied;
        // On X11 the program serves its clipboard itself: it must own the selection now.
        if (QGuiApplication::platformName() == QLatin1String("xcb"))
            return clipboard->ownsClipboard();
        return true;
    }

    std::optional<QImage> GetImage() override {
        const QClipboard* clipboard = QGuiApplication::clipboard();
        const QMimeData* data = clipboard ? clipboard->mimeData() : nullptr;
        if (!data)
            return std::nullopt;
        // This program's own copy is held as the image itself.
        if (own_ && data == own_) {
            const QImage image = static_cast<const CopiedPicture*>(data)->Image();
            if (image.isNull() || !WithinBounds(image))
                return std::nullopt;
            return image;
        }
        // Another program's image is decoded here from its bytes, with the size checked before
        // anything large is allocated. Qt would also decode them itself (hasImage, imageData on
        // X11), but without the bounds: an image refused here is no picture. Where Qt cannot be
        // trusted to read another program's bytes, the editor asks for them itself; what this
        // program offers itself (text in a field) Qt has at hand.
        if (!clipboard->ownsClipboard()) {
            if (const std::unique_ptr<QMimeData> offer = qtcompat::OfferReadByTheEditor())
                return ReadOfferedImage(*offer);
        }
        return ReadOfferedImage(*data);
    }

private:
    // What this program put there last, while the clipboard still holds it.
    QPointer<const QMimeData> own_;
};

IClipboard* installed = nullptr;

} // namespace

IClipboard& Clipboard() {
    static SystemClipboard system;
    return installed ? *installed : system;
}

IClipboard* SetClipboard(IClipboard* clipboard) {
    IClipboard* previous = installed;
    installed = clipboard;
    return previous;
}

bool PutToClipboard(const TBitmap& Graphic) {
    bool put = false;
    try {
        put = Clipboard().PutImage(Graphic.Image());
    } catch (const std::exception&) {
        put = false;
    }
    if (!put)
        ShowError(nullptr, QStringLiteral("Не могу записать в Clipboard"));
    return put;
}

bool DrawFromClipboard(std::int32_t X, std::int32_t Y, TBitmap& Bitmap) {
    const std::optional<QImage> image = Clipboard().GetImage();
    if (!image || image->isNull())
        return false;
    // Only the part that lands on the bitmap is drawn: the rectangle target of the bitmap, from
    // the rectangle source of the image.
    const std::int64_t left = std::max<std::int64_t>(X, 0);
    const std::int64_t top = std::max<std::int64_t>(Y, 0);
    const std::int64_t right =
        std::min<std::int64_t>(std::int64_t{X} + image->width(), Bitmap.Width());
    const std::int64_t bottom =
        std::min<std::int64_t>(std::int64_t{Y} + image->height(), Bitmap.Height());
    if (left >= right || top >= bottom)
        return true;
    // The bitmap still shares its pixels with the image it put there itself: drawing them in
    // place changes nothing.
    if (X == 0 && Y == 0 && image->constBits() == Bitmap.Image().constBits())
        return true;
    const TRect target{static_cast<std::int32_t>(left), static_cast<std::int32_t>(top),
                       static_cast<std::int32_t>(right), static_cast<std::int32_t>(bottom)};
    const TRect source{static_cast<std::int32_t>(left - X), static_cast<std::int32_t>(top - Y),
                       static_cast<std::int32_t>(right - X), static_cast<std::int32_t>(bottom - Y)};
    if (image->format() == QImage::Format_RGB32) {
        TBitmap pasted;
        pasted.AssignImage(*image); // shares the pixels: the draw is the only copy
        Bitmap.Canvas().CopyRect(target, pasted.Canvas(), source);
        return true;
    }
    // Another format is made 24-bit colour a strip of rows at a time, only the part that lands:
    // the converted copy stays small however large the image (ReadOfferedImage counts on it).
    const auto rows = static_cast<std::int32_t>(
        std::max<std::int64_t>(1, kConvertedStrip / (std::int64_t{source.Width()} * 4)));
    for (std::int32_t done = 0; done < target.Height(); done += rows) {
        const std::int32_t n = std::min(rows, target.Height() - done);
        TBitmap strip;
        strip.AssignImage(image->copy(source.left, source.top + done, source.Width(), n));
        Bitmap.Canvas().CopyRect(
            {target.left, target.top + done, target.right, target.top + done + n}, strip.Canvas(),
            strip.BoundsRect());
    }
    return true;
}
