// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// The drawing surface of a TBitmap: pen, brush, pen position and the operations the editor uses.
//
// Rules every operation keeps:
// - nothing is read or written outside the bitmap, whatever the coordinates;
// - a box covers the columns left .. right-1 and the rows top .. bottom-1 (reversed corners are
//   normalised first), so a box of zero width or height draws nothing;
// - a line plots its first point and not its last;
// - the pen touches every outline pixel once, so a not-xor frame drawn twice restores the
//   picture;
// - each changed area is reported through the bitmap's OnChange.
#pragma once

#include "common/Color.h"
#include "common/Geometry.h"

#include <cstdint>
#include <vector>

class TBitmap;

enum TPenStyle : std::uint8_t { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear };

// How the pen (and a shape's brush) combines with a pixel; P is the pen colour, D the pixel.
enum TPenMode : std::uint8_t {
    pmBlack,       // 0
    pmWhite,       // 1
    pmNop,         // D
    pmNot,         // ~D
    pmCopy,        // P
    pmNotCopy,     // ~P
    pmMergePenNot, // P | ~D
    pmMaskPenNot,  // P & ~D
    pmMergeNotPen, // ~P | D
    pmMaskNotPen,  // ~P & D
    pmMerge,       // P | D
    pmNotMerge,    // ~(P | D)
    pmMask,        // P & D
    pmNotMask,     // ~(P & D)
    pmXor,         // P ^ D
    pmNotXor       // ~(P ^ D)
};

enum TBrushStyle : std::uint8_t {
    bsSolid,
    bsClear,
    bsHorizontal,
    bsVertical,
    bsFDiagonal, // "\": falls from left to right
    bsBDiagonal, // "/": rises from left to right
    bsCross,
    bsDiagCross
};

struct TPen {
    TPenStyle Style = psSolid;
    TPenMode Mode = pmCopy;
    TColor Color = clBlack;
    // Outlines are always one pixel wide; the width is kept for the tools that save and restore it.
    std::int32_t Width = 1;
};

struct TBrush {
    TBrushStyle Style = bsSolid;
    TColor Color = clWhite;
};

// The outline of a rounded rectangle as runs of pixels, one row at a time. A plain rectangle and
// an ellipse are its two extremes (corner ellipse 0 x 0 and as large as the box). The corners are
// the four quadrants of the corner ellipse, split between its middle rows and columns; an odd
// middle row belongs to the top corners and, where the box has room for it, to the bottom corners
// too. The straight edges join the corners.
class TRoundOutline {
public:
    // The pixels of a row as a left and a right run, both inclusive. They never overlap; a row
    // that is one run (the top and bottom edges) is split between them, and either may be empty
    // (from > to).
    struct Row {
        std::int32_t leftFrom, leftTo;
        std::int32_t rightFrom, rightTo;
    };

    // box must be normalised and not empty; the corner sizes are clamped to the box.
    void Build(const TRect& box, std::int32_t cornerWidth, std::int32_t cornerHeight);
    std::int32_t RowCount() const { return box_.Height(); }
    // Row k of the outline, 0 = top row of the box; columns are absolute.
    Row RowAt(std::int32_t k) const;
    // True for a plain rectangle: a corner ellipse 2 pixels wide or high, or smaller, rasterises
    // as a square corner.
    bool SquareCorners() const { return cw_ == 0; }
    // The row whose right end starts the path of a styled outline: the corner ellipse's middle
    // row, the upper one of two (the top row for square corners of no height).
    std::int32_t StartRow() const { return startRow_; }

private:
    TRect box_;
    std::int32_t cw_ = 0, ch_ = 0, topRows_ = 0, bottomRows_ = 0, startRow_ = 0;
    // For each row of the lower half of the corner ellipse, the run of its right quadrant,
    // relative to the ellipse's left edge.
    std::vector<std::pair<std::int32_t, std::int32_t>> quadrant_;
};

class TCanvas {
public:
    explicit TCanvas(TBitmap& owner) : owner_(owner) {}
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    TPen Pen;
    TBrush Brush;
    TPoint PenPos;

    void MoveTo(std::int32_t x, std::int32_t y);
    // A line from the pen position to (x, y) without its last point; the pen moves to (x, y).
    // Where the line passes exactly half-way between two pixels it takes the one with the smaller
    // coordinate, so a line and its reverse differ only in their end points. With a solid brush
    // the gaps of a dashed line take the brush colour, otherwise they stay as they were.
    void LineTo(std::int32_t x, std::int32_t y);

    // Outlined with the pen and filled with the brush. With a solid brush the gaps of a dashed
    // outline take the brush colour; a hatch paints only its lines; the pen mode applies to both.
    // A styled outline is one path, walked counter-clockwise from the right end of the outline's
    // StartRow (for a rectangle its top right pixel); a box one pixel wide or high is walked down
    // and back up (or leftwards and back), and a pixel is drawn if either pass reaches it on a
    // dash. An ellipse or rounded rectangle with a solid brush is filled under its outline too,
    // so the outline's pen mode applies over the brush's result.
    void Rectangle(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom);
    void Ellipse(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom);
    // Corners drawn with an ellipse cornerWidth x cornerHeight (signs are ignored).
    void RoundRect(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom,
                   std::int32_t cornerWidth, std::int32_t cornerHeight);

    // Fills with the brush, replacing the pixels whatever the pen mode.
    void FillRect(const TRect& rect);
    // Plain 1:1 copy of sourceRect of another canvas to dest (same size; a different size is
    // scaled without smoothing). Parts of either rectangle outside its bitmap are skipped: the
    // destination keeps its pixels there.
    void CopyRect(const TRect& dest, const TCanvas& source, const TRect& sourceRect);
    // Draws a bitmap opaquely at its own size with its top-left corner at (x, y).
    void Draw(std::int32_t x, std::int32_t y, const TBitmap& graphic);

    TColor Pixel(std::int32_t x, std::int32_t y) const;
    void SetPixel(std::int32_t x, std::int32_t y, TColor color);

    TBitmap& Bitmap() { return owner_; }
    const TBitmap& Bitmap() const { return owner_; }

private:
    void DrawRoundOutline(const TRect& box, std::int32_t cornerWidth, std::int32_t cornerHeight,
                          bool fillUnderOutline);

    TBitmap& owner_;
    TRoundOutline outline_; // reused between calls
};

// The editor's shapes by kind: 0 a line from a to b (without b), 1 a rectangle, 2 an ellipse and
// 3 a rounded rectangle (its corner ellipse half as wide and half as high as the box) over the box
// of the two points; any other kind draws nothing. Drawn with the canvas's own tools.
void DrawShapeOfKind(TCanvas& canvas, int kind, const TPoint& a, const TPoint& b);
