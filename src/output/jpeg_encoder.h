// JPEG through libjpeg: quality 1 to 100, baseline or progressive.
#pragma once

#include <cstdint>
#include <vector>

#include "output/encode_result.h"
#include "output/raster_image.h"

namespace korvel {

struct JpegOptions {
    int quality = 75;  // "JpegValue", clamped to 1..100
    bool progressive = false;  // "JpegPrgrs"
};

EncodeResult EncodeJpeg(const ImageView& image, const JpegOptions& options,
                        std::vector<uint8_t>& out);
// A palette image is written through its colours as a 24-bit JPEG.
EncodeResult EncodeJpeg(const IndexedImage& image, const JpegOptions& options,
                        std::vector<uint8_t>& out);

}  // namespace korvel
