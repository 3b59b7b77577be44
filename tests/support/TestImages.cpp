// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

#include "support/TestImages.h"

#include <QBuffer>
#include <QFile>
#include <QImageWriter>
#include <QRandomGenerator>
#include <QtEndian>
#include <algorithm>

namespace {

QByteArray Be32(quint32 value) {
    char b[4];
    qToBigEndian(value, b);
    return QByteArray(b, 4);
}

} // namespace

QImage NoiseImage(int width, int height, quint32 seed) {
    QImage image(width, height, QImage::Format_RGB32);
    QRandomGenerator random(seed);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            row[x] = 0xFF000000u | (random.generate() & 0xFFFFFFu);
    }
    return image;
}

QImage Translucent(int width, int height) {
    static const int alphas[] = {0xFF, 0x80, 0x00, 0x30, 0xFF};
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y,
                           qRgba((x * 41 + y) & 0xFF, (y * 23 + x * 5) & 0xFF, (x * y + 99) & 0xFF,
                                 alphas[(x / 3 + y) % 5]));
    return image;
}

QByteArray Encoded(const QImage& image, const char* format, int quality, bool progressive) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    writer.setProgressiveScanWrite(progressive);
    writer.write(image);
    return bytes;
}

QByteArray PngChunk(const char* type, const QByteArray& data) {
    const QByteArray body = QByteArray(type, 4) + data;
    quint32 crc = 0xFFFFFFFFu;
    for (const char ch : body) {
        crc ^= static_cast<uchar>(ch);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return Be32(static_cast<quint32>(data.size())) + body + Be32(~crc);
}

QByteArray PngHeaderOnly(int width, int height) {
    const QByteArray header = Be32(static_cast<quint32>(width)) +
                              Be32(static_cast<quint32>(height)) + QByteArray("\x08\x02\0\0\0", 5);
    const QByteArray row(1 + std::min(width, 4096) * 3, '\0');
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + PngChunk("IHDR", header) +
           PngChunk("IDAT", qCompress(row).mid(4)) + PngChunk("IEND", QByteArray());
}

QByteArray FileBytes(const QString& name) {
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool PutFile(const QString& name, const QByteArray& bytes) {
    QFile file(name);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush();
}

QRgb OnWhite(QRgb c) {
    const int a = qAlpha(c);
    const auto blend = [a](int v) { return (v * a + 255 * (255 - a) + 127) / 255; };
    return qRgb(blend(qRed(c)), blend(qGreen(c)), blend(qBlue(c)));
}

QImage OnWhite(const QImage& image) {
    QImage out(image.size(), QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            out.setPixel(x, y, OnWhite(image.pixel(x, y)));
    return out;
}

QImage Drawn(const QImage& picture, const QImage& image, int x, int y) {
    QImage out = picture.copy();
    for (int j = 0; j < image.height(); ++j)
        for (int i = 0; i < image.width(); ++i)
            if (out.rect().contains(x + i, y + j))
                out.setPixel(x + i, y + j, image.pixel(i, j) | 0xFF000000u);
    return out;
}

QString ImageDifference(const QImage& got, const QImage& want) {
    if (got.size() != want.size())
        return QStringLiteral("%1 x %2 instead of %3 x %4")
            .arg(got.width())
            .arg(got.height())
            .arg(want.width())
            .arg(want.height());
    int count = 0;
    QString first;
    for (int y = 0; y < want.height(); ++y)
        for (int x = 0; x < want.width(); ++x) {
            const QRgb a = got.pixel(x, y) & 0xFFFFFFu, b = want.pixel(x, y) & 0xFFFFFFu;
            if (a != b && count++ == 0)
                first = QStringLiteral("(%1, %2) is #%3, expected #%4")
                            .arg(x)
                            .arg(y)
                            .arg(a, 6, 16, QLatin1Char('0'))
                            .arg(b, 6, 16, QLatin1Char('0'));
        }
    return count == 0 ? QString() : QStringLiteral("%1 pixels differ, %2").arg(count).arg(first);
}

int NotOfColour(const QImage& image, QRgb c) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += (image.pixel(x, y) & 0xFFFFFFu) != (c & 0xFFFFFFu);
    return count;
}
