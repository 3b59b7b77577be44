// Picture files. Reading takes every Windows BMP variant and, when the content says so, the other
// formats Qt reads (PNG, JPEG, GIF); writing always makes a 24-bit BMP. Failures throw
// EditorError with the reason.
#pragma once

#include "platform/TBitmap.h"

#include <QImage>
#include <QString>

class QIODevice;
class QSaveFile;

// Reads the picture in a file or a device positioned at its start. A BMP is checked first: a
// header that promises a picture beyond the bounds of platform/Limits.h is refused before
// anything is allocated, and pixel data shorter than the header promises is refused (Qt would
// fill the missing rows with black). The image comes in the format Qt read it in;
// TBitmap::AssignImage makes it 24-bit colour.
QImage ReadPicture(const QString& fileName);
QImage ReadPicture(QIODevice& device);

// Throws unless the device holds a complete BMP within the bounds; leaves the device where it
// was. Only looks at the header and, for run-length encoded data, walks the runs.
void CheckBmp(QIODevice& device);

// Writes the picture as a 24-bit BMP with a 40-byte header. The file is replaced only once the
// whole picture is written: a failure leaves an existing file as it was.
void WritePicture(const TBitmap& picture, const QString& fileName);
// The same through a save file the caller made (committed on success, cancelled on failure).
void WritePicture(const TBitmap& picture, QSaveFile& file);
