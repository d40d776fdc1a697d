// PNG through libpng and libdeflate: a zlib level, an optional transparent colour (tRNS) and Adam7 interlacing.
#pragma once

#include <cstdint>
#include <vector>

#include "output/encode_result.h"
#include "output/raster_image.h"

namespace korvel {

struct PngOptions {
    int compression = -1;  // "PNGComp": 0 none, -1 zlib's default, 1 fastest, 9 best
    bool interlaced = false;  // "PNGInlc"
    bool transparent = false;  // "PNGTrans": `transparentColor` becomes transparent (tRNS)
    uint32_t transparentColor = 0x00FFFFFF;  // 0x00BBGGRR, the background colour
};

// Appends the PNG file to `out`. A 24-bit view becomes an RGB PNG, an indexed image a palette
// PNG of 1, 2, 4 or 8 bits.
EncodeResult EncodePng(const ImageView& image, const PngOptions& options, std::vector<uint8_t>& out);
// The same using the rows `ahead` was handed while the picture was drawn (png_parts.h); null: none.
class PngRowsAhead;
EncodeResult EncodePng(const ImageView& image, const PngOptions& options, std::vector<uint8_t>& out,
                       PngRowsAhead* ahead);
EncodeResult EncodePng(const IndexedImage& image, const PngOptions& options,
                       std::vector<uint8_t>& out);

}  // namespace korvel
