// Pictures as device-independent bitmaps for the stretch records of EMF and WMF.
#pragma once

#include <cstdint>
#include <vector>

#include "render/render_target.h"

namespace korvel {

struct Dib {
    std::vector<uint8_t> info;    // BITMAPINFOHEADER (40 bytes), no colour table
    std::vector<uint8_t> pixels;  // 24-bit bottom-up rows padded to four bytes
};

// Transparent pixels are laid over white: metafile bitmaps carry no alpha that every reader
// honours.
Dib MakeDib(const RasterImage& picture);

}  // namespace korvel
