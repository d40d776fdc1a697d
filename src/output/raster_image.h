// The pixels the encoders take: a view of rows in one of a few layouts (so that a painted QImage
// is encoded without a copy), and an indexed image with its palette for GIF and two-colour output.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "drawing/colour.h"

namespace korvel {

enum class PixelLayout : uint8_t {
    Rgb24,   // R, G, B bytes
    Bgrx32,  // B, G, R, unused: QImage::Format_RGB32 / ARGB32 on a little-endian machine
};

// Rows top to bottom, `stride` bytes apart. The view does not own the pixels.
struct ImageView {
    const uint8_t* data = nullptr;
    int width = 0;
    int height = 0;
    ptrdiff_t stride = 0;
    PixelLayout layout = PixelLayout::Rgb24;

    bool empty() const { return width <= 0 || height <= 0 || data == nullptr; }
    const uint8_t* row(int y) const { return data + stride * y; }
    int bytesPerPixel() const { return layout == PixelLayout::Rgb24 ? 3 : 4; }
    // The pixel at (x, y) as 0x00BBGGRR.
    uint32_t colorAt(int x, int y) const {
        const uint8_t* p = row(y) + static_cast<ptrdiff_t>(x) * bytesPerPixel();
        if (layout == PixelLayout::Rgb24) return MakeColor(p[0], p[1], p[2]);
        return MakeColor(p[2], p[1], p[0]);
    }
};

// A 24-bit image that owns its pixels.
struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;  // width * height * 3 bytes

    RgbImage() = default;
    RgbImage(int w, int h, uint32_t fill = 0x00FFFFFF);
    uint8_t* row(int y) { return rgb.data() + static_cast<size_t>(y) * width * 3; }
    void set(int x, int y, uint32_t color);  // 0x00BBGGRR
    ImageView view() const {
        return {rgb.data(), width, height, static_cast<ptrdiff_t>(width) * 3, PixelLayout::Rgb24};
    }
};

// One palette index per pixel, rows top to bottom without padding; the palette holds at most 256
// colours as 0x00BBGGRR.
struct IndexedImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> indices;
    std::vector<uint32_t> palette;

    const uint8_t* row(int y) const { return indices.data() + static_cast<size_t>(y) * width; }
    uint8_t* row(int y) { return indices.data() + static_cast<size_t>(y) * width; }
    // Bits per index a file needs for this palette: 1, 2, 4 or 8.
    int bitsPerIndex() const;
};

}  // namespace korvel
