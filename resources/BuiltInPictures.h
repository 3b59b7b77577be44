// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// The pictures of IconArt.h that the build draws (draw_pictures.cpp): the program's icon at each of
// its sizes and the menu items' pictures at one and two device pixels a pixel. Drawing them at
// every start took 8 of the 130 million instructions of a start.
#pragma once

#include <QImage>
#include <QString>

// A built-in picture: "Program" at a size of kProgramIconSizes, or a menu item's picture by its
// name at its side in device pixels (16 or 32); premultiplied ARGB over the program's own data,
// its device pixel ratio not set; null when there is none.
QImage BuiltInPicture(const QString& name, int side);

// The pictures as the build writes them (BuiltInPictureData.cpp in the build folder).
struct BuiltInPictureData {
    const char* name;
    int side;
    const quint32* argb; // side * side premultiplied pixels, row by row
};
extern const BuiltInPictureData kBuiltInPictures[];
extern const int kBuiltInPictureCount;
