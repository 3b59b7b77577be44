// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// Colours of the editor's state: 0x00BBGGRR, red in the low byte, as colour dialogs report them.
// Pixels are QRgb (0xAARRGGBB); convert only at the edge.
#pragma once

#include <QColor>
#include <QRgb>
#include <cstdint>

using TColor = std::uint32_t;

constexpr TColor clBlack = 0x000000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clRed = 0x0000FF;

// Opaque pixel of a TColor; the fourth byte of an RGB32 pixel is always 0xFF.
constexpr QRgb ToQRgb(TColor c) {
    return 0xFF000000u | ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
}

constexpr TColor FromQRgb(QRgb p) {
    return ((p >> 16) & 0xFFu) | (p & 0xFF00u) | ((p & 0xFFu) << 16);
}

inline QColor ToQColor(TColor c) {
    return QColor::fromRgb(ToQRgb(c));
}

inline TColor FromQColor(const QColor& c) {
    return FromQRgb(c.rgb());
}
