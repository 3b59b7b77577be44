// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

#include "canvas/TCanvas.h"

#include "canvas/TBitmap.h"
#include "system/Limits.h"

#include <QImage>
#include <algorithm>
#include <climits>
#include <cstdlib>

namespace {

std::int32_t ClampCoordinate(std::int32_t v) {
    return std::clamp(v, -kMaxCoordinate, kMaxCoordinate);
}

TRect NormalizedBox(std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b) {
    return NormalizeRect({ClampCoordinate(l), ClampCoordinate(t)},
                         {ClampCoordinate(r), ClampCoordinate(b)});
}

// The sixteen ways of combining pen colour P with pixel D, bit by bit; the result stays opaque.
inline QRgb Combine(TPenMode mode, QRgb p, QRgb d) {
    QRgb r;
    switch (mode) {
    case pmBlack:
        r = 0;
        break;
    case pmWhite:
        r = 0xFFFFFF;
        break;
    case pmNop:
        r = d;
        break;
    case pmNot:
        r = ~d;
        break;
    case pmNotCopy:
        r = ~p;
        break;
    case pmMergePenNot:
        r = p | ~d;
        break;
    case pmMaskPenNot:
        r = p & ~d;
        break;
    case pmMergeNotPen:
        r = ~p | d;
        break;
    case pmMaskNotPen:
        r = ~p & d;
        break;
    case pmMerge:
        r = p | d;
        break;
    case pmNotMerge:
        r = ~(p | d);
        break;
    case pmMask:
        r = p & d;
        break;
    case pmNotMask:
        r = ~(p & d);
        break;
    case pmXor:
        r = p ^ d;
        break;
    case pmNotXor:
        r = ~(p ^ d);
        break;
    case pmCopy:
    default:
        r = p;
        break;
    }
    return 0xFF000000u | (r & 0x00FFFFFFu);
}

// Combines n pixels, step pixels apart, with the pen colour. The common modes get loops without
// a branch inside: the rubber band's not-xor and the editor's copy.
void CombineRun(TPenMode mode, QRgb pen, QRgb* px, std::int64_t n, qsizetype step) {
    switch (mode) {
    case pmCopy:
        for (std::int64_t i = 0; i < n; ++i)
            px[i * step] = 0xFF000000u | pen;
        break;
    case pmNotXor:
        for (std::int64_t i = 0; i < n; ++i) {
            QRgb& d = px[i * step];
            d = 0xFF000000u | (~(pen ^ d) & 0x00FFFFFFu);
        }
        break;
    default:
        for (std::int64_t i = 0; i < n; ++i) {
            QRgb& d = px[i * step];
            d = Combine(mode, pen, d);
        }
        break;
    }
}

// Hatch lines repeat every 8 pixels, anchored to the bitmap's origin: the rows 8k + 3, the
// columns 8k + 4, the falling diagonals through (8k, 0) and the rising ones through (8k + 7, 0).
inline bool HatchHit(TBrushStyle style, std::int32_t x, std::int32_t y) {
    const bool horizontal = (y & 7) == 3;
    const bool vertical = (x & 7) == 4;
    const bool falling = ((x - y) & 7) == 0;
    const bool rising = ((x + y) & 7) == 7;
    switch (style) {
    case bsHorizontal:
        return horizontal;
    case bsVertical:
        return vertical;
    case bsFDiagonal:
        return falling;
    case bsBDiagonal:
        return rising;
    case bsCross:
        return horizontal || vertical;
    case bsDiagCross:
        return falling || rising;
    default:
        return true;
    }
}

// The on/off pattern of a pen style, stepped along the plotted pixels.
class DashCounter {
public:
    explicit DashCounter(TPenStyle style) {
        switch (style) {
        case psDash:
            Set({18, 6});
            break;
        case psDot:
            Set({3, 3});
            break;
        case psDashDot:
            Set({9, 6, 3, 6});
            break;
        case psDashDotDot:
            Set({9, 3, 3, 3, 3, 3});
            break;
        default:
            break;
        }
    }
    bool Solid() const { return period_ == 1; }
    bool On() const { return (bits_ >> pos_) & 1u; }
    // Whether the pixel pos steps after the first one is on (pos >= 0).
    bool OnAt(std::int64_t pos) const { return (bits_ >> (pos % period_)) & 1u; }
    void Step() {
        if (++pos_ == period_)
            pos_ = 0;
    }
    void Advance(std::int64_t n) { pos_ = static_cast<int>((pos_ + n % period_) % period_); }

private:
    void Set(std::initializer_list<int> stretches) {
        bits_ = 0;
        period_ = 0;
        bool on = true;
        for (int len : stretches) {
            for (int i = 0; i < len; ++i, ++period_)
                if (on)
                    bits_ |= 1u << period_;
            on = !on;
        }
    }
    std::uint32_t bits_ = 1;
    int period_ = 1;
    int pos_ = 0;
};

// One run of pixels split into a left and a right half; an odd middle pixel goes to the right.
TRoundOutline::Row Split(std::int32_t from, std::int32_t to) {
    const std::int32_t middle = from + (to - from + 1) / 2;
    return {from, middle - 1, middle, to};
}

// Writable rows of a bitmap.
struct Surface {
    explicit Surface(TBitmap& bitmap)
        : image(bitmap.MutableImage()), w(image.width()), h(image.height()),
          bits(image.isNull() ? nullptr : image.bits()), stride(image.bytesPerLine()) {}
    QRgb* Row(std::int32_t y) const { return reinterpret_cast<QRgb*>(bits + y * stride); }
    bool Inside(std::int32_t x, std::int32_t y) const { return x >= 0 && y >= 0 && x < w && y < h; }

    QImage& image;
    std::int32_t w, h;
    uchar* bits;
    qsizetype stride;
};

// Collects the changed pixels of a path into a few rectangles for the bitmap's OnChange: a
// rectangle grows while it stays mostly made of changed pixels, so a straight edge is one
// rectangle and a curve a chain of small ones.
class DirtyArea {
public:
    DirtyArea(TBitmap& bitmap, bool active) : bitmap_(bitmap), active_(active) {}
    DirtyArea(const DirtyArea&) = delete;
    DirtyArea& operator=(const DirtyArea&) = delete;
    ~DirtyArea() { Flush(); }

    void Add(const TRect& r) {
        if (!active_)
            return;
        const std::int64_t area = Area(r);
        if (!current_.IsEmpty()) {
            const TRect joined = current_.United(r);
            if (Area(joined) <= 4 * (pixels_ + area) + 256) {
                current_ = joined;
                pixels_ += area;
                return;
            }
            Flush();
        }
        current_ = r;
        pixels_ = area;
    }
    void Flush() {
        if (!current_.IsEmpty())
            bitmap_.Changed(current_);
        current_ = {};
        pixels_ = 0;
    }

private:
    static std::int64_t Area(const TRect& r) {
        return std::int64_t{r.Width()} * std::int64_t{r.Height()};
    }
    TBitmap& bitmap_;
    bool active_;
    TRect current_;
    std::int64_t pixels_ = 0;
};

} // namespace

// ---------------------------------------------------------------------------------------------
// TRoundOutline

void TRoundOutline::Build(const TRect& box, std::int32_t cornerWidth, std::int32_t cornerHeight) {
    box_ = box;
    const std::int32_t cw = std::min(std::abs(cornerWidth), box.Width());
    const std::int32_t ch = std::min(std::abs(cornerHeight), box.Height());
    startRow_ = std::max(ch - 1, 0) / 2;
    if (cw <= 2 || ch <= 2) { // square corners
        cw_ = ch_ = topRows_ = bottomRows_ = 0;
        quadrant_.clear();
        return;
    }
    cw_ = cw;
    ch_ = ch;
    topRows_ = (ch + 1) / 2;
    bottomRows_ = std::min(topRows_, box.Height() - topRows_);

    // Midpoint rasterisation of the ellipse inscribed in the cw x ch box, walking its lower right
    // quadrant from the middle row outwards while the other quadrants follow by symmetry. The
    // error terms stay within 64 bits for boxes up to twice kMaxCoordinate.
    const std::int32_t firstRow = ch / 2;
    const std::size_t rows = static_cast<std::size_t>(ch - firstRow);
    quadrant_.assign(rows, {INT32_MAX, INT32_MIN});
    auto put = [&](std::int64_t x, std::int64_t y) {
        const std::int64_t i = y - firstRow;
        if (i < 0 || i >= static_cast<std::int64_t>(rows))
            return;
        auto& run = quadrant_[static_cast<std::size_t>(i)];
        run.first = std::min(run.first, static_cast<std::int32_t>(x));
        run.second = std::max(run.second, static_cast<std::int32_t>(x));
    };
    const std::int64_t a = cw - 1, b = ch - 1, b1 = b & 1;
    std::int64_t dx = 4 * (1 - a) * b * b, dy = 4 * (b1 + 1) * a * a;
    std::int64_t err = dx + dy + b1 * a * a;
    std::int64_t left = 0, right = a;
    std::int64_t lower = (b + 1) / 2, upper = lower - b1;
    const std::int64_t a8 = 8 * a * a, b8 = 8 * b * b;
    do {
        put(right, lower);
        const std::int64_t e2 = 2 * err;
        if (e2 <= dy) {
            ++lower;
            --upper;
            dy += a8;
            err += dy;
        }
        if (e2 >= dx || 2 * err > dy) {
            ++left;
            --right;
            dx += b8;
            err += dx;
        }
    } while (left <= right);
    while (lower - upper < b) { // the tips of very flat ellipses
        put(right + 1, lower);
        ++lower;
        --upper;
    }
    // Every row gets a run; a row the walk skipped (it does not happen for valid boxes) takes the
    // run of the row above.
    for (std::size_t i = 0; i < rows; ++i)
        if (quadrant_[i].first > quadrant_[i].second)
            quadrant_[i] = i > 0 ? quadrant_[i - 1] : std::make_pair(cw - 1, cw - 1);
}

TRoundOutline::Row TRoundOutline::RowAt(std::int32_t k) const {
    const std::int32_t l = box_.left, r = box_.right - 1;
    const std::int32_t W = box_.Width(), H = box_.Height();
    if (cw_ == 0)
        return k == 0 || k == H - 1 || W == 1 ? Split(l, r) : Row{l, l, r, r};
    if (k >= topRows_ && k < H - bottomRows_)
        return {l, l, r, r};
    const std::int32_t e = k < topRows_ ? ch_ - 1 - k : ch_ - (H - k);
    const auto [lo, hi] = quadrant_[static_cast<std::size_t>(e - ch_ / 2)];
    const std::int32_t shift = W - cw_;
    if (lo <= cw_ / 2) // the quadrants meet, or the straight edge joins them: one run
        return Split(l + cw_ - 1 - hi, l + hi + shift);
    return {l + cw_ - 1 - hi, l + cw_ - 1 - lo, l + lo + shift, l + hi + shift};
}

// ---------------------------------------------------------------------------------------------
// TCanvas

void TCanvas::MoveTo(std::int32_t x, std::int32_t y) {
    PenPos = {ClampCoordinate(x), ClampCoordinate(y)};
}

void TCanvas::LineTo(std::int32_t x, std::int32_t y) {
    x = ClampCoordinate(x);
    y = ClampCoordinate(y);
    const TPoint start = PenPos;
    PenPos = {x, y};
    if (Pen.Style == psClear || owner_.Empty())
        return;
    Surface s(owner_);
    const QRgb pen = ToQRgb(Pen.Color);
    const QRgb brush = ToQRgb(Brush.Color);
    DashCounter dash(Pen.Style);
    const bool gapsTakeBrush = !dash.Solid() && Brush.Style == bsSolid;
    DirtyArea dirty(owner_, true);
    // One pixel per step along the major axis; its minor coordinate is the one nearest to the
    // line, the smaller one at an exact tie. After i steps the minor offset is
    // floor((2 * i * minor + n - 1) / 2n): q, with the remainder r kept in 0 .. 2n - 1.
    const bool xMajor = std::abs(x - start.x) >= std::abs(y - start.y);
    const std::int32_t major = xMajor ? x - start.x : y - start.y;
    const std::int32_t minor = xMajor ? y - start.y : x - start.x;
    const std::int32_t n = std::abs(major), step = major < 0 ? -1 : 1;
    std::int32_t q = 0, r = n - 1;
    for (std::int32_t i = 0; i < n; ++i) {
        const std::int32_t px = start.x + (xMajor ? i * step : q);
        const std::int32_t py = start.y + (xMajor ? q : i * step);
        if (s.Inside(px, py) && (dash.On() || gapsTakeBrush)) {
            QRgb& d = s.Row(py)[px];
            d = Combine(Pen.Mode, dash.On() ? pen : brush, d);
            dirty.Add({px, py, px + 1, py + 1});
        }
        dash.Step();
        r += 2 * minor;
        if (r >= 2 * n) {
            r -= 2 * n;
            ++q;
        } else if (r < 0) {
            r += 2 * n;
            --q;
        }
    }
}

void TCanvas::Rectangle(std::int32_t left, std::int32_t top, std::int32_t right,
                        std::int32_t bottom) {
    DrawRoundOutline(NormalizedBox(left, top, right, bottom), 0, 0, false);
}

void TCanvas::Ellipse(std::int32_t left, std::int32_t top, std::int32_t right,
                      std::int32_t bottom) {
    const TRect box = NormalizedBox(left, top, right, bottom);
    DrawRoundOutline(box, box.Width(), box.Height(), true);
}

void TCanvas::RoundRect(std::int32_t left, std::int32_t top, std::int32_t right,
                        std::int32_t bottom, std::int32_t cornerWidth, std::int32_t cornerHeight) {
    DrawRoundOutline(NormalizedBox(left, top, right, bottom),
                     std::abs(ClampCoordinate(cornerWidth)),
                     std::abs(ClampCoordinate(cornerHeight)), true);
}

void TCanvas::DrawRoundOutline(const TRect& box, std::int32_t cornerWidth,
                               std::int32_t cornerHeight, bool fillUnderOutline) {
    const bool pen = Pen.Style != psClear;
    const bool brush = Brush.Style != bsClear;
    if (box.IsEmpty() || (!pen && !brush) || owner_.Empty())
        return;
    Surface s(owner_);
    outline_.Build(box, cornerWidth, cornerHeight);
    const QRgb penColor = ToQRgb(Pen.Color);
    const QRgb brushColor = ToQRgb(Brush.Color);
    const TPenMode mode = Pen.Mode;
    const std::int32_t rows = outline_.RowCount();
    // Rows of the box that lie inside the bitmap.
    const std::int32_t firstVisible = std::max(0, -box.top);
    const std::int32_t lastVisible = std::min(rows, s.h - box.top); // exclusive

    auto fillSpan = [&](QRgb* row, std::int32_t y, std::int32_t from, std::int32_t to) {
        from = std::max(from, 0);
        to = std::min(to, s.w - 1);
        if (from > to)
            return;
        if (Brush.Style == bsSolid) {
            CombineRun(mode, brushColor, row + from, to - from + 1, 1);
        } else {
            for (std::int32_t x = from; x <= to; ++x)
                if (HatchHit(Brush.Style, x, y))
                    row[x] = Combine(mode, brushColor, row[x]);
        }
    };

    if (brush) {
        // Under a hatch the outline stays unfilled: its gaps keep the picture.
        const bool whole = !pen || (fillUnderOutline && Brush.Style == bsSolid);
        for (std::int32_t k = firstVisible; k < lastVisible; ++k) {
            const TRoundOutline::Row r = outline_.RowAt(k);
            const std::int32_t y = box.top + k;
            if (whole)
                fillSpan(s.Row(y), y, r.leftFrom, r.rightTo);
            else
                fillSpan(s.Row(y), y, r.leftTo + 1, r.rightFrom - 1);
        }
    }

    if (pen) {
        DashCounter dash(Pen.Style);
        const bool gapsTakeBrush = !dash.Solid() && Brush.Style == bsSolid;
        DirtyArea dirty(owner_, !brush); // a filled shape reports its whole box below
        auto plotPixel = [&](QRgb& d, bool on) {
            if (on)
                d = Combine(mode, penColor, d);
            else if (gapsTakeBrush)
                d = Combine(mode, brushColor, d);
        };
        // One run of the path: columns from..to of row y, walked from left to right (dir > 0) or
        // from right to left; pixels outside the bitmap only step the dash pattern.
        auto plotRun = [&](std::int32_t y, std::int32_t from, std::int32_t to, int dir) {
            if (from > to)
                return;
            const std::int64_t n = std::int64_t{to} - from + 1;
            if (y < 0 || y >= s.h || to < 0 || from >= s.w) {
                if (!dash.Solid())
                    dash.Advance(n);
                return;
            }
            const std::int32_t a = std::max(from, 0), b = std::min(to, s.w - 1);
            QRgb* row = s.Row(y);
            if (dash.Solid()) {
                CombineRun(mode, penColor, row + a, b - a + 1, 1);
            } else {
                dash.Advance(dir > 0 ? a - from : to - b);
                for (std::int32_t i = 0; i <= b - a; ++i) {
                    plotPixel(row[dir > 0 ? a + i : b - i], dash.On());
                    dash.Step();
                }
                dash.Advance(dir > 0 ? to - b : a - from);
            }
            dirty.Add({a, y, b + 1, y + 1});
        };
        if (box.Width() == 1 || box.Height() == 1) {
            // Down and back up, or leftwards from the right end and back: the pixel i steps from
            // the start is passed after i and after 2n - 2 - i steps.
            const bool column = box.Width() == 1;
            const std::int64_t n = column ? box.Height() : box.Width();
            for (std::int64_t i = 0; i < n; ++i) {
                const auto x = static_cast<std::int32_t>(column ? box.left : box.right - 1 - i);
                const auto y = static_cast<std::int32_t>(column ? box.top + i : box.top);
                if (!s.Inside(x, y))
                    continue;
                plotPixel(s.Row(y)[x], dash.OnAt(i) || dash.OnAt(2 * n - 2 - i));
                dirty.Add({x, y, x + 1, y + 1});
            }
        } else if (dash.Solid() && outline_.SquareCorners()) {
            // A plain rectangle in a solid pen, the rubber band's usual shape: four straight
            // edges, each one run and one changed strip.
            const std::int32_t l = box.left, t = box.top, r = box.right - 1, b = box.bottom - 1;
            auto plotColumn = [&](std::int32_t x) {
                const std::int32_t y0 = std::max(t + 1, 0), y1 = std::min(b - 1, s.h - 1);
                if (x < 0 || x >= s.w || y0 > y1)
                    return;
                CombineRun(mode, penColor, s.Row(y0) + x, y1 - y0 + 1, s.stride / 4);
                dirty.Add({x, y0, x + 1, y1 + 1});
            };
            plotRun(t, l, r, 1);
            plotRun(b, l, r, -1);
            plotColumn(r);
            plotColumn(l);
        } else {
            // A solid pen does not need the invisible rows to keep its pattern in step.
            const std::int32_t from = dash.Solid() ? firstVisible : 0;
            const std::int32_t to = dash.Solid() ? lastVisible : rows;
            const std::int32_t start = outline_.StartRow();
            // Counter-clockwise from the right end of the start row: up the right side and
            // leftwards along the top, down the left side and rightwards along the bottom, up the
            // right side back to the start.
            for (std::int32_t k = std::min(start, to - 1); k >= from; --k) {
                const TRoundOutline::Row r = outline_.RowAt(k);
                plotRun(box.top + k, r.rightFrom, r.rightTo, -1);
            }
            for (std::int32_t k = from; k < to; ++k) {
                const TRoundOutline::Row r = outline_.RowAt(k);
                plotRun(box.top + k, r.leftFrom, r.leftTo, k <= start ? -1 : 1);
            }
            for (std::int32_t k = to - 1; k >= from && k > start; --k) {
                const TRoundOutline::Row r = outline_.RowAt(k);
                plotRun(box.top + k, r.rightFrom, r.rightTo, 1);
            }
        }
    }
    if (brush)
        owner_.Changed(box);
}

void TCanvas::FillRect(const TRect& rect) {
    const TRect r = NormalizeRect({rect.left, rect.top}, {rect.right, rect.bottom})
                        .Intersected(owner_.BoundsRect());
    if (Brush.Style == bsClear || r.IsEmpty())
        return;
    Surface s(owner_);
    const QRgb color = ToQRgb(Brush.Color);
    for (std::int32_t y = r.top; y < r.bottom; ++y) {
        QRgb* row = s.Row(y);
        if (Brush.Style == bsSolid) {
            std::fill(row + r.left, row + r.right, color);
        } else {
            for (std::int32_t x = r.left; x < r.right; ++x)
                if (HatchHit(Brush.Style, x, y))
                    row[x] = color;
        }
    }
    owner_.Changed(r);
}

void TCanvas::CopyRect(const TRect& dest, const TCanvas& source, const TRect& sourceRect) {
    const QImage& src = source.owner_.Image();
    if (dest.IsEmpty() || sourceRect.IsEmpty() || src.isNull())
        return;
    if (dest.Width() != sourceRect.Width() || dest.Height() != sourceRect.Height()) {
        // Scale the readable part of the source; what lies outside it stays white.
        TBitmap part(sourceRect.Width(), sourceRect.Height());
        part.Canvas().CopyRect(part.BoundsRect(), source, sourceRect);
        TBitmap scaled;
        scaled.AssignImage(part.Image().scaled(dest.Width(), dest.Height(), Qt::IgnoreAspectRatio,
                                               Qt::FastTransformation));
        CopyRect(dest, scaled.Canvas(), scaled.BoundsRect());
        return;
    }
    if (&source == this) { // overlapping copy within one bitmap: read from a snapshot
        TBitmap copy;
        copy.Assign(owner_);
        CopyRect(dest, copy.Canvas(), sourceRect);
        return;
    }
    const std::int32_t ox = sourceRect.left - dest.left, oy = sourceRect.top - dest.top;
    const TRect sourceBoundsAtDest{-ox, -oy, src.width() - ox, src.height() - oy};
    const TRect r = dest.Intersected(owner_.BoundsRect()).Intersected(sourceBoundsAtDest);
    if (r.IsEmpty())
        return;
    Surface s(owner_);
    for (std::int32_t y = r.top; y < r.bottom; ++y) {
        const auto* from = reinterpret_cast<const QRgb*>(src.constScanLine(y + oy)) + r.left + ox;
        std::copy_n(from, r.Width(), s.Row(y) + r.left);
    }
    owner_.Changed(r);
}

void TCanvas::Draw(std::int32_t x, std::int32_t y, const TBitmap& graphic) {
    x = ClampCoordinate(x);
    y = ClampCoordinate(y);
    CopyRect({x, y, x + graphic.Width(), y + graphic.Height()}, graphic.Canvas(),
             graphic.BoundsRect());
}

TColor TCanvas::Pixel(std::int32_t x, std::int32_t y) const {
    return owner_.Pixel(x, y);
}

void TCanvas::SetPixel(std::int32_t x, std::int32_t y, TColor color) {
    if (x < 0 || y < 0 || x >= owner_.Width() || y >= owner_.Height())
        return;
    Surface s(owner_);
    s.Row(y)[x] = ToQRgb(color);
    owner_.Changed({x, y, x + 1, y + 1});
}

void DrawShapeOfKind(TCanvas& canvas, int kind, const TPoint& a, const TPoint& b) {
    switch (kind) {
    case 0:
        canvas.MoveTo(a.x, a.y);
        canvas.LineTo(b.x, b.y);
        break;
    case 1:
        canvas.Rectangle(a.x, a.y, b.x, b.y);
        break;
    case 2:
        canvas.Ellipse(a.x, a.y, b.x, b.y);
        break;
    case 3: // half the box, halved toward zero; in 64 bits, so that any two points will do
        canvas.RoundRect(a.x, a.y, b.x, b.y,
                         TRect::Saturate(std::abs((std::int64_t{a.x} - b.x) / 2)),
                         TRect::Saturate(std::abs((std::int64_t{a.y} - b.y) / 2)));
        break;
    default:
        break;
    }
}
