// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

#include "widgets/PictureLabel.h"

#include "canvas/TImage.h"

#include <QPaintEvent>
#include <QPainter>

PictureLabel::PictureLabel(TImage* image)
    : QWidget(image), image_(image), color_(palette().color(QPalette::WindowText)) {
    setAttribute(Qt::WA_OpaquePaintEvent); // it paints every pixel itself
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void PictureLabel::SetCaption(const QString& caption) {
    if (caption == caption_)
        return;
    caption_ = caption;
    setAccessibleName(caption);
    update();
}

void PictureLabel::SetTextColor(const QColor& color) {
    color_ = color;
    update();
}

void PictureLabel::SetAlignment(Qt::Alignment alignment) {
    alignment_ = alignment & Qt::AlignHorizontal_Mask;
    update();
}

void PictureLabel::DrawText(QImage& image, const QPoint& origin) const {
    QPainter painter(&image);
    QFont f = font();
    // Grey antialiasing only: coloured subpixels would depend on the surface drawn on.
    f.setStyleStrategy(QFont::StyleStrategy(f.styleStrategy() | QFont::NoSubpixelAntialias));
    painter.setFont(f);
    painter.setPen(color_);
    painter.translate(-origin);
    const QRect label = rect();
    painter.setClipRect(label);
    painter.drawText(label, int(alignment_) | Qt::AlignTop | Qt::TextWordWrap, caption_);
}

QImage PictureLabel::Composed(const QRect& part) const {
    QImage composed = image_->Picture().Image().copy(part.translated(pos()));
    if (composed.isNull()) { // an empty picture: nothing under the label
        composed = QImage(part.size(), QImage::Format_RGB32);
        composed.fill(Qt::black);
    }
    DrawText(composed, part.topLeft());
    return composed;
}

void PictureLabel::DrawTextOnto(TBitmap& bitmap, const TRect& area) const {
    // Only the part inside the bitmap is drawn; the text keeps its place in the whole area.
    const TRect part = area.Intersected(bitmap.BoundsRect());
    if (part.IsEmpty())
        return;
    TBitmap text(part.Width(), part.Height());
    text.Canvas().CopyRect(text.BoundsRect(), bitmap.Canvas(), part);
    DrawText(text.MutableImage(), QPoint(part.left - area.left, part.top - area.top));
    bitmap.Canvas().CopyRect(part, text.Canvas(), text.BoundsRect());
}

void PictureLabel::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QRect part = event->rect();
    painter.drawImage(part.topLeft(), Composed(part));
}
