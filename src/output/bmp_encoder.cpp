// BITMAPFILEHEADER + BITMAPINFOHEADER, little-endian; 96 dpi like a screen bitmap.
#include "output/bmp_encoder.h"
#include "output/little_endian.h"

#include <algorithm>
#include <string>

namespace korvel {

namespace {

constexpr uint32_t kHeaderBytes = 14 + 40;
constexpr int32_t kPixelsPerMetre = 3780;  // 96 dpi

// Row size padded to four bytes, or 0 when the file would not fit the format's 32-bit sizes.
uint64_t paddedRowBytes(int width, int bits) {
    return ((static_cast<uint64_t>(width) * bits + 31) / 32) * 4;
}

bool writeHeaders(std::vector<uint8_t>& out, int width, int height, int bits, uint32_t paletteSize,
                  uint64_t rowBytes, std::string& error) {
    const uint64_t imageBytes = rowBytes * static_cast<uint64_t>(height);
    const uint64_t offset = kHeaderBytes + 4ull * paletteSize;
    if (offset + imageBytes > 0xFFFFFFFFull) {
        error = "the image is too large for a BMP file";
        return false;
    }
    out.reserve(out.size() + offset + imageBytes);
    out.push_back('B');
    out.push_back('M');
    put32(out, static_cast<uint32_t>(offset + imageBytes));
    put32(out, 0);
    put32(out, static_cast<uint32_t>(offset));
    put32(out, 40);
    put32(out, static_cast<uint32_t>(width));
    put32(out, static_cast<uint32_t>(height));  // positive: bottom-up rows
    put16(out, 1);
    put16(out, static_cast<uint16_t>(bits));
    put32(out, 0);  // BI_RGB
    put32(out, static_cast<uint32_t>(imageBytes));
    put32(out, kPixelsPerMetre);
    put32(out, kPixelsPerMetre);
    put32(out, paletteSize);
    put32(out, 0);
    return true;
}

}  // namespace

EncodeResult EncodeBmp(const ImageView& image, std::vector<uint8_t>& out) {
    if (image.empty()) return EncodeResult::failure("the image is empty");
    const uint64_t rowBytes = paddedRowBytes(image.width, 24);
    std::string error;
    if (!writeHeaders(out, image.width, image.height, 24, 0, rowBytes, error))
        return EncodeResult::failure(error);
    const int bpp = image.bytesPerPixel();
    const bool rgb = image.layout == PixelLayout::Rgb24;
    std::vector<uint8_t> row(rowBytes, 0);
    for (int y = image.height - 1; y >= 0; --y) {
        const uint8_t* src = image.row(y);
        for (int x = 0; x < image.width; ++x, src += bpp) {
            uint8_t* dst = row.data() + static_cast<size_t>(x) * 3;  // B, G, R
            dst[0] = rgb ? src[2] : src[0];
            dst[1] = src[1];
            dst[2] = rgb ? src[0] : src[2];
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    return EncodeResult::success();
}

EncodeResult EncodeBmp(const IndexedImage& image, std::vector<uint8_t>& out) {
    if (image.width <= 0 || image.height <= 0 || image.palette.empty())
        return EncodeResult::failure("the image is empty");
    if (image.palette.size() > 256) return EncodeResult::failure("the palette has over 256 colours");
    // BMP knows 1, 4 and 8 bits per index; two bits round up to four.
    const int bits = image.palette.size() <= 2 ? 1 : image.palette.size() <= 16 ? 4 : 8;
    const uint64_t rowBytes = paddedRowBytes(image.width, bits);
    std::string error;
    if (!writeHeaders(out, image.width, image.height, bits,
                      static_cast<uint32_t>(image.palette.size()), rowBytes, error))
        return EncodeResult::failure(error);
    for (uint32_t c : image.palette) {
        out.push_back(BlueOf(c));
        out.push_back(GreenOf(c));
        out.push_back(RedOf(c));
        out.push_back(0);
    }
    const int perByte = 8 / bits;
    std::vector<uint8_t> row(rowBytes, 0);
    for (int y = image.height - 1; y >= 0; --y) {
        std::fill(row.begin(), row.end(), 0);
        const uint8_t* src = image.row(y);
        for (int x = 0; x < image.width; ++x) {
            const int shift = 8 - bits * (x % perByte + 1);
            row[x / perByte] |= static_cast<uint8_t>((src[x] & ((1 << bits) - 1)) << shift);
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    return EncodeResult::success();
}

}  // namespace korvel
