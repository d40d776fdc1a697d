// Windows bitmap files as Windows writes them: core and info headers (up to version 5), 1, 4,
// 8, 16, 24 and 32 bits per pixel, bottom-up and top-down rows, RLE4 and RLE8, bit fields.
// Every read is checked against the end of the bytes.
#include <algorithm>
#include <cstring>
#include <limits>

#include "render/picture_decoders.h"

namespace korvel {

namespace {

constexpr uint32_t kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitfields = 3, kBiAlphaBitfields = 6;
constexpr uint32_t kOpaque = 0xFF000000u;

uint16_t u16At(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t u32At(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// One channel of a bit-field pixel, scaled to 0..255.
struct ChannelMask {
    uint32_t mask = 0;
    int shift = 0;
    uint32_t max = 0;

    explicit ChannelMask(uint32_t m = 0) : mask(m) {
        if (!m) return;
        while (!((m >> shift) & 1u)) ++shift;
        max = m >> shift;
    }
    uint32_t extract(uint32_t pixel) const {
        if (!max) return 0;
        return static_cast<uint32_t>((static_cast<uint64_t>((pixel & mask) >> shift) * 255 + max / 2) / max);
    }
};

struct BmpHeader {
    int64_t width = 0;
    int64_t height = 0;  // rows, always positive here
    bool topDown = false;
    uint16_t bitCount = 0;
    uint32_t compression = kBiRgb;
    ChannelMask red, green, blue, alpha;
    bool hasAlphaMask = false;
    std::vector<uint32_t> palette;  // 0xAARRGGBB
    uint32_t pixelOffset = 0;
};

class BmpReader {
public:
    BmpReader(const uint8_t* data, size_t size, RasterImage& out, const DecodeRequest& request)
        : d_(data), n_(size), out_(out), request_(request) {}

    DecodeOutcome run() {
        if (n_ < 2 || d_[0] != 'B' || d_[1] != 'M') return DecodeOutcome::notThisFormat();
        std::string why;
        if (!readHeader(why)) return DecodeOutcome::failed(why);
        DecodeOutcome refusal;
        if (!PictureSizeAccepted(h_.width, h_.height, request_, refusal)) return refusal;
        if (h_.pixelOffset >= n_) return DecodeOutcome::failed("the bitmap has no pixel data");
        ReducedRaster reduced(out_, static_cast<int>(h_.width), static_cast<int>(h_.height),
                              ReductionFactor(h_.width, h_.height, request_));
        row_.assign(static_cast<size_t>(h_.width), 0u);
        DecodeOutcome outcome = h_.compression == kBiRle8 || h_.compression == kBiRle4 ? readRle(reduced)
                                                                                       : readRows(reduced);
        reduced.finish();
        outcome.decodedPixels = static_cast<uint64_t>(h_.width * h_.height);
        outcome.reduction = reduced.factor();
        return outcome;
    }

private:
    bool readHeader(std::string& why) {
        if (n_ < 18) return fail(why, "the bitmap header is cut short");
        h_.pixelOffset = u32At(d_ + 10);
        const uint32_t infoSize = u32At(d_ + 14);
        if (infoSize < 12 || infoSize > n_ - 14) return fail(why, "the bitmap header is cut short");
        const uint8_t* info = d_ + 14;
        size_t paletteEntry = 4;
        uint32_t colorsUsed = 0;
        if (infoSize == 12) {  // BITMAPCOREHEADER
            h_.width = u16At(info + 4);
            h_.height = u16At(info + 6);
            h_.bitCount = u16At(info + 10);
            paletteEntry = 3;
        } else if (infoSize < 40) {
            return fail(why, "bitmap headers of " + std::to_string(infoSize) + " bytes are not supported");
        } else {
            const int32_t w = static_cast<int32_t>(u32At(info + 4));
            const int32_t hh = static_cast<int32_t>(u32At(info + 8));
            h_.bitCount = u16At(info + 14);
            h_.compression = u32At(info + 16);
            colorsUsed = u32At(info + 32);
            if (w <= 0 || hh == 0 || hh == std::numeric_limits<int32_t>::min())
                return fail(why, "the bitmap size " + std::to_string(w) + " x " +
                                     std::to_string(hh) + " is not valid");
            h_.width = w;
            h_.topDown = hh < 0;
            h_.height = hh < 0 ? -static_cast<int64_t>(hh) : hh;
        }
        size_t afterInfo = 14 + infoSize;
        if (!readMasks(info, infoSize, afterInfo, why)) return false;
        if (!checkFormat(why)) return false;
        return readPalette(afterInfo, paletteEntry, colorsUsed, why);
    }

    bool readMasks(const uint8_t* info, uint32_t infoSize, size_t& afterInfo, std::string& why) {
        uint32_t r = 0, g = 0, b = 0, a = 0;
        const bool fields = h_.compression == kBiBitfields || h_.compression == kBiAlphaBitfields;
        if (infoSize >= 52) {
            r = u32At(info + 40);
            g = u32At(info + 44);
            b = u32At(info + 48);
            if (infoSize >= 56) a = u32At(info + 52);
        } else if (infoSize == 40 && fields) {
            const size_t count = h_.compression == kBiAlphaBitfields ? 4 : 3;
            if (afterInfo + count * 4 > n_) return fail(why, "the bitmap's colour masks are cut short");
            r = u32At(d_ + afterInfo);
            g = u32At(d_ + afterInfo + 4);
            b = u32At(d_ + afterInfo + 8);
            if (count == 4) a = u32At(d_ + afterInfo + 12);
            afterInfo += count * 4;
        }
        if (!fields) {
            if (h_.bitCount == 16) r = 0x7C00, g = 0x03E0, b = 0x001F;
            else r = 0x00FF0000, g = 0x0000FF00, b = 0x000000FF;
            a = 0;
        }
        h_.red = ChannelMask(r);
        h_.green = ChannelMask(g);
        h_.blue = ChannelMask(b);
        h_.alpha = ChannelMask(a);
        h_.hasAlphaMask = a != 0;
        return true;
    }

    bool checkFormat(std::string& why) {
        const uint16_t bits = h_.bitCount;
        const uint32_t c = h_.compression;
        const bool ok = (c == kBiRgb && (bits == 1 || bits == 4 || bits == 8 || bits == 16 ||
                                         bits == 24 || bits == 32)) ||
                        (c == kBiRle8 && bits == 8) || (c == kBiRle4 && bits == 4) ||
                        ((c == kBiBitfields || c == kBiAlphaBitfields) && (bits == 16 || bits == 32));
        if (!ok)
            return fail(why, "bitmaps of " + std::to_string(bits) + " bits with compression " +
                                 std::to_string(c) + " are not supported");
        if (h_.topDown && (c == kBiRle8 || c == kBiRle4))
            return fail(why, "a top-down bitmap cannot be run-length encoded");
        return true;
    }

    bool readPalette(size_t at, size_t entry, uint32_t colorsUsed, std::string& why) {
        if (h_.bitCount > 8) return true;
        const uint32_t full = 1u << h_.bitCount;
        const uint32_t count = (colorsUsed == 0 || colorsUsed > full) ? full : colorsUsed;
        if (at > n_ || (n_ - at) / entry < count) return fail(why, "the bitmap's palette is cut short");
        h_.palette.resize(count);
        for (uint32_t i = 0; i < count; ++i) {
            const uint8_t* p = d_ + at + i * entry;
            h_.palette[i] = kOpaque | (uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | p[0];
        }
        return true;
    }

    uint32_t paletteColor(uint32_t index) const {
        return index < h_.palette.size() ? h_.palette[index] : kOpaque;
    }

    uint32_t fieldColor(uint32_t v) const {
        const uint32_t a = h_.hasAlphaMask ? h_.alpha.extract(v) : 255;
        return (a << 24) | (h_.red.extract(v) << 16) | (h_.green.extract(v) << 8) | h_.blue.extract(v);
    }

    DecodeOutcome readRows(ReducedRaster& reduced) {
        const uint64_t stride = ((static_cast<uint64_t>(h_.width) * h_.bitCount + 31) / 32) * 4;
        const uint64_t available = (n_ - h_.pixelOffset) / stride;
        const uint64_t rows = available < static_cast<uint64_t>(h_.height) ? available : h_.height;
        if (rows == 0) return DecodeOutcome::failed("the bitmap's pixel data is cut short");
        // Writers that declare an alpha mask but leave it zero mean an opaque picture.
        const uint32_t fill = h_.hasAlphaMask && !anyAlpha(rows, stride) ? kOpaque : 0u;
        for (uint64_t r = 0; r < rows; ++r) {
            const uint8_t* src = d_ + h_.pixelOffset + r * stride;
            for (int64_t x = 0; x < h_.width; ++x) row_[x] = pixelAt(src, x) | fill;
            reduced.putRow(static_cast<int>(h_.topDown ? r : h_.height - 1 - r), row_.data());
        }
        if (rows < static_cast<uint64_t>(h_.height))
            return DecodeOutcome::decoded("the bitmap's pixel data is cut short after " +
                                          std::to_string(rows) + " rows");
        return DecodeOutcome::decoded();
    }

    bool anyAlpha(uint64_t rows, uint64_t stride) const {
        for (uint64_t r = 0; r < rows; ++r) {
            const uint8_t* src = d_ + h_.pixelOffset + r * stride;
            for (int64_t x = 0; x < h_.width; ++x)
                if (pixelAt(src, x) >> 24) return true;
        }
        return false;
    }

    uint32_t pixelAt(const uint8_t* row, int64_t x) const {
        switch (h_.bitCount) {
            case 1: return paletteColor((row[x >> 3] >> (7 - (x & 7))) & 1u);
            case 4: return paletteColor((row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xFu);
            case 8: return paletteColor(row[x]);
            case 16: return fieldColor(u16At(row + 2 * x));
            case 24: {
                const uint8_t* p = row + 3 * x;
                return kOpaque | (uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | p[0];
            }
            default: return fieldColor(u32At(row + 4 * x));
        }
    }

    // Run-length data runs bottom-up; pixels the runs skip stay transparent. Each row is
    // gathered whole, then handed on when the runs move past it.
    DecodeOutcome readRle(ReducedRaster& reduced) {
        const bool four = h_.compression == kBiRle4;
        size_t p = h_.pixelOffset;
        int64_t x = 0, y = 0;
        bool rowTouched = false;
        auto put = [&](uint32_t index) {
            if (x < h_.width && y < h_.height) {
                row_[static_cast<size_t>(x)] = paletteColor(index);
                rowTouched = true;
            }
            ++x;
        };
        auto nextRows = [&](int64_t rows) {
            if (rowTouched && y < h_.height) reduced.putRow(static_cast<int>(h_.height - 1 - y), row_.data());
            if (rowTouched) std::fill(row_.begin(), row_.end(), 0u);
            rowTouched = false;
            y += rows;
        };
        DecodeOutcome outcome = DecodeOutcome::decoded();
        while (y < h_.height) {
            if (n_ - p < 2) {
                outcome = DecodeOutcome::decoded("the bitmap's run-length data is cut short");
                break;
            }
            const uint8_t count = d_[p], value = d_[p + 1];
            p += 2;
            if (count > 0) {
                for (int i = 0; i < count && x < h_.width; ++i)
                    put(four ? ((i & 1) ? value & 0xFu : value >> 4) : value);
                continue;
            }
            if (value == 0) {  // end of line
                x = 0;
                nextRows(1);
            } else if (value == 1) {  // end of bitmap
                break;
            } else if (value == 2) {  // move
                if (n_ - p < 2) {
                    outcome = DecodeOutcome::decoded("the bitmap's run-length data is cut short");
                    break;
                }
                x += d_[p];
                if (d_[p + 1] > 0) nextRows(d_[p + 1]);
                p += 2;
            } else {  // literal run of `value` pixels, padded to a 16-bit boundary
                const size_t bytes = four ? (value + 1u) / 2u : value;
                if (n_ - p < bytes) {
                    outcome = DecodeOutcome::decoded("the bitmap's run-length data is cut short");
                    break;
                }
                for (int i = 0; i < value; ++i)
                    put(four ? ((i & 1) ? d_[p + i / 2] & 0xFu : d_[p + i / 2] >> 4) : d_[p + i]);
                p += bytes + (bytes & 1u);
                if (p > n_) p = n_;
            }
        }
        nextRows(0);
        return outcome;
    }

    static bool fail(std::string& why, std::string text) {
        why = std::move(text);
        return false;
    }

    const uint8_t* d_;
    size_t n_;
    RasterImage& out_;
    const DecodeRequest& request_;
    BmpHeader h_;
    std::vector<uint32_t> row_;  // one row at full width
};

}  // namespace

DecodeOutcome DecodeBmp(const uint8_t* data, size_t size, RasterImage& out, const DecodeRequest& request) {
    out = RasterImage{};
    DecodeOutcome outcome = BmpReader(data, size, out, request).run();
    if (outcome.status != DecodeStatus::Decoded) out = RasterImage{};
    return outcome;
}

}  // namespace korvel
