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
// - Each band of kServedPngBandRows rows is weighed by the order-0 entropy of the bytes of every
//   16th row in it. Where it is at most kServedPngEntropy bits a byte (paper, drawings,
//   screenshots) deflate pays; where it is at most kServedPngPhotoEntropy (photos) coding the
//   bytes shorter without looking for repeated strings pays, and costs 7 to 9 ms a megabyte, so
//   only as long as the picture's photo bands add up to kServedPngPhotoBytes at most; above that,
//   and for noise, the rows are stored, as fast as a BMP is written.
// - A picture whose bands all deflate is deflated at once by libdeflate at kServedPngLevel (should
//   it come to more than a quarter of its size, it is stored after all); one whose bands are all
//   stored goes into stored blocks; a mixed one (a photo pasted into a drawing) goes band by band
//   through zlib, which can change its level between them.
#pragma once

#include <QByteArray>
#include <QImage>

constexpr int kServedPngBandRows = 64;
constexpr double kServedPngEntropy = 3.0;
constexpr double kServedPngPhotoEntropy = 7.0;
constexpr long long kServedPngPhotoBytes = 16 << 20;
constexpr int kServedPngLevel = 4;

// The image's colour values, alpha dropped; empty for a null image.
QByteArray ServedPng(const QImage& image);
