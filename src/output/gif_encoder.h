// GIF files from indexed images: LZW through giflib, or a literal-code ("RLE") stream.
#pragma once

#include <cstdint>
#include <vector>

#include "output/color_reduction.h"
#include "output/encode_result.h"
#include "output/raster_image.h"

namespace korvel {

struct GifOptions {
    bool lzw = true;  // "GIFComp": true LZW, false RLE
    ColorReduction reduction = ColorReduction::Optimal256;  // "GIFSubColor"
    DitherMode dither = DitherMode::Nearest;                // "GIFDith"
};

// Writes the indexed image as a GIF89a with one frame and a global colour table padded to a
// power of two.
EncodeResult EncodeGif(const IndexedImage& image, bool lzw, std::vector<uint8_t>& out);
// Reduces the colours as the options say, then writes the GIF.
EncodeResult EncodeGif(const ImageView& image, const GifOptions& options, std::vector<uint8_t>& out);

}  // namespace korvel
