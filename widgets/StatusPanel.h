// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// One fixed-size panel of the status bar showing a line of text. The panels follow every mouse
// move, so a new text must cost little: the panel is composed into an image from a cache of
// rendered characters, and a repaint is one copy of that image.
#pragma once

#include <QHash>
#include <QImage>
#include <QWidget>

class StatusPanel : public QWidget {
    Q_OBJECT
public:
    // widest: a text that must fit; the panel's font shrinks (down to 6 points) until it does.
    StatusPanel(int width, const QString& widest, QWidget* parent = nullptr);
    const QString& Text() const { return text_; }
    void SetText(const QString& text);
    // The panel as it is shown.
    const QImage& Rendered() const { return rendered_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // A character rendered on the panel's background, as wide as its advance.
    const QImage& Glyph(QChar c);
    void Render();

    QString text_;
    QImage background_; // the empty panel: face colour and sunken frame
    QImage rendered_;
    QHash<QChar, QImage> glyphs_;
};
