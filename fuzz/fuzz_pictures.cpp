// libFuzzer target: the built-in picture decoders (BMP by hand, PNG, JPEG and GIF through their
// libraries) at full size and reduced. The first byte picks the format and the drawn size.
#include <cstddef>
#include <cstdint>

#include "render/picture_decoders.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace korvel;
    if (size < 1) return 0;
    static const BuiltInFormat formats[4] = {BuiltInFormat::Bmp, BuiltInFormat::Png, BuiltInFormat::Jpeg,
                                             BuiltInFormat::Gif};
    const BuiltInFormat format = formats[data[0] & 3];
    DecodeRequest request;
    if (data[0] & 4) {
        request.drawnWidth = 1 + ((data[0] >> 3) & 7);
        request.drawnHeight = 1 + (data[0] >> 6);
    }
    // Small enough that libFuzzer's memory limit is never the one that refuses a picture.
    request.pixelAllowance = 16'000'000;
    RasterImage image;
    const DecodeOutcome outcome = DecodeBuiltIn(format, data + 1, size - 1, image, request);
    if (outcome.status == DecodeStatus::Decoded) {
        // A decoded picture has pixels, all of them.
        if (image.empty() || image.pixels.size() != size_t(image.width) * size_t(image.height)) __builtin_trap();
        if (outcome.reduction < 1) __builtin_trap();
    } else if (!image.pixels.empty() || (outcome.status == DecodeStatus::Failed && outcome.message.empty())) {
        __builtin_trap();  // a failure leaves no pixels and says why
    }
    return 0;
}
