// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// Images for the tests of exchanges with other programs: made-up pictures, encoded files, and
// comparisons that say where two pictures differ.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

// Reproducible random noise, opaque.
QImage NoiseImage(int width, int height, quint32 seed);
// Colours with every kind of alpha: opaque, semi-transparent and fully transparent.
QImage Translucent(int width, int height);
// A colour, and an image, as on white paper: each value blended with white by its alpha, rounded.
QRgb OnWhite(QRgb c);
QImage OnWhite(const QImage& image);
// A file's bytes (empty when it cannot be read), and bytes written to a file.
QByteArray FileBytes(const QString& name);
bool PutFile(const QString& name, const QByteArray& bytes);
// The image as a file of the format ("PNG", "BMP", "JPEG", ...); a JPEG progressive if asked.
QByteArray Encoded(const QImage& image, const char* format, int quality = -1,
                   bool progressive = false);
// A PNG chunk: length, type, data and checksum.
QByteArray PngChunk(const char* type, const QByteArray& data);
// A PNG header promising an RGB picture of this size, followed by the data of one row only.
QByteArray PngHeaderOnly(int width, int height);
// A copy of a picture with an image drawn over it at (x, y): each pixel takes the image's colour
// values, opaque; what falls outside is cut off.
QImage Drawn(const QImage& picture, const QImage& image, int x = 0, int y = 0);
// Where two pictures differ (alpha aside); empty when they are the same.
QString ImageDifference(const QImage& got, const QImage& want);
// Pixels of another colour than c (alpha aside).
int NotOfColour(const QImage& image, QRgb c);
