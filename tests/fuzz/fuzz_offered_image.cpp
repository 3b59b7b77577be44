// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// libFuzzer target: reads what another program offers through the clipboard, the way Paste does
// (ReadOfferedImage, then the conversion to 24-bit colour). The offer is made of the input as
// fuzzing::Offer says; besides the faults that fuzz_read_picture finds, a request that Paste
// must not make is one.
#include "FuzzSupport.h"
#include "canvas/TBitmap.h"
#include "clipboard/OfferedImage.h"
#include "system/EditorError.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fuzzing::Offer offer(
        QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    try {
        if (const std::optional<QImage> image = ReadOfferedImage(offer, fuzzing::kMaxPixels)) {
            TBitmap picture;
            picture.AssignImage(*image);
        }
    } catch (const EditorError&) {
        // listed but not handed over, or refused: fine
    }
    return 0;
}
