// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// Bounds on the size of pictures and bitmaps, applied wherever one is made or loaded.
#pragma once

#include <cstdint>

// The largest side of a bitmap, in pixels.
constexpr std::int32_t kMaxBitmapSide = 65535;
// The largest bitmap, in pixels: 2^28 pixels take 1 GiB at four bytes a pixel.
constexpr std::int64_t kMaxBitmapPixels = std::int64_t{1} << 28;

// Coordinates handed to the drawing operations are clamped to +-kMaxCoordinate. Real pointer
// positions never come near it; the bound keeps the rasteriser's error terms within 64 bits.
constexpr std::int32_t kMaxCoordinate = 1 << 18;
