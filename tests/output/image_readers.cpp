// The read sides of libpng, libjpeg and giflib, used only by the tests.
#include "image_readers.h"

#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>

namespace korvel::test {

namespace {

struct PngSource {
    const std::vector<uint8_t>* bytes;
    size_t pos = 0;
};

void pngRead(png_structp png, png_bytep out, png_size_t n) {
    auto* src = static_cast<PngSource*>(png_get_io_ptr(png));
    if (src->pos + n > src->bytes->size()) png_error(png, "truncated");
    std::memcpy(out, src->bytes->data() + src->pos, n);
    src->pos += n;
}

uint32_t rgb(int r, int g, int b) { return uint32_t(r) | (uint32_t(g) << 8) | (uint32_t(b) << 16); }

}  // namespace

DecodedImage ReadPng(const std::vector<uint8_t>& bytes) {
    DecodedImage result;
    PngSource src{&bytes};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    std::vector<uint8_t> pixels;
    std::vector<png_bytep> rows;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        result.ok = false;
        result.error = "libpng could not read the file";
        return result;
    }
    png_set_read_fn(png, &src, pngRead);
    png_read_info(png, info);
    result.width = png_get_image_width(png, info);
    result.height = png_get_image_height(png, info);
    result.bitDepth = png_get_bit_depth(png, info);
    result.colorType = png_get_color_type(png, info);
    result.interlaced = png_get_interlace_type(png, info) == PNG_INTERLACE_ADAM7;
    png_colorp palette = nullptr;
    int paletteSize = 0;
    if (png_get_PLTE(png, info, &palette, &paletteSize)) result.paletteSize = paletteSize;
    png_bytep alpha = nullptr;
    int alphaCount = 0;
    png_color_16p trans = nullptr;
    if (png_get_tRNS(png, info, &alpha, &alphaCount, &trans)) {
        result.hasTransparency = true;
        if (trans && result.colorType == PNG_COLOR_TYPE_RGB)
            result.transparentColor = rgb(trans->red, trans->green, trans->blue);
        if (alpha && result.colorType == PNG_COLOR_TYPE_PALETTE)
            result.paletteAlpha.assign(alpha, alpha + alphaCount);
    }
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_strip_alpha(png);
    png_set_gray_to_rgb(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    const size_t rowBytes = png_get_rowbytes(png, info);
    pixels.resize(rowBytes * result.height);
    rows.resize(result.height);
    for (int y = 0; y < result.height; ++y) rows[y] = pixels.data() + rowBytes * y;
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    result.pixels.resize(static_cast<size_t>(result.width) * result.height);
    for (int y = 0; y < result.height; ++y)
        for (int x = 0; x < result.width; ++x) {
            const uint8_t* p = rows[y] + x * 3;
            result.pixels[static_cast<size_t>(y) * result.width + x] = rgb(p[0], p[1], p[2]);
        }
    result.ok = true;
    return result;
}

namespace {
struct JpegError {
    jpeg_error_mgr mgr;
    jmp_buf jump;
};
void jpegFail(j_common_ptr cinfo) { longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1); }
}  // namespace

DecodedImage ReadJpeg(const std::vector<uint8_t>& bytes) {
    DecodedImage result;
    jpeg_decompress_struct cinfo;
    JpegError err;
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = jpegFail;
    std::vector<uint8_t> row;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        result.ok = false;
        result.error = "libjpeg could not read the file";
        return result;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, bytes.data(), bytes.size());
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    result.width = cinfo.output_width;
    result.height = cinfo.output_height;
    result.components = cinfo.num_components;
    result.progressive = jpeg_has_multiple_scans(&cinfo);
    result.bitDepth = cinfo.data_precision;
    row.resize(static_cast<size_t>(result.width) * 3);
    result.pixels.reserve(static_cast<size_t>(result.width) * result.height);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW r = row.data();
        jpeg_read_scanlines(&cinfo, &r, 1);
        for (int x = 0; x < result.width; ++x)
            result.pixels.push_back(rgb(row[x * 3], row[x * 3 + 1], row[x * 3 + 2]));
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    result.ok = true;
    return result;
}

namespace {
struct GifSource {
    const std::vector<uint8_t>* bytes;
    size_t pos = 0;
};
int gifRead(GifFileType* gif, GifByteType* out, int n) {
    auto* src = static_cast<GifSource*>(gif->UserData);
    const size_t left = src->bytes->size() - src->pos;
    const size_t take = std::min<size_t>(left, n);
    std::memcpy(out, src->bytes->data() + src->pos, take);
    src->pos += take;
    return static_cast<int>(take);
}
}  // namespace

DecodedImage ReadGif(const std::vector<uint8_t>& bytes) {
    DecodedImage result;
    GifSource src{&bytes};
    int error = 0;
    GifFileType* gif = DGifOpen(&src, gifRead, &error);
    if (!gif) {
        result.error = std::string("giflib: ") + GifErrorString(error);
        return result;
    }
    if (DGifSlurp(gif) != GIF_OK || gif->ImageCount < 1) {
        result.error = std::string("giflib: ") + GifErrorString(gif->Error);
        DGifCloseFile(gif, &error);
        return result;
    }
    const SavedImage& frame = gif->SavedImages[0];
    const ColorMapObject* map = frame.ImageDesc.ColorMap ? frame.ImageDesc.ColorMap : gif->SColorMap;
    result.width = gif->SWidth;
    result.height = gif->SHeight;
    result.interlaced = frame.ImageDesc.Interlace;
    if (map) {
        result.paletteSize = map->ColorCount;
        result.bitDepth = map->BitsPerPixel;
    }
    result.pixels.assign(static_cast<size_t>(result.width) * result.height, 0);
    const int fw = frame.ImageDesc.Width, fh = frame.ImageDesc.Height;
    for (int y = 0; y < fh && y < result.height; ++y)
        for (int x = 0; x < fw && x < result.width; ++x) {
            const int index = frame.RasterBits[static_cast<size_t>(y) * fw + x];
            if (map && index < map->ColorCount) {
                const GifColorType c = map->Colors[index];
                result.pixels[static_cast<size_t>(y) * result.width + x] = rgb(c.Red, c.Green, c.Blue);
            }
        }
    DGifCloseFile(gif, &error);
    result.ok = true;
    return result;
}

}  // namespace korvel::test
