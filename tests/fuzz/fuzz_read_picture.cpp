// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// libFuzzer target: reads any bytes as a picture, the way Open does (ReadPicture over a buffer,
// then the conversion to 24-bit colour). Refusals are the expected outcome for most inputs; a
// crash, a sanitizer report, a hang, a leak or an allocation beyond -malloc_limit_mb is a fault.
#include "FuzzSupport.h"
#include "canvas/TBitmap.h"
#include "files/PictureFiles.h"
#include "system/EditorError.h"

#include <QBuffer>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    try {
        TBitmap picture;
        picture.AssignImage(ReadPicture(buffer, fuzzing::kMaxPixels));
    } catch (const EditorError&) {
        // refused: fine
    }
    return 0;
}
