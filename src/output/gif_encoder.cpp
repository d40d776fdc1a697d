// The RLE stream needs no dictionary: each pixel is sent as its own literal code, and a clear
// code comes before the decoder's dictionary would make the codes one bit wider, so every code
// keeps the width of the first. Any GIF decoder reads it.
#include "output/gif_encoder.h"
#include "output/little_endian.h"

#include <gif_lib.h>

#include <algorithm>
#include <string>

namespace korvel {

namespace {

int colorTableBits(size_t colors) {
    int bits = 1;
    while ((size_t(1) << bits) < colors) ++bits;
    return bits;
}

std::vector<uint32_t> paddedPalette(const IndexedImage& image) {
    std::vector<uint32_t> palette = image.palette;
    palette.resize(size_t(1) << colorTableBits(palette.size()), 0);
    return palette;
}

// --- LZW through giflib ---

int appendOutput(GifFileType* gif, const GifByteType* data, int length) {
    auto* out = static_cast<std::vector<uint8_t>*>(gif->UserData);
    out->insert(out->end(), data, data + length);
    return length;
}

EncodeResult encodeLzw(const IndexedImage& image, std::vector<uint8_t>& out) {
    const std::vector<uint32_t> palette = paddedPalette(image);
    int error = 0;
    GifFileType* gif = EGifOpen(&out, appendOutput, &error);
    if (!gif) return EncodeResult::failure(std::string("GIF encoding failed: ") + GifErrorString(error));
    ColorMapObject* map = GifMakeMapObject(static_cast<int>(palette.size()), nullptr);
    bool ok = map != nullptr;
    if (ok) {
        for (size_t i = 0; i < palette.size(); ++i)
            map->Colors[i] = {RedOf(palette[i]), GreenOf(palette[i]), BlueOf(palette[i])};
        EGifSetGifVersion(gif, true);
        ok = EGifPutScreenDesc(gif, image.width, image.height, map->BitsPerPixel, 0, map) == GIF_OK &&
             EGifPutImageDesc(gif, 0, 0, image.width, image.height, false, nullptr) == GIF_OK;
    }
    std::vector<GifPixelType> row(image.width);
    for (int y = 0; ok && y < image.height; ++y) {
        const uint8_t* src = image.row(y);
        for (int x = 0; x < image.width; ++x)
            row[x] = src[x] < image.palette.size() ? src[x] : 0;
        ok = EGifPutLine(gif, row.data(), image.width) == GIF_OK;
    }
    const int lastError = gif->Error;
    const bool closed = EGifCloseFile(gif, &error) == GIF_OK;
    GifFreeMapObject(map);
    if (!ok || !closed)
        return EncodeResult::failure(std::string("GIF encoding failed: ") +
                                     GifErrorString(ok ? error : lastError));
    return EncodeResult::success();
}

// --- the literal-code stream ---

// Collects codes LSB first and cuts the bytes into sub-blocks of at most 255.
class CodeWriter {
public:
    explicit CodeWriter(std::vector<uint8_t>& out) : out_(out) {}
    void put(int code, int width) {
        bits_ |= static_cast<uint32_t>(code) << count_;
        count_ += width;
        while (count_ >= 8) {
            byte(bits_ & 0xFF);
            bits_ >>= 8;
            count_ -= 8;
        }
    }
    void finish() {
        if (count_ > 0) byte(bits_ & 0xFF);
        bits_ = 0;
        count_ = 0;
        flushBlock();
        out_.push_back(0);  // block terminator
    }

private:
    void byte(uint8_t b) {
        block_[blockSize_++] = b;
        if (blockSize_ == 255) flushBlock();
    }
    void flushBlock() {
        if (!blockSize_) return;
        out_.push_back(static_cast<uint8_t>(blockSize_));
        out_.insert(out_.end(), block_, block_ + blockSize_);
        blockSize_ = 0;
    }

    std::vector<uint8_t>& out_;
    uint32_t bits_ = 0;
    int count_ = 0;
    uint8_t block_[255] = {};
    int blockSize_ = 0;
};

EncodeResult encodeLiteral(const IndexedImage& image, std::vector<uint8_t>& out) {
    const std::vector<uint32_t> palette = paddedPalette(image);
    const int tableBits = colorTableBits(palette.size());
    const int minCodeSize = std::max(tableBits, 2);
    const int clear = 1 << minCodeSize;
    const int end = clear + 1;
    const int width = minCodeSize + 1;
    // After a clear the first literal adds no dictionary entry and each later one adds one; the
    // decoder widens its codes once the next entry would be 2 * clear, which clear - 2 literals
    // never reach, so the clear code after them is still read at the first width.
    const int literalsPerClear = clear - 2;

    out.insert(out.end(), {'G', 'I', 'F', '8', '9', 'a'});
    put16(out, image.width);
    put16(out, image.height);
    out.push_back(static_cast<uint8_t>(0x80 | ((tableBits - 1) << 4) | (tableBits - 1)));
    out.push_back(0);  // background index
    out.push_back(0);  // aspect ratio unspecified
    for (uint32_t c : palette) {
        out.push_back(RedOf(c));
        out.push_back(GreenOf(c));
        out.push_back(BlueOf(c));
    }
    out.push_back(0x2C);  // image descriptor
    put16(out, 0);
    put16(out, 0);
    put16(out, image.width);
    put16(out, image.height);
    out.push_back(0);  // no local table, not interlaced
    out.push_back(static_cast<uint8_t>(minCodeSize));
    CodeWriter codes(out);
    int sinceClear = literalsPerClear;
    for (int y = 0; y < image.height; ++y) {
        const uint8_t* src = image.row(y);
        for (int x = 0; x < image.width; ++x) {
            if (sinceClear == literalsPerClear) {
                codes.put(clear, width);
                sinceClear = 0;
            }
            codes.put(src[x] < image.palette.size() ? src[x] : 0, width);
            ++sinceClear;
        }
    }
    codes.put(end, width);
    codes.finish();
    out.push_back(0x3B);  // trailer
    return EncodeResult::success();
}

}  // namespace

EncodeResult EncodeGif(const IndexedImage& image, bool lzw, std::vector<uint8_t>& out) {
    if (image.width <= 0 || image.height <= 0 || image.palette.empty())
        return EncodeResult::failure("the image is empty");
    if (image.width > 0xFFFF || image.height > 0xFFFF)
        return EncodeResult::failure("the image is too large for GIF (65535 pixels at most)");
    if (image.palette.size() > 256) return EncodeResult::failure("the palette has over 256 colours");
    const size_t start = out.size();
    EncodeResult result = lzw ? encodeLzw(image, out) : encodeLiteral(image, out);
    if (!result) out.resize(start);
    return result;
}

EncodeResult EncodeGif(const ImageView& image, const GifOptions& options, std::vector<uint8_t>& out) {
    if (image.empty()) return EncodeResult::failure("the image is empty");
    if (image.width > 0xFFFF || image.height > 0xFFFF)
        return EncodeResult::failure("the image is too large for GIF (65535 pixels at most)");
    return EncodeGif(ReduceColors(image, options.reduction, options.dither), options.lzw, out);
}

}  // namespace korvel
