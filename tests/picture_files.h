// Picture files built by the tests themselves: PNG, JPEG and GIF through the same libraries the
// decoders use, BMP by hand. Pixels are 0xAARRGGBB, rows top to bottom.
#pragma once

#include <gif_lib.h>
#include <png.h>
#include <zlib.h>

#include <cstdio>
// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace korvel::test {

// The gzip form of `data`, as Jw_cad 8 keeps embedded pictures.
inline std::vector<uint8_t> gzipped(const std::vector<uint8_t>& data) {
    z_stream z{};
    deflateInit2(&z, 9, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
    std::vector<uint8_t> out(deflateBound(&z, data.size()) + 32);
    z.next_in = const_cast<Bytef*>(data.data());
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

inline void putU16(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    b[at] = v & 0xFF;
    b[at + 1] = (v >> 8) & 0xFF;
}
inline void putU32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = (v >> (8 * i)) & 0xFF;
}

// A PNG of the given colour type and depth; `samples` are raw row samples (already packed for
// depths below 8, big-endian for 16), as libpng writes them.
inline std::vector<uint8_t> makePngRaw(int width, int height, int colorType, int depth,
                                       const std::vector<uint8_t>& samples, int interlace = 0,
                                       const std::vector<png_color>& palette = {},
                                       const std::vector<uint8_t>& trns = {}) {
    std::vector<uint8_t> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(
        png, &out,
        [](png_structp p, png_bytep data, png_size_t n) {
            auto* v = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(p));
            v->insert(v->end(), data, data + n);
        },
        nullptr);
    png_set_IHDR(png, info, width, height, depth, colorType,
                 interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (!palette.empty()) png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
    if (!trns.empty()) png_set_tRNS(png, info, trns.data(), static_cast<int>(trns.size()), nullptr);
    png_write_info(png, info);
    const size_t rowBytes = samples.size() / height;
    std::vector<png_bytep> rows(height);
    for (int y = 0; y < height; ++y) rows[y] = const_cast<png_bytep>(samples.data() + y * rowBytes);
    png_write_image(png, rows.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

// An 8-bit RGBA PNG of 0xAARRGGBB pixels.
inline std::vector<uint8_t> makePng(int width, int height, const std::vector<uint32_t>& pixels) {
    std::vector<uint8_t> samples;
    for (uint32_t p : pixels) {
        samples.push_back((p >> 16) & 0xFF);
        samples.push_back((p >> 8) & 0xFF);
        samples.push_back(p & 0xFF);
        samples.push_back(p >> 24);
    }
    return makePngRaw(width, height, PNG_COLOR_TYPE_RGB_ALPHA, 8, samples);
}

// A baseline JPEG (quality 95) of 0xAARRGGBB pixels, or grey when `grey` is set.
inline std::vector<uint8_t> makeJpeg(int width, int height, const std::vector<uint32_t>& pixels,
                                     bool grey = false) {
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* mem = nullptr;
    unsigned long memSize = 0;
    jpeg_mem_dest(&c, &mem, &memSize);
    c.image_width = width;
    c.image_height = height;
    c.input_components = grey ? 1 : 3;
    c.in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 95, TRUE);
    jpeg_start_compress(&c, TRUE);
    std::vector<uint8_t> row(width * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const uint32_t p = pixels[y * width + x];
            if (grey) {
                row[x] = p & 0xFF;
            } else {
                row[3 * x] = (p >> 16) & 0xFF;
                row[3 * x + 1] = (p >> 8) & 0xFF;
                row[3 * x + 2] = p & 0xFF;
            }
        }
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::vector<uint8_t> out(mem, mem + memSize);
    std::free(mem);
    return out;
}

// A GIF of palette indices; `palette` holds 0x00RRGGBB colours (a power of two of them).
inline std::vector<uint8_t> makeGif(int width, int height, const std::vector<uint8_t>& indices,
                                    const std::vector<uint32_t>& palette, int transparent = -1,
                                    bool interlace = false, int screenWidth = 0, int screenHeight = 0,
                                    int left = 0, int top = 0) {
    std::vector<uint8_t> out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out,
                                [](GifFileType* g, const GifByteType* data, int n) {
                                    auto* v = static_cast<std::vector<uint8_t>*>(g->UserData);
                                    v->insert(v->end(), data, data + n);
                                    return n;
                                },
                                &error);
    std::vector<GifColorType> colors;
    for (uint32_t c : palette)
        colors.push_back({GifByteType((c >> 16) & 0xFF), GifByteType((c >> 8) & 0xFF), GifByteType(c & 0xFF)});
    ColorMapObject* map = GifMakeMapObject(static_cast<int>(colors.size()), colors.data());
    EGifSetGifVersion(gif, true);
    EGifPutScreenDesc(gif, screenWidth ? screenWidth : width, screenHeight ? screenHeight : height, 8, 0, map);
    if (transparent >= 0) {
        GraphicsControlBlock gcb{};
        gcb.DisposalMode = DISPOSAL_UNSPECIFIED;
        gcb.TransparentColor = transparent;
        GifByteType ext[4];
        EGifGCBToExtension(&gcb, ext);
        EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, ext);
    }
    EGifPutImageDesc(gif, left, top, width, height, interlace, nullptr);
    static const int kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < (interlace ? 4 : 1); ++pass) {
        for (int y = interlace ? kStart[pass] : 0; y < height; y += interlace ? kStep[pass] : 1)
            EGifPutLine(gif, const_cast<GifByteType*>(indices.data() + y * width), width);
    }
    EGifCloseFile(gif, &error);
    GifFreeMapObject(map);
    return out;
}

// A BITMAPINFOHEADER bitmap: `rows` are the stored pixel rows (stride-padded) in file order.
inline std::vector<uint8_t> makeBmpRaw(int width, int height, int bits, uint32_t compression,
                                       const std::vector<uint32_t>& palette,
                                       const std::vector<uint8_t>& pixelData) {
    const size_t offset = 14 + 40 + palette.size() * 4;
    std::vector<uint8_t> b(offset + pixelData.size());
    b[0] = 'B';
    b[1] = 'M';
    putU32(b, 2, static_cast<uint32_t>(b.size()));
    putU32(b, 10, static_cast<uint32_t>(offset));
    putU32(b, 14, 40);
    putU32(b, 18, static_cast<uint32_t>(width));
    putU32(b, 22, static_cast<uint32_t>(height));
    putU16(b, 26, 1);
    putU16(b, 28, bits);
    putU32(b, 30, compression);
    putU32(b, 34, static_cast<uint32_t>(pixelData.size()));
    putU32(b, 46, static_cast<uint32_t>(palette.size()));
    for (size_t i = 0; i < palette.size(); ++i) putU32(b, 54 + 4 * i, palette[i]);
    if (!pixelData.empty()) std::memcpy(b.data() + offset, pixelData.data(), pixelData.size());
    return b;
}

// A bottom-up 24-bit bitmap of 0xAARRGGBB pixels (alpha dropped).
inline std::vector<uint8_t> makeBmp24(int width, int height, const std::vector<uint32_t>& pixels) {
    const size_t stride = (width * 3 + 3) / 4 * 4;
    std::vector<uint8_t> data(stride * height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const uint32_t p = pixels[(height - 1 - y) * width + x];
            uint8_t* d = data.data() + y * stride + 3 * x;
            d[0] = p & 0xFF;
            d[1] = (p >> 8) & 0xFF;
            d[2] = (p >> 16) & 0xFF;
        }
    }
    return makeBmpRaw(width, height, 24, 0, {}, data);
}

// Plain file helpers for programs that do not link the test support (benchmarks).
inline void writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}
inline std::vector<uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// `count` pixels of one colour.
inline std::vector<uint32_t> solid(int count, uint32_t argb) { return std::vector<uint32_t>(count, argb); }

}  // namespace korvel::test
