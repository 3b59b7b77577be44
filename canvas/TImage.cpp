// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

#include "canvas/TImage.h"

#include "desktop/EditorApplication.h"
#include "system/QtCompat.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QtMath>
#include <cmath>
#include <optional>

namespace {

std::optional<TMouseButton> ButtonOf(Qt::MouseButton button) {
    switch (button) {
    case Qt::LeftButton:
        return TMouseButton::mbLeft;
    case Qt::RightButton:
        return TMouseButton::mbRight;
    case Qt::MiddleButton:
        return TMouseButton::mbMiddle;
    default:
        return std::nullopt;
    }
}

// One picture pixel is one logical pixel. An event from the window system carries its position
// in the control rounded to whole logical pixels, which on a screen scaled by two moves half the
// screen pixels to the next picture pixel; its position in the window is exact, so that one is
// carried over to the control. An event made by the program itself may carry no window position
// (it repeats the control's): the control's own position serves then.
TPoint PictureCoordinates(const QWidget* widget, const QMouseEvent* event) {
    QPointF p =
        qtcompat::WindowPosition(event) - QPointF(widget->mapTo(widget->window(), QPoint()));
    const QPointF own = qtcompat::LocalPosition(event);
    if (std::abs(p.x() - own.x()) >= 1 || std::abs(p.y() - own.y()) >= 1)
        p = own;
    return {static_cast<std::int32_t>(qFloor(p.x())), static_cast<std::int32_t>(qFloor(p.y()))};
}

} // namespace

TShiftState ShiftStateOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons,
                         bool doubleClick) {
    TShiftState s = 0;
    if (modifiers & Qt::ShiftModifier)
        s |= ssShift;
    if (modifiers & Qt::AltModifier)
        s |= ssAlt;
    if (modifiers & Qt::ControlModifier)
        s |= ssCtrl;
    if (buttons & Qt::LeftButton)
        s |= ssLeft;
    if (buttons & Qt::RightButton)
        s |= ssRight;
    if (buttons & Qt::MiddleButton)
        s |= ssMiddle;
    if (doubleClick)
        s |= ssDouble;
    return s;
}

TImage::TImage(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    picture_.OnChange = [this](const TRect& r) { update(r.left, r.top, r.Width(), r.Height()); };
    picture_.OnResize = [this] { setFixedSize(picture_.Width(), picture_.Height()); };
    setFixedSize(0, 0);
}

void TImage::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QImage& image = picture_.Image();
    // One plain clip rectangle per piece: against the whole region Qt takes a much slower path.
    for (const QRect& r : event->region()) {
        painter.setClipRect(r);
        painter.drawImage(r.topLeft(), image, r);
    }
}

void TImage::Press(QMouseEvent* event, bool doubleClick) {
    const auto button = ButtonOf(event->button());
    if (button && OnMouseDown)
        Reported([&] {
            const TPoint at = PictureCoordinates(this, event);
            OnMouseDown(*button, ShiftStateOf(event->modifiers(), event->buttons(), doubleClick),
                        at.x, at.y);
        })();
}

void TImage::mousePressEvent(QMouseEvent* event) {
    Press(event, false);
}

void TImage::mouseDoubleClickEvent(QMouseEvent* event) {
    Press(event, true);
}

void TImage::mouseMoveEvent(QMouseEvent* event) {
    if (OnMouseMove)
        Reported([&] {
            const TPoint at = PictureCoordinates(this, event);
            OnMouseMove(ShiftStateOf(event->modifiers(), event->buttons()), at.x, at.y);
        })();
}

void TImage::mouseReleaseEvent(QMouseEvent* event) {
    const auto button = ButtonOf(event->button());
    if (button && OnMouseUp)
        Reported([&] {
            const TPoint at = PictureCoordinates(this, event);
            OnMouseUp(*button, ShiftStateOf(event->modifiers(), event->buttons()), at.x, at.y);
        })();
}
