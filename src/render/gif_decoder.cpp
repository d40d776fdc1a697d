// GIF through giflib: the first frame only, placed on the logical screen, with the transparent
// colour of its graphic control extension. Frames after the first are never read.
#include <gif_lib.h>

#include <algorithm>
#include <cstring>

#include "render/picture_decoders.h"

namespace korvel {

namespace {

struct GifSource {
    const uint8_t* data;
    size_t size;
    size_t pos;
};

int gifRead(GifFileType* gif, GifByteType* to, int length) {
    auto* src = static_cast<GifSource*>(gif->UserData);
    if (length <= 0) return 0;
    const size_t n = std::min(static_cast<size_t>(length), src->size - src->pos);
    std::memcpy(to, src->data + src->pos, n);
    src->pos += n;
    return static_cast<int>(n);
}

std::string gifError(int code) {
    const char* text = GifErrorString(code);
    return text ? text : "the GIF data is damaged";
}

struct GifFile {
    GifFileType* gif = nullptr;
    ~GifFile() {
        int ignored = 0;
        if (gif) DGifCloseFile(gif, &ignored);
    }
};

class GifReader {
public:
    GifReader(GifFileType* gif, RasterImage& out, const DecodeRequest& request)
        : gif_(gif), out_(out), request_(request) {}

    DecodeOutcome run() {
        int transparent = NO_TRANSPARENT_COLOR;
        for (;;) {
            GifRecordType type = UNDEFINED_RECORD_TYPE;
            if (DGifGetRecordType(gif_, &type) == GIF_ERROR) return failed();
            if (type == TERMINATE_RECORD_TYPE) return DecodeOutcome::failed("the GIF file holds no picture");
            if (type == EXTENSION_RECORD_TYPE) {
                if (!readExtension(transparent)) return failed();
            } else if (type == IMAGE_DESC_RECORD_TYPE) {
                return readFirstFrame(transparent);
            }
        }
    }

private:
    bool readExtension(int& transparent) {
        int code = 0;
        GifByteType* block = nullptr;
        if (DGifGetExtension(gif_, &code, &block) == GIF_ERROR) return false;
        if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4) {
            GraphicsControlBlock gcb;
            if (DGifExtensionToGCB(block[0], block + 1, &gcb) == GIF_OK)
                transparent = gcb.TransparentColor;
        }
        while (block) {
            if (DGifGetExtensionNext(gif_, &block) == GIF_ERROR) return false;
        }
        return true;
    }

    DecodeOutcome readFirstFrame(int transparent) {
        if (DGifGetImageDesc(gif_) == GIF_ERROR) return failed();
        const GifImageDesc& frame = gif_->Image;
        std::string why;
        if (frame.Width <= 0 || frame.Height <= 0 || frame.Left < 0 || frame.Top < 0)
            return DecodeOutcome::failed("the GIF frame has no pixels");
        if (!PictureSizeAllowed(frame.Width, frame.Height, why)) return DecodeOutcome::failed(why);
        const int64_t width = std::max<int64_t>(gif_->SWidth, int64_t(frame.Left) + frame.Width);
        const int64_t height = std::max<int64_t>(gif_->SHeight, int64_t(frame.Top) + frame.Height);
        DecodeOutcome refusal;
        if (!PictureSizeAccepted(width, height, request_, refusal)) return refusal;
        const ColorMapObject* map = frame.ColorMap ? frame.ColorMap : gif_->SColorMap;
        buildPalette(map, transparent);
        ReducedRaster reduced(out_, static_cast<int>(width), static_cast<int>(height),
                              ReductionFactor(width, height, request_), frame.Interlace);
        DecodeOutcome outcome = readRows(frame, reduced);
        reduced.finish();
        outcome.decodedPixels = static_cast<uint64_t>(width * height);
        outcome.reduction = reduced.factor();
        return outcome;
    }

    void buildPalette(const ColorMapObject* map, int transparent) {
        std::fill(std::begin(palette_), std::end(palette_), 0xFF000000u);
        const int count = map && map->Colors ? std::min(map->ColorCount, 256) : 0;
        for (int i = 0; i < count; ++i) {
            const GifColorType& c = map->Colors[i];
            palette_[i] = 0xFF000000u | (uint32_t(c.Red) << 16) | (uint32_t(c.Green) << 8) | c.Blue;
        }
        if (!count) {  // no colour table: a grey ramp
            for (int i = 0; i < 256; ++i) palette_[i] = 0xFF000000u | (uint32_t(i) * 0x010101u);
        }
        if (transparent >= 0 && transparent < 256) palette_[transparent] = 0;
    }

    DecodeOutcome readRows(const GifImageDesc& frame, ReducedRaster& reduced) {
        std::vector<GifByteType> line(frame.Width);
        // A row of the logical screen: the frame's pixels at its place, transparent around it.
        std::vector<uint32_t> row(static_cast<size_t>(std::max<int64_t>(gif_->SWidth, int64_t(frame.Left) + frame.Width)), 0u);
        static const int kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
        const int passes = frame.Interlace ? 4 : 1;
        int done = 0;
        for (int pass = 0; pass < passes; ++pass) {
            const int start = frame.Interlace ? kStart[pass] : 0;
            const int step = frame.Interlace ? kStep[pass] : 1;
            for (int y = start; y < frame.Height; y += step) {
                if (DGifGetLine(gif_, line.data(), frame.Width) == GIF_ERROR) {
                    if (done == 0) return failed();
                    return DecodeOutcome::decoded("the GIF data is cut short after " +
                                                  std::to_string(done) + " rows");
                }
                uint32_t* dst = row.data() + frame.Left;
                for (int x = 0; x < frame.Width; ++x) dst[x] = palette_[line[x]];
                reduced.putRow(frame.Top + y, row.data());
                ++done;
            }
        }
        return DecodeOutcome::decoded();
    }

    DecodeOutcome failed() const {
        out_ = RasterImage{};
        return DecodeOutcome::failed(gifError(gif_->Error));
    }

    GifFileType* gif_;
    RasterImage& out_;
    const DecodeRequest& request_;
    uint32_t palette_[256];
};

}  // namespace

DecodeOutcome DecodeGif(const uint8_t* data, size_t size, RasterImage& out, const DecodeRequest& request) {
    out = RasterImage{};
    if (SniffBuiltInFormat(data, size) != BuiltInFormat::Gif) return DecodeOutcome::notThisFormat();
    GifSource src{data, size, 0};
    int error = 0;
    GifFile file;
    file.gif = DGifOpen(&src, gifRead, &error);
    if (!file.gif) return DecodeOutcome::failed(gifError(error));
    DecodeOutcome outcome = GifReader(file.gif, out, request).run();
    if (outcome.status != DecodeStatus::Decoded) out = RasterImage{};
    return outcome;
}

}  // namespace korvel
