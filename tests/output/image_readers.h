// Independent readers for the files the encoders write: the libraries' own read sides, so that a
// test checks what another program would see.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace korvel::test {

struct DecodedImage {
    bool ok = false;
    std::string error;
    int width = 0;
    int height = 0;
    int bitDepth = 0;       // per channel (PNG), per index (palette PNG, GIF, BMP)
    int colorType = -1;     // PNG colour type
    bool interlaced = false;  // PNG Adam7 / GIF interlace
    bool progressive = false;  // JPEG
    int components = 0;     // JPEG
    int paletteSize = 0;
    bool hasTransparency = false;  // PNG tRNS
    uint32_t transparentColor = 0;  // 0x00BBGGRR for an RGB tRNS
    std::vector<uint8_t> paletteAlpha;  // a palette tRNS: the alpha of each entry it names
    std::vector<uint32_t> pixels;  // 0x00BBGGRR, rows top to bottom
    uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

DecodedImage ReadPng(const std::vector<uint8_t>& bytes);
DecodedImage ReadJpeg(const std::vector<uint8_t>& bytes);
DecodedImage ReadGif(const std::vector<uint8_t>& bytes);

}  // namespace korvel::test
