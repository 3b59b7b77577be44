#include "platform/PictureFiles.h"

#include "platform/EditorError.h"
#include "platform/Limits.h"

#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QSaveFile>
#include <QtEndian>

namespace {

constexpr int kFileHeaderSize = 14;

EditorError Damaged(const QString& why) {
    return EditorError(QStringLiteral("Файл повреждён: %1").arg(why));
}

EditorError TooLarge(std::int64_t width, std::int64_t height) {
    return EditorError(QStringLiteral("Рисунок %1 x %2 слишком велик").arg(width).arg(height));
}

// Restores a device's position when it goes out of scope.
class KeepPosition {
public:
    explicit KeepPosition(QIODevice& device) : device_(device), position_(device.pos()) {}
    ~KeepPosition() { device_.seek(position_); }
    KeepPosition(const KeepPosition&) = delete;
    KeepPosition& operator=(const KeepPosition&) = delete;

private:
    QIODevice& device_;
    qint64 position_;
};

// Reads a run-length encoded bitmap's runs without decoding them, and throws when the data ends
// before the end-of-bitmap code (or the end of the last row).
void WalkRunLengths(QIODevice& device, std::int64_t height, bool fourBits) {
    QByteArray buffer;
    int at = 0;
    auto next = [&]() -> int {
        if (at == buffer.size()) {
            buffer = device.read(1 << 16);
            at = 0;
            if (buffer.isEmpty())
                throw Damaged(QStringLiteral("данные рисунка обрываются"));
        }
        return static_cast<unsigned char>(buffer[at++]);
    };
    auto skip = [&](int n) {
        while (n-- > 0)
            next();
    };
    std::int64_t row = 0;
    for (;;) {
        const int count = next();
        const int code = next();
        if (count > 0)
            continue;  // a run of one value
        if (code == 0) {  // end of a row
            if (++row >= height)
                return;
        } else if (code == 1) {  // end of the bitmap
            return;
        } else if (code == 2) {  // move right and down
            next();
            row += next();
            if (row >= height)
                return;
        } else {  // code literal pixels, padded to a whole number of 16-bit words
            const int bytes = fourBits ? (code + 1) / 2 : code;
            skip(bytes + (bytes & 1));
        }
    }
}

}  // namespace

void CheckBmp(QIODevice& device) {
    KeepPosition keep(device);
    const qint64 start = device.pos();
    const qint64 size = device.size() - start;
    const QByteArray header = device.read(kFileHeaderSize + 40);
    if (header.size() < kFileHeaderSize + 16 || !header.startsWith("BM"))
        throw Damaged(QStringLiteral("это не рисунок BMP"));
    const auto* h = reinterpret_cast<const uchar*>(header.constData());
    const std::int64_t dataOffset = qFromLittleEndian<quint32>(h + 10);
    const quint32 infoSize = qFromLittleEndian<quint32>(h + 14);
    std::int64_t width = 0, height = 0;
    int bits = 0;
    quint32 compression = 0;
    if (infoSize == 12) {  // the old core header: 16-bit sizes
        width = qFromLittleEndian<quint16>(h + 18);
        height = qFromLittleEndian<quint16>(h + 20);
        bits = qFromLittleEndian<quint16>(h + 24);
    } else if (infoSize >= 16 && header.size() >= kFileHeaderSize + 20) {
        width = qFromLittleEndian<qint32>(h + 18);
        height = qFromLittleEndian<qint32>(h + 22);
        bits = qFromLittleEndian<quint16>(h + 28);
        if (infoSize >= 20 && header.size() >= kFileHeaderSize + 20)
            compression = qFromLittleEndian<quint32>(h + 30);
    } else {
        throw Damaged(QStringLiteral("неизвестный заголовок"));
    }
    const std::int64_t rows = height < 0 ? -height : height;
    if (width <= 0 || rows == 0)
        throw Damaged(QStringLiteral("размер %1 x %2").arg(width).arg(height));
    if (width > kMaxBitmapSide || rows > kMaxBitmapSide || width * rows > kMaxBitmapPixels)
        throw TooLarge(width, rows);
    if (dataOffset < kFileHeaderSize + infoSize || dataOffset > size)
        throw Damaged(QStringLiteral("данные рисунка за концом файла"));

    switch (compression) {
    case 1:  // 8-bit runs
    case 2:  // 4-bit runs
        if (!device.seek(start + dataOffset))
            throw Damaged(QStringLiteral("данные рисунка недоступны"));
        WalkRunLengths(device, rows, compression == 2);
        break;
    case 0:  // plain rows
    case 3:  // plain rows with bit fields
    case 6: {
        const std::int64_t stride = (width * bits + 31) / 32 * 4;
        if (dataOffset + stride * rows > size)
            throw Damaged(QStringLiteral("данные рисунка обрываются"));
        break;
    }
    default: break;  // other encodings are left to the reader, which refuses what it cannot read
    }
}

QImage ReadPicture(QIODevice& device) {
    QImageReader::setAllocationLimit(
        static_cast<int>(kMaxBitmapPixels * 4 / (1024 * 1024)));  // the bounds decide, not Qt
    const bool bmp = device.peek(2) == "BM";
    if (bmp)
        CheckBmp(device);
    QImageReader reader(&device, bmp ? QByteArray("bmp") : QImageReader::imageFormat(&device));
    if (reader.format().isEmpty())
        throw EditorError(QStringLiteral("Неизвестный формат рисунка"));
    const QSize size = reader.size();
    if (size.isValid() && (size.width() > kMaxBitmapSide || size.height() > kMaxBitmapSide ||
                           std::int64_t{size.width()} * size.height() > kMaxBitmapPixels))
        throw TooLarge(size.width(), size.height());
    QImage image = reader.read();
    if (image.isNull())
        throw EditorError(QStringLiteral("Не могу прочитать рисунок: %1").arg(reader.errorString()));
    TBitmap::CheckSize(image.width(), image.height());
    return image;
}

QImage ReadPicture(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EditorError(file.errorString());
    return ReadPicture(file);
}

void WritePicture(const TBitmap& picture, QSaveFile& file) {
    if (!file.isOpen() && !file.open(QIODevice::WriteOnly))
        throw EditorError(QStringLiteral("Не могу записать файл %1:\n%2")
                              .arg(file.fileName(), file.errorString()));
    QImageWriter writer(&file, "bmp");
    if (!writer.write(picture.Image())) {
        const QString reason = file.error() != QFileDevice::NoError ? file.errorString()
                                                                     : writer.errorString();
        file.cancelWriting();
        throw EditorError(QStringLiteral("Не могу записать файл %1:\n%2").arg(file.fileName(), reason));
    }
    if (!file.commit())
        throw EditorError(QStringLiteral("Не могу записать файл %1:\n%2")
                              .arg(file.fileName(), file.errorString()));
}

void WritePicture(const TBitmap& picture, const QString& fileName) {
    QSaveFile file(fileName);
    WritePicture(picture, file);
}
