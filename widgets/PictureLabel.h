// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// A word-wrapping text label over a picture, without a background of its own: the text preview.
// It lives on the image control, so it scrolls with the picture. It composes what it shows
// itself: the picture pixels under it at 1:1 with its text drawn over them; drawing the text
// into a bitmap uses the same code, so what lands in a picture is exactly what was shown.
#pragma once

#include "common/Geometry.h"

#include <QImage>
#include <QWidget>

class TBitmap;
class TImage;

class PictureLabel : public QWidget {
    Q_OBJECT
public:
    explicit PictureLabel(TImage* image);

    const QString& Caption() const { return caption_; }
    void SetCaption(const QString& caption);
    QColor TextColor() const { return color_; }
    void SetTextColor(const QColor& color);
    // Left, centre or right; the text always starts at the top.
    Qt::Alignment Alignment() const { return alignment_; }
    void SetAlignment(Qt::Alignment alignment);

    // A part of the label (in its own coordinates) as it is shown: the picture's pixels under it
    // with the text over them; what lies outside the picture is black.
    QImage Composed(const QRect& part) const;
    // Draws the text over area of the bitmap exactly as the label shows it over the picture.
    void DrawTextOnto(TBitmap& bitmap, const TRect& area) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // Draws the text into an image that holds the part of the label starting at origin.
    void DrawText(QImage& image, const QPoint& origin) const;

    TImage* image_;
    QString caption_;
    QColor color_;
    Qt::Alignment alignment_ = Qt::AlignLeft;
};
