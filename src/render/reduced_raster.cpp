#include "render/reduced_raster.h"

#include <algorithm>
#include <cstring>

namespace korvel {

int ReductionFactor(int64_t width, int64_t height, const DecodeRequest& request) {
    if (request.drawnWidth <= 0 || request.drawnHeight <= 0) return 1;
    int factor = 1;
    while (factor < (1 << 20) && width / (2 * factor) >= request.drawnWidth &&
           height / (2 * factor) >= request.drawnHeight)
        factor *= 2;
    return factor;
}

ReducedRaster::ReducedRaster(RasterImage& out, int width, int height, int factor, bool interlaced)
    : out_(out), width_(width), height_(height), factor_(std::max(factor, 1)), interlaced_(interlaced) {
    out_.width = (width + factor_ - 1) / factor_;
    out_.height = (height + factor_ - 1) / factor_;
    out_.pixels.assign(static_cast<size_t>(out_.width) * out_.height, 0u);
    reducedWidth_ = out_.width;
    reducedHeight_ = out_.height;
    if (factor_ > 1 && !interlaced_) {
        sums_.assign(static_cast<size_t>(out_.width) * 4, 0);
        counts_.assign(out_.width, 0);
    }
}

void ReducedRaster::putRow(int y, const uint32_t* pixels) {
    // The decoder may have given up on `out` (a damaged picture) while rows were still coming.
    if (y < 0 || y >= height_ || !intact()) return;
    if (factor_ == 1) {
        std::memcpy(out_.pixels.data() + static_cast<size_t>(y) * width_, pixels, sizeof(uint32_t) * width_);
        return;
    }
    const int64_t row = y / factor_;
    if (interlaced_) {
        if (y % factor_ != 0) return;
        uint32_t* dst = out_.pixels.data() + static_cast<size_t>(row) * out_.width;
        for (int x = 0; x < out_.width; ++x) dst[x] = pixels[static_cast<size_t>(x) * factor_];
        return;
    }
    if (row != currentRow_) {
        flush();
        currentRow_ = row;
    }
    // Column blocks in turn: no division per pixel.
    for (int ox = 0, x = 0; ox < out_.width; ++ox) {
        const int start = x, end = std::min(x + factor_, width_);
        uint64_t a = 0, r = 0, g = 0, b = 0;
        for (; x < end; ++x) {
            const uint32_t p = pixels[x];
            const uint32_t alpha = p >> 24;
            a += alpha;
            r += alpha * ((p >> 16) & 0xFF);
            g += alpha * ((p >> 8) & 0xFF);
            b += alpha * (p & 0xFF);
        }
        uint64_t* s = &sums_[static_cast<size_t>(ox) * 4];
        s[0] += a;
        s[1] += r;
        s[2] += g;
        s[3] += b;
        counts_[ox] += static_cast<uint32_t>(end - start);
    }
}

void ReducedRaster::flush() {
    if (currentRow_ < 0) return;
    if (!intact()) {
        currentRow_ = -1;
        return;
    }
    uint32_t* dst = out_.pixels.data() + static_cast<size_t>(currentRow_) * out_.width;
    for (int x = 0; x < out_.width; ++x) {
        const uint64_t* s = &sums_[static_cast<size_t>(x) * 4];
        const uint64_t n = counts_[x];
        if (n == 0 || s[0] == 0) {
            dst[x] = 0;
        } else {
            const uint64_t half = s[0] / 2;
            const uint32_t a = static_cast<uint32_t>((s[0] + n / 2) / n);
            dst[x] = (a << 24) | (static_cast<uint32_t>((s[1] + half) / s[0]) << 16) |
                     (static_cast<uint32_t>((s[2] + half) / s[0]) << 8) | static_cast<uint32_t>((s[3] + half) / s[0]);
        }
    }
    std::fill(sums_.begin(), sums_.end(), 0);
    std::fill(counts_.begin(), counts_.end(), 0);
    currentRow_ = -1;
}

void ReducedRaster::finish() {
    if (factor_ > 1 && !interlaced_) flush();
}

}  // namespace korvel
