// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

#include "files/PictureFiles.h"

#include "system/EditorError.h"
#include "system/Memory.h"
#include "system/QtCompat.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QSaveFile>
#include <QtEndian>
#include <libdeflate.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kFileHeaderSize = 14;
// Bit-field masks sit here: inside the info header from 52 bytes on, right after a 40-byte one.
constexpr int kMasksAt = kFileHeaderSize + 40;
constexpr int kMasksSize = 12;

constexpr quint32 kPlain = 0;
constexpr quint32 kRle8 = 1;
constexpr quint32 kRle4 = 2;
constexpr quint32 kBitFields = 3;

// The small buffers of the decoders (libpng's and zlib's state, libjpeg's tables, the readers'
// buffers) and the stacks of the threads Qt converts with; what grows with a picture is counted
// on its own.
constexpr std::int64_t kDecoderState = std::int64_t{768} << 10;

// What the editor writes: a 40-byte header, 24 bits a pixel, 96 pixels an inch.
constexpr int kWrittenHeaderSize = kFileHeaderSize + 40;
constexpr quint32 kWrittenPixelsPerMeter = 3780;

PictureError Damaged(const QString& why) {
    return PictureError(PictureError::Kind::Damaged, QStringLiteral("Файл повреждён: %1").arg(why),
                        why);
}

PictureError Truncated() {
    return Damaged(QStringLiteral("данные рисунка обрываются"));
}

EditorError Unsupported(const QString& what) {
    return EditorError(QStringLiteral("Такой рисунок BMP не поддерживается: %1").arg(what));
}

PictureError TooLarge(std::int64_t width, std::int64_t height) {
    const QString size = QStringLiteral("%1 x %2").arg(width).arg(height);
    return PictureError(PictureError::Kind::TooLarge,
                        QStringLiteral("Рисунок %1 слишком велик").arg(size), size);
}

bool Beyond(std::int64_t width, std::int64_t height, std::int64_t maxPixels) {
    return width > kMaxBitmapSide || height > kMaxBitmapSide || width * height > maxPixels;
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
    QImage image(static_cast<int>(b.width), static_cast<int>(b.rows), QImage::Format_RGB32);
    if (image.isNull())
        throw OutOfMemory(b.width, b.rows);
    return image;
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

// Pixels decoded with their alpha, made opaque: blended with white, unless the alpha is 0 in every
// pixel (then it is no alpha, but a byte the writer left unset). Whether they were blended.
bool BlendWithWhite(QImage& image) {
    bool alpha = false;
    for (int y = 0; y < image.height() && !alpha; ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        alpha = std::any_of(row, row + image.width(), [](QRgb p) { return qAlpha(p) != 0; });
    }
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            row[x] = alpha ? OverWhite(row[x]) : row[x] | 0xFF000000u;
    }
    return alpha;
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

// ---- PNG, JPEG and GIF: the bytes Qt is given, checked against what they declare ----

// Ancillary PNG chunks before the image data, and JPEG marker segments. Nothing keeps the chunks
// (they are skipped over, never read), but each costs a step of the walk; libjpeg keeps comment
// and profile segments in a list that it walks to its end for each new one.
constexpr int kMaxAncillaryChunks = 4096;
constexpr int kMaxJpegSegments = 4096;
// Blocks of a GIF's extensions before its first frame, each at most 255 bytes.
constexpr int kMaxGifExtensionBlocks = 1 << 16;

// Each PrepareXxx below returns the bytes Qt is to decode, once the header is checked against the
// bounds and what decoding takes against the memory left (ReadingMemory). With `memory` given it
// stores that there instead and returns before the picture's data is read.

// What a decoding path takes at its largest moment: while the decoder works, or while the
// picture Qt made (`picture` bytes) is converted to 24-bit colour where its format needs it, once
// the decoder and its bytes are gone: 4 bytes a pixel beside it when converted whole, or a strip
// and the rows copied out of the picture for it.
std::int64_t LargestMoment(std::int64_t decoding, std::int64_t picture, std::int64_t pixels,
                           bool converted, Conversion conversion) {
    std::int64_t converting = 0;
    if (converted && conversion == Conversion::Whole)
        converting = picture + pixels * 4;
    else if (converted)
        converting = picture + kConvertedStrip + kConvertedStrip * (picture / pixels) / 4;
    return kDecoderState + std::max(decoding, converting);
}

PictureError TooMuchData() {
    return Damaged(QStringLiteral("в нём больше данных, чем нужно рисунку"));
}

// Reads a device onwards, never past its end: what is not there throws Truncated.
class DeviceReader {
public:
    explicit DeviceReader(QIODevice& device) : device_(device) {}
    std::int64_t Left() const { return device_.size() - device_.pos(); }
    QByteArray Read(std::int64_t n) {
        QByteArray bytes;
        ReadInto(bytes, n);
        return bytes;
    }
    // Appends n bytes to `to`.
    void ReadInto(QByteArray& to, std::int64_t n) {
        const qsizetype at = to.size();
        if (n > Left())
            throw Truncated();
        to.resize(at + n);
        if (device_.read(to.data() + at, n) != n)
            throw Truncated();
    }
    int Byte() { return static_cast<uchar>(Read(1).at(0)); }
    void Skip(std::int64_t n) {
        if (n > Left() || !device_.seek(device_.pos() + n))
            throw Truncated();
    }

private:
    QIODevice& device_;
};

// A PNG as Qt is to read it: the header, the palette and its transparency, and the image data in
// one chunk (or a few, past 1 GiB), each chunk's checksum checked; then an end chunk. The image
// data is read only as far as it goes: what comes after it (the frames of an animated PNG, text)
// cannot change the picture and is not read. The ancillary chunks before it are skipped over
// (libpng would inflate a compressed text to up to 8 MB, whatever its size in the file). The image
// data may take the rows' stored size, an eighth more for the fixed codes of simple encoders, and
// 64 KiB; a file whose chunks claim more is refused before they are read.
//
// Qt reads 8-bit colour, with alpha or not, into 4 bytes a pixel, the editor's own format;
// palette and grey of up to 8 bits into 1 (Indexed8, Grayscale8, Mono), 16-bit grey into 2 and
// other 16-bit colour into 8 (RGBX64, RGBA64). All but the 4-byte ones are converted later, a
// 16-bit one with alpha here when it is blended with white. libpng keeps a row and the one before
// it, Qt a pointer to each row; the bytes given to Qt are held meanwhile.
std::int64_t PngMemory(std::int64_t width, std::int64_t height, int depth, int colourType,
                       bool transparency, std::int64_t held, Conversion conversion) {
    int bytes = 4;
    if (colourType == 3 || (colourType == 0 && depth < 16))
        bytes = 1;
    else if (depth == 16)
        bytes = colourType == 0 && !transparency ? 2 : 8;
    const bool blended = bytes == 8 && ((colourType & 4) != 0 || transparency);
    const std::int64_t pixels = width * height;
    const std::int64_t picture = pixels * bytes;
    const std::int64_t decoding = held + 2 * (width * 8 + 64) + height * 8 + picture;
    return LargestMoment(std::max(decoding, blended ? picture + pixels * 4 : 0), picture, pixels,
                         bytes != 4 && !blended, conversion);
}

QByteArray PreparePng(QIODevice& device, std::int64_t maxPixels, Conversion conversion,
                      std::int64_t* memory) {
    DeviceReader in(device);
    QByteArray png = in.Read(8 + 8 + 13 + 4);
    const auto* h = reinterpret_cast<const uchar*>(png.constData()) + 8;
    if (qFromBigEndian<quint32>(h) != 13 || std::memcmp(h + 4, "IHDR", 4) != 0)
        throw Damaged(QStringLiteral("нет заголовка PNG"));
    const std::int64_t width = qFromBigEndian<quint32>(h + 8);
    const std::int64_t height = qFromBigEndian<quint32>(h + 12);
    const int depth = h[16], colourType = h[17];
    if (width == 0 || height == 0)
        throw Damaged(QStringLiteral("размер %1 x %2").arg(width).arg(height));
    if (Beyond(width, height, maxPixels))
        throw TooLarge(width, height);
    const int channels = colourType == 2 ? 3 : colourType == 4 ? 2 : colourType == 6 ? 4 : 1;
    // Rows with their filter bytes; interlacing adds at most a filter byte and a part byte for
    // each row of its passes, of which there are fewer than 2h + 7.
    std::int64_t rows = height * (1 + (width * depth * channels + 7) / 8);
    if (h[20] != 0)
        rows += 2 * (2 * height + 7);
    const std::int64_t stored = rows + 5 * (rows / 65535 + 1) + 6;
    const std::int64_t bound = stored + stored / 8 + (64 << 10);

    constexpr std::int64_t kLargestChunk = std::int64_t{1} << 30;
    std::int64_t imageData = 0;
    qsizetype chunkAt = -1; // of the image data chunk being filled
    quint32 crc = 0;
    const auto endChunk = [&] {
        qToBigEndian(static_cast<quint32>(png.size() - chunkAt - 8), png.data() + chunkAt);
        char bytes[4];
        qToBigEndian(crc, bytes);
        png.append(bytes, 4);
        chunkAt = -1;
    };
    int ancillary = 0;
    bool transparency = false;
    for (;;) {
        const QByteArray header = in.Read(8);
        const auto length = static_cast<std::int64_t>(qFromBigEndian<quint32>(header.constData()));
        const QByteArray type = header.mid(4);
        if (imageData > 0 && type != "IDAT")
            break; // the image data has ended
        if (length + 4 > in.Left())
            throw Damaged(QStringLiteral("блок PNG обрывается"));
        if (type == "IEND")
            break;
        if (type == "IDAT" && chunkAt < 0 && imageData == 0) {
            // The first: the transparency, if any, has come. The image data goes straight into
            // its place, with the chunks around it.
            const std::int64_t held = png.size() + std::min(bound, in.Left()) + 4096;
            const std::int64_t need =
                PngMemory(width, height, depth, colourType, transparency, held, conversion);
            if (memory != nullptr) {
                *memory = need;
                return {};
            }
            RequireMemory(need, width, height);
            png.reserve(held);
        }
        if (type == "IDAT") {
            if ((imageData += length) > bound)
                throw TooMuchData();
            if (chunkAt >= 0 && png.size() - chunkAt + length > kLargestChunk)
                endChunk();
            if (chunkAt < 0) {
                chunkAt = png.size();
                png += header;
                crc = libdeflate_crc32(0, "IDAT", 4);
            }
            const qsizetype at = png.size();
            in.ReadInto(png, length);
            const quint32 own = libdeflate_crc32(libdeflate_crc32(0, "IDAT", 4),
                                                 png.constData() + at, static_cast<size_t>(length));
            if (own != qFromBigEndian<quint32>(in.Read(4).constData()))
                throw Damaged(QStringLiteral("неверная контрольная сумма PNG"));
            crc = libdeflate_crc32(crc, png.constData() + at, static_cast<size_t>(length));
        } else if ((type == "PLTE" && length <= 768) || (type == "tRNS" && length <= 256)) {
            png += header + in.Read(length + 4); // tRNS: an alpha for each palette entry
            transparency = transparency || type == "tRNS";
        } else if ((header.at(4) & 0x20) == 0) { // bit 5 of the first letter: ancillary
            throw Damaged(QStringLiteral("неизвестный блок PNG"));
        } else if (++ancillary > kMaxAncillaryChunks) {
            throw Damaged(QStringLiteral("слишком много дополнительных данных PNG"));
        } else {
            in.Skip(length + 4);
        }
    }
    if (memory != nullptr) { // no image data: Qt makes no picture
        *memory = kDecoderState;
        return {};
    }
    if (chunkAt >= 0)
        endChunk();
    png += QByteArray::fromHex("0000000049454e44ae426082"); // IEND
    return png;
}

// Walks the marker segments of a JPEG: each must lie within the file, and there may be at most
// kMaxJpegSegments. The bytes between segments (entropy-coded data, or garbage that libjpeg
// skips) are passed over up to the next marker. A file cut short is left to Qt. Comments, Exif
// data and colour profiles are taken out: libjpeg would keep a copy of each and Qt more (texts
// in UTF-16), several times their size, and none of them changes the pixels (Qt turns no picture
// by its Exif orientation unless asked to).
void CheckJpegSegments(QByteArray& jpeg) {
    auto* p = reinterpret_cast<uchar*>(jpeg.data());
    const qsizetype size = jpeg.size();
    qsizetype kept = 0, next = 0; // bytes before `kept` stay; those from `next` on follow them
    int segments = 0;
    for (qsizetype at = 2; at < size;) { // after the start-of-image marker
        const void* found = std::memchr(p + at, 0xFF, static_cast<size_t>(size - at));
        if (found == nullptr)
            break;
        const qsizetype begin = static_cast<const uchar*>(found) - p;
        at = begin + 1;
        while (at < size && p[at] == 0xFF) // fill bytes
            ++at;
        if (at == size)
            break;
        const uchar marker = p[at++];
        // An escaped FF data byte, TEM, RST0-7 and SOI have no segment; EOI ends the image.
        if (marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8))
            continue;
        if (marker == 0xD9)
            break;
        if (++segments > kMaxJpegSegments)
            throw Damaged(QStringLiteral("слишком много сегментов JPEG"));
        const int length = size - at >= 2 ? qFromBigEndian<quint16>(p + at) : 0;
        if (length < 2 || length > size - at)
            throw Damaged(QStringLiteral("сегмент JPEG обрывается"));
        at += length;
        if (marker == 0xFE || marker == 0xE1 || marker == 0xE2) { // COM, APP1, APP2
            std::memmove(p + kept, p + next, static_cast<size_t>(begin - next));
            kept += begin - next;
            next = at;
        }
    }
    std::memmove(p + kept, p + next, static_cast<size_t>(size - next));
    jpeg.truncate(kept + size - next);
}

// A JPEG, checked against its frame header before it is read whole: it may hold no more than 8
// bytes for each sample, the segments kMaxJpegSegments may add, and no less than a bit for each
// 8 x 8 block of its largest component, the least any Huffman coding takes: a file that stops
// before is plainly cut (libjpeg would fill nearly all of the picture with grey). Qt reads grey
// into 1 byte a pixel, converted later, and colour into 4. Decoding a progressive JPEG, or one
// whose components come in scans of their own, keeps every block's coefficients, 128 bytes a
// block, besides the picture; libjpeg's rows of samples take less than 64 bytes a column for each
// component, and the whole file is held.
QByteArray PrepareJpeg(QIODevice& device, std::int64_t maxPixels, Conversion conversion,
                       std::int64_t* memory) {
    const qint64 start = device.pos();
    DeviceReader in(device);
    in.Skip(2); // the start-of-image marker
    std::int64_t width = 0, height = 0, blocks = 0, largest = 0;
    bool buffered = false, huffman = true;
    QList<int> sampling; // the horizontal and vertical factor of each component
    const PictureError noHeader = Damaged(QStringLiteral("нет заголовка JPEG"));
    for (;;) {
        int type = in.Byte();
        if (type != 0xFF)
            throw noHeader;
        while (type == 0xFF) // fill bytes
            type = in.Byte();
        const int length = in.Byte() << 8 | in.Byte();
        if (length < 2)
            throw noHeader;
        if (type == 0xDA) { // the first scan: the headers have ended
            if (sampling.isEmpty())
                throw noHeader;
            // Components in scans of their own are decoded only once all have come.
            buffered = buffered || in.Byte() < sampling.size() / 2;
            break;
        }
        if (length - 2 > in.Left())
            throw Damaged(QStringLiteral("сегмент JPEG обрывается"));
        const bool frame = type >= 0xC0 && type <= 0xCF && type != 0xC4 && type != 0xC8 &&
                           type != 0xCC; // not the tables of Huffman or arithmetic codes
        if (!frame || !sampling.isEmpty()) {
            in.Skip(length - 2);
            continue;
        }
        const QByteArray f = in.Read(length - 2);
        const auto* d = reinterpret_cast<const uchar*>(f.constData());
        const int components = f.size() >= 6 ? d[5] : 0;
        if (components == 0 || f.size() < 6 + 3 * components)
            throw noHeader;
        height = qFromBigEndian<quint16>(d + 1);
        width = qFromBigEndian<quint16>(d + 3);
        if (width == 0 || height == 0)
            throw Damaged(QStringLiteral("размер %1 x %2").arg(width).arg(height));
        if (Beyond(width, height, maxPixels))
            throw TooLarge(width, height);
        buffered = (type & 3) == 2; // progressive: SOF2, SOF6, SOF10, SOF14
        huffman = type < 0xC8;
        int hMax = 1, vMax = 1;
        for (int c = 0; c < components; ++c) {
            sampling << std::max(1, d[7 + 3 * c] >> 4) << std::max(1, d[7 + 3 * c] & 15);
            hMax = std::max(hMax, sampling[2 * c]);
            vMax = std::max(vMax, sampling[2 * c + 1]);
        }
        // Each component's blocks, as many as its share of the picture takes; libjpeg keeps
        // the coefficients of whole units of its sampling factors.
        for (int c = 0; c < components; ++c) {
            const int across = sampling[2 * c], down = sampling[2 * c + 1];
            const std::int64_t w = ((width * across + hMax - 1) / hMax + 7) / 8;
            const std::int64_t h = ((height * down + vMax - 1) / vMax + 7) / 8;
            blocks += (w + across - 1) / across * across * ((h + down - 1) / down * down);
            largest = std::max(largest, w * h);
        }
    }
    const std::int64_t size = device.size() - start;
    if (size > device.pos() - start + blocks * 64 * 8 + std::int64_t{kMaxJpegSegments} * 65537)
        throw TooMuchData();
    if (huffman && size < largest / 8)
        throw Truncated();
    const int components = static_cast<int>(sampling.size() / 2);
    const std::int64_t pixels = width * height;
    const std::int64_t picture = pixels * (components == 1 ? 1 : 4);
    const std::int64_t need =
        LargestMoment(size + picture + (buffered ? blocks * 128 : 0) + width * components * 64,
                      picture, pixels, components == 1, conversion);
    if (memory != nullptr) {
        *memory = need;
        return {};
    }
    RequireMemory(need, width, height);
    device.seek(start);
    QByteArray jpeg = device.readAll();
    CheckJpegSegments(jpeg);
    return jpeg;
}

// A GIF as Qt is to read it: the header and its colour table, the graphic control block of the
// first frame (its transparent colour), the first frame, and a written end. Qt shows the first
// frame only: the later ones are not read, and what the control block says to do once the
// first is shown is dropped (to restore what was there, Qt would keep a copy of the frame).
// Other extensions before it are skipped over. The frame's codes take at most 12 bits each, two
// for each pixel at most (a clear code before every pixel), in blocks of 255 bytes. Qt makes a
// picture of 4 bytes a pixel, of the logical screen's size unless that is over ten times the
// frame's (and over 2000): then as far as the frame reaches.
QByteArray PrepareGif(QIODevice& device, std::int64_t maxPixels, Conversion conversion,
                      std::int64_t* memory) {
    DeviceReader in(device);
    QByteArray gif = in.Read(13);
    const auto* h = reinterpret_cast<const uchar*>(gif.constData());
    const auto colourTable = [](int flags) {
        return (flags & 0x80) != 0 ? 3 << ((flags & 7) + 1) : 0;
    };
    const std::int64_t width = qFromLittleEndian<quint16>(h + 6);
    const std::int64_t height = qFromLittleEndian<quint16>(h + 8);
    if (Beyond(width, height, maxPixels))
        throw TooLarge(width, height);
    gif += in.Read(colourTable(h[10]));
    int extensionBlocks = 0;
    for (;;) {
        const int block = in.Byte();
        if (block == 0x21) { // an extension: its label, then blocks up to an empty one
            const int label = in.Byte();
            if (label == 0xF9) // graphic control
                gif += QByteArray(1, '\x21') + QByteArray(1, '\xF9');
            for (int size, n = 0; (size = in.Byte()) != 0; ++n) {
                if (++extensionBlocks > kMaxGifExtensionBlocks)
                    throw Damaged(QStringLiteral("слишком много дополнительных данных GIF"));
                if (label != 0xF9) {
                    in.Skip(size);
                    continue;
                }
                QByteArray control = in.Read(size);
                if (n == 0) // the disposal method, bits 2 to 4 of its first byte
                    control[0] = static_cast<char>(control[0] & ~0x1C);
                gif += QByteArray(1, static_cast<char>(size)) + control;
            }
            if (label == 0xF9)
                gif += QByteArray(1, '\0');
            continue;
        }
        if (block != 0x2C) // the end, or a block that ends Qt's reading: no frame
            throw Damaged(QStringLiteral("в рисунке GIF нет кадра"));
        const QByteArray frame = in.Read(9);
        const auto* f = reinterpret_cast<const uchar*>(frame.constData());
        const std::int64_t right =
            qFromLittleEndian<quint16>(f) + qFromLittleEndian<quint16>(f + 4);
        const std::int64_t bottom =
            qFromLittleEndian<quint16>(f + 2) + qFromLittleEndian<quint16>(f + 6);
        if (Beyond(right, bottom, maxPixels))
            throw TooLarge(right, bottom);
        const std::int64_t frameWidth = qFromLittleEndian<quint16>(f + 4);
        const std::int64_t frameHeight = qFromLittleEndian<quint16>(f + 6);
        const std::int64_t pixels = frameWidth * frameHeight;
        const std::int64_t budget = (2 * pixels + 2) * 12 / 8 * 256 / 255 + 256;
        const std::int64_t held = gif.size() + std::min(budget, in.Left()) + 1024;
        const auto side = [](std::int64_t screen, std::int64_t frame, std::int64_t end) {
            return screen == 0 || screen / 10 > std::max<std::int64_t>(frame, 200) ? end : screen;
        };
        const std::int64_t picture =
            side(width, frameWidth, right) * side(height, frameHeight, bottom) * 4;
        const std::int64_t need = LargestMoment(held + picture, picture, 0, false, conversion);
        if (memory != nullptr) {
            *memory = need;
            return {};
        }
        RequireMemory(need, width, height);
        gif.reserve(held);
        gif += QByteArray(1, '\x2C') + frame + in.Read(colourTable(f[8]) + 1);
        // A frame cut short is Qt's to show as far as it goes.
        std::int64_t data = 0;
        for (int size; in.Left() > 0 && (size = in.Byte()) != 0 && size <= in.Left();) {
            if ((data += 1 + size) > budget)
                throw TooMuchData();
            gif += QByteArray(1, static_cast<char>(size)) + in.Read(size);
        }
        gif += QByteArray::fromHex("003b"); // the frame's end, the file's end
        return gif;
    }
}

// The bytes of a PNG, JPEG or GIF that Qt is to read, or with `memory` given only what reading
// them takes.
QByteArray Prepare(const QByteArray& format, QIODevice& device, std::int64_t maxPixels,
                   Conversion conversion, std::int64_t* memory) {
    if (format == "png")
        return PreparePng(device, maxPixels, conversion, memory);
    if (format == "jpeg")
        return PrepareJpeg(device, maxPixels, conversion, memory);
    if (format == "gif")
        return PrepareGif(device, maxPixels, conversion, memory);
    throw EditorError(QStringLiteral("Неизвестный формат рисунка"));
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
    ReturnFreedMemory();
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
