// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// Pictures for the benchmarks that draw, copy or store them.
#pragma once

#include "canvas/TBitmap.h"

#include <QImage>
#include <QRandomGenerator>
#include <QRect>

#include <algorithm>
#include <cmath>
#include <vector>

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

// A pupil's drawing: white paper with rectangles, ellipses, rounded rectangles and lines in every
// pen style, some filled, some hatched, in a few colours. The shapes grow with the picture, as
// they do when a pupil draws on a larger one.
inline void FillDrawing(TBitmap& bitmap, quint32 seed = 7) {
    TCanvas& canvas = bitmap.Canvas();
    canvas.Brush = {bsSolid, clWhite};
    canvas.FillRect(bitmap.BoundsRect());
    QRandomGenerator random(seed);
    const std::int32_t w = bitmap.Width(), h = bitmap.Height();
    const TColor colours[] = {clBlack, clBlue, clRed, 0x008000u, clSilver, 0x0080FFu, 0x800080u};
    for (int i = 0; i < 40; ++i) {
        const std::int32_t x = random.bounded(w), y = random.bounded(h);
        const std::int32_t right = std::min(w, x + 1 + random.bounded(w / 3 + 1));
        const std::int32_t bottom = std::min(h, y + 1 + random.bounded(h / 3 + 1));
        canvas.Pen.Style = static_cast<TPenStyle>(random.bounded(5));
        canvas.Pen.Color = colours[random.bounded(7)];
        canvas.Brush.Style = static_cast<TBrushStyle>(random.bounded(8));
        canvas.Brush.Color = colours[random.bounded(7)];
        switch (i % 4) {
        case 0:
            canvas.MoveTo(x, y);
            canvas.LineTo(right, bottom);
            break;
        case 1:
            canvas.Rectangle(x, y, right, bottom);
            break;
        case 2:
            canvas.Ellipse(x, y, right, bottom);
            break;
        default:
            canvas.RoundRect(x, y, right, bottom, (right - x) / 4, (bottom - y) / 4);
        }
    }
}

// A photo in the rectangle: smooth shades of light and colour, as of a landscape, with the sensor's
// noise of a few levels in every pixel (not random bytes: rows filtered against the one above
// come to about 4.4 bits a byte).
inline void FillPhoto(TBitmap& bitmap, const QRect& area, quint32 seed = 5) {
    QImage& image = bitmap.MutableImage();
    const int w = area.width(), h = area.height();
    // The shades add up from what changes along the rows, down the columns and on the diagonals.
    std::vector<int> across(3 * static_cast<size_t>(w)), down(3 * static_cast<size_t>(h)),
        diagonal(3 * static_cast<size_t>(w + h));
    for (int k = 0; k < 3; ++k) {
        for (int x = 0; x < w; ++x)
            across[3 * x + k] = static_cast<int>(64 * std::sin(6.0 * x / w + k));
        for (int y = 0; y < h; ++y)
            down[3 * y + k] = static_cast<int>(40 * std::cos(5.0 * y / h + 2 * k));
        for (int d = 0; d < w + h; ++d)
            diagonal[3 * d + k] = static_cast<int>(20 * std::sin(9.0 * d / (w + h) + k));
    }
    QRandomGenerator noise(seed);
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(area.top() + y)) + area.left();
        for (int x = 0; x < w; ++x) {
            const quint32 n = noise.generate();
            int c[3];
            for (int k = 0; k < 3; ++k)
                c[k] = std::clamp(128 + across[3 * x + k] + down[3 * y + k] +
                                      diagonal[3 * (x + y) + k] +
                                      static_cast<int>(n >> (8 * k) & 15) - 7,
                                  0, 255);
            row[x] = qRgb(c[0], c[1], c[2]);
        }
    }
    bitmap.Changed(bitmap.BoundsRect());
}
