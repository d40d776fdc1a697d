// A picture's rows received at full size and kept reduced by a whole factor, so that a picture
// drawn a few pixels wide never needs its hundred megapixels in memory. Rows are averaged over
// each factor x factor block (weighted by alpha, so transparent pixels lend no colour); rows
// that arrive interlaced (passes over the picture) are sampled instead.
#pragma once

#include <cstdint>
#include <vector>

#include "render/render_target.h"

namespace korvel {

// What a render asks of a decoder: the device size the picture is drawn at (0: full size) and
// how many pixels it may still decode (a decoder refuses a picture that costs more).
struct DecodeRequest {
    int drawnWidth = 0;
    int drawnHeight = 0;
    uint64_t pixelAllowance = UINT64_MAX;
};

// The largest power of two that keeps a picture of `width` x `height` at least as large as it is
// drawn; 1 for a full-size request.
int ReductionFactor(int64_t width, int64_t height, const DecodeRequest& request);

class ReducedRaster {
public:
    // Prepares `out` for a picture of width x height reduced by `factor`. With `interlaced`, rows
    // may arrive in any order and are sampled; otherwise they arrive top to bottom or bottom to
    // top. Pixels no row reaches stay transparent.
    ReducedRaster(RasterImage& out, int width, int height, int factor, bool interlaced = false);

    // Source row `y` (width pixels, 0xAARRGGBB).
    void putRow(int y, const uint32_t* pixels);
    // Completes the last block of rows; call it once all rows are in.
    void finish();

    int factor() const { return factor_; }

private:
    void flush();
    bool intact() const {
        return out_.width == reducedWidth_ && out_.height == reducedHeight_ &&
               out_.pixels.size() == static_cast<size_t>(reducedWidth_) * reducedHeight_;
    }

    RasterImage& out_;
    int width_;
    int height_;
    int factor_;
    bool interlaced_;
    int reducedWidth_ = 0;
    int reducedHeight_ = 0;
    int64_t currentRow_ = -1;  // the reduced row being summed
    std::vector<uint64_t> sums_;  // per reduced pixel: alpha, red x alpha, green x alpha, blue x alpha
    std::vector<uint32_t> counts_;
};

}  // namespace korvel
