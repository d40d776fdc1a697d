// Windows bitmap files: 24 bits per pixel, or 1, 4 or 8 bits with a palette.
#pragma once

#include <cstdint>
#include <vector>

#include "output/encode_result.h"
#include "output/raster_image.h"

namespace korvel {

// A 24-bit BMP (bottom-up rows padded to four bytes).
EncodeResult EncodeBmp(const ImageView& image, std::vector<uint8_t>& out);
// A palette BMP: 1 bit for two colours (the two-colour mode), else 4 or 8 bits.
EncodeResult EncodeBmp(const IndexedImage& image, std::vector<uint8_t>& out);

}  // namespace korvel
