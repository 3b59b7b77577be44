#include "clipboard/Clipboard.h"

#include "platform/Dialogs.h"
#include "platform/PictureFiles.h"
#include "platform/TBitmap.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace {

class SystemClipboard final : public IClipboard {
public:
    bool PutImage(const QImage& image) override {
        QClipboard* clipboard = QGuiApplication::clipboard();
        if (!clipboard || image.isNull())
            return false;
        clipboard->setImage(image);
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
        // Another program's image is decoded here from its bytes, with the size checked before
        // anything large is allocated.
        for (const char* format : {"image/png", "image/bmp", "image/x-bmp", "image/x-MS-bmp",
                                   "image/jpeg", "image/gif"}) {
            if (!data->hasFormat(QLatin1String(format)))
                continue;
            QByteArray bytes = data->data(QLatin1String(format));
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::ReadOnly);
            try {
                return ReadPicture(buffer);
            } catch (const std::exception&) {
                continue; // not usable in this format: try the next one
            }
        }
        // This program's own copy is held as the image itself.
        if (data->hasImage()) {
            const QImage image = qvariant_cast<QImage>(data->imageData());
            if (!image.isNull())
                return image;
        }
        return std::nullopt;
    }
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
    TBitmap pasted;
    pasted.AssignImage(*image);
    Bitmap.Canvas().Draw(X, Y, pasted);
    return true;
}
