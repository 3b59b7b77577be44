// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

#include "resources/IconArt.h"

#include <QPainter>
#include <QPainterPath>

namespace {

const QColor kInk(40, 40, 40);
const QColor kPaper(255, 255, 255);
const QColor kAccent(30, 100, 200);
const QColor kFolder(230, 180, 60);

// A vector drawing on a grid of side x side logical pixels, antialiased, at ratio device pixels a
// pixel.
template <class Paint> QImage Painted(int side, int ratio, Paint paint) {
    QImage image(side * ratio, side * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    paint(p);
    p.end();
    return image;
}

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

void MenuPicture(const QString& item, QPainter& p) {
    if (item == QLatin1String("New1")) {
        Page(p);
    } else if (item == QLatin1String("Open1")) {
        p.setPen(QPen(kInk, 1));
        p.setBrush(kFolder);
        p.drawPolygon(QPolygonF(
            {{1.5, 3.5}, {6.5, 3.5}, {7.5, 5.5}, {14.5, 5.5}, {14.5, 13.5}, {1.5, 13.5}}));
    } else if (item == QLatin1String("Save1")) {
        Disk(p);
    } else if (item == QLatin1String("SaveAs1")) {
        Disk(p);
        p.setPen(Qt::NoPen);
        p.setBrush(kInk);
        for (int x : {5, 8, 11})
            p.drawEllipse(QPointF(x, 12), 1, 1);
    } else if (item == QLatin1String("UnDo")) {
        Arrow(p);
    } else if (item == QLatin1String("ClearUnDo1")) {
        Arrow(p);
        p.setPen(QPen(QColor(200, 40, 40), 2));
        p.drawLine(QPointF(8, 9), QPointF(14, 15));
        p.drawLine(QPointF(14, 9), QPointF(8, 15));
    } else if (item == QLatin1String("Copy1")) {
        Sheets(p);
    } else if (item == QLatin1String("Paste1")) {
        p.setPen(QPen(kInk, 1));
        p.setBrush(kFolder);
        p.drawRect(QRectF(2.5, 2.5, 10, 12));
        p.setBrush(kPaper);
        p.drawRect(QRectF(6.5, 6.5, 8, 8));
    } else if (item == QLatin1String("Cut1")) {
        p.setPen(QPen(kInk, 1.5));
        p.drawLine(QPointF(4, 1), QPointF(11, 10));
        p.drawLine(QPointF(12, 1), QPointF(5, 10));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(4, 12), 2.5, 2.5);
        p.drawEllipse(QPointF(12, 12), 2.5, 2.5);
    } else if (item == QLatin1String("Copy2Buf")) {
        Frame(p, QRectF(1.5, 1.5, 8, 8));
        p.setPen(QPen(kAccent, 2));
        p.drawLine(QPointF(8, 8), QPointF(14, 14));
    } else if (item == QLatin1String("SelectInBuf1")) {
        p.setPen(QPen(kInk, 1));
        p.setBrush(kPaper);
        p.drawRect(QRectF(1.5, 1.5, 13, 13));
        p.setBrush(kAccent);
        p.drawRect(QRectF(3.5, 4.5, 9, 2));
        p.drawRect(QRectF(3.5, 9.5, 9, 2));
    } else if (item == QLatin1String("Paste2Buf")) {
        Frame(p, QRectF(6.5, 6.5, 8, 8));
        p.setPen(QPen(kAccent, 2));
        p.drawLine(QPointF(2, 2), QPointF(8, 8));
    } else if (item == QLatin1String("Clear1")) {
        p.setPen(QPen(kInk, 1));
        p.setBrush(QColor(192, 192, 192));
        p.drawRect(QRectF(1.5, 4.5, 13, 10));
        p.setBrush(kFolder);
        p.drawRect(QRectF(6.5, 0.5, 3, 6));
    }
}

// A letter in its style, for the style toggles.
void Letter(QPainter& p, QChar letter, void (QFont::*style)(bool)) {
    QFont f(QStringLiteral("Serif"));
    f.setPixelSize(15);
    (f.*style)(true);
    p.setFont(f);
    p.setPen(kInk);
    p.drawText(QRect(0, 0, 18, 18), Qt::AlignCenter, QString(letter));
}

// Four lines of text set left, centred or right.
void Lines(QPainter& p, Qt::Alignment align) {
    p.setPen(QPen(kInk, 1.5));
    const int lengths[] = {14, 9, 14, 9};
    for (int i = 0; i < 4; ++i) {
        const int w = lengths[i];
        const int x = align == Qt::AlignLeft ? 2 : align == Qt::AlignRight ? 16 - w : 9 - w / 2;
        p.drawLine(QPointF(x, 3.5 + 4 * i), QPointF(x + w, 3.5 + 4 * i));
    }
}

// The text panel's pictures; false for other names.
bool TextPanelPicture(const QString& name, QPainter& p) {
    if (name == QLatin1String("SpButChB"))
        Letter(p, QLatin1Char('B'), &QFont::setBold);
    else if (name == QLatin1String("SpButChI"))
        Letter(p, QLatin1Char('I'), &QFont::setItalic);
    else if (name == QLatin1String("SpButChU"))
        Letter(p, QLatin1Char('U'), &QFont::setUnderline);
    else if (name == QLatin1String("SpButChS"))
        Letter(p, QLatin1Char('S'), &QFont::setStrikeOut);
    else if (name == QLatin1String("SpButTxtToLeft"))
        Lines(p, Qt::AlignLeft);
    else if (name == QLatin1String("SpButTxtToCentr"))
        Lines(p, Qt::AlignHCenter);
    else if (name == QLatin1String("SpButTxtToRight"))
        Lines(p, Qt::AlignRight);
    else if (name == QLatin1String("SpButOK")) {
        p.setPen(QPen(QColor(30, 140, 60), 2.5));
        p.drawPolyline(QPolygonF({{3, 9}, {7, 14}, {15, 4}}));
    } else if (name == QLatin1String("SpButCancel")) {
        p.setPen(QPen(QColor(200, 40, 40), 2.5));
        p.drawLine(QPointF(4, 4), QPointF(14, 14));
        p.drawLine(QPointF(14, 4), QPointF(4, 14));
    } else {
        return false;
    }
    return true;
}

} // namespace

QImage DrawProgramIcon(int size) {
    // The same drawing as resources/org.limnora.Limnora.svg, on a 64 x 64 grid.
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);
    p.setPen(QPen(kInk, 2));
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(4, 8, 56, 48), 4, 4);
    p.setBrush(QColor(120, 190, 240));
    p.drawEllipse(QRectF(12, 16, 26, 20));
    p.setBrush(QColor(250, 200, 70));
    p.drawRect(QRectF(30, 30, 22, 18));
    QPen dotted(kInk, 2, Qt::CustomDashLine, Qt::FlatCap);
    dotted.setDashPattern({1, 1}); // in pen widths: 2 on, 2 off
    p.setPen(dotted);
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(8, 12, 48, 40));
    p.end();
    return image;
}

const QStringList& MenuPictureNames() {
    static const QStringList names{
        QStringLiteral("New1"),     QStringLiteral("Open1"),        QStringLiteral("Save1"),
        QStringLiteral("SaveAs1"),  QStringLiteral("UnDo"),         QStringLiteral("ClearUnDo1"),
        QStringLiteral("Copy1"),    QStringLiteral("Paste1"),       QStringLiteral("Cut1"),
        QStringLiteral("Copy2Buf"), QStringLiteral("SelectInBuf1"), QStringLiteral("Paste2Buf"),
        QStringLiteral("Clear1")};
    return names;
}

QImage DrawNamedPicture(const QString& name, int ratio) {
    if (MenuPictureNames().contains(name))
        return Painted(16, ratio, [&name](QPainter& p) { MenuPicture(name, p); });
    bool known = true;
    QImage image = Painted(18, ratio, [&](QPainter& p) { known = TextPanelPicture(name, p); });
    return known ? image : QImage();
}
