// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

#include "clipboard/ServedPng.h"

#include "system/LargeMemory.h"
#include "system/Memory.h"

#include <QtEndian>
#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <new>
#include <vector>

namespace {

constexpr char kSignature[] = "\x89PNG\r\n\x1a\n";
constexpr qsizetype kFraming = 12; // a chunk's length, type and checksum
// The most a stored deflate block holds.
constexpr qsizetype kBlockBytes = 65535;

constexpr uchar kColourTypeRgb = 2;
constexpr uchar kColourTypePalette = 3;
constexpr uchar kFilterNone = 0;
constexpr uchar kFilterUp = 2;

// Throws unless `bytes` more fit in memory: the other program gets nothing then, and the
// editor lives.
void NeedMemory(qsizetype bytes) {
    if (!MemoryFits(bytes))
        throw std::bad_alloc();
}

// ---- chunks ----

qsizetype BeginChunk(QByteArray& out, const char* type) {
    out.append(4, '\0'); // the length, filled in by EndChunk
    const qsizetype typeAt = out.size();
    out.append(type, 4);
    return typeAt;
}

// Ends the chunk whose type and data start at typeAt: its length before them (already reserved
// there) and its checksum after them.
void EndChunk(QByteArray& out, qsizetype typeAt) {
    const qsizetype dataBytes = out.size() - typeAt - 4;
    qToBigEndian(static_cast<quint32>(dataBytes), out.data() + typeAt - 4);
    const quint32 crc =
        libdeflate_crc32(0, out.constData() + typeAt, static_cast<size_t>(dataBytes + 4));
    char bytes[4];
    qToBigEndian(crc, bytes);
    out.append(bytes, 4);
}

void AppendHeader(QByteArray& out, int width, int height, uchar colourType) {
    out.append(kSignature, 8);
    const qsizetype headerAt = BeginChunk(out, "IHDR");
    char header[13] = {};
    qToBigEndian(static_cast<quint32>(width), header);
    qToBigEndian(static_cast<quint32>(height), header + 4);
    header[8] = 8;                             // bits per sample (or per index)
    header[9] = static_cast<char>(colourType); // then deflate, adaptive filtering, not interlaced
    out.append(header, 13);
    EndChunk(out, headerAt);
}

// ---- rows ----

// Subtracts the bytes of b from those of a, each on its own, modulo 256.
quint64 SubtractBytes(quint64 a, quint64 b) {
    constexpr quint64 kHigh = 0x8080808080808080ull;
    return ((a | kHigh) - (b & ~kHigh)) ^ ((a ^ ~b) & kHigh);
}

// out = a - b byte by byte; eight bytes at a time.
void SubtractRow(const uchar* a, const uchar* b, qsizetype n, uchar* out) {
    qsizetype i = 0;
    for (; i + 8 <= n; i += 8) {
        quint64 x, y;
        std::memcpy(&x, a + i, 8);
        std::memcpy(&y, b + i, 8);
        const quint64 d = SubtractBytes(x, y);
        std::memcpy(out + i, &d, 8);
    }
    for (; i < n; ++i)
        out[i] = static_cast<uchar>(a[i] - b[i]);
}

// Red, green and blue of each pixel, packed; a pixel's fourth byte is dropped. Four pixels at a
// time make twelve bytes.
void PackRgb(const quint32* in, int count, uchar* out) {
    int x = 0;
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    for (; x + 4 <= count; x += 4, out += 12) {
        // Each pixel 0xAARRGGBB as 0x00BBGGRR: in memory red, green, blue, zero.
        const quint64 p0 = qbswap(in[x]) >> 8, p1 = qbswap(in[x + 1]) >> 8;
        const quint64 p2 = qbswap(in[x + 2]) >> 8, p3 = qbswap(in[x + 3]) >> 8;
        const quint64 low = p0 | p1 << 24 | p2 << 48;
        const auto high = static_cast<quint32>(p2 >> 16 | p3 << 8);
        std::memcpy(out, &low, 8);
        std::memcpy(out + 8, &high, 4);
    }
#endif
    for (; x < count; ++x, out += 3) {
        out[0] = static_cast<uchar>(in[x] >> 16);
        out[1] = static_cast<uchar>(in[x] >> 8);
        out[2] = static_cast<uchar>(in[x]);
    }
}

// The rows of an RGB32 or ARGB32 image as PNG rows: a filter byte, then red, green and blue.
// Filtered, a row is taken byte by byte against the one above ("up": a row that repeats the one
// above is all zeros, as the paper and most of a drawing are); the first row never is.
class RgbRows {
public:
    explicit RgbRows(const QImage& image)
        : image_(image), width_(image.width()), difference_(static_cast<size_t>(width_)) {}

    qsizetype RowBytes() const { return 1 + 3 * qsizetype{width_}; }

    void Row(int y, uchar* out, bool filtered) {
        const auto* row = reinterpret_cast<const quint32*>(image_.constScanLine(y));
        if (!filtered || y == 0) {
            out[0] = kFilterNone;
            PackRgb(row, width_, out + 1);
            return;
        }
        out[0] = kFilterUp;
        SubtractRow(reinterpret_cast<const uchar*>(row), image_.constScanLine(y - 1),
                    qsizetype{width_} * 4, reinterpret_cast<uchar*>(difference_.data()));
        PackRgb(difference_.data(), width_, out + 1);
    }

private:
    const QImage& image_;
    const int width_;
    std::vector<quint32> difference_;
};

// The colours of a picture that has at most 256, and each pixel's index among them.
class Palette {
public:
    // The index of a colour (alpha ignored); -1 once there are too many.
    int IndexOf(quint32 pixel) {
        const quint32 colour = pixel & 0xFFFFFFu;
        if (colour == last_)
            return lastIndex_;
        quint32 slot = (colour * 0x9E3779B1u) >> (32 - kSlotBits);
        for (;; slot = (slot + 1) & (kSlots - 1)) {
            if (indices_[slot] < 0) {
                if (colours_.size() == 256)
                    return -1;
                indices_[slot] = static_cast<int>(colours_.size());
                keys_[slot] = colour;
                colours_.push_back(colour);
                break;
            }
            if (keys_[slot] == colour)
                break;
        }
        last_ = colour;
        lastIndex_ = indices_[slot];
        return lastIndex_;
    }

    // The PLTE chunk's data: red, green and blue of each colour.
    QByteArray Entries() const {
        QByteArray entries;
        for (const quint32 c : colours_) {
            const char rgb[3] = {static_cast<char>(c >> 16), static_cast<char>(c >> 8),
                                 static_cast<char>(c)};
            entries.append(rgb, 3);
        }
        return entries;
    }

private:
    static constexpr int kSlotBits = 10;
    static constexpr quint32 kSlots = 1u << kSlotBits;
    std::array<int, kSlots> indices_ = [] {
        std::array<int, kSlots> empty{};
        empty.fill(-1);
        return empty;
    }();
    std::array<quint32, kSlots> keys_{};
    std::vector<quint32> colours_;
    quint32 last_ = 0xFFFFFFFFu; // no colour: alpha is never part of one
    int lastIndex_ = -1;
};

// The picture's rows of palette indices, filtered "up", when it has at most 256 colours.
LargeMemory IndexedRows(const QImage& image, Palette* palette, qsizetype* streamBytes) {
    const int width = image.width();
    const qsizetype rowBytes = 1 + qsizetype{width};
    *streamBytes = rowBytes * image.height();
    NeedMemory(*streamBytes + *streamBytes / 4); // and the deflated stream
    LargeMemory stream = AllocateLarge(static_cast<size_t>(*streamBytes));
    if (!stream)
        throw std::bad_alloc();
    std::vector<uchar> above(static_cast<size_t>(width)), current(static_cast<size_t>(width));
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const quint32*>(image.constScanLine(y));
        for (int x = 0; x < width; ++x) {
            const int index = palette->IndexOf(row[x]);
            if (index < 0)
                return nullptr;
            current[static_cast<size_t>(x)] = static_cast<uchar>(index);
        }
        uchar* out = stream.get() + y * rowBytes;
        if (y == 0) {
            out[0] = kFilterNone;
            std::copy(current.begin(), current.end(), out + 1);
        } else {
            out[0] = kFilterUp;
            SubtractRow(current.data(), above.data(), width, out + 1);
        }
        std::swap(above, current);
    }
    return stream;
}

// ---- the data chunks ----

// Gives row y of the stream, its filter byte first: filtered against the row above, or not
// (rows that are stored gain nothing from a filter).
using RowFill = std::function<void(int y, bool filtered, uchar* to)>;

enum class Band : uchar { Deflated, Photo, Stored };

// How each band of kServedPngBandRows rows goes into the stream, from the order-0 entropy of the
// bytes of every 16th filtered row in it: about what deflate can do with bytes that do not repeat
// in longer strings. Up to kServedPngEntropy bits a byte (drawings, screenshots) the band is
// deflated; up to kServedPngPhotoEntropy (photos) its bytes are only coded shorter, and only where
// the picture's photo bands add up to kServedPngPhotoBytes at most; above (noise), or beyond
// that, it is stored.
std::vector<Band> Bands(int height, qsizetype rowBytes, const RowFill& fill) {
    constexpr int kSampleStep = 16;
    std::vector<uchar> row(static_cast<size_t>(rowBytes));
    std::vector<Band> bands;
    qsizetype photoBytes = 0;
    for (int first = 0; first < height; first += kServedPngBandRows) {
        const int end = std::min(height, first + kServedPngBandRows);
        std::array<qsizetype, 256> counts{};
        qsizetype total = 0;
        for (int y = std::min(first + 1, end - 1); y < end; y += kSampleStep) {
            fill(y, true, row.data());
            for (const uchar byte : row)
                ++counts[byte];
            total += rowBytes;
        }
        double bits = 0;
        for (const qsizetype n : counts)
            if (n > 0)
                bits -= static_cast<double>(n) * std::log2(static_cast<double>(n) / total);
        const double entropy = bits / static_cast<double>(total);
        bands.push_back(entropy <= kServedPngEntropy        ? Band::Deflated
                        : entropy <= kServedPngPhotoEntropy ? Band::Photo
                                                            : Band::Stored);
        if (bands.back() == Band::Photo)
            photoBytes += (end - first) * rowBytes;
    }
    if (photoBytes > kServedPngPhotoBytes)
        std::replace(bands.begin(), bands.end(), Band::Photo, Band::Stored);
    return bands;
}

// The stream in stored (uncompressed) deflate blocks, one a data chunk, with zlib's framing;
// fill(to, n) gives the stream's next n bytes.
void AppendStored(QByteArray& out, qsizetype streamBytes,
                  const std::function<void(uchar* to, qsizetype n)>& fill) {
    const qsizetype blocks = std::max<qsizetype>(1, (streamBytes + kBlockBytes - 1) / kBlockBytes);
    const qsizetype total = out.size() + blocks * (kFraming + 5) + 2 + streamBytes + 4 + kFraming;
    NeedMemory(total);
    out.reserve(total);
    quint32 adler = 1;
    qsizetype left = streamBytes;
    do {
        const qsizetype typeAt = BeginChunk(out, "IDAT");
        if (left == streamBytes)
            out.append("\x78\x01", 2); // deflate, 32 KiB window, no dictionary
        const qsizetype size = std::min(left, kBlockBytes);
        left -= size;
        char header[5] = {left == 0 ? '\1' : '\0'};
        qToLittleEndian(static_cast<quint16>(size), header + 1);
        qToLittleEndian(static_cast<quint16>(~size), header + 3);
        out.append(header, 5);
        const qsizetype at = out.size();
        out.resize(at + size);
        fill(reinterpret_cast<uchar*>(out.data()) + at, size);
        adler = libdeflate_adler32(adler, out.constData() + at, static_cast<size_t>(size));
        if (left == 0) {
            char end[4];
            qToBigEndian(adler, end);
            out.append(end, 4);
        }
        EndChunk(out, typeAt);
    } while (left > 0);
}

struct FreeCompressor {
    void operator()(libdeflate_compressor* c) const { libdeflate_free_compressor(c); }
};

// The whole stream deflated as one data chunk; false, with out as it was, when it comes to more
// than a quarter of its size.
bool AppendDeflated(QByteArray& out, const uchar* stream, qsizetype streamBytes) {
    const std::unique_ptr<libdeflate_compressor, FreeCompressor> compressor(
        libdeflate_alloc_compressor(kServedPngLevel));
    if (!compressor)
        throw std::bad_alloc();
    const qsizetype start = out.size();
    const qsizetype room = streamBytes / 4 + 1024;
    NeedMemory(room);
    const qsizetype typeAt = BeginChunk(out, "IDAT");
    out.resize(out.size() + room);
    const size_t made =
        libdeflate_zlib_compress(compressor.get(), stream, static_cast<size_t>(streamBytes),
                                 out.data() + typeAt + 4, static_cast<size_t>(room));
    if (made == 0) {
        out.truncate(start);
        return false;
    }
    out.truncate(typeAt + 4 + static_cast<qsizetype>(made));
    EndChunk(out, typeAt);
    return true;
}

// The stream as one data chunk, band by band, each as Bands tells. zlib changes its level and
// strategy between bands (libdeflate makes whole streams only): deflated bands at its fastest
// level, photo bands coded with runs of repeated bytes alone (Z_RLE), stored bands as they are.
void AppendBands(QByteArray& out, const std::vector<Band>& bands, int height, qsizetype rowBytes,
                 const RowFill& fill) {
    z_stream z{};
    if (deflateInit(&z, 1) != Z_OK)
        throw std::bad_alloc();
    const std::unique_ptr<z_stream, int (*)(z_stream*)> end(&z, deflateEnd);
    const qsizetype streamBytes = rowBytes * height;
    const qsizetype bandBytes = rowBytes * kServedPngBandRows;
    // The bound of stored blocks, and the end of a block at each change.
    const auto room = static_cast<qsizetype>(deflateBound(&z, static_cast<uLong>(streamBytes))) +
                      64 * static_cast<qsizetype>(bands.size());
    NeedMemory(room + bandBytes);
    std::vector<uchar> buffer(static_cast<size_t>(bandBytes));
    const qsizetype typeAt = BeginChunk(out, "IDAT");
    out.resize(typeAt + 4 + room);
    z.next_out = reinterpret_cast<Bytef*>(out.data() + typeAt + 4);
    z.avail_out = static_cast<uInt>(room);
    Band previous = Band::Deflated;
    int result = Z_OK;
    for (size_t b = 0; b < bands.size(); ++b) {
        const int first = static_cast<int>(b) * kServedPngBandRows;
        const int count = std::min(kServedPngBandRows, height - first);
        for (int i = 0; i < count; ++i)
            fill(first + i, bands[b] != Band::Stored, buffer.data() + i * rowBytes);
        if (bands[b] != previous &&
            deflateParams(&z, bands[b] == Band::Stored ? 0 : 1,
                          bands[b] == Band::Photo ? Z_RLE : Z_DEFAULT_STRATEGY) != Z_OK)
            throw std::bad_alloc();
        previous = bands[b];
        z.next_in = buffer.data();
        z.avail_in = static_cast<uInt>(count * rowBytes);
        result = deflate(&z, b + 1 == bands.size() ? Z_FINISH : Z_NO_FLUSH);
        if (z.avail_in != 0)
            throw std::bad_alloc(); // no room left: not to happen
    }
    if (result != Z_STREAM_END)
        throw std::bad_alloc();
    out.truncate(typeAt + 4 + static_cast<qsizetype>(z.total_out));
    EndChunk(out, typeAt);
}

// The rows as data chunks: stored when no band pays for deflate, deflated at once by libdeflate
// when every band does (whole is the filtered stream when it is at hand), band by band otherwise.
void AppendStream(QByteArray& out, int height, qsizetype rowBytes, const RowFill& fill,
                  const uchar* whole) {
    const std::vector<Band> bands = Bands(height, rowBytes, fill);
    const qsizetype streamBytes = rowBytes * height;
    const auto all = [&bands](Band kind) {
        return std::all_of(bands.begin(), bands.end(), [kind](Band b) { return b == kind; });
    };
    if (all(Band::Deflated)) {
        LargeMemory stream;
        if (!whole) {
            NeedMemory(streamBytes + streamBytes / 4); // and the deflated stream
            stream = AllocateLarge(static_cast<size_t>(streamBytes));
            if (!stream)
                throw std::bad_alloc();
            for (int y = 0; y < height; ++y)
                fill(y, true, stream.get() + y * rowBytes);
            whole = stream.get();
        }
        if (AppendDeflated(out, whole, streamBytes))
            return;
    } else if (!all(Band::Stored)) {
        AppendBands(out, bands, height, rowBytes, fill);
        return;
    }
    std::vector<uchar> row(static_cast<size_t>(rowBytes));
    int y = 0;
    qsizetype rowAt = rowBytes; // in the current row; past its end: none yet
    AppendStored(out, streamBytes, [&](uchar* to, qsizetype n) {
        while (n > 0) {
            if (rowAt == rowBytes) {
                fill(y++, false, row.data());
                rowAt = 0;
            }
            const qsizetype part = std::min(n, rowBytes - rowAt);
            std::memcpy(to, row.data() + rowAt, static_cast<size_t>(part));
            to += part;
            n -= part;
            rowAt += part;
        }
    });
}

} // namespace

QByteArray ServedPng(const QImage& image) {
    if (image.isNull())
        return QByteArray();
    const QImage rgb =
        image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32
            ? image
            : image.convertToFormat(QImage::Format_RGB32);
    const int width = rgb.width(), height = rgb.height();
    QByteArray out;

    Palette palette;
    qsizetype streamBytes = 0;
    if (const LargeMemory indexed = IndexedRows(rgb, &palette, &streamBytes)) {
        AppendHeader(out, width, height, kColourTypePalette);
        const qsizetype paletteAt = BeginChunk(out, "PLTE");
        out.append(palette.Entries());
        EndChunk(out, paletteAt);
        // Its rows are all filtered already: stored so as well, they are as large.
        const qsizetype rowBytes = streamBytes / height;
        const uchar* stream = indexed.get();
        AppendStream(
            out, height, rowBytes,
            [&](int y, bool, uchar* to) {
                std::memcpy(to, stream + y * rowBytes, static_cast<size_t>(rowBytes));
            },
            stream);
    } else {
        AppendHeader(out, width, height, kColourTypeRgb);
        RgbRows rows(rgb);
        AppendStream(
            out, height, rows.RowBytes(),
            [&rows](int y, bool filtered, uchar* to) { rows.Row(y, to, filtered); }, nullptr);
    }
    EndChunk(out, BeginChunk(out, "IEND"));
    return out;
}
