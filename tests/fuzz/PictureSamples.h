// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// Picture files written byte by byte, for the picture-file tests and the fuzzing seeds: every BMP
// variant the editor reads, each with the pixels it must open to, and small PNG and GIF files.
// Header-only, so that the test program and the seed writer share it without a library.
#pragma once

#include <QByteArray>
#include <QRgb>
#include <QString>
#include <QVector>
#include <QtEndian>

#include <algorithm>
#include <cstdint>

namespace samples {

// Appends little- or big-endian numbers.
class Bytes {
public:
    Bytes& U8(int v) {
        data.append(static_cast<char>(v & 0xFF));
        return *this;
    }
    Bytes& U16(quint32 v) { return U8(static_cast<int>(v)).U8(static_cast<int>(v >> 8)); }
    Bytes& U32(quint32 v) { return U16(v & 0xFFFF).U16(v >> 16); }
    Bytes& I32(qint32 v) { return U32(static_cast<quint32>(v)); }
    Bytes& U32BigEndian(quint32 v) {
        return U8(static_cast<int>(v >> 24))
            .U8(static_cast<int>(v >> 16))
            .U8(static_cast<int>(v >> 8))
            .U8(static_cast<int>(v));
    }
    Bytes& Raw(const QByteArray& bytes) {
        data.append(bytes);
        return *this;
    }
    QByteArray data;
};

// The headers of a BMP to write around pixel data.
struct BmpLayout {
    int infoSize = 40; // 12, 40, 52, 56, 64, 108 or 124
    int bits = 24;
    int compression = 0;    // 0 plain, 1 RLE8, 2 RLE4, 3 bit fields
    bool topDown = false;   // a negative height
    quint32 masks[4] = {};  // red, green, blue, alpha: after a 40-byte header for bit fields,
                            // inside the larger headers
    quint32 colorsUsed = 0; // the header field
    QVector<QRgb> palette;  // the entries written
};

inline QByteArray MakeBmp(const BmpLayout& l, int width, int height, const QByteArray& pixels) {
    Bytes info;
    const qint32 h = l.topDown ? -height : height;
    if (l.infoSize == 12) {
        info.U32(12)
            .U16(static_cast<quint32>(width))
            .U16(static_cast<quint32>(h))
            .U16(1)
            .U16(static_cast<quint32>(l.bits));
    } else {
        info.U32(static_cast<quint32>(l.infoSize)).I32(width).I32(h).U16(1);
        info.U16(static_cast<quint32>(l.bits)).U32(static_cast<quint32>(l.compression));
        info.U32(static_cast<quint32>(pixels.size())).U32(2835).U32(2835).U32(l.colorsUsed).U32(0);
        if (l.infoSize >= 52)
            info.U32(l.masks[0]).U32(l.masks[1]).U32(l.masks[2]);
        if (l.infoSize >= 56)
            info.U32(l.masks[3]);
        if (l.infoSize >= 108)
            info.U32(0x73524742); // "sRGB"
        while (info.data.size() < l.infoSize)
            info.U8(0);
    }
    if (l.infoSize == 40 && l.compression == 3)
        info.U32(l.masks[0]).U32(l.masks[1]).U32(l.masks[2]);
    for (QRgb c : l.palette) {
        info.U8(qBlue(c)).U8(qGreen(c)).U8(qRed(c));
        if (l.infoSize != 12)
            info.U8(0);
    }
    const auto offset = static_cast<quint32>(14 + info.data.size());
    Bytes file;
    file.U8('B').U8('M').U32(offset + static_cast<quint32>(pixels.size())).U16(0).U16(0);
    file.U32(offset).Raw(info.data).Raw(pixels);
    return file.data;
}

// Rows of pixel values (top row first) as BMP rows: bottom-up unless topDown, each padded to a
// whole number of 32-bit words. Values are palette indices (1, 4, 8 bits), 16- or 32-bit pixels,
// or 0xRRGGBB (24 bits).
inline QByteArray PackRows(const QVector<quint32>& values, int width, int height, int bits,
                           bool topDown) {
    const int stride = (width * bits + 31) / 32 * 4;
    QByteArray out;
    for (int i = 0; i < height; ++i) {
        const int y = topDown ? i : height - 1 - i;
        QByteArray row(stride, '\0');
        auto* r = reinterpret_cast<uchar*>(row.data());
        for (int x = 0; x < width; ++x) {
            const quint32 v = values[y * width + x];
            switch (bits) {
            case 1:
                r[x / 8] |= static_cast<uchar>((v & 1) << (7 - x % 8));
                break;
            case 4:
                r[x / 2] |= static_cast<uchar>((v & 0xF) << (x % 2 == 0 ? 4 : 0));
                break;
            case 8:
                r[x] = static_cast<uchar>(v);
                break;
            case 16:
                qToLittleEndian<quint16>(static_cast<quint16>(v), r + 2 * x);
                break;
            case 24:
                r[3 * x] = static_cast<uchar>(v);
                r[3 * x + 1] = static_cast<uchar>(v >> 8);
                r[3 * x + 2] = static_cast<uchar>(v >> 16);
                break;
            default:
                qToLittleEndian<quint32>(v, r + 4 * x);
                break;
            }
        }
        out.append(row);
    }
    return out;
}

// Run-length encodes palette indices (top row first) bottom-up: runs of three or more equal
// pixels as runs, the rest as literals (or runs of one and two where a literal would be shorter
// than three pixels), an end-of-row code after every row but the last, then the end-of-bitmap
// code.
inline QByteArray EncodeRunLengths(const QVector<quint32>& indices, int width, int height,
                                   bool fourBits) {
    Bytes out;
    auto runAt = [&](const quint32* row, int x) {
        int n = 1;
        while (x + n < width && n < 255 && row[x + n] == row[x])
            ++n;
        return n;
    };
    for (int i = 0; i < height; ++i) {
        const quint32* row = indices.constData() + (height - 1 - i) * width;
        int x = 0;
        while (x < width) {
            const int run = runAt(row, x);
            if (run >= 3) {
                out.U8(run).U8(static_cast<int>(fourBits ? row[x] << 4 | row[x] : row[x]));
                x += run;
                continue;
            }
            int end = x;
            while (end < width && end - x < 254 && runAt(row, end) < 3)
                ++end;
            const int count = end - x;
            if (count < 3) {
                for (; x < end; ++x)
                    out.U8(1).U8(static_cast<int>(fourBits ? row[x] << 4 : row[x]));
                continue;
            }
            out.U8(0).U8(count);
            int bytes = 0;
            for (int k = 0; k < count; k += fourBits ? 2 : 1, ++bytes) {
                const quint32 second = k + 1 < count ? row[x + k + 1] : 0;
                out.U8(static_cast<int>(fourBits ? row[x + k] << 4 | second : row[x + k]));
            }
            if (bytes % 2 != 0)
                out.U8(0);
            x = end;
        }
        if (i + 1 < height)
            out.U8(0).U8(0);
    }
    out.U8(0).U8(1);
    return out.data;
}

// A channel value of n bits expanded to 8 bits: value * 255 / (2^n - 1), rounded.
inline int Expand(quint32 value, quint32 largest) {
    return static_cast<int>((std::uint64_t{value} * 510 + largest) / (std::uint64_t{largest} * 2));
}

// A sample file and the pixels it opens to (0xFFRRGGBB, top row first).
struct Sample {
    QString name;
    QByteArray bytes;
    int width = 0;
    int height = 0;
    QVector<QRgb> pixels;
};

// The size of the generated pictures: odd, so that every kind of row has padding.
constexpr int kWidth = 13;
constexpr int kHeight = 5;

inline QRgb PaletteColor(int i) {
    return qRgb((i * 37 + 11) & 255, (i * 91 + 5) & 255, (i * 53 + 200) & 255);
}

inline QVector<QRgb> MakePalette(int count) {
    QVector<QRgb> palette;
    for (int i = 0; i < count; ++i)
        palette << PaletteColor(i);
    return palette;
}

// Palette indices below `colors`: a run of four at each row's start, then a mix.
inline QVector<quint32> IndexPattern(int colors) {
    QVector<quint32> indices;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            indices << static_cast<quint32>(x < 4 ? y % colors : (x * 7 + y * 3) % colors);
    return indices;
}

inline QRgb ColorAt(int x, int y) {
    return qRgb((x * 19 + y * 41) & 255, (x * 67 + y * 13 + 7) & 255, (x * 5 + y * 97 + 3) & 255);
}

inline Sample IndexedSample(const QString& name, BmpLayout layout, int colors, bool runs = false) {
    const QVector<quint32> indices = IndexPattern(colors);
    if (layout.palette.isEmpty())
        layout.palette = MakePalette(colors);
    const QByteArray data = runs ? EncodeRunLengths(indices, kWidth, kHeight, layout.bits == 4)
                                 : PackRows(indices, kWidth, kHeight, layout.bits, layout.topDown);
    Sample s{name, MakeBmp(layout, kWidth, kHeight, data), kWidth, kHeight, {}};
    for (quint32 i : indices)
        s.pixels << (static_cast<int>(i) < layout.palette.size() ? layout.palette[i]
                                                                 : qRgb(0, 0, 0));
    return s;
}

// Pixels made of three channels under masks; the fourth mask's bits get a varying value that
// must not show, but for the fourth byte of 32-bit pixels: alpha, which blends them with white.
inline Sample MaskedSample(const QString& name, BmpLayout layout, const quint32 masks[4]) {
    QVector<quint32> values;
    Sample s{name, {}, kWidth, kHeight, {}};
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const QRgb c = ColorAt(x, y);
            quint32 v = 0;
            int rgb[3];
            const int source[3] = {qRed(c), qGreen(c), qBlue(c)};
            for (int k = 0; k < 3; ++k) {
                int shift = 0;
                while (((masks[k] >> shift) & 1) == 0)
                    ++shift;
                const quint32 largest = masks[k] >> shift;
                const quint32 value = static_cast<quint32>(source[k]) * 2654435761u % (largest + 1);
                v |= value << shift;
                rgb[k] = Expand(value, largest);
            }
            v |= (static_cast<quint32>(x * 40 + y * 9) * 0x01010101u) & masks[3];
            values << v;
            const int a = layout.bits == 32 && masks[3] == 0xFF000000u ? v >> 24 : 255;
            for (int& value : rgb)
                value = (value * a + 255 * (255 - a) + 127) / 255;
            s.pixels << qRgb(rgb[0], rgb[1], rgb[2]);
        }
    s.bytes = MakeBmp(layout, kWidth, kHeight,
                      PackRows(values, kWidth, kHeight, layout.bits, layout.topDown));
    return s;
}

inline Sample DirectSample(const QString& name, BmpLayout layout) {
    QVector<quint32> values;
    Sample s{name, {}, kWidth, kHeight, {}};
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            values << (ColorAt(x, y) & 0xFFFFFF);
            s.pixels << ColorAt(x, y);
        }
    s.bytes = MakeBmp(layout, kWidth, kHeight,
                      PackRows(values, kWidth, kHeight, layout.bits, layout.topDown));
    return s;
}

inline BmpLayout Layout(int infoSize, int bits, int compression = 0, bool topDown = false) {
    BmpLayout l;
    l.infoSize = infoSize;
    l.bits = bits;
    l.compression = compression;
    l.topDown = topDown;
    return l;
}

// Every BMP variant the editor reads, built here byte by byte.
inline QVector<Sample> BmpSamples() {
    QVector<Sample> all;
    const quint32 rgb555[4] = {0x7C00, 0x03E0, 0x001F, 0x8000};
    const quint32 rgb565[4] = {0xF800, 0x07E0, 0x001F, 0};
    const quint32 rgb444[4] = {0x0F00, 0x00F0, 0x000F, 0xF000};
    const quint32 rgb888[4] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFF000000};
    const quint32 high888[4] = {0xFF000000, 0x00FF0000, 0x0000FF00, 0x000000FF};
    const quint32 rgb101010[4] = {0x3FF00000, 0x000FFC00, 0x000003FF, 0xC0000000};
    auto withMasks = [](BmpLayout l, const quint32 m[4]) {
        std::copy(m, m + 4, l.masks);
        return l;
    };

    for (int info : {12, 40, 64, 108, 124}) {
        const QString h = QStringLiteral("h%1_").arg(info);
        all << IndexedSample(h + "1bit", Layout(info, 1), 2);
        all << IndexedSample(h + "4bit", Layout(info, 4), 16);
        all << IndexedSample(h + "8bit", Layout(info, 8), 256);
        all << DirectSample(h + "24bit", Layout(info, 24));
    }
    for (int info : {40, 108, 124}) {
        const QString h = QStringLiteral("h%1_").arg(info);
        all << MaskedSample(h + "16bit_plain555", Layout(info, 16), rgb555);
        all << MaskedSample(h + "32bit_plain", Layout(info, 32), rgb888);
        all << MaskedSample(h + "16bit_fields565", withMasks(Layout(info, 16, 3), rgb565), rgb565);
        all << MaskedSample(h + "32bit_fields_alpha", withMasks(Layout(info, 32, 3), rgb888),
                            rgb888);
        all << IndexedSample(h + "rle8", Layout(info, 8, 1), 256, true);
        all << IndexedSample(h + "rle4", Layout(info, 4, 2), 16, true);
    }
    all << MaskedSample("h40_16bit_fields555", withMasks(Layout(40, 16, 3), rgb555), rgb555);
    all << MaskedSample("h40_16bit_fields444", withMasks(Layout(40, 16, 3), rgb444), rgb444);
    all << MaskedSample("h40_32bit_fields_high", withMasks(Layout(40, 32, 3), high888), high888);
    all << MaskedSample("h40_32bit_fields101010", withMasks(Layout(40, 32, 3), rgb101010),
                        rgb101010);
    all << MaskedSample("h52_32bit_fields", withMasks(Layout(52, 32, 3), rgb888), rgb888);
    all << MaskedSample("h56_16bit_fields565", withMasks(Layout(56, 16, 3), rgb565), rgb565);
    all << MaskedSample("h64_16bit_plain555", Layout(64, 16), rgb555);
    all << MaskedSample("h12_32bit_plain", Layout(12, 32), rgb888);

    all << IndexedSample("h40_1bit_topdown", Layout(40, 1, 0, true), 2);
    all << IndexedSample("h40_4bit_topdown", Layout(40, 4, 0, true), 16);
    all << IndexedSample("h40_8bit_topdown", Layout(40, 8, 0, true), 256);
    all << DirectSample("h40_24bit_topdown", Layout(40, 24, 0, true));
    all << MaskedSample("h40_16bit_topdown", Layout(40, 16, 0, true), rgb555);
    all << MaskedSample("h124_32bit_fields_topdown", withMasks(Layout(124, 32, 3, true), rgb888),
                        rgb888);

    BmpLayout some = Layout(40, 8); // fewer colours than the pixel size allows
    some.colorsUsed = 20;
    all << IndexedSample("h40_8bit_20colors", some, 20);
    some = Layout(40, 4, 2);
    some.colorsUsed = 11;
    all << IndexedSample("h40_rle4_11colors", some, 11, true);
    return all;
}

// Adler-32 and CRC-32 for PNG files.
inline quint32 Adler32(const QByteArray& data) {
    quint32 a = 1, b = 0;
    for (char c : data) {
        a = (a + static_cast<uchar>(c)) % 65521;
        b = (b + a) % 65521;
    }
    return b << 16 | a;
}

inline quint32 Crc32(const QByteArray& data) {
    quint32 crc = 0xFFFFFFFFu;
    for (char c : data) {
        crc ^= static_cast<uchar>(c);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

// A chunk of the data; its length field says `declared` bytes when that is given.
inline void PngChunk(Bytes& out, const char* type, const QByteArray& data, qint64 declared = -1) {
    const QByteArray typed = QByteArray(type) + data;
    out.U32BigEndian(static_cast<quint32>(declared >= 0 ? declared : data.size()))
        .Raw(typed)
        .U32BigEndian(Crc32(typed));
}

inline QByteArray PngChunkBytes(const char* type, const QByteArray& data, qint64 declared = -1) {
    Bytes out;
    PngChunk(out, type, data, declared);
    return out.data;
}

// A PNG of MakePng with more chunks: `before` right after IHDR, `after` right before IEND.
inline QByteArray WithPngChunks(const QByteArray& png, const QByteArray& before,
                                const QByteArray& after) {
    constexpr int kAfterHeader = 8 + 25, kEnd = 12;
    return png.left(kAfterHeader) + before +
           png.mid(kAfterHeader, png.size() - kAfterHeader - kEnd) + after + png.right(kEnd);
}

// An RGBA PNG (8 bits a channel) of the pixels (0xAARRGGBB, top row first), its image data in
// stored deflate blocks, in IDAT chunks of at most idatSize bytes (0: one chunk). With no
// pixels, a header that promises width x height and cut data.
inline QByteArray MakePng(int width, int height, const QVector<QRgb>& pixels, int idatSize = 0) {
    Bytes out;
    out.Raw(QByteArray("\x89PNG\r\n\x1a\n", 8));
    Bytes header;
    header.U32BigEndian(static_cast<quint32>(width)).U32BigEndian(static_cast<quint32>(height));
    header.U8(8).U8(6).U8(0).U8(0).U8(0);
    PngChunk(out, "IHDR", header.data);
    if (pixels.isEmpty()) {
        PngChunk(out, "IDAT", QByteArray("\x78\x01", 2)); // the start of the data, cut
    } else {
        QByteArray raw;
        for (int y = 0; y < height; ++y) {
            raw.append('\0');
            for (int x = 0; x < width; ++x) {
                const QRgb c = pixels[y * width + x];
                raw.append(static_cast<char>(qRed(c))).append(static_cast<char>(qGreen(c)));
                raw.append(static_cast<char>(qBlue(c))).append(static_cast<char>(qAlpha(c)));
            }
        }
        Bytes z;
        z.U8(0x78).U8(0x01);
        for (int at = 0; at < raw.size() || at == 0; at += 65535) {
            const int n = std::min<int>(65535, static_cast<int>(raw.size()) - at);
            z.U8(at + n >= raw.size() ? 1 : 0).U16(static_cast<quint32>(n));
            z.U16(~static_cast<quint32>(n) & 0xFFFF).Raw(raw.mid(at, n));
        }
        z.U32BigEndian(Adler32(raw));
        const int step = idatSize > 0 ? idatSize : static_cast<int>(z.data.size());
        for (int at = 0; at < z.data.size(); at += step)
            PngChunk(out, "IDAT", z.data.mid(at, step));
    }
    PngChunk(out, "IEND", {});
    return out.data;
}

// A GIF of up to four colours; its LZW codes stay three bits wide by clearing the table after
// every two pixels. With no pixels, a file of only a header that promises width x height.
inline QByteArray MakeGif(int width, int height, const QVector<QRgb>& colors,
                          const QVector<int>& pixels) {
    Bytes out;
    out.Raw("GIF89a").U16(static_cast<quint32>(width)).U16(static_cast<quint32>(height));
    out.U8(0x81).U8(0).U8(0); // a global table of four colours
    for (int i = 0; i < 4; ++i) {
        const QRgb c = i < colors.size() ? colors[i] : 0;
        out.U8(qRed(c)).U8(qGreen(c)).U8(qBlue(c));
    }
    if (!pixels.isEmpty()) {
        out.U8(0x2C).U16(0).U16(0).U16(static_cast<quint32>(width));
        out.U16(static_cast<quint32>(height)).U8(0);
        QVector<int> codes;
        for (int i = 0; i < pixels.size(); ++i) {
            if (i % 2 == 0)
                codes << 4; // clear
            codes << pixels[i];
        }
        codes << 5; // end of information
        QByteArray packed;
        quint32 bitsHeld = 0, count = 0;
        for (int code : codes) {
            bitsHeld |= static_cast<quint32>(code) << count;
            count += 3;
            while (count >= 8) {
                packed.append(static_cast<char>(bitsHeld & 0xFF));
                bitsHeld >>= 8;
                count -= 8;
            }
        }
        if (count > 0)
            packed.append(static_cast<char>(bitsHeld & 0xFF));
        out.U8(2); // minimum code size
        for (int at = 0; at < packed.size(); at += 255) {
            const QByteArray block = packed.mid(at, 255);
            out.U8(static_cast<int>(block.size())).Raw(block);
        }
        out.U8(0);
    }
    out.U8(0x3B);
    return out.data;
}

} // namespace samples
