// libFuzzer target: reads any bytes as a picture, the way Open does (ReadPicture over a buffer,
// then the conversion to 24-bit colour). Refusals are the expected outcome for most inputs; a
// crash, a sanitizer report, a hang, a leak or an allocation beyond -malloc_limit_mb is a fault.
#include "platform/EditorError.h"
#include "platform/PictureFiles.h"
#include "platform/TBitmap.h"

#include <QBuffer>
#include <QCoreApplication>
#include <cstddef>
#include <cstdint>

namespace {

// A lower pixel bound than the editor's keeps every run fast (4 Mpixels, 16 MB a picture); the
// code paths are the same. An allocation past it is a fault that -malloc_limit_mb catches.
constexpr std::int64_t kMaxFuzzPixels = std::int64_t{1} << 22;

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    // Qt finds its image format plugins through the application's library paths.
    static QCoreApplication application(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    try {
        TBitmap picture;
        picture.AssignImage(ReadPicture(buffer, kMaxFuzzPixels));
    } catch (const EditorError&) {
        // refused: fine
    }
    return 0;
}
