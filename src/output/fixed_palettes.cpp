// Fixed palettes: built once by rule rather than listed, except the twenty static colours.
#include "output/fixed_palettes.h"

#include <algorithm>

#include "output/raster_image.h"

namespace korvel {

std::vector<uint32_t> Windows20Palette() {
    // The first ten and the last ten entries of the Windows default palette, as R, G, B.
    static const uint8_t rgb[20][3] = {
        {0x00, 0x00, 0x00}, {0x80, 0x00, 0x00}, {0x00, 0x80, 0x00}, {0x80, 0x80, 0x00},
        {0x00, 0x00, 0x80}, {0x80, 0x00, 0x80}, {0x00, 0x80, 0x80}, {0xC0, 0xC0, 0xC0},
        {0xC0, 0xDC, 0xC0}, {0xA6, 0xCA, 0xF0}, {0xFF, 0xFB, 0xF0}, {0xA0, 0xA0, 0xA4},
        {0x80, 0x80, 0x80}, {0xFF, 0x00, 0x00}, {0x00, 0xFF, 0x00}, {0xFF, 0xFF, 0x00},
        {0x00, 0x00, 0xFF}, {0xFF, 0x00, 0xFF}, {0x00, 0xFF, 0xFF}, {0xFF, 0xFF, 0xFF}};
    std::vector<uint32_t> palette;
    for (const auto& c : rgb) palette.push_back(MakeColor(c[0], c[1], c[2]));
    return palette;
}

std::vector<uint32_t> Web216Palette() {
    std::vector<uint32_t> palette;
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b) palette.push_back(MakeColor(r * 0x33, g * 0x33, b * 0x33));
    return palette;
}

std::vector<uint32_t> Halftone256Palette() {
    std::vector<uint32_t> palette = Web216Palette();
    auto addNew = [&palette](uint32_t c) {
        if (palette.size() < 256 && std::find(palette.begin(), palette.end(), c) == palette.end())
            palette.push_back(c);
    };
    for (uint32_t c : Windows20Palette()) addNew(c);
    // The rest is a grey ramp between the cube's grey steps.
    for (int i = 1; palette.size() < 256 && i < 255; ++i) {
        const int level = (i * 255) / 29;
        if (level > 0 && level < 255) addNew(MakeColor(level, level, level));
        if (i >= 28) break;
    }
    for (int level = 8; palette.size() < 256 && level < 255; level += 8)
        addNew(MakeColor(level, level, level));
    return palette;
}

std::vector<uint32_t> Grey4Palette() {
    return {MakeColor(0, 0, 0), MakeColor(0x80, 0x80, 0x80), MakeColor(0xC0, 0xC0, 0xC0),
            MakeColor(0xFF, 0xFF, 0xFF)};
}

std::vector<uint32_t> BlackWhitePalette() { return {MakeColor(0, 0, 0), MakeColor(255, 255, 255)}; }

std::vector<uint32_t> Grey256Palette() {
    std::vector<uint32_t> palette;
    for (int i = 0; i < 256; ++i) palette.push_back(MakeColor(i, i, i));
    return palette;
}

}  // namespace korvel
