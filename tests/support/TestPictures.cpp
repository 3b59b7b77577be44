// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

#include "support/TestPictures.h"

#include <QRandomGenerator>

void FillNoise(TBitmap& bitmap, std::uint32_t seed) {
    QRandomGenerator random(seed);
    QImage& image = bitmap.MutableImage();
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            row[x] = 0xFF000000u | (random.generate() & 0xFFFFFFu);
    }
    bitmap.Changed(bitmap.BoundsRect());
}

void FillColor(TBitmap& bitmap, TColor color) {
    TCanvas& c = bitmap.Canvas();
    const TBrush saved = c.Brush;
    c.Brush = {bsSolid, color};
    c.FillRect(bitmap.BoundsRect());
    c.Brush = saved;
}

QVector<TPoint> Differences(const TBitmap& a, const TBitmap& b) {
    QVector<TPoint> points;
    for (int y = 0; y < std::min(a.Height(), b.Height()); ++y)
        for (int x = 0; x < std::min(a.Width(), b.Width()); ++x)
            if (a.Pixel(x, y) != b.Pixel(x, y))
                points.append({x, y});
    return points;
}

TRect DifferenceBounds(const TBitmap& a, const TBitmap& b) {
    TRect bounds;
    for (const TPoint& p : Differences(a, b))
        bounds = bounds.United({p.x, p.y, p.x + 1, p.y + 1});
    return bounds;
}

int CountColor(const TBitmap& bitmap, TColor color, const TRect& area) {
    const TRect r = area.Intersected(bitmap.BoundsRect());
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            n += bitmap.Pixel(x, y) == color;
    return n;
}

QStringList Mask(const TBitmap& bitmap, TColor color) {
    QStringList rows;
    for (int y = 0; y < bitmap.Height(); ++y) {
        QString row;
        for (int x = 0; x < bitmap.Width(); ++x)
            row += bitmap.Pixel(x, y) == color ? QLatin1Char('#') : QLatin1Char('.');
        rows << row;
    }
    return rows;
}

QString FirstDifference(const TBitmap& a, const TBitmap& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height())
        return QStringLiteral("sizes %1x%2 and %3x%4")
            .arg(a.Width())
            .arg(a.Height())
            .arg(b.Width())
            .arg(b.Height());
    const auto diffs = Differences(a, b);
    if (diffs.isEmpty())
        return {};
    const TPoint p = diffs.first();
    return QStringLiteral("%1 pixels differ, first at (%2, %3): %4 vs %5")
        .arg(diffs.size())
        .arg(p.x)
        .arg(p.y)
        .arg(a.Pixel(p.x, p.y), 6, 16, QLatin1Char('0'))
        .arg(b.Pixel(p.x, p.y), 6, 16, QLatin1Char('0'));
}

void CopyBitmap(const TBitmap& from, TBitmap& to) {
    to.Assign(from);
}

char* toString(const TRect& r) {
    return qstrdup(QStringLiteral("(%1, %2, %3, %4)")
                       .arg(r.left)
                       .arg(r.top)
                       .arg(r.right)
                       .arg(r.bottom)
                       .toUtf8()
                       .constData());
}

char* toString(const TPoint& p) {
    return qstrdup(QStringLiteral("(%1, %2)").arg(p.x).arg(p.y).toUtf8().constData());
}
