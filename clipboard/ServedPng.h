// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// The PNG of a copied picture that other programs read: compact where the picture compresses, as
// a pupil's drawing does, and made about as fast as a BMP where it does not, as noise and photos.
// Qt's own PNG writer tries every filter on every row and takes seconds on a large picture even
// at its fastest setting.
//
// - A picture of at most 256 colours, as drawings are, becomes a palette PNG: one byte a pixel,
//   a third of the data to deflate. Others have 8-bit RGB rows.
// - Each row but the first is filtered against the one above ("up": rows that repeat become
//   zeros).
// - A sample of the rows (every 16th) tells whether the picture compresses: where the order-0
//   entropy of their bytes passes kServedPngEntropy bits a byte, as in photos and noise, deflate
//   cannot win enough to pay for its time, and the rows go into stored blocks, as fast as a BMP
//   is written. Otherwise the whole stream is deflated at once by libdeflate at kServedPngLevel,
//   and should it still come to more than a quarter of its size it is stored after all.
#pragma once

#include <QByteArray>
#include <QImage>

constexpr double kServedPngEntropy = 3.0;
constexpr int kServedPngLevel = 4;

// The image's colour values, alpha dropped; empty for a null image.
QByteArray ServedPng(const QImage& image);
