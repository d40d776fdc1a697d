// Owning images for the encoders.
#include "output/raster_image.h"

namespace korvel {

RgbImage::RgbImage(int w, int h, uint32_t fill) : width(w), height(h) {
    rgb.resize(static_cast<size_t>(w > 0 ? w : 0) * (h > 0 ? h : 0) * 3);
    for (size_t i = 0; i + 2 < rgb.size(); i += 3) {
        rgb[i] = RedOf(fill);
        rgb[i + 1] = GreenOf(fill);
        rgb[i + 2] = BlueOf(fill);
    }
}

void RgbImage::set(int x, int y, uint32_t color) {
    uint8_t* p = row(y) + static_cast<size_t>(x) * 3;
    p[0] = RedOf(color);
    p[1] = GreenOf(color);
    p[2] = BlueOf(color);
}

int IndexedImage::bitsPerIndex() const {
    if (palette.size() <= 2) return 1;
    if (palette.size() <= 4) return 2;
    if (palette.size() <= 16) return 4;
    return 8;
}

}  // namespace korvel
