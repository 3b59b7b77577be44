// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// An image that another program offers on the clipboard, read from the bytes it sends.
#pragma once

#include "platform/Limits.h"

#include <QImage>
#include <cstdint>
#include <optional>

class QMimeData;

// The image in the first of image/bmp, image/x-bmp, image/x-MS-bmp, image/png, image/jpeg and
// image/gif that the offer lists and whose bytes ReadPicture reads within the bounds (and
// maxPixels); nothing when the offer lists none of them. BMP comes first: other programs make it
// in a fraction of the time a PNG takes them, and Qt waits for each answer 5 s at most. The list
// of formats is asked for once and only listed formats are asked for. A request that comes back
// empty (on X11, perhaps not in time) ends the search, so that a paste waits once at most.
// Throws EditorError, with a text for the user, when a picture was listed but none came (the
// first empty answer) or none could be read (the first reason).
// The image keeps the format it was read in: the memory check before decoding counts on its
// being made 24-bit colour a strip at a time, as DrawFromClipboard does.
std::optional<QImage> ReadOfferedImage(const QMimeData& offer,
                                       std::int64_t maxPixels = kMaxBitmapPixels);
