// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

#include "main/Form1Icons.h"

#include "canvas/TBitmap.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

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
    QImage image = bitmap.Image().convertToFormat(QImage::Format_ARGB32);
    const QRgb key = ToQRgb(kKey);
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if (row[x] == key)
                row[x] = 0;
    }
    // Pixel art: on a screen scaled by two each pixel becomes a crisp 2 x 2 block.
    QIcon icon(QPixmap::fromImage(image));
    QPixmap doubled = QPixmap::fromImage(
        image.scaled(2 * kToolIcon, 2 * kToolIcon, Qt::IgnoreAspectRatio, Qt::FastTransformation));
    doubled.setDevicePixelRatio(2);
    icon.addPixmap(doubled);
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

// Vector drawings, painted at their size and at twice it for screens scaled by two.
template <class Paint> QIcon PaintedIcon(int size, Paint paint) {
    QIcon icon;
    for (int ratio : {1, 2}) {
        QPixmap pixmap(size * ratio, size * ratio);
        pixmap.setDevicePixelRatio(ratio);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        paint(p);
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

const QColor kInk(40, 40, 40);
const QColor kPaper(255, 255, 255);
const QColor kAccent(30, 100, 200);
const QColor kFolder(230, 180, 60);

void Page(QPainter& p) {
    p.setPen(QPen(kInk, 1));
    p.setBrush(kPaper);
    QPolygonF page({{3.5, 1.5}, {10.5, 1.5}, {13.5, 4.5}, {13.5, 14.5}, {3.5, 14.5}});
    p.drawPolygon(page);
}

void Disk(QPainter& p) {
    p.setPen(QPen(kInk, 1));
    p.setBrush(kAccent);
    p.drawRect(QRectF(1.5, 1.5, 13, 13));
    p.setBrush(kPaper);
    p.drawRect(QRectF(4.5, 1.5, 7, 5));
    p.drawRect(QRectF(3.5, 9.5, 9, 5));
}

void Arrow(QPainter& p) {
    p.setPen(QPen(kAccent, 2));
    p.setBrush(Qt::NoBrush);
    QPainterPath path;
    path.moveTo(4, 6);
    path.cubicTo(9, 2, 15, 5, 13, 11);
    p.drawPath(path);
    p.setBrush(kAccent);
    p.setPen(Qt::NoPen);
    p.drawPolygon(QPolygonF({{1, 6}, {7, 2}, {7, 10}}));
}

void Frame(QPainter& p, const QRectF& r) {
    p.setPen(QPen(kInk, 1, Qt::DotLine));
    p.setBrush(Qt::NoBrush);
    p.drawRect(r);
}

void Sheets(QPainter& p) {
    p.setPen(QPen(kInk, 1));
    p.setBrush(kPaper);
    p.drawRect(QRectF(1.5, 1.5, 8, 9));
    p.setBrush(QColor(200, 220, 250));
    p.drawRect(QRectF(6.5, 5.5, 8, 9));
}

// A letter in its style, for the style toggles.
QIcon LetterIcon(QChar letter, void (QFont::*style)(bool)) {
    return PaintedIcon(18, [&](QPainter& p) {
        QFont f(QStringLiteral("Serif"));
        f.setPixelSize(15);
        (f.*style)(true);
        p.setFont(f);
        p.setPen(kInk);
        p.drawText(QRect(0, 0, 18, 18), Qt::AlignCenter, QString(letter));
    });
}

// Four lines of text set left, centred or right.
QIcon AlignIcon(Qt::Alignment align) {
    return PaintedIcon(18, [&](QPainter& p) {
        p.setPen(QPen(kInk, 1.5));
        const int lengths[] = {14, 9, 14, 9};
        for (int i = 0; i < 4; ++i) {
            const int w = lengths[i];
            const int x = align == Qt::AlignLeft ? 2 : align == Qt::AlignRight ? 16 - w : 9 - w / 2;
            p.drawLine(QPointF(x, 3.5 + 4 * i), QPointF(x + w, 3.5 + 4 * i));
        }
    });
}

QIcon TextPanelIcon(const QString& name) {
    if (name == QLatin1String("SpButChB"))
        return LetterIcon(QLatin1Char('B'), &QFont::setBold);
    if (name == QLatin1String("SpButChI"))
        return LetterIcon(QLatin1Char('I'), &QFont::setItalic);
    if (name == QLatin1String("SpButChU"))
        return LetterIcon(QLatin1Char('U'), &QFont::setUnderline);
    if (name == QLatin1String("SpButChS"))
        return LetterIcon(QLatin1Char('S'), &QFont::setStrikeOut);
    if (name == QLatin1String("SpButTxtToLeft"))
        return AlignIcon(Qt::AlignLeft);
    if (name == QLatin1String("SpButTxtToCentr"))
        return AlignIcon(Qt::AlignHCenter);
    if (name == QLatin1String("SpButTxtToRight"))
        return AlignIcon(Qt::AlignRight);
    if (name == QLatin1String("SpButOK"))
        return PaintedIcon(18, [](QPainter& p) {
            p.setPen(QPen(QColor(30, 140, 60), 2.5));
            p.drawPolyline(QPolygonF({{3, 9}, {7, 14}, {15, 4}}));
        });
    if (name == QLatin1String("SpButCancel"))
        return PaintedIcon(18, [](QPainter& p) {
            p.setPen(QPen(QColor(200, 40, 40), 2.5));
            p.drawLine(QPointF(4, 4), QPointF(14, 14));
            p.drawLine(QPointF(14, 4), QPointF(4, 14));
        });
    return {};
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
    if (item == QLatin1String("New1"))
        return PaintedIcon(16, [](QPainter& p) { Page(p); });
    if (item == QLatin1String("Open1"))
        return PaintedIcon(16, [](QPainter& p) {
            p.setPen(QPen(kInk, 1));
            p.setBrush(kFolder);
            p.drawPolygon(QPolygonF(
                {{1.5, 3.5}, {6.5, 3.5}, {7.5, 5.5}, {14.5, 5.5}, {14.5, 13.5}, {1.5, 13.5}}));
        });
    if (item == QLatin1String("Save1"))
        return PaintedIcon(16, [](QPainter& p) { Disk(p); });
    if (item == QLatin1String("SaveAs1"))
        return PaintedIcon(16, [](QPainter& p) {
            Disk(p);
            p.setPen(Qt::NoPen);
            p.setBrush(kInk);
            for (int x : {5, 8, 11})
                p.drawEllipse(QPointF(x, 12), 1, 1);
        });
    if (item == QLatin1String("UnDo"))
        return PaintedIcon(16, [](QPainter& p) { Arrow(p); });
    if (item == QLatin1String("ClearUnDo1"))
        return PaintedIcon(16, [](QPainter& p) {
            Arrow(p);
            p.setPen(QPen(QColor(200, 40, 40), 2));
            p.drawLine(QPointF(8, 9), QPointF(14, 15));
            p.drawLine(QPointF(14, 9), QPointF(8, 15));
        });
    if (item == QLatin1String("Copy1"))
        return PaintedIcon(16, [](QPainter& p) { Sheets(p); });
    if (item == QLatin1String("Paste1"))
        return PaintedIcon(16, [](QPainter& p) {
            p.setPen(QPen(kInk, 1));
            p.setBrush(kFolder);
            p.drawRect(QRectF(2.5, 2.5, 10, 12));
            p.setBrush(kPaper);
            p.drawRect(QRectF(6.5, 6.5, 8, 8));
        });
    if (item == QLatin1String("Cut1"))
        return PaintedIcon(16, [](QPainter& p) {
            p.setPen(QPen(kInk, 1.5));
            p.drawLine(QPointF(4, 1), QPointF(11, 10));
            p.drawLine(QPointF(12, 1), QPointF(5, 10));
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(QPointF(4, 12), 2.5, 2.5);
            p.drawEllipse(QPointF(12, 12), 2.5, 2.5);
        });
    if (item == QLatin1String("Copy2Buf"))
        return PaintedIcon(16, [](QPainter& p) {
            Frame(p, QRectF(1.5, 1.5, 8, 8));
            p.setPen(QPen(kAccent, 2));
            p.drawLine(QPointF(8, 8), QPointF(14, 14));
        });
    if (item == QLatin1String("SelectInBuf1"))
        return PaintedIcon(16, [](QPainter& p) {
            p.setPen(QPen(kInk, 1));
            p.setBrush(kPaper);
            p.drawRect(QRectF(1.5, 1.5, 13, 13));
            p.setBrush(kAccent);
            p.drawRect(QRectF(3.5, 4.5, 9, 2));
            p.drawRect(QRectF(3.5, 9.5, 9, 2));
        });
    if (item == QLatin1String("Paste2Buf"))
        return PaintedIcon(16, [](QPainter& p) {
            Frame(p, QRectF(6.5, 6.5, 8, 8));
            p.setPen(QPen(kAccent, 2));
            p.drawLine(QPointF(2, 2), QPointF(8, 8));
        });
    if (item == QLatin1String("Clear1"))
        return PaintedIcon(16, [](QPainter& p) {
            p.setPen(QPen(kInk, 1));
            p.setBrush(QColor(192, 192, 192));
            p.drawRect(QRectF(1.5, 4.5, 13, 10));
            p.setBrush(kFolder);
            p.drawRect(QRectF(6.5, 0.5, 3, 6));
        });
    return TextPanelIcon(item);
}
