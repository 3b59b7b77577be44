// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

#include "main/Form1Icons.h"

#include "canvas/TBitmap.h"
#include "resources/BuiltInPictures.h"
#include "resources/IconArt.h"

#include <QPainter>
#include <QPixmap>
#include <utility>

namespace {

constexpr int kToolIcon = 20;
constexpr TColor kKey = 0xFF00FF; // never drawn: becomes transparent

// A tool icon drawn with the canvas on a transparent background.
template <class Draw> QIcon CanvasIcon(Draw draw) {
    TBitmap bitmap(kToolIcon, kToolIcon);
    TCanvas& c = bitmap.Canvas();
    c.Brush.Style = bsSolid;
    c.Brush.Color = kKey;
    c.FillRect(bitmap.BoundsRect());
    c.Pen = TPen{};
    c.Brush.Style = bsClear;
    draw(c);
    // Every pixel is opaque or the key, so that premultiplied they keep their values.
    QImage image = bitmap.Image().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QRgb key = ToQRgb(kKey);
    for (int y = 0; y < kToolIcon; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < kToolIcon; ++x)
            if (row[x] == key)
                row[x] = 0;
    }
    // Pixel art: on a screen scaled by two each pixel becomes a crisp 2 x 2 block.
    QImage doubled(2 * kToolIcon, 2 * kToolIcon, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < 2 * kToolIcon; ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(image.constScanLine(y / 2));
        auto* out = reinterpret_cast<QRgb*>(doubled.scanLine(y));
        for (int x = 0; x < 2 * kToolIcon; ++x)
            out[x] = in[x / 2];
    }
    QIcon icon(QPixmap::fromImage(std::move(image)));
    QPixmap large = QPixmap::fromImage(std::move(doubled));
    large.setDevicePixelRatio(2);
    icon.addPixmap(large);
    return icon;
}

// Solid fill: a paint pot tipped over, pouring its paint out. No colour square, so that it is
// not taken for the colour swatch beside it.
void PaintPot(QImage& image) {
    QPainter p(&image);
    p.setPen(QColor(40, 40, 40));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRect(1, 1, 11, 11), 45 * 16, 180 * 16); // the handle
    p.setBrush(Qt::white);
    p.drawPolygon(QPolygon({{1, 10}, {7, 4}, {13, 10}, {7, 16}}));
    p.setBrush(Qt::black);
    p.drawPolygon(QPolygon({{7, 4}, {13, 10}, {10, 13}, {4, 7}}));               // paint inside
    p.drawPolygon(QPolygon({{13, 10}, {16, 10}, {16, 15}, {14, 15}, {14, 12}})); // pouring out
    p.drawEllipse(QRect(13, 14, 4, 4));                                          // a drop
}

void DrawKind(TCanvas& c, int kind, const TRect& r) {
    if (kind == 0) // a line rising from the bottom left
        DrawShapeOfKind(c, kind, {r.left, r.bottom - 1}, {r.right, r.top - 1});
    else
        DrawShapeOfKind(c, kind, {r.left, r.top}, {r.right, r.bottom});
}

} // namespace

QIcon ModeIcon(int mode) {
    return CanvasIcon([mode](TCanvas& c) {
        switch (mode) {
        case 1: // select: a dotted frame
            c.Pen.Style = psDot;
            c.Rectangle(2, 3, 18, 17);
            break;
        case 2: // paint: a filled ellipse over a line
            c.Pen.Color = clBlue;
            c.Brush.Style = bsSolid;
            c.Brush.Color = 0x80C0FF;
            c.Ellipse(5, 2, 19, 14);
            c.Pen.Color = clBlack;
            c.MoveTo(1, 18);
            c.LineTo(12, 7);
            break;
        case 3: // text: a letter T
            c.Brush.Style = bsSolid;
            c.Brush.Color = clBlack;
            c.FillRect({3, 3, 17, 6});
            c.FillRect({8, 6, 12, 18});
            break;
        default: // fragments: two overlapping sheets, the front one dotted
            c.Rectangle(1, 1, 12, 12);
            c.Pen.Style = psDot;
            c.Rectangle(7, 7, 19, 19);
            break;
        }
    });
}

QIcon ShapeIcon(int kind) {
    return CanvasIcon([kind](TCanvas& c) { DrawKind(c, kind, {2, 3, 18, 17}); });
}

QIcon PenStyleIcon(TPenStyle style) {
    return CanvasIcon([style](TCanvas& c) {
        if (style == psClear) { // an outline nobody sees: a faint grey frame crossed out
            c.Pen.Color = 0xA0A0A0;
            c.Rectangle(3, 3, 17, 17);
            c.Pen.Color = clRed;
            c.MoveTo(3, 16);
            c.LineTo(17, 2);
            return;
        }
        if (style == psDot) { // single pixels: the pen's three-pixel dots read as dashes here
            for (int y : {6, 10, 14})
                for (int x = 1; x < kToolIcon; x += 4)
                    c.SetPixel(x, y, clBlack);
            return;
        }
        // Each line starts 10 pixels left of the icon, so that the part shown holds a gap and
        // the start of the next stretch even for the long dash (18 on, 6 off).
        c.Pen.Style = style;
        for (int y : {6, 10, 14}) {
            c.MoveTo(-10, y);
            c.LineTo(kToolIcon, y);
        }
    });
}

QIcon BrushStyleIcon(TBrushStyle style) {
    return CanvasIcon([style](TCanvas& c) {
        if (style == bsSolid) {
            PaintPot(c.Bitmap().MutableImage());
            return;
        }
        c.Pen.Color = 0x606060;
        if (style == bsClear) { // see-through: a light checkerboard, as for transparency
            c.Brush.Style = bsSolid;
            c.Brush.Color = clWhite;
            c.FillRect({2, 2, 18, 18});
            c.Brush.Color = 0xC0C0C0;
            for (int y = 0; y < 4; ++y)
                for (int x = y % 2; x < 4; x += 2)
                    c.FillRect({2 + 4 * x, 2 + 4 * y, 6 + 4 * x, 6 + 4 * y});
            c.Brush.Style = bsClear;
        } else {
            c.Brush.Style = style;
            c.Brush.Color = clBlack;
        }
        c.Rectangle(2, 2, 18, 18);
    });
}

QIcon NamedIcon(const QString& item) {
    // Painted at their size and at twice it for screens scaled by two; the build has drawn the
    // menu items' pictures already.
    QIcon icon;
    for (int ratio : {1, 2}) {
        QImage picture = BuiltInPicture(item, 16 * ratio);
        if (picture.isNull())
            picture = DrawNamedPicture(item, ratio);
        if (picture.isNull())
            return {};
        QPixmap pixmap = QPixmap::fromImage(picture); // the built-in pixels are not copied first
        pixmap.setDevicePixelRatio(ratio);
        icon.addPixmap(pixmap);
    }
    return icon;
}
