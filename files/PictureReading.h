// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// Inside files/: what the BMP reader (PictureFiles.cpp) gives the checks of PNG, JPEG and GIF
// (PngJpegGif.cpp): the errors of a picture that cannot be read, the bounds, and the decoders'
// small state.
#pragma once

#include "files/PictureFiles.h"

#include <QString>
#include <cstdint>

namespace pictures {

// The small buffers of the decoders (libpng's and zlib's state, libjpeg's tables, the readers'
// buffers) and the stacks of the threads Qt converts with; what grows with a picture is counted
// on its own.
constexpr std::int64_t kDecoderState = std::int64_t{768} << 10;

// "Файл повреждён: why".
PictureError Damaged(const QString& why);
// Damaged: the picture's data ends too soon.
PictureError Truncated();
// A picture of width x height beyond the bounds.
PictureError TooLarge(std::int64_t width, std::int64_t height);
// Whether a picture of width x height lies beyond the bounds of system/Limits.h or maxPixels.
bool Beyond(std::int64_t width, std::int64_t height, std::int64_t maxPixels);

} // namespace pictures
