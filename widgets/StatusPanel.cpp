// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

#include "widgets/StatusPanel.h"

#include <QEvent>
#include <QFontInfo>
#include <QPainter>
#include <QtMath>
#include <algorithm>
#include <cmath>
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

// The size the panel's font takes: going down from the widget's own size in steps of half a point,
// the first at which the widest text fits, or the first at 6 points or below. Each size costs Qt a
// font engine of its own (a few hundred microseconds at start-up), so the sizes are not tried one
// by one: the text's advance grows with the size, so the size where the advance at the full size,
// scaled down, fits is tried first, and from there the neighbours until the one above does not fit.
// The panels of a status bar ask the same question: the last answer is kept.
qreal FittingPointSize(const QFont& font, int room, const QString& widest) {
    static QString lastKey;
    static qreal lastSize = 0;
    // The pixel size stands for the screen's resolution, which the advances depend on too.
    const QString key = QStringLiteral("%1|%2|%3|%4")
                            .arg(font.key())
                            .arg(QFontInfo(font).pixelSize())
                            .arg(room)
                            .arg(widest);
    if (key == lastKey)
        return lastSize;
    const qreal full = font.pointSizeF();
    auto advance = [&](int steps) {
        QFont f = font;
        f.setPointSizeF(full - 0.5 * steps);
        return QFontMetrics(f).horizontalAdvance(widest);
    };
    // Steps down to the last size tried, at 6 points or below.
    const int floor = full > 6 ? static_cast<int>(std::ceil((full - 6) / 0.5)) : 0;
    int steps = 0;
    const int fullAdvance = floor > 0 ? advance(0) : 0;
    if (fullAdvance > room) {
        const qreal scaled = full * room / fullAdvance;
        steps = std::clamp(static_cast<int>(std::ceil((full - scaled) / 0.5)), 1, floor);
        while (steps < floor && advance(steps) > room)
            ++steps;
        while (steps > 1 && advance(steps - 1) <= room)
            --steps;
    }
    lastKey = key;
    lastSize = full - 0.5 * steps;
    return lastSize;
}

} // namespace

StatusPanel::StatusPanel(int width, const QString& widest, QWidget* parent) : QWidget(parent) {
    QFont fitting = font();
    fitting.setPointSizeF(FittingPointSize(fitting, width - 2 * kTextLeft, widest));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFixedWidth(width);
    if (fitting == font()) {
        setFixedHeight(fontMetrics().height() + 6);
        Render();
    } else {
        setFont(fitting); // the change of font sets the height and renders (changeEvent)
    }
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
