// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// A PNG that is quick to make: 8-bit RGB rows without filtering, in stored (uncompressed) deflate
// blocks. It is about as large as a 24-bit BMP and takes about as long to make; Qt's own PNG
// writer tries every filter on every row and compresses, which takes seconds on a large picture
// even at its fastest setting.
#pragma once

#include <QByteArray>
#include <QImage>

// The image's colour values, alpha dropped; empty for a null image.
QByteArray StoredPng(const QImage& image);
