// PNG through libpng: every colour type and depth becomes 8-bit BGRA, i.e. 0xAARRGGBB words on
// a little-endian machine. libpng reports errors by a long jump back here, never by exiting.
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>

#include "render/picture_decoders.h"

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "pixel words are assembled as BGRA bytes");

namespace korvel {

namespace {

struct PngSource {
    const uint8_t* data;
    size_t size;
    size_t pos;
    char error[200];
    char warning[200];
};

void pngRead(png_structp png, png_bytep to, png_size_t length) {
    auto* src = static_cast<PngSource*>(png_get_io_ptr(png));
    if (src->size - src->pos < length) png_error(png, "the data is cut short");
    std::memcpy(to, src->data + src->pos, length);
    src->pos += length;
}

void pngError(png_structp png, png_const_charp message) {
    auto* src = static_cast<PngSource*>(png_get_error_ptr(png));
    std::snprintf(src->error, sizeof src->error, "%s", message ? message : "error");
    png_longjmp(png, 1);
}

void pngWarning(png_structp png, png_const_charp message) {
    auto* src = static_cast<PngSource*>(png_get_error_ptr(png));
    if (!src->warning[0]) std::snprintf(src->warning, sizeof src->warning, "%s", message ? message : "");
}

// Sets up the transformations to 8-bit BGRA and returns false when the picture is refused.
// Interlaced pictures read at full size go through libpng's interlace handling; reduced ones are
// read pass by pass (see readPasses).
bool prepare(png_structp png, png_infop info, const DecodeRequest& request, int& factor,
             DecodeOutcome& refusal) {
    png_read_info(png, info);
    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    if (!PictureSizeAccepted(width, height, request, refusal)) return false;
    factor = ReductionFactor(width, height, request);
    const int colorType = png_get_color_type(png, info);
    const int depth = png_get_bit_depth(png, info);
    if (depth == 16) png_set_scale_16(png);
    if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (colorType == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
    if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(png);
    png_set_bgr(png);
    png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    if (factor == 1) png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != static_cast<size_t>(width) * 4) {
        refusal = DecodeOutcome::failed("unexpected row layout");
        return false;
    }
    return true;
}

// The seven passes of an interlaced picture, each a small picture of its own, sampled into the
// reduced one without ever holding the full size.
void readPasses(png_structp png, int width, int height, std::vector<uint32_t>& row, RasterImage& out,
                int factor) {
    for (int pass = 0; pass < 7; ++pass) {
        const png_uint_32 cols = PNG_PASS_COLS(width, pass), rows = PNG_PASS_ROWS(height, pass);
        if (cols == 0 || rows == 0) continue;
        for (png_uint_32 j = 0; j < rows; ++j) {
            png_read_row(png, reinterpret_cast<png_bytep>(row.data()), nullptr);
            const png_uint_32 y = PNG_ROW_FROM_PASS_ROW(j, pass);
            if (y % factor != 0) continue;
            uint32_t* dst = out.pixels.data() + static_cast<size_t>(y / factor) * out.width;
            for (png_uint_32 i = 0; i < cols; ++i) {
                const png_uint_32 x = PNG_COL_FROM_PASS_COL(i, pass);
                if (x % factor == 0) dst[x / factor] = row[i];
            }
        }
    }
}

}  // namespace

DecodeOutcome DecodePng(const uint8_t* data, size_t size, RasterImage& out, const DecodeRequest& request) {
    out = RasterImage{};
    if (SniffBuiltInFormat(data, size) != BuiltInFormat::Png) return DecodeOutcome::notThisFormat();
    PngSource src{data, size, 0, {0}, {0}};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &src, pngError, pngWarning);
    if (!png) return DecodeOutcome::failed("out of memory");
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return DecodeOutcome::failed("out of memory");
    }
    // Everything with a destructor lives outside the jump so that none is skipped.
    std::vector<png_bytep> rows;
    std::vector<uint32_t> row;
    std::unique_ptr<ReducedRaster> reduced;
    DecodeOutcome refusal;
    bool refused = false;
    int factor = 1;
    // The work a damaged picture cost counts as well; volatile, as it changes after setjmp.
    volatile uint64_t cost = 0;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        out = RasterImage{};
        DecodeOutcome failure = DecodeOutcome::failed(src.error[0] ? src.error : "the PNG data is damaged");
        failure.decodedPixels = cost;
        return failure;
    }
    png_set_read_fn(png, &src, pngRead);
    png_set_user_limits(png, 0x7FFFFFFF, 0x7FFFFFFF);
    if (!prepare(png, info, request, factor, refusal)) {
        refused = true;
    } else {
        const int width = static_cast<int>(png_get_image_width(png, info));
        const int height = static_cast<int>(png_get_image_height(png, info));
        cost = uint64_t(width) * height;
        if (factor == 1) {
            out.width = width;
            out.height = height;
            out.pixels.resize(static_cast<size_t>(width) * height);
            rows.resize(height);
            for (int y = 0; y < height; ++y)
                rows[y] = reinterpret_cast<png_bytep>(out.pixels.data() + static_cast<size_t>(y) * width);
            // The chunks after the pixels are not needed; a file cut short after them still draws.
            png_read_image(png, rows.data());
        } else if (png_get_interlace_type(png, info) != PNG_INTERLACE_NONE) {
            row.resize(width);
            reduced = std::make_unique<ReducedRaster>(out, width, height, factor, true);
            readPasses(png, width, height, row, out, factor);
        } else {
            row.resize(width);
            reduced = std::make_unique<ReducedRaster>(out, width, height, factor);
            for (int y = 0; y < height; ++y) {
                png_read_row(png, reinterpret_cast<png_bytep>(row.data()), nullptr);
                reduced->putRow(y, row.data());
            }
            reduced->finish();
        }
    }
    png_destroy_read_struct(&png, &info, nullptr);
    if (refused) {
        out = RasterImage{};
        return refusal;
    }
    DecodeOutcome outcome = DecodeOutcome::decoded(src.warning);
    outcome.decodedPixels = cost;
    outcome.reduction = factor;
    return outcome;
}

}  // namespace korvel
