// One-pixel aliased lines written straight into 32-bit pixels, pixel for pixel as Qt's raster
// engine draws them with a one-pixel solid pen of an opaque colour. Drawings are mostly such
// lines, and through QPainter each one pays for state checks, span lists and blending that an
// opaque colour does not need.
#pragma once

#include <climits>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "render/render_target.h"

namespace korvel {

// Right and bottom excluded.
struct PixelRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

class HairlineRaster {
public:
    // Sides beyond this keep Qt's 16.16 stepping inside 32 bits; larger images are left to Qt.
    static constexpr int kMaxSide = 16384;
    static bool fits(int width, int height) {
        return width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide;
    }

    // The pixels stay the caller's; `wordsPerLine` is the distance between rows in pixels.
    HairlineRaster(uint32_t* pixels, int width, int height, std::ptrdiff_t wordsPerLine);

    // Only pixels inside one of these change; the rectangles must not overlap (a region's
    // rectangles do not). Without a clip the whole image may change.
    void setClip(const std::vector<PixelRect>& rects);
    void clearClip();
    // Added to every end point, as the painter's translation is.
    void setOrigin(int dx, int dy) {
        originX_ = dx;
        originY_ = dy;
    }
    // The pixel value written, alpha included (opaque colours only: nothing is blended).
    void setPixel(uint32_t value) { value_ = value; }
    // Qt's round and square caps reach half a pixel past each end; flat caps stop at the end.
    void setCaps(bool caps) { caps_ = caps; }

    // Qt's lines of one batch (one QPainter::drawLines) are not independent: a flat-capped line
    // running back along the axis of the line before gets a cap at its start. A batch begins
    // with no line before.
    void startBatch() {
        lastDirection_ = kNoDirection;
        lastPixel_ = {kNone, kNone};
    }
    void line(int x1, int y1, int x2, int y2);
    // Joined segments, as QPainter::drawPolyline draws them with the same pen: caps only at the
    // ends of an open one, and each segment's first pixel adjusted to the last pixel of the one
    // before so a join neither repeats a pixel nor leaves a gap. A polyline ending where it
    // starts is closed: no caps, and its first join is made with its last segment.
    void polyline(const DevicePoint* points, size_t count);

private:
    enum Direction : int { kNoDirection = 0, kDown = 1, kUp = 2, kRight = 4, kLeft = 8 };
    static constexpr int kNone = INT_MIN;  // no last pixel to join to
    struct Pixel {
        long long x;
        long long y;
    };

    void dot(long long x, long long y) const;
    bool cutToMargin(double& x1, double& y1, double& x2, double& y2);
    bool segment(double x1, double y1, double x2, double y2, bool capStart, bool capEnd);
    bool step(bool steep, int u1, int v1, int u2, int v2, bool capStart, bool capEnd);
    void rememberClosingSegment(double x1, double y1, double x2, double y2);
    void paint(bool steep, long long first, long long stop, long long v, long long slope) const;

    uint32_t* pixels_;
    int width_;
    int height_;
    std::ptrdiff_t stride_;
    std::vector<PixelRect> clip_;
    int originX_ = 0;
    int originY_ = 0;
    uint32_t value_ = 0xFF000000u;
    bool caps_ = true;
    int lastDirection_ = kNoDirection;
    Pixel lastPixel_{kNone, kNone};  // the last pixel of the segment before, to join to
    bool lastAxisAligned_ = false;
};

}  // namespace korvel
