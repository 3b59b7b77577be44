// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// PNG, JPEG and GIF: the bytes Qt is given, checked against what they declare, the bounds and the
// memory left before Qt reads them.
#pragma once

#include "files/PictureFiles.h"

#include <QByteArray>
#include <cstdint>

class QIODevice;

namespace pictures {

// The bytes of a PNG, JPEG or GIF that Qt is to read, or with `memory` given only what reading
// them takes.
QByteArray Prepare(const QByteArray& format, QIODevice& device, std::int64_t maxPixels,
                   Conversion conversion, std::int64_t* memory);

} // namespace pictures
