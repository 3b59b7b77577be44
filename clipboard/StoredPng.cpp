// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

#include "clipboard/StoredPng.h"

#include <QtEndian>
#include <zlib.h>

#include <algorithm>
#include <cstring>

namespace {

// The most a stored deflate block holds.
constexpr qsizetype kBlockBytes = 65535;

// Appends the chunk whose type and data start at typeAt in out: its length before them (already
// reserved there) and its checksum after them.
void EndChunk(QByteArray& out, qsizetype typeAt) {
    const qsizetype dataBytes = out.size() - typeAt - 4;
    qToBigEndian(static_cast<quint32>(dataBytes), out.data() + typeAt - 4);
    const quint32 crc =
        crc32(0, reinterpret_cast<const Bytef*>(out.constData() + typeAt), uInt(dataBytes + 4));
    char bytes[4];
    qToBigEndian(crc, bytes);
    out.append(bytes, 4);
}

qsizetype BeginChunk(QByteArray& out, const char* type) {
    out.append(4, '\0'); // the length, filled in by EndChunk
    const qsizetype typeAt = out.size();
    out.append(type, 4);
    return typeAt;
}

// The zlib stream of the filtered rows, one stored block per IDAT chunk. A block is written once
// the next one begins, or at the end, so that the last one can carry the final-block mark.
class StoredStream {
public:
    explicit StoredStream(QByteArray& out) : out_(out), block_(kBlockBytes, Qt::Uninitialized) {}

    void Append(const char* data, qsizetype n) {
        adler_ = adler32_z(adler_, reinterpret_cast<const Bytef*>(data), static_cast<z_size_t>(n));
        while (n > 0) {
            if (fill_ == kBlockBytes)
                WriteBlock(false);
            const qsizetype part = std::min(n, kBlockBytes - fill_);
            std::memcpy(block_.data() + fill_, data, static_cast<std::size_t>(part));
            fill_ += part;
            data += part;
            n -= part;
        }
    }

    void Finish() { WriteBlock(true); }

private:
    void WriteBlock(bool last) {
        const qsizetype typeAt = BeginChunk(out_, "IDAT");
        if (first_)
            out_.append("\x78\x01", 2); // deflate, 32 KiB window, no dictionary
        first_ = false;
        char header[5] = {last ? '\1' : '\0'};
        qToLittleEndian(static_cast<quint16>(fill_), header + 1);
        qToLittleEndian(static_cast<quint16>(~fill_), header + 3);
        out_.append(header, 5);
        out_.append(block_.constData(), fill_);
        if (last) {
            char adler[4];
            qToBigEndian(static_cast<quint32>(adler_), adler);
            out_.append(adler, 4);
        }
        EndChunk(out_, typeAt);
        fill_ = 0;
    }

    QByteArray& out_;
    QByteArray block_;
    qsizetype fill_ = 0;
    bool first_ = true;
    uLong adler_ = adler32(0, nullptr, 0);
};

} // namespace

QByteArray StoredPng(const QImage& image) {
    if (image.isNull())
        return QByteArray();
    const QImage rgb =
        image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32
            ? image
            : image.convertToFormat(QImage::Format_RGB32);
    const int width = rgb.width(), height = rgb.height();
    const qsizetype rowBytes = 1 + qsizetype{width} * 3;
    const qsizetype streamBytes = rowBytes * height;
    const qsizetype blocks = (streamBytes + kBlockBytes - 1) / kBlockBytes;
    QByteArray out;
    // Signature, header, the data chunks with their zlib framing, and the end chunk.
    out.reserve(8 + 25 + blocks * (12 + 5) + 2 + streamBytes + 4 + 12);
    out.append("\x89PNG\r\n\x1a\n", 8);

    const qsizetype headerAt = BeginChunk(out, "IHDR");
    char header[13] = {};
    qToBigEndian(static_cast<quint32>(width), header);
    qToBigEndian(static_cast<quint32>(height), header + 4);
    header[8] = 8; // bits per sample
    header[9] = 2; // RGB; then deflate, adaptive filtering, not interlaced
    out.append(header, 13);
    EndChunk(out, headerAt);

    StoredStream stream(out);
    QByteArray row(rowBytes, Qt::Uninitialized);
    row[0] = '\0'; // filter: none
    for (int y = 0; y < height; ++y) {
        const auto* from = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        auto* to = reinterpret_cast<uchar*>(row.data()) + 1;
        for (int x = 0; x < width; ++x, to += 3) {
            to[0] = static_cast<uchar>(qRed(from[x]));
            to[1] = static_cast<uchar>(qGreen(from[x]));
            to[2] = static_cast<uchar>(qBlue(from[x]));
        }
        stream.Append(row.constData(), rowBytes);
    }
    stream.Finish();

    EndChunk(out, BeginChunk(out, "IEND"));
    return out;
}
