// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

#include "widgets/StatusPanel.h"

#include <QEvent>
#include <QPainter>
#include <QtMath>
#include <qdrawutil.h>

namespace {

constexpr int kTextLeft = 3;

// Characters that need the text layout of their neighbours to look right.
bool NeedsLayout(const QString& text) {
    for (QChar c : text)
        if (c.isSurrogate() || c.isMark() || c.direction() == QChar::DirR ||
            c.direction() == QChar::DirAL)
            return true;
    return false;
}

} // namespace

StatusPanel::StatusPanel(int width, const QString& widest, QWidget* parent) : QWidget(parent) {
    QFont fitting = font();
    while (fitting.pointSizeF() > 6 &&
           QFontMetrics(fitting).horizontalAdvance(widest) > width - 2 * kTextLeft)
        fitting.setPointSizeF(fitting.pointSizeF() - 0.5);
    setFont(fitting);
    setFixedSize(width, fontMetrics().height() + 6);
    setAttribute(Qt::WA_OpaquePaintEvent);
    Render();
}

void StatusPanel::SetText(const QString& text) {
    if (text == text_)
        return;
    text_ = text;
    setAccessibleName(text);
    Render();
    update();
}

void StatusPanel::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange || event->type() == QEvent::PaletteChange ||
        event->type() == QEvent::StyleChange) {
        glyphs_.clear();
        background_ = QImage();
        setFixedHeight(fontMetrics().height() + 6);
        Render();
        update();
    }
    QWidget::changeEvent(event);
}

const QImage& StatusPanel::Glyph(QChar c) {
    auto it = glyphs_.find(c);
    if (it != glyphs_.end())
        return *it;
    const QFontMetrics metrics = fontMetrics();
    const qreal ratio = devicePixelRatioF();
    const int advance = std::max(1, metrics.horizontalAdvance(c));
    QImage glyph(qCeil(advance * ratio), qCeil(metrics.height() * ratio), QImage::Format_RGB32);
    glyph.setDevicePixelRatio(ratio);
    glyph.fill(palette().color(QPalette::Window));
    QPainter painter(&glyph);
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(QPointF(0, metrics.ascent()), QString(c));
    painter.end();
    return *glyphs_.insert(c, glyph);
}

void StatusPanel::Render() {
    const qreal ratio = devicePixelRatioF();
    if (background_.size() != size() * ratio) {
        background_ = QImage(size() * ratio, QImage::Format_RGB32);
        background_.setDevicePixelRatio(ratio);
        background_.fill(palette().color(QPalette::Window));
        QPainter frame(&background_);
        qDrawShadePanel(&frame, rect(), palette(), true, 1);
    }
    rendered_ = background_.copy();
    rendered_.setDevicePixelRatio(ratio);
    const QRect textArea = rect().adjusted(2, 1, -2, -1);
    const int top = (height() - fontMetrics().height()) / 2;
    if (NeedsLayout(text_)) {
        QPainter painter(&rendered_);
        painter.setClipRect(textArea);
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(QPointF(kTextLeft, top + fontMetrics().ascent()), text_);
        return;
    }
    // Copy the cached characters side by side, cut at the text area.
    const int right = qRound((textArea.right() + 1) * ratio); // exclusive
    const int bottom = qRound((textArea.bottom() + 1) * ratio);
    int x = qRound(kTextLeft * ratio);
    const int y = qRound(top * ratio);
    for (QChar c : text_) {
        if (x >= right)
            break;
        const QImage& glyph = Glyph(c);
        const int w = std::min(glyph.width(), right - x);
        const int h = std::min(glyph.height(), bottom - y);
        for (int row = 0; row < h; ++row)
            std::copy_n(reinterpret_cast<const QRgb*>(glyph.constScanLine(row)), w,
                        reinterpret_cast<QRgb*>(rendered_.scanLine(y + row)) + x);
        x += glyph.width();
    }
}

void StatusPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, rendered_);
}
