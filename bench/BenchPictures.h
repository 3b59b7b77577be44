// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// Pictures for the benchmarks that draw, copy or store them.
#pragma once

#include "platform/TBitmap.h"

#include <QImage>

// A pattern that differs from pixel to pixel, so that a wrong read or copy shows.
inline QRgb PatternPixel(int x, int y) {
    return qRgb((x * 7 + y) & 0xFF, (x + y * 3) & 0xFF, (x ^ y) & 0xFF);
}

inline void FillPattern(TBitmap& bitmap) {
    QImage& image = bitmap.MutableImage();
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            row[x] = PatternPixel(x, y);
    }
    bitmap.Changed(bitmap.BoundsRect());
}
