// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// The end of a mouse gesture: status feedback, shape drawing, placing the text preview.
#include "main/Form1.h"

#include "canvas/TImage.h"
#include "selection/TRegionSelector.h"
#include "undo/TGraphUnDo.h"
#include "widgets/PictureLabel.h"

#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <cstdlib>

void TForm1::SelectorStart(TShiftState, const TPoint& StartPoint, const TPoint&) {
    SetStatusText(0, QString::asprintf(" Старт: (%d, %d)", StartPoint.x, StartPoint.y));
    SetStatusText(1, QString());
    SetStatusText(2, QString());
    SetStatusText(3, QString());
}

void TForm1::SelectorMove(TShiftState, const TPoint& StartPoint, const TPoint& EndPoint) {
    SetStatusText(1, QString::asprintf(" Финиш: (%d, %d)", EndPoint.x, EndPoint.y));
    SetStatusText(2, QString::asprintf(" Ширина: (%d)", std::abs(EndPoint.x - StartPoint.x)));
    SetStatusText(3, QString::asprintf(" Высота: (%d)", std::abs(EndPoint.y - StartPoint.y)));
}

void TForm1::SelectorEnd(TShiftState, const TPoint& StartPoint, const TPoint& EndPoint) {
    const bool moved = !PointsEqual(StartPoint, EndPoint);
    switch (AppMode) {
    case amPaint:
        if (moved) {
            WorkRect = NormalizeRect(StartPoint, EndPoint);
            if (UnDoManager)
                UnDoManager->SaveRegion(Image1, ShapeUndoArea(ShapeTool, WorkRect));
            ApplyCanvasTools(Image1);
            DrawShape(Image1, ShapeTool, StartPoint, EndPoint, WorkRect);
        }
        break;
    case amText:
        if (moved) {
            WorkRect = NormalizeRect(StartPoint, EndPoint);
            ApplyCanvasTools(Image1);
            PlaceTextLabel(ScrollBox1, LabelTxt, WorkRect);
        }
        break;
    case amImage:
        if (moved)
            WorkRect = NormalizeRect(StartPoint, EndPoint);
        break;
    default:
        break;
    }
    if (UnDoManager)
        RefreshUnDoCaption();
}

TRect TForm1::ShapeUndoArea(int Kind, const TRect& Rect) {
    // A line may put pixels on the column Rect.right and the row Rect.bottom (it runs between
    // the drag's two points, both included but the last), which the other shapes never touch:
    // its snapshot takes one more column and row, so one step back removes all of it.
    if (Kind == 0)
        return {Rect.left, Rect.top, TRect::Saturate(std::int64_t{Rect.right} + 1),
                TRect::Saturate(std::int64_t{Rect.bottom} + 1)};
    return Rect;
}

void TForm1::DrawShape(TImage* Image, int Kind, const TPoint& StartPoint, const TPoint& EndPoint,
                       const TRect& Rect) {
    // A line runs between the real points, in the direction of the drag; the other shapes fill
    // the rectangle.
    if (Kind == 0)
        DrawShapeOfKind(Image->Canvas(), Kind, StartPoint, EndPoint);
    else
        DrawShapeOfKind(Image->Canvas(), Kind, {Rect.left, Rect.top}, {Rect.right, Rect.bottom});
}

void TForm1::PlaceTextLabel(QScrollArea* ScrollBox, PictureLabel* Label, const TRect& Rect) {
    const int hp = ScrollBox->horizontalScrollBar()->value();
    const int vp = ScrollBox->verticalScrollBar()->value();
    // Placed in the scroll box's client area; the label itself lives on the picture, so the
    // position is carried over to it and it moves with the picture when it scrolls.
    const QPoint inClient(TRect::Saturate(std::int64_t{Rect.left} - hp + 1),
                          TRect::Saturate(std::int64_t{Rect.top} - vp + 1));
    const QPoint onParent = Label->parentWidget()->mapFrom(ScrollBox->viewport(), inClient);
    Label->setGeometry(onParent.x(), onParent.y(), std::max(0, Rect.Width() - 2),
                       std::max(0, Rect.Height() - 2));
    Label->show();
    Label->repaint();
}
