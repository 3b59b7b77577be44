// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// An image that another program offers on the clipboard, read from the bytes it sends.
#pragma once

#include "platform/Limits.h"

#include <QImage>
#include <cstdint>
#include <optional>

class QMimeData;

// The image in the first of image/png, image/bmp, image/x-bmp, image/x-MS-bmp, image/jpeg and
// image/gif that the offer lists and whose bytes ReadPicture reads within the bounds (and
// maxPixels); nothing otherwise. The list of formats is asked for once, only listed formats are
// asked for, and the first that comes back empty ends the search: on X11 each request to an owner
// that does not answer waits about 5 s, so that a paste waits once at most.
std::optional<QImage> ReadOfferedImage(const QMimeData& offer,
                                       std::int64_t maxPixels = kMaxBitmapPixels);
