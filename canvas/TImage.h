// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// The image control: shows one TBitmap at 1:1, takes the bitmap's size, repaints only what the
// canvas reports as changed, and hands mouse events in picture coordinates to three replaceable
// handlers.
#pragma once

#include "canvas/ShiftState.h"
#include "canvas/TBitmap.h"

#include <QWidget>
#include <functional>

class TImage : public QWidget {
    Q_OBJECT
public:
    using TMouseEvent =
        std::function<void(TMouseButton button, TShiftState shift, std::int32_t x, std::int32_t y)>;
    using TMouseMoveEvent = std::function<void(TShiftState shift, std::int32_t x, std::int32_t y)>;

    explicit TImage(QWidget* parent = nullptr);

    TBitmap& Picture() { return picture_; }
    const TBitmap& Picture() const { return picture_; }
    TCanvas& Canvas() { return picture_.Canvas(); }

    // Replaceable handlers: whoever takes them over keeps the old ones and puts them back.
    TMouseEvent OnMouseDown;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseUp;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void Press(QMouseEvent* event, bool doubleClick);

    TBitmap picture_;
};
