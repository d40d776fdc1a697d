// libjpeg's default error handler ends the process; ours jumps back and reports the message.
// Everything that needs a destructor lives outside the function that calls setjmp.
#include "output/jpeg_encoder.h"

#include <cstdio>
#include <jpeglib.h>

#include <algorithm>
#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <string>

namespace korvel {

namespace {

struct ErrorManager {
    jpeg_error_mgr mgr;
    jmp_buf jump;
    char message[JMSG_LENGTH_MAX] = {};
};

void onError(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    longjmp(err->jump, 1);
}

void onMessage(j_common_ptr) {}

// Hands libjpeg one row at a time; `fill` writes row y into `buffer` when the image is not
// already in a layout libjpeg takes.
struct RowSource {
    int width = 0;
    int height = 0;
    J_COLOR_SPACE space = JCS_RGB;
    int components = 3;
    const ImageView* view = nullptr;
    const IndexedImage* indexed = nullptr;
    uint8_t* buffer = nullptr;

    JSAMPROW row(int y) const {
        if (view) return const_cast<JSAMPROW>(view->row(y));
        const uint8_t* src = indexed->row(y);
        for (int x = 0; x < width; ++x) {
            const uint32_t c = indexed->palette[src[x] < indexed->palette.size() ? src[x] : 0];
            buffer[x * 3] = RedOf(c);
            buffer[x * 3 + 1] = GreenOf(c);
            buffer[x * 3 + 2] = BlueOf(c);
        }
        return buffer;
    }
};

bool runCompress(const RowSource& source, const JpegOptions& options, unsigned char** data,
                 unsigned long* size, ErrorManager& err) {
    jpeg_compress_struct cinfo;
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = onError;
    err.mgr.output_message = onMessage;
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, data, size);
    cinfo.image_width = static_cast<JDIMENSION>(source.width);
    cinfo.image_height = static_cast<JDIMENSION>(source.height);
    cinfo.input_components = source.components;
    cinfo.in_color_space = source.space;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, std::clamp(options.quality, 1, 100), TRUE);
    if (options.progressive) jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = source.row(static_cast<int>(cinfo.next_scanline));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

EncodeResult compress(const RowSource& source, const JpegOptions& options,
                      std::vector<uint8_t>& out) {
    if (source.width <= 0 || source.height <= 0) return EncodeResult::failure("the image is empty");
    if (source.width > JPEG_MAX_DIMENSION || source.height > JPEG_MAX_DIMENSION)
        return EncodeResult::failure("the image is too large for JPEG (65500 pixels at most)");
    ErrorManager err;
    unsigned char* data = nullptr;
    unsigned long size = 0;
    const bool ok = runCompress(source, options, &data, &size, err);
    if (ok && data) out.insert(out.end(), data, data + size);
    std::free(data);
    if (!ok) return EncodeResult::failure(std::string("JPEG encoding failed: ") + err.message);
    return EncodeResult::success();
}

}  // namespace

EncodeResult EncodeJpeg(const ImageView& image, const JpegOptions& options,
                        std::vector<uint8_t>& out) {
    if (image.empty()) return EncodeResult::failure("the image is empty");
    RowSource source;
    source.width = image.width;
    source.height = image.height;
    source.view = &image;
    if (image.layout == PixelLayout::Bgrx32) {
        source.space = JCS_EXT_BGRX;
        source.components = 4;
    }
    return compress(source, options, out);
}

EncodeResult EncodeJpeg(const IndexedImage& image, const JpegOptions& options,
                        std::vector<uint8_t>& out) {
    if (image.palette.empty()) return EncodeResult::failure("the image is empty");
    std::vector<uint8_t> buffer(static_cast<size_t>(std::max(image.width, 0)) * 3);
    RowSource source;
    source.width = image.width;
    source.height = image.height;
    source.indexed = &image;
    source.buffer = buffer.data();
    return compress(source, options, out);
}

}  // namespace korvel
