// Qt's one-pixel lines, reproduced: the ends are first cut in floating point to the image widened
// by a pixel (two on the right and bottom), then turned into 26.6 fixed point (truncated), and
// the line is stepped along its longer axis with a 16.16 slope. Every pixel it would write is
// written here too; the clip only decides which of them land, as it does in Qt, so a line
// looks the same however the image is clipped.
#include "platform/hairline_raster.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

namespace korvel {

HairlineRaster::HairlineRaster(uint32_t* pixels, int width, int height, std::ptrdiff_t wordsPerLine)
    : pixels_(pixels), width_(width), height_(height), stride_(wordsPerLine) {
    clearClip();
}

void HairlineRaster::clearClip() {
    clip_.clear();
    if (width_ > 0 && height_ > 0) clip_.push_back({0, 0, width_, height_});
}

void HairlineRaster::setClip(const std::vector<PixelRect>& rects) {
    clip_.clear();
    for (const PixelRect& r : rects) {
        const PixelRect in{std::max(r.left, 0), std::max(r.top, 0), std::min(r.right, width_),
                           std::min(r.bottom, height_)};
        if (in.left < in.right && in.top < in.bottom) clip_.push_back(in);
    }
}

void HairlineRaster::dot(long long x, long long y) const {
    for (const PixelRect& r : clip_) {
        if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) {
            pixels_[y * stride_ + x] = value_;
            return;
        }
    }
}

namespace {
// Moves end (a, b) along the line towards (oa, ob) until a reaches `edge`. The slope is taken
// from the current end to the other one in this order so the rounding matches Qt's.
inline void slide(double& a, double& b, double oa, double ob, double edge) {
    b += (ob - b) / (oa - a) * (edge - a);
    a = edge;
}

// Cuts both ends of a line to [lo, hi] along one axis (a), keeping the other (b) on the line.
// False: the whole line lies beyond one side.
inline bool cutAxis(double& a1, double& b1, double& a2, double& b2, double lo, double hi) {
    if (a1 < lo) {
        if (a2 <= lo) return false;
        slide(a1, b1, a2, b2, lo);
    } else if (a1 > hi) {
        if (a2 >= hi) return false;
        slide(a1, b1, a2, b2, hi);
    }
    if (a2 < lo) slide(a2, b2, a1, b1, lo);
    else if (a2 > hi) slide(a2, b2, a1, b1, hi);
    return true;
}

inline int toFixed26(double v) { return static_cast<int>(v * 64.0); }
}  // namespace

bool HairlineRaster::cutToMargin(double& x1, double& y1, double& x2, double& y2) const {
    if (!std::isfinite(x1) || !std::isfinite(y1) || !std::isfinite(x2) || !std::isfinite(y2)) return false;
    return cutAxis(x1, y1, x2, y2, -1.0, width_ + 1.0) && cutAxis(y1, x1, y2, x2, -1.0, height_ + 1.0);
}

void HairlineRaster::line(int x1, int y1, int x2, int y2) {
    if (clip_.empty()) return;
    if (x1 == x2 && y1 == y2) {
        dot(static_cast<long long>(x1) + originX_, static_cast<long long>(y1) + originY_);
        return;
    }
    double fx1 = double(x1) + originX_, fy1 = double(y1) + originY_;
    double fx2 = double(x2) + originX_, fy2 = double(y2) + originY_;
    if (!cutToMargin(fx1, fy1, fx2, fy2)) return;
    const int ax = toFixed26(fx1), ay = toFixed26(fy1), bx = toFixed26(fx2), by = toFixed26(fy2);
    const int dx = std::abs(bx - ax), dy = std::abs(by - ay);
    if (dx < dy) run(true, ay, ax, by, bx);
    else if (dx > 0) run(false, ax, ay, bx, by);
}

// Steps a line whose ends are (u, v) in 26.6 fixed point, u the longer axis (y when steep).
void HairlineRaster::run(bool steep, int u1, int v1, int u2, int v2) {
    const bool backwards = u1 > u2;
    if (backwards) {
        std::swap(u1, u2);
        std::swap(v1, v2);
    }
    const int direction = steep ? (backwards ? kUp : kDown) : (backwards ? kLeft : kRight);
    const int reverse = steep ? (backwards ? kDown : kUp) : (backwards ? kRight : kLeft);
    bool capLow = caps_, capHigh = caps_;
    if (lastDirection_ == reverse) (backwards ? capHigh : capLow) = true;  // the line's own start

    // The 16.16 slope truncates toward zero, as C division does.
    const long long slope = static_cast<long long>(v2 - v1) * 65536 / (u2 - u1);
    long long v = static_cast<long long>(v1) * 1024;
    long long from = u1, to = u2;
    if (capLow) {
        from -= 32;
        v -= slope >> 1;
    }
    if (capHigh) to += 32;
    const long long first = (from + 32) >> 6;  // pixel centres: the first one on or after the start
    const long long end = (to + 32) >> 6;
    if (first == end) return;
    // The minor coordinate at the first pixel centre, rounded up for rising lines.
    v += (first * 64 + (slope > 0 ? 32 : 0) - from) * slope >> 6;
    lastDirection_ = direction;

    for (const PixelRect& r : clip_) {
        const long long lo = std::max<long long>(first, steep ? r.top : r.left);
        const long long hi = std::min<long long>(end, steep ? r.bottom : r.right);
        if (lo >= hi) continue;
        const long long minLo = steep ? r.left : r.top, minHi = steep ? r.right : r.bottom;
        long long pos = v + (lo - first) * slope;
        if (steep) {
            for (long long y = lo; y < hi; ++y, pos += slope) {
                const long long x = pos >> 16;
                if (x >= minLo && x < minHi) pixels_[y * stride_ + x] = value_;
            }
        } else {
            for (long long x = lo; x < hi; ++x, pos += slope) {
                const long long y = pos >> 16;
                if (y >= minLo && y < minHi) pixels_[y * stride_ + x] = value_;
            }
        }
    }
}

}  // namespace korvel
