// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// Writes the seed corpus of the picture fuzzing targets into a folder: every BMP variant the
// editor reads, the same files the picture-file tests check, cut and damaged copies of a few, and
// small PNG (some with text chunks), GIF and JPEG files. With --offered each file starts with the
// byte of fuzz_offered_image that lists every format.
#include "PictureSamples.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <cstdio>
#include <cstring>

namespace {

QByteArray prefix;

bool Put(const QDir& dir, const QString& name, const QByteArray& bytes) {
    QFile file(dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(prefix + bytes) != prefix.size() + bytes.size()) {
        std::fprintf(stderr, "cannot write %s: %s\n", qPrintable(file.fileName()),
                     qPrintable(file.errorString()));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    const bool offered = argc == 3 && std::strcmp(argv[1], "--offered") == 0;
    if (argc != 2 && !offered) {
        std::fprintf(stderr, "usage: %s [--offered] FOLDER\n", argv[0]);
        return 2;
    }
    if (offered)
        prefix = QByteArray(1, '\x7F');
    QDir dir(QString::fromLocal8Bit(argv[argc - 1]));
    if (!dir.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "cannot make %s\n", argv[argc - 1]);
        return 1;
    }
    bool ok = true;
    int count = 0;
    for (const samples::Sample& s : samples::BmpSamples()) {
        ok = Put(dir, s.name + QStringLiteral(".bmp"), s.bytes) && ok;
        ++count;
        if (s.name == QLatin1String("h40_rle8") || s.name == QLatin1String("h40_rle4") ||
            s.name == QLatin1String("h40_16bit_fields565")) {
            ok = Put(dir, s.name + QStringLiteral("_cut.bmp"), s.bytes.left(s.bytes.size() - 3)) &&
                 ok;
            ++count;
        }
    }
    const QVector<QRgb> colors{qRgb(200, 10, 30), qRgb(5, 250, 60), qRgb(70, 80, 240),
                               qRgb(255, 255, 255)};
    const QVector<int> indices{0, 1, 2, 3, 3, 2, 1, 0, 1, 1, 2, 2};
    QVector<QRgb> pixels;
    for (int i : indices)
        pixels << (colors[i] & 0x80FFFFFFu);
    const QByteArray png = samples::MakePng(4, 3, pixels);
    ok = Put(dir, QStringLiteral("rgba.png"), png) && ok;
    const QByteArray text =
        samples::PngChunkBytes("tEXt", QByteArrayLiteral("Comment\0a picture")) +
        samples::PngChunkBytes("zTXt",
                               QByteArrayLiteral("Title\0\0") + qCompress("a picture").mid(4));
    const QByteArray international =
        samples::PngChunkBytes("iTXt", QByteArrayLiteral("Author\0\0\0ru\0\xD0\x90\0Limnora"));
    ok = Put(dir, QStringLiteral("text.png"), samples::WithPngChunks(png, text, international)) &&
         ok;
    ok = Put(dir, QStringLiteral("text_after.png"), samples::WithPngChunks(png, {}, text)) && ok;
    ok = Put(dir, QStringLiteral("four.gif"), samples::MakeGif(4, 3, colors, indices)) && ok;
    QImage flat(8, 8, QImage::Format_RGB32);
    flat.fill(qRgb(40, 120, 200));
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    ok = QImageWriter(&buffer, "jpeg").write(flat) && ok;
    ok = Put(dir, QStringLiteral("flat.jpg"), jpeg) && ok;
    count += 5;
    std::printf("%d seed files in %s\n", count, argv[argc - 1]);
    return ok ? 0 : 1;
}
