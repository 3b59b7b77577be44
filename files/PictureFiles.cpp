// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

#include "files/PictureFiles.h"

#include "files/PictureReading.h"
#include "files/PngJpegGif.h"
#include "system/EditorError.h"
#include "system/Memory.h"
#include "system/QtCompat.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QSaveFile>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pictures {

PictureError Damaged(const QString& why) {
    return PictureError(PictureError::Kind::Damaged, QStringLiteral("Файл повреждён: %1").arg(why),
                        why);
}

PictureError Truncated() {
    return Damaged(QStringLiteral("данные рисунка обрываются"));
}

PictureError TooLarge(std::int64_t width, std::int64_t height) {
    const QString size = QStringLiteral("%1 x %2").arg(width).arg(height);
    return PictureError(PictureError::Kind::TooLarge,
                        QStringLiteral("Рисунок %1 слишком велик").arg(size), size);
}

bool Beyond(std::int64_t width, std::int64_t height, std::int64_t maxPixels) {
    return width > kMaxBitmapSide || height > kMaxBitmapSide || width * height > maxPixels;
}

} // namespace pictures

using namespace pictures;

namespace {

constexpr int kFileHeaderSize = 14;
// Bit-field masks sit here: inside the info header from 52 bytes on, right after a 40-byte one.
constexpr int kMasksAt = kFileHeaderSize + 40;
constexpr int kMasksSize = 12;

constexpr quint32 kPlain = 0;
constexpr quint32 kRle8 = 1;
constexpr quint32 kRle4 = 2;
constexpr quint32 kBitFields = 3;

// What the editor writes: a 40-byte header, 24 bits a pixel, 96 pixels an inch.
constexpr int kWrittenHeaderSize = kFileHeaderSize + 40;
constexpr quint32 kWrittenPixelsPerMeter = 3780;

EditorError Unsupported(const QString& what) {
    return EditorError(QStringLiteral("Такой рисунок BMP не поддерживается: %1").arg(what));
}

// A colour as it shows on white paper: its alpha blends it with white.
QRgb OverWhite(QRgb colour) {
    const int alpha = qAlpha(colour);
    const auto blend = [alpha](int value) { return 255 - ((255 - value) * alpha + 127) / 255; };
    return alpha == 255 ? colour
                        : qRgb(blend(qRed(colour)), blend(qGreen(colour)), blend(qBlue(colour)));
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

// Reads a device a byte at a time through a buffer; throws when the data ends.
class ByteReader {
public:
    explicit ByteReader(QIODevice& device) : device_(device) {}
    int Next() {
        if (at_ == buffer_.size()) {
            buffer_ = device_.read(1 << 16);
            at_ = 0;
            if (buffer_.isEmpty())
                throw Truncated();
        }
        return reinterpret_cast<const uchar*>(buffer_.constData())[at_++];
    }
    void Skip(int count) {
        while (count-- > 0)
            Next();
    }

private:
    QIODevice& device_;
    QByteArray buffer_;
    qsizetype at_ = 0;
};

// The headers of a BMP, checked: everything ReadPicture needs to decode the pixels.
struct BmpHeader {
    std::int64_t start = 0;      // device position of the file
    std::int64_t dataOffset = 0; // of the pixel data, from the start
    quint32 infoSize = 0;
    std::int64_t width = 0;
    std::int64_t rows = 0;
    bool topDown = false;
    int bits = 0;
    quint32 compression = kPlain;
    std::array<quint32, 3> masks{}; // red, green, blue of 16- and 32-bit pixels
    quint32 alphaMask = 0;
    std::int64_t paletteOffset = 0; // from the start
    int paletteEntrySize = 4;
    int colors = 0; // palette entries in the file

    std::int64_t Stride() const { return (width * bits + 31) / 32 * 4; }
    bool RunLengths() const { return compression == kRle8 || compression == kRle4; }
};

// Reads the headers at the device's position and throws unless this reader can decode the
// picture and it lies within the bounds. Does not look at the pixel data.
BmpHeader ReadHeader(QIODevice& device, std::int64_t maxPixels) {
    BmpHeader b;
    b.start = device.pos();
    const std::int64_t size = device.size() - b.start;
    const QByteArray bytes = device.read(kMasksAt + kMasksSize);
    if (bytes.size() < kFileHeaderSize + 4 || !bytes.startsWith("BM"))
        throw Damaged(QStringLiteral("это не рисунок BMP"));
    const auto* h = reinterpret_cast<const uchar*>(bytes.constData());
    b.dataOffset = qFromLittleEndian<quint32>(h + 10);
    b.infoSize = qFromLittleEndian<quint32>(h + 14);
    switch (b.infoSize) {
    case 12:  // the old core header
    case 40:  // the Windows header
    case 52:  // with the colour masks
    case 56:  // with the alpha mask too
    case 64:  // the OS/2 header
    case 108: // with colour space
    case 124: // with colour profile
        break;
    default:
        throw Unsupported(QStringLiteral("заголовок в %1 байт").arg(b.infoSize));
    }
    if (bytes.size() < std::min<std::int64_t>(kFileHeaderSize + b.infoSize, kMasksAt))
        throw Truncated();

    std::int64_t height = 0;
    quint32 colorsUsed = 0;
    if (b.infoSize == 12) { // unsigned 16-bit sides, 3-byte palette entries
        b.width = qFromLittleEndian<quint16>(h + 18);
        height = qFromLittleEndian<quint16>(h + 20);
        b.bits = qFromLittleEndian<quint16>(h + 24);
        b.paletteEntrySize = 3;
    } else {
        b.width = qFromLittleEndian<qint32>(h + 18);
        height = qFromLittleEndian<qint32>(h + 22);
        b.bits = qFromLittleEndian<quint16>(h + 28);
        b.compression = qFromLittleEndian<quint32>(h + 30);
        colorsUsed = qFromLittleEndian<quint32>(h + 46);
    }
    b.topDown = height < 0;
    b.rows = height < 0 ? -height : height;
    if (b.width <= 0 || b.rows == 0)
        throw Damaged(QStringLiteral("размер %1 x %2").arg(b.width).arg(height));
    if (Beyond(b.width, b.rows, maxPixels))
        throw TooLarge(b.width, b.rows);

    if (b.bits != 1 && b.bits != 4 && b.bits != 8 && b.bits != 16 && b.bits != 24 && b.bits != 32)
        throw Unsupported(QStringLiteral("%1 бит на точку").arg(b.bits));
    const bool known =
        b.compression == kPlain || (b.compression == kRle8 && b.bits == 8) ||
        (b.compression == kRle4 && b.bits == 4) ||
        (b.compression == kBitFields && (b.bits == 16 || b.bits == 32) && b.infoSize != 64);
    if (!known)
        throw Unsupported(
            QStringLiteral("сжатие %1 при %2 битах на точку").arg(b.compression).arg(b.bits));

    std::int64_t headersEnd = kFileHeaderSize + b.infoSize;
    if (b.compression == kBitFields) {
        if (bytes.size() < kMasksAt + kMasksSize)
            throw Truncated();
        for (int i = 0; i < 3; ++i)
            b.masks[i] = qFromLittleEndian<quint32>(h + kMasksAt + 4 * i);
        if (b.infoSize == 40)
            headersEnd += kMasksSize;
        if (b.infoSize >= 56) { // the alpha mask follows
            const QByteArray alpha = device.read(4);
            if (alpha.size() < 4)
                throw Truncated();
            b.alphaMask = qFromLittleEndian<quint32>(alpha.constData());
        }
    } else if (b.bits == 16) {
        b.masks = {0x7C00, 0x03E0, 0x001F};
    } else if (b.bits == 32) {
        b.masks = {0xFF0000, 0x00FF00, 0x0000FF};
    }
    // A 32-bit pixel's fourth byte that no colour uses carries the alpha where no mask is
    // declared for it, as some programs write it.
    if (b.bits == 32 && b.alphaMask == 0 && ((b.masks[0] | b.masks[1] | b.masks[2]) >> 24) == 0)
        b.alphaMask = 0xFF000000u;
    if (b.dataOffset > size)
        throw Truncated();
    if (b.dataOffset < headersEnd)
        throw Damaged(QStringLiteral("данные рисунка внутри заголовка"));
    if (b.bits <= 8) {
        // Entries between the headers and the pixel data, as many as the header says; a palette
        // that is cut short by the pixel data keeps the entries before them.
        const std::int64_t declared =
            colorsUsed == 0 || colorsUsed > (1u << b.bits) ? (1 << b.bits) : colorsUsed;
        b.paletteOffset = headersEnd;
        b.colors =
            static_cast<int>(std::min(declared, (b.dataOffset - headersEnd) / b.paletteEntrySize));
    }
    return b;
}

// Walks run-length encoded data up to its end-of-bitmap code without decoding it; throws when the
// data ends first.
void WalkRunLengths(QIODevice& device, bool fourBits) {
    ByteReader in(device);
    for (;;) {
        const int count = in.Next();
        const int code = in.Next();
        if (count > 0 || code == 0)
            continue; // a run of one value, or the end of a row
        if (code == 1)
            return; // the end of the bitmap
        if (code == 2) {
            in.Skip(2); // a move right and down
        } else {        // literal pixels, padded to a whole number of 16-bit words
            const int bytes = fourBits ? (code + 1) / 2 : code;
            in.Skip(bytes + (bytes & 1));
        }
    }
}

// One colour channel of a 16- or 32-bit pixel: the bits of its mask, expanded to 8 bits as
// value * 255 / largest value, rounded to the nearest.
class Channel {
public:
    explicit Channel(quint32 mask) : mask_(mask) {
        if (mask == 0)
            return;
        while (((mask >> shift_) & 1) == 0)
            ++shift_;
        max_ = mask >> shift_;
        if (max_ <= 0xFFFF) {
            table_.resize(max_ + 1);
            for (quint32 v = 0; v <= max_; ++v)
                table_[v] = Expand(v);
        }
    }
    int operator()(quint32 pixel) const {
        if (max_ == 0)
            return 0;
        const quint32 value = (pixel & mask_) >> shift_;
        return table_.empty() ? Expand(value) : table_[value];
    }

private:
    uchar Expand(quint32 value) const {
        return static_cast<uchar>((std::uint64_t{value} * 510 + max_) / (std::uint64_t{max_} * 2));
    }

    quint32 mask_;
    int shift_ = 0;
    quint32 max_ = 0;
    std::vector<uchar> table_;
};

// A BMP is decoded straight into the editor's picture, a row of the file at a time.
std::int64_t BmpMemory(const BmpHeader& b) {
    return kDecoderState + b.width * b.rows * 4 + b.Stride();
}

QImage NewImage(const BmpHeader& b) {
    RequireMemory(BmpMemory(b), b.width, b.rows);
    // Straight into memory of the kind the picture's bitmap keeps: a large picture is written into
    // huge pages, one page fault per 2 MB.
    return TBitmap::AllocateImage(static_cast<std::int32_t>(b.width),
                                  static_cast<std::int32_t>(b.rows));
}

// The palette as 256 colours; indices past the file's entries are black.
std::vector<QRgb> ReadPalette(QIODevice& device, const BmpHeader& b) {
    std::vector<QRgb> palette(256, qRgb(0, 0, 0));
    if (b.colors == 0)
        return palette;
    const qint64 size = qint64{b.colors} * b.paletteEntrySize;
    if (!device.seek(b.start + b.paletteOffset))
        throw Truncated();
    const QByteArray bytes = device.read(size);
    if (bytes.size() != size)
        throw Truncated();
    const auto* p = reinterpret_cast<const uchar*>(bytes.constData());
    for (int i = 0; i < b.colors; ++i, p += b.paletteEntrySize)
        palette[i] = qRgb(p[2], p[1], p[0]);
    return palette;
}

QRgb* Line(QImage& image, const BmpHeader& b, std::int64_t fileRow) {
    return reinterpret_cast<QRgb*>(
        image.scanLine(static_cast<int>(b.topDown ? fileRow : b.rows - 1 - fileRow)));
}

// A picture with transparent or translucent pixels as a page or another program shows it, on
// white paper; one without alpha as it is.
QImage OverWhite(QImage image) {
    if (!image.hasAlphaChannel())
        return image;
    if (image.colorCount() > 0) { // the colour table's entries carry the alpha
        QVector<QRgb> table = image.colorTable();
        for (QRgb& colour : table)
            colour = OverWhite(colour);
        image.setColorTable(table);
        return image;
    }
    if (image.format() != QImage::Format_ARGB32) {
        const QSize size = image.size();
        image = image.convertToFormat(QImage::Format_ARGB32);
        if (image.isNull())
            throw OutOfMemory(size.width(), size.height());
    }
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            row[x] = OverWhite(row[x]);
    }
    image.reinterpretAsFormat(QImage::Format_RGB32);
    return image;
}

// Pixels decoded with their alpha, made opaque: blended with white, unless the alpha is 0 in every
// pixel (then it is no alpha, but a byte the writer left unset). Whether they were blended.
bool BlendWithWhite(QImage& image) {
    bool alpha = false;
    for (int y = 0; y < image.height() && !alpha; ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        alpha = std::any_of(row, row + image.width(), [](QRgb p) { return qAlpha(p) != 0; });
    }
    if (alpha) {
        image.reinterpretAsFormat(QImage::Format_ARGB32);
        image = OverWhite(std::move(image));
        return true;
    }
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            row[x] |= 0xFF000000u;
    }
    return false;
}

QImage DecodeRows(QIODevice& device, const BmpHeader& b, bool* withAlpha) {
    const std::vector<QRgb> palette = ReadPalette(device, b);
    const Channel red(b.masks[0]), green(b.masks[1]), blue(b.masks[2]), alphaChannel(b.alphaMask);
    const auto alpha = [&](quint32 p) { return b.alphaMask != 0 ? alphaChannel(p) : 255; };
    QImage image = NewImage(b);
    if (!device.seek(b.start + b.dataOffset))
        throw Truncated();
    const int width = static_cast<int>(b.width);
    const qint64 stride = b.Stride();
    QByteArray buffer(stride, Qt::Uninitialized);
    for (std::int64_t row = 0; row < b.rows; ++row) {
        if (device.read(buffer.data(), stride) != stride)
            throw Truncated();
        const auto* in = reinterpret_cast<const uchar*>(buffer.constData());
        QRgb* out = Line(image, b, row);
        switch (b.bits) {
        case 1:
            for (int x = 0; x < width; ++x)
                out[x] = palette[(in[x >> 3] >> (7 - (x & 7))) & 1];
            break;
        case 4:
            for (int x = 0; x < width; ++x)
                out[x] = palette[(x & 1) != 0 ? in[x >> 1] & 0xF : in[x >> 1] >> 4];
            break;
        case 8:
            for (int x = 0; x < width; ++x)
                out[x] = palette[in[x]];
            break;
        case 16:
            for (int x = 0; x < width; ++x) {
                const quint32 p = qFromLittleEndian<quint16>(in + 2 * x);
                out[x] = qRgba(red(p), green(p), blue(p), alpha(p));
            }
            break;
        case 24:
            for (int x = 0; x < width; ++x)
                out[x] = qRgb(in[3 * x + 2], in[3 * x + 1], in[3 * x]);
            break;
        default:
            for (int x = 0; x < width; ++x) {
                const quint32 p = qFromLittleEndian<quint32>(in + 4 * x);
                out[x] = qRgba(red(p), green(p), blue(p), alpha(p));
            }
            break;
        }
    }
    *withAlpha = b.alphaMask != 0 && BlendWithWhite(image);
    return image;
}

QImage DecodeRunLengths(QIODevice& device, const BmpHeader& b) {
    const std::vector<QRgb> palette = ReadPalette(device, b);
    QImage image = NewImage(b);
    image.fill(palette[0]);
    if (!device.seek(b.start + b.dataOffset))
        throw Truncated();
    const bool fourBits = b.compression == kRle4;
    ByteReader in(device);
    std::int64_t x = 0, row = 0;
    QRgb* line = Line(image, b, 0);
    auto put = [&](int index) {
        if (x < b.width && row < b.rows)
            line[x] = palette[index];
        ++x;
    };
    auto nextRow = [&](std::int64_t down) {
        row += down;
        if (row < b.rows)
            line = Line(image, b, row);
    };
    for (;;) {
        const int count = in.Next();
        const int code = in.Next();
        if (count > 0) { // a run of one value; four-bit runs alternate the two halves
            for (int i = 0; i < count; ++i)
                put(!fourBits ? code : (i & 1) != 0 ? code & 0xF : code >> 4);
        } else if (code == 0) { // the end of a row
            x = 0;
            nextRow(1);
        } else if (code == 1) { // the end of the bitmap
            break;
        } else if (code == 2) { // a move right and down
            x += in.Next();
            nextRow(in.Next());
        } else { // literal pixels, padded to a whole number of 16-bit words
            const int bytes = fourBits ? (code + 1) / 2 : code;
            for (int i = 0; i < bytes; ++i) {
                const int v = in.Next();
                if (!fourBits) {
                    put(v);
                } else {
                    put(v >> 4);
                    if (2 * i + 1 < code)
                        put(v & 0xF);
                }
            }
            if ((bytes & 1) != 0)
                in.Next();
        }
    }
    return image;
}

} // namespace

void CheckBmp(QIODevice& device, std::int64_t maxPixels) {
    KeepPosition keep(device);
    const BmpHeader b = ReadHeader(device, std::min(maxPixels, kMaxBitmapPixels));
    if (b.RunLengths()) {
        if (!device.seek(b.start + b.dataOffset))
            throw Truncated();
        WalkRunLengths(device, b.compression == kRle4);
    } else if (b.dataOffset + b.Stride() * b.rows > device.size() - b.start) {
        throw Truncated();
    }
}

QImage ReadPicture(QIODevice& device, std::int64_t maxPixels, Conversion conversion,
                   bool* withAlpha) {
    maxPixels = std::min(maxPixels, kMaxBitmapPixels);
    bool alpha = false;
    if (!withAlpha)
        withAlpha = &alpha;
    *withAlpha = false;
    if (device.peek(2) == "BM") {
        CheckBmp(device, maxPixels);
        const BmpHeader b = ReadHeader(device, maxPixels);
        return b.RunLengths() ? DecodeRunLengths(device, b) : DecodeRows(device, b, withAlpha);
    }
    // Qt reads the other formats, with the format named so that nothing else is tried.
    const QByteArray format = QImageReader::imageFormat(&device);
    // The bounds decide, not Qt's default limit; 8 bytes a pixel covers every format Qt reads to.
    qtcompat::SetImageAllocationLimit(
        static_cast<int>(std::min<std::int64_t>((maxPixels * 8 >> 20) + 1, 1 << 30)));
    // Qt reads the bytes only once what they declare has been checked against them, and once
    // decoding them fits in memory.
    QByteArray bytes = Prepare(format, device, maxPixels, conversion, nullptr);
    QImage image;
    {
        // The reader goes first: Qt's GIF reader keeps the picture it returns, which blending
        // would then copy.
        QBuffer checked(&bytes);
        checked.open(QIODevice::ReadOnly);
        QImageReader reader(&checked, format);
        const QSize size = reader.size();
        if (size.isValid() && Beyond(size.width(), size.height(), maxPixels))
            throw TooLarge(size.width(), size.height());
        image = reader.read();
        if (image.isNull())
            throw EditorError(
                QStringLiteral("Не могу прочитать рисунок: %1").arg(reader.errorString()));
    }
    bytes = QByteArray();
    ReturnFreedMemory(); // the decoder's buffers too: the conversion is counted on their room
    if (Beyond(image.width(), image.height(), maxPixels))
        throw TooLarge(image.width(), image.height());
    *withAlpha = image.hasAlphaChannel();
    return OverWhite(std::move(image));
}

std::int64_t ReadingMemory(QIODevice& device, std::int64_t maxPixels, Conversion conversion) {
    KeepPosition keep(device);
    maxPixels = std::min(maxPixels, kMaxBitmapPixels);
    if (device.peek(2) == "BM")
        return BmpMemory(ReadHeader(device, maxPixels));
    std::int64_t memory = 0;
    Prepare(QImageReader::imageFormat(&device), device, maxPixels, conversion, &memory);
    return memory;
}

QImage ReadPicture(const QString& fileName) {
    const auto failure = [&fileName](const QString& reason) {
        return EditorError(QStringLiteral("Не могу открыть файл %1:\n%2").arg(fileName, reason));
    };
    const QString notAFile = QStringLiteral("это не обычный файл");
    // Only a regular file is read: opening a FIFO waits for a writer, and a device may never
    // end. The file is opened without blocking and looked at again once open, so that one that
    // became a FIFO in between cannot block either.
    const QByteArray path = QFile::encodeName(fileName);
    struct stat status {};
    if (::stat(path.constData(), &status) == 0 && !S_ISREG(status.st_mode))
        throw failure(notAFile);
    const int descriptor = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0)
        throw failure(QString::fromLocal8Bit(std::strerror(errno)));
    QFile file;
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode) ||
        !file.open(descriptor, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(descriptor);
        throw failure(notAFile);
    }
    return ReadPicture(file);
}

namespace {

// One row of RGB32 pixels as the blue, green, red bytes of a 24-bit BMP row; the padding at the
// row's end stays as it is.
void ToBgrRow(const QRgb* in, int width, uchar* out) {
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    // In memory a pixel is blue, green, red, unused: its first three bytes are the BMP's. Each
    // four-byte store is overwritten in its last byte by the next pixel's.
    int x = 0;
    for (; x + 1 < width; ++x)
        std::memcpy(out + 3 * x, in + x, 4);
    if (x < width)
        std::memcpy(out + 3 * x, in + x, 3);
#else
    for (int x = 0; x < width; ++x) {
        out[3 * x] = static_cast<uchar>(qBlue(in[x]));
        out[3 * x + 1] = static_cast<uchar>(qGreen(in[x]));
        out[3 * x + 2] = static_cast<uchar>(qRed(in[x]));
    }
#endif
}

} // namespace

void WritePicture(const TBitmap& picture, QSaveFile& file) {
    const auto failure = [&file](const QString& reason) {
        file.cancelWriting();
        return EditorError(
            QStringLiteral("Не могу записать файл %1:\n%2").arg(file.fileName(), reason));
    };
    const QImage image = picture.Image().convertToFormat(QImage::Format_RGB32);
    if (image.isNull())
        throw failure(QStringLiteral("рисунок пуст"));
    if (!file.isOpen() && !file.open(QIODevice::WriteOnly))
        throw failure(file.errorString());
    const auto write = [&](const char* bytes, qint64 size) {
        errno = 0;
        if (file.write(bytes, size) == size)
            return;
        const int code = errno;
        // A failed write can lose its reason (a full disk reads "Unknown error"): writing the
        // buffer out again, or the system's own error code, finds it.
        QString reason = file.errorString();
        if (!file.flush())
            reason = file.errorString();
        if (code != 0 &&
            (file.error() == QFileDevice::NoError || reason == QLatin1String("Unknown error")))
            reason = QString::fromLocal8Bit(std::strerror(code));
        throw failure(reason);
    };

    const int width = image.width();
    const int height = image.height();
    const std::int64_t stride = (std::int64_t{width} * 3 + 3) / 4 * 4;
    const auto dataSize = static_cast<quint32>(stride * height);
    std::array<uchar, kWrittenHeaderSize> header{};
    uchar* h = header.data();
    h[0] = 'B';
    h[1] = 'M';
    qToLittleEndian<quint32>(kWrittenHeaderSize + dataSize, h + 2);
    qToLittleEndian<quint32>(kWrittenHeaderSize, h + 10);
    qToLittleEndian<quint32>(40, h + 14);
    qToLittleEndian<qint32>(width, h + 18);
    qToLittleEndian<qint32>(height, h + 22); // bottom-up
    qToLittleEndian<quint16>(1, h + 26);
    qToLittleEndian<quint16>(24, h + 28);
    qToLittleEndian<quint32>(dataSize, h + 34);
    qToLittleEndian<quint32>(kWrittenPixelsPerMeter, h + 38);
    qToLittleEndian<quint32>(kWrittenPixelsPerMeter, h + 42);
    write(reinterpret_cast<const char*>(h), kWrittenHeaderSize);

    // Rows go out in chunks of about a megabyte: one write per row would cost a system call
    // each, since a row is larger than the file's own buffer.
    const std::int64_t rowsPerChunk = std::max<std::int64_t>(1, (1 << 20) / stride);
    QByteArray chunk(static_cast<qsizetype>(stride * std::min<std::int64_t>(rowsPerChunk, height)),
                     '\0');
    std::int64_t filled = 0;
    for (int y = height - 1; y >= 0; --y) {
        auto* out = reinterpret_cast<uchar*>(chunk.data()) + filled;
        ToBgrRow(reinterpret_cast<const QRgb*>(image.constScanLine(y)), width, out);
        filled += stride;
        if (filled == chunk.size() || y == 0) {
            write(chunk.constData(), filled);
            filled = 0;
        }
    }
    // Closing the file clears its error, so the reason of a failed flush is taken here.
    if (!file.flush())
        throw failure(file.errorString());
    if (!file.commit())
        throw EditorError(QStringLiteral("Не могу записать файл %1:\n%2")
                              .arg(file.fileName(), file.errorString()));
}

void WritePicture(const TBitmap& picture, const QString& fileName) {
    QSaveFile file(fileName);
    WritePicture(picture, file);
}
