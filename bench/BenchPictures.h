// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// Pictures for the benchmarks that draw, copy or store them.
#pragma once

#include "platform/TBitmap.h"

#include <QImage>
#include <QRandomGenerator>

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
