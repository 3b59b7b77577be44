// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// Pictures and comparisons for the tests.
#pragma once

#include "canvas/TBitmap.h"

#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QVector>
#include <cstdint>

// Reproducible random noise over the whole bitmap.
void FillNoise(TBitmap& bitmap, std::uint32_t seed);
// Every pixel one colour.
void FillColor(TBitmap& bitmap, TColor color);
// Pixels where a and b differ (same size required), in reading order.
QVector<TPoint> Differences(const TBitmap& a, const TBitmap& b);
// The smallest rectangle holding every difference; empty when the bitmaps are equal.
TRect DifferenceBounds(const TBitmap& a, const TBitmap& b);
// Number of pixels of the colour inside area (cut to the bitmap).
int CountColor(const TBitmap& bitmap, TColor color, const TRect& area);
// The pixels of the colour as rows of "#" (the colour) and "." (any other).
QStringList Mask(const TBitmap& bitmap, TColor color);
// A short description of the first difference, or empty when equal (for failure messages).
QString FirstDifference(const TBitmap& a, const TBitmap& b);
// A copy of a bitmap.
void CopyBitmap(const TBitmap& from, TBitmap& to);

// Readable rectangles and points in failure messages.
char* toString(const TRect& r);
char* toString(const TPoint& p);
