// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

#include "files/PngJpegGif.h"

#include "files/PictureReading.h"
#include "system/EditorError.h"
#include "system/Memory.h"

#include <QIODevice>
#include <QList>
#include <QtEndian>
#include <libdeflate.h>

#include <algorithm>
#include <cstring>

namespace pictures {
namespace {

// Ancillary PNG chunks before the image data, and JPEG marker segments. Nothing keeps them (they
// are skipped over or taken out), but each costs a step of the walk.
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
        if (type == "IDAT" && chunkAt < 0) {
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

// The segments taken out of a JPEG before Qt reads it: comments (COM), Exif data (APP1) and colour
// profiles (APP2).
bool TakenOut(int marker) {
    return marker == 0xFE || marker == 0xE1 || marker == 0xE2;
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
        if (TakenOut(marker)) {
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
// component, and the file is held but for its comments, Exif data and colour profiles.
QByteArray PrepareJpeg(QIODevice& device, std::int64_t maxPixels, Conversion conversion,
                       std::int64_t* memory) {
    const qint64 start = device.pos();
    DeviceReader in(device);
    in.Skip(2); // the start-of-image marker
    std::int64_t width = 0, height = 0, blocks = 0, largest = 0, dropped = 0;
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
            if (TakenOut(type))
                dropped += 2 + length;
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
    // The file is read whole, then what Qt is given is kept while it decodes.
    const std::int64_t need =
        LargestMoment(std::max(size, size - dropped + picture + (buffered ? blocks * 128 : 0) +
                                         width * components * 64),
                      picture, pixels, components == 1, conversion);
    if (memory != nullptr) {
        *memory = need;
        return {};
    }
    RequireMemory(need, width, height);
    device.seek(start);
    QByteArray jpeg = device.readAll();
    CheckJpegSegments(jpeg);
    if (jpeg.capacity() - jpeg.size() > kConvertedStrip) { // comments and metadata taken out
        jpeg.squeeze();
        ReturnFreedMemory(); // the allocator may keep what squeeze gave up, resident
    }
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
QByteArray PrepareGif(QIODevice& device, std::int64_t maxPixels, std::int64_t* memory) {
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
        const std::int64_t need = kDecoderState + held + picture; // drawn in its own format
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

} // namespace

QByteArray Prepare(const QByteArray& format, QIODevice& device, std::int64_t maxPixels,
                   Conversion conversion, std::int64_t* memory) {
    if (format == "png")
        return PreparePng(device, maxPixels, conversion, memory);
    if (format == "jpeg")
        return PrepareJpeg(device, maxPixels, conversion, memory);
    if (format == "gif")
        return PrepareGif(device, maxPixels, memory);
    throw EditorError(QStringLiteral("Неизвестный формат рисунка"));
}

} // namespace pictures
