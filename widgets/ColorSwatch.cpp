// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

#include "widgets/ColorSwatch.h"

#include <QMouseEvent>
#include <QPainter>

ColorSwatch::ColorSwatch(QWidget* parent) : QLabel(parent) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    setFixedSize(16, 16);
    color_ = FromQColor(palette().color(QPalette::Window));
}

void ColorSwatch::SetColor(TColor color) {
    color_ = color;
    update();
}

// The swatch paints its colour itself. A filled background would take the colour of the
// background role, which the parent decides: a tool bar's is Button, not Window, so a palette's
// Window colour never showed there; and some styles draw backgrounds of their own.
void ColorSwatch::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), ToQColor(color_));
    drawFrame(&painter);
}

void ColorSwatch::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        emit Clicked();
    QLabel::mousePressEvent(event);
}
