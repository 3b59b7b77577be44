#include "platform/ColorSwatch.h"

#include <QMouseEvent>

ColorSwatch::ColorSwatch(QWidget* parent) : QLabel(parent) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    setFixedSize(16, 16);
    setAutoFillBackground(true);
    color_ = FromQColor(palette().color(QPalette::Window));
}

void ColorSwatch::SetColor(TColor color) {
    color_ = color;
    QPalette p = palette();
    p.setColor(QPalette::Window, ToQColor(color));
    setPalette(p);
    update();
}

void ColorSwatch::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        emit Clicked();
    QLabel::mousePressEvent(event);
}
