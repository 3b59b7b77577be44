// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// An image that another program offers on the clipboard, read from the bytes it sends.
#pragma once

#include "system/Limits.h"

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
// A BMP without alpha of at most kPngAfterBmpPixels is followed by a request for the PNG, where
// the offer lists one: programs flatten a transparent picture on black in their BMP. The PNG's
// picture, if it comes and is as large, is taken instead; otherwise the BMP's.
// Throws EditorError, with a text for the user, when a picture was listed but none came (the
// first empty answer) or none could be read (the first reason): a damaged picture, one too large
// with the editor's limits and what to do, or another reason.
// The image keeps the format it was read in: the memory check before decoding counts on its
// being made 24-bit colour a strip at a time, as DrawFromClipboard does.
std::optional<QImage> ReadOfferedImage(const QMimeData& offer,
                                       std::int64_t maxPixels = kMaxBitmapPixels);

// Qt's PNG writer, the slowest of the programs that offer both formats, makes the PNG of a photo
// of this size in about a quarter of a second (1280 x 720: 0.24 s; 6000 x 4500: 5.1 s, longer
// than Qt waits): larger pictures keep their BMP.
constexpr std::int64_t kPngAfterBmpPixels = std::int64_t{1} << 20;
