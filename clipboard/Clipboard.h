// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// The system clipboard: the whole picture goes out as an image that other programs can read
// (image/png, image/bmp, ... on X11), and an image another program offers comes in.
#pragma once

#include <QImage>
#include <cstdint>
#include <optional>

class TBitmap;

// What the editor asks of the system clipboard; replaceable so that a refused write can be
// tested.
class IClipboard {
public:
    virtual ~IClipboard() = default;
    // Offers the image to other programs; false when the clipboard did not take it.
    virtual bool PutImage(const QImage& image) = 0;
    // The image on the clipboard, decoded within the bitmap bounds; nothing when there is no
    // image. Another program's image is read from the bytes it offers (BMP, PNG, JPEG, GIF), and
    // one it lists but does not hand over, or that cannot be read, throws EditorError with the
    // reason (ReadOfferedImage); this program's own copy is the image it put there.
    virtual std::optional<QImage> GetImage() = 0;
};

IClipboard& Clipboard();
// Installs an implementation (nullptr restores the system one); returns the previous one.
IClipboard* SetClipboard(IClipboard* clipboard);

// Puts the graphic on the clipboard; when the clipboard refuses it, shows the error box
// "Не могу записать в Clipboard" and returns false.
bool PutToClipboard(const TBitmap& Graphic);

// Draws the clipboard's image opaquely at (X, Y) at its own size, cut at the bitmap's edges (the
// bitmap keeps its size); false, and nothing shown, when the clipboard holds no image. An image
// that another program lists but does not hand over, or that cannot be read, throws EditorError
// before anything is drawn. Another program's transparent pixels come out as on white paper.
bool DrawFromClipboard(std::int32_t X, std::int32_t Y, TBitmap& Bitmap);
