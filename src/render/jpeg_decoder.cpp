// JPEG through libjpeg(-turbo). The error manager jumps back here instead of exiting; warnings
// (a file cut short is filled with grey by libjpeg) are kept and reported with the picture.
#include <cstdio>
// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>

#include <csetjmp>
#include <cstring>
#include <memory>

#include "render/picture_decoders.h"

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "pixel words are assembled as BGRA bytes");

namespace korvel {

namespace {

struct JpegErrors {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    char error[JMSG_LENGTH_MAX];
    char warning[JMSG_LENGTH_MAX];
};

void jpegErrorExit(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<JpegErrors*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->error);
    std::longjmp(err->jump, 1);
}

void jpegMessage(j_common_ptr cinfo, int level) {
    auto* err = reinterpret_cast<JpegErrors*>(cinfo->err);
    if (level < 0 && !err->warning[0]) (*cinfo->err->format_message)(cinfo, err->warning);
    if (level < 0) ++cinfo->err->num_warnings;
}

// CMYK scan lines (Adobe files store them inverted) to 0xAARRGGBB.
void cmykToPixels(const uint8_t* src, uint32_t* dst, int width, bool inverted) {
    for (int x = 0; x < width; ++x, src += 4) {
        uint32_t c = src[0], m = src[1], y = src[2], k = src[3];
        if (!inverted) c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
        const uint32_t r = c * k / 255, g = m * k / 255, b = y * k / 255;
        dst[x] = 0xFF000000u | (r << 16) | (g << 8) | b;
    }
}

// Progressive files can repeat scans over the whole picture without limit, each costing a full
// pass; real files have a dozen. Entropy-coded data never holds FF DA (an FF there is followed
// by 00 or a restart marker), so counting that pair bounds the scans from above.
constexpr size_t kMaxScans = 1000;

bool tooManyScans(const uint8_t* data, size_t size) {
    size_t scans = 0;
    const uint8_t* p = data;
    const uint8_t* end = data + size;
    while (p + 1 < end) {
        p = static_cast<const uint8_t*>(std::memchr(p, 0xFF, static_cast<size_t>(end - p - 1)));
        if (!p) break;
        if (p[1] == 0xDA && ++scans > kMaxScans) return true;
        ++p;
    }
    return false;
}

}  // namespace

// libjpeg scales by 1/2, 1/4 or 1/8 while it decodes, at a fraction of the cost; what is left
// of the reduction is done on the rows.
static int libjpegScale(int factor) { return factor >= 8 ? 8 : factor; }

DecodeOutcome DecodeJpeg(const uint8_t* data, size_t size, RasterImage& out, const DecodeRequest& request) {
    out = RasterImage{};
    if (SniffBuiltInFormat(data, size) != BuiltInFormat::Jpeg) return DecodeOutcome::notThisFormat();
    if (tooManyScans(data, size))
        return DecodeOutcome::failed("the JPEG has more than " + std::to_string(kMaxScans) + " scans");
    jpeg_decompress_struct cinfo;
    JpegErrors errors;
    std::memset(&errors, 0, sizeof errors);
    cinfo.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = jpegErrorExit;
    errors.base.emit_message = jpegMessage;
    // Declared before the jump point so that a long jump skips no constructor or destructor.
    std::vector<uint8_t> cmykRow;
    std::vector<uint32_t> row;
    std::unique_ptr<ReducedRaster> reduced;
    DecodeOutcome refusal;
    volatile uint64_t cost = 0;  // changes after setjmp
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&cinfo);
        out = RasterImage{};
        DecodeOutcome failure = DecodeOutcome::failed(errors.error[0] ? errors.error : "the JPEG data is damaged");
        failure.decodedPixels = cost;
        return failure;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(&cinfo, TRUE);
    if (!PictureSizeAccepted(cinfo.image_width, cinfo.image_height, request, refusal)) {
        jpeg_destroy_decompress(&cinfo);
        return refusal;
    }
    const int factor = ReductionFactor(cinfo.image_width, cinfo.image_height, request);
    cinfo.scale_num = 1;
    cinfo.scale_denom = static_cast<unsigned>(libjpegScale(factor));
    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRA;
    jpeg_start_decompress(&cinfo);
    const int width = static_cast<int>(cinfo.output_width);
    const int height = static_cast<int>(cinfo.output_height);
    cost = uint64_t(width) * height;
    reduced = std::make_unique<ReducedRaster>(out, width, height, factor / libjpegScale(factor));
    row.resize(width);
    if (cmyk) cmykRow.resize(static_cast<size_t>(width) * 4);
    while (cinfo.output_scanline < cinfo.output_height) {
        const int y = static_cast<int>(cinfo.output_scanline);
        JSAMPROW samples = cmyk ? cmykRow.data() : reinterpret_cast<JSAMPROW>(row.data());
        if (jpeg_read_scanlines(&cinfo, &samples, 1) != 1) break;
        if (cmyk) cmykToPixels(cmykRow.data(), row.data(), width, cinfo.saw_Adobe_marker);
        reduced->putRow(y, row.data());
    }
    reduced->finish();
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    DecodeOutcome outcome = DecodeOutcome::decoded(errors.warning);
    outcome.decodedPixels = cost;
    outcome.reduction = factor;
    return outcome;
}

}  // namespace korvel
