#include "platform/TImage.h"

#include "platform/EditorApplication.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QtMath>
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

// One picture pixel is one logical pixel.
std::int32_t PictureCoordinate(qreal v) {
    return static_cast<std::int32_t>(qFloor(v));
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
            OnMouseDown(*button, ShiftStateOf(event->modifiers(), event->buttons(), doubleClick),
                        PictureCoordinate(event->position().x()),
                        PictureCoordinate(event->position().y()));
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
            OnMouseMove(ShiftStateOf(event->modifiers(), event->buttons()),
                        PictureCoordinate(event->position().x()),
                        PictureCoordinate(event->position().y()));
        })();
}

void TImage::mouseReleaseEvent(QMouseEvent* event) {
    const auto button = ButtonOf(event->button());
    if (button && OnMouseUp)
        Reported([&] {
            OnMouseUp(*button, ShiftStateOf(event->modifiers(), event->buttons()),
                      PictureCoordinate(event->position().x()),
                      PictureCoordinate(event->position().y()));
        })();
}
