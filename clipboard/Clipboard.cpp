#include "clipboard/Clipboard.h"

#include "clipboard/OfferedImage.h"
#include "platform/Dialogs.h"
#include "platform/Limits.h"
#include "platform/TBitmap.h"

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

class SystemClipboard final : public IClipboard {
public:
    bool PutImage(const QImage& image) override {
        QClipboard* clipboard = QGuiApplication::clipboard();
        if (!clipboard || image.isNull())
            return false;
        clipboard->setImage(image);
        own_ = clipboard->mimeData();
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
            const QImage image = qvariant_cast<QImage>(data->imageData());
            if (image.isNull() || !WithinBounds(image))
                return std::nullopt;
            return image;
        }
        // Another program's image is decoded here from its bytes, with the size checked before
        // anything large is allocated. Qt would also decode them itself (hasImage, imageData on
        // X11), but without the bounds: an image refused here is no picture.
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
    // Only the part that lands on the bitmap is converted and drawn.
    const std::int64_t left = std::max<std::int64_t>(X, 0);
    const std::int64_t top = std::max<std::int64_t>(Y, 0);
    const std::int64_t right =
        std::min<std::int64_t>(std::int64_t{X} + image->width(), Bitmap.Width());
    const std::int64_t bottom =
        std::min<std::int64_t>(std::int64_t{Y} + image->height(), Bitmap.Height());
    if (left >= right || top >= bottom)
        return true;
    TBitmap pasted;
    pasted.AssignImage(image->copy(static_cast<int>(left - X), static_cast<int>(top - Y),
                                   static_cast<int>(right - left), static_cast<int>(bottom - top)));
    Bitmap.Canvas().Draw(static_cast<std::int32_t>(left), static_cast<std::int32_t>(top), pasted);
    return true;
}
