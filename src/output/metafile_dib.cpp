#include "output/metafile_dib.h"
#include "output/little_endian.h"

namespace korvel {

namespace {
uint8_t overWhite(uint32_t channel, uint32_t alpha) {
    return static_cast<uint8_t>((channel * alpha + 255 * (255 - alpha) + 127) / 255);
}
}  // namespace

Dib MakeDib(const RasterImage& picture) {
    Dib dib;
    if (picture.empty() ||
        picture.pixels.size() < static_cast<size_t>(picture.width) * picture.height)
        return dib;
    const size_t rowBytes = (static_cast<size_t>(picture.width) * 3 + 3) & ~size_t(3);
    put32(dib.info, 40);
    put32(dib.info, static_cast<uint32_t>(picture.width));
    put32(dib.info, static_cast<uint32_t>(picture.height));
    put16(dib.info, 1);
    put16(dib.info, 24);
    put32(dib.info, 0);  // BI_RGB
    put32(dib.info, static_cast<uint32_t>(rowBytes * picture.height));
    put32(dib.info, 3780);
    put32(dib.info, 3780);
    put32(dib.info, 0);
    put32(dib.info, 0);
    dib.pixels.assign(rowBytes * picture.height, 0);
    for (int y = 0; y < picture.height; ++y) {
        const uint32_t* src = picture.pixels.data() + static_cast<size_t>(y) * picture.width;
        uint8_t* dst = dib.pixels.data() + rowBytes * (picture.height - 1 - y);
        for (int x = 0; x < picture.width; ++x) {
            const uint32_t p = src[x], a = p >> 24;
            dst[x * 3] = overWhite(p & 0xFF, a);
            dst[x * 3 + 1] = overWhite((p >> 8) & 0xFF, a);
            dst[x * 3 + 2] = overWhite((p >> 16) & 0xFF, a);
        }
    }
    return dib;
}

}  // namespace korvel
