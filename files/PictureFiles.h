// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// Picture files. Reading takes every Windows BMP variant and, when the content says so, PNG, JPEG
// and GIF whatever the file's name; writing always makes a 24-bit BMP with a 40-byte header.
// Failures throw EditorError with the reason.
//
// BMP files are decoded here, not by Qt: 1, 4, 8, 16, 24 and 32 bits a pixel, RLE8, RLE4 and bit
// fields, bottom-up or top-down, with the 12-, 40-, 52-, 56-, 64-, 108- and 124-byte headers.
// - A channel of n bits (a bit-field mask, or 5-5-5 for plain 16-bit pixels) expands to 8 bits as
//   value * 255 / (2^n - 1), rounded to the nearest: 5-bit 31 is 255, 16 is 132, 1 is 8.
// - Alpha (the mask of a 56-, 108- or 124-byte header with bit fields, else the fourth byte of a
//   32-bit pixel whose colour masks leave it free) blends each pixel with white, as another
//   program showed it on white paper; alpha that is 0 in every pixel is no alpha (a writer that
//   left the byte unset), and the colour values are kept as they are.
// - A palette index past the palette's entries reads as black. Pixels that run-length encoded data
//   skips (a move, an early end of a row or of the bitmap) take the colour of palette entry 0;
//   runs past the end of a row are cut there.
#pragma once

#include "canvas/TBitmap.h"
#include "system/EditorError.h"
#include "system/Limits.h"

#include <QImage>
#include <QString>

class QIODevice;
class QSaveFile;

// Why a picture cannot be read. Its text tells of a file ("Файл повреждён: ..."); the kind and the
// reason alone (the damage, or the size "W x H" of a picture too large) let another source be told
// of in its own words.
class PictureError : public EditorError {
public:
    enum class Kind { Damaged, TooLarge };
    PictureError(Kind kind, const QString& text, const QString& reason)
        : EditorError(text), kind_(kind), reason_(reason) {}
    Kind GetKind() const { return kind_; }
    const QString& Reason() const { return reason_; }

private:
    Kind kind_;
    QString reason_;
};

// Reads the picture in a file or a device positioned at its start. A BMP is checked first: a
// header that promises a picture beyond the bounds of system/Limits.h (or more than maxPixels)
// is refused before anything is allocated, and pixel data shorter than the header promises is
// refused. Other content is read by Qt when it is PNG, JPEG or GIF, and refused otherwise; what it
// declares is checked against its bytes and the bounds first, and no more bytes are read than
// the declared picture can need:
// - PNG: no chunk may claim more bytes than remain; the image data may take the rows' stored
//   size and an eighth more. Qt sees only the header, the palette, the transparency and the
//   image data: at most 4096 ancillary chunks before the data are skipped over, and what comes
//   after it (an animated PNG's later frames) is not read.
// - JPEG: every marker segment lies within the file, at most 4096 of them; the file holds at
//   most 8 bytes a sample and at least a bit for each 8 x 8 block. Comments, Exif data and colour
//   profiles are not given to Qt.
// - GIF: the logical screen and the first frame lie within the bounds; Qt reads that frame only,
//   without what its control block says to do once it is shown.
// Decoding that does not fit in memory is refused (system/Memory.h): what ReadingMemory says
// it takes is checked before anything large is allocated. The image comes as Format_RGB32 (BMP)
// or in the format Qt read it in; TBitmap::AssignImage makes it 24-bit colour. Transparent and
// translucent pixels of a PNG, GIF or BMP come blended with white, as a page or another program
// showed them on white paper; withAlpha, when given, tells whether the picture had an alpha of
// its own. A file name is read only when it names a regular file: a FIFO, a
// socket or a device is refused without waiting. The file's picture is made 24-bit colour whole
// (as Open does); a device's as `conversion` says.
enum class Conversion {
    Whole,   // all at once, beside the picture read (TBitmap::AssignImage)
    InStrips // kConvertedStrip bytes at a time, into a picture that is there already (Paste)
};
// The most that a conversion in strips makes at a time (at least one row).
constexpr std::int64_t kConvertedStrip = std::int64_t{256} << 10;
QImage ReadPicture(const QString& fileName);
QImage ReadPicture(QIODevice& device, std::int64_t maxPixels = kMaxBitmapPixels,
                   Conversion conversion = Conversion::Whole, bool* withAlpha = nullptr);

// The memory that reading the picture at the device's position and converting it takes beyond
// what is held already, at the largest moment of the decoding path: while the decoder works (the
// bytes Qt is given, the picture it makes in the format it picks for the colour type and depth,
// libpng's rows, libjpeg's coefficients of a progressive or multi-scan file, the GIF frame), and
// while the picture is converted to 24-bit colour, where the format needs it. Throws as
// ReadPicture does when the headers are refused; looks at the headers only and leaves the device
// where it was.
std::int64_t ReadingMemory(QIODevice& device, std::int64_t maxPixels = kMaxBitmapPixels,
                           Conversion conversion = Conversion::Whole);

// Throws unless the device holds a complete BMP of a kind ReadPicture reads, within the bounds;
// leaves the device where it was. Looks at the headers and, for run-length encoded data, walks the
// runs up to the end-of-bitmap code, which must be there.
void CheckBmp(QIODevice& device, std::int64_t maxPixels = kMaxBitmapPixels);

// Writes the picture as a 24-bit BMP with a 40-byte header. The file is replaced only once the
// whole picture is written: a failure leaves an existing file as it was.
void WritePicture(const TBitmap& picture, const QString& fileName);
// The same through a save file the caller made (committed on success, cancelled on failure).
void WritePicture(const TBitmap& picture, QSaveFile& file);
