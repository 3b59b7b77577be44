// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// A colour swatch: a small sunken static text whose background shows a colour; a click on it
// is reported through Clicked.
#pragma once

#include "common/Color.h"

#include <QLabel>

class ColorSwatch : public QLabel {
    Q_OBJECT
public:
    explicit ColorSwatch(QWidget* parent = nullptr);
    TColor Color() const { return color_; }
    void SetColor(TColor color);

signals:
    void Clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    TColor color_ = clBlack;
};
