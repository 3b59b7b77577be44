// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// Draws the pictures of IconArt.h that need no fonts (the program's icon at each of its sizes, the
// menu items' pictures at one and two device pixels a pixel) into a C++ source file that the
// program is built with (BuiltInPictures.h).
#include "resources/IconArt.h"

#include <QGuiApplication>
#include <QSaveFile>
#include <cstdio>

namespace {

void Append(QByteArray& source, QByteArray& table, const QString& name, QImage image, int index) {
    image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QByteArray array = "kPixels" + QByteArray::number(index);
    source += "const quint32 " + array + "[] = {";
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            source += ((x % 8) == 0 ? "\n    0x" : " 0x") +
                      QByteArray::number(row[x], 16).rightJustified(8, '0') + ',';
    }
    source += "\n};\n";
    table += "    {\"" + name.toLatin1() + "\", " + QByteArray::number(image.width()) + ", " +
             array + "},\n";
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output.cpp>\n", argv[0]);
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    QByteArray source = "// Made by draw_pictures from resources/IconArt.cpp: do not edit.\n"
                        "#include \"resources/BuiltInPictures.h\"\n\nnamespace {\n\n";
    QByteArray table;
    int count = 0;
    for (int size : kProgramIconSizes)
        Append(source, table, QStringLiteral("Program"), DrawProgramIcon(size), count++);
    for (const QString& name : MenuPictureNames())
        for (int ratio : {1, 2})
            Append(source, table, name, DrawNamedPicture(name, ratio), count++);
    source += "\n} // namespace\n\nconst BuiltInPictureData kBuiltInPictures[] = {\n" + table +
              "};\nconst int kBuiltInPictureCount = " + QByteArray::number(count) + ";\n";
    QSaveFile file(QString::fromLocal8Bit(argv[1]));
    if (!file.open(QIODevice::WriteOnly) || file.write(source) != source.size() || !file.commit()) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
