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

enum class Cut { Outside, Kept, SecondEndCut };

// Cuts both ends of a line to [lo, hi] along one axis (a), keeping the other (b) on the line.
inline Cut cutAxis(double& a1, double& b1, double& a2, double& b2, double lo, double hi) {
    if (a1 < lo) {
        if (a2 <= lo) return Cut::Outside;
        slide(a1, b1, a2, b2, lo);
    } else if (a1 > hi) {
        if (a2 >= hi) return Cut::Outside;
        slide(a1, b1, a2, b2, hi);
    }
    if (a2 < lo) {
        slide(a2, b2, a1, b1, lo);
        return Cut::SecondEndCut;
    }
    if (a2 > hi) {
        slide(a2, b2, a1, b1, hi);
        return Cut::SecondEndCut;
    }
    return Cut::Kept;
}

inline int toFixed26(double v) { return static_cast<int>(v * 64.0); }

// Qt's 16.16 slope: truncated toward zero, as C division does.
inline long long slopeOf(int dv, int du) { return static_cast<long long>(dv) * 65536 / du; }
}  // namespace

// False when the line misses the widened image. A cut at the far end leaves nothing to join to.
bool HairlineRaster::cutToMargin(double& x1, double& y1, double& x2, double& y2) {
    if (!std::isfinite(x1) || !std::isfinite(y1) || !std::isfinite(x2) || !std::isfinite(y2)) return false;
    for (int axis = 0; axis < 2; ++axis) {
        const Cut cut = axis == 0 ? cutAxis(x1, y1, x2, y2, -1.0, width_ + 1.0)
                                  : cutAxis(y1, x1, y2, x2, -1.0, height_ + 1.0);
        if (cut != Cut::Kept) lastPixel_.x = kNone;
        if (cut == Cut::Outside) return false;
    }
    return true;
}

void HairlineRaster::line(int x1, int y1, int x2, int y2) {
    if (clip_.empty()) return;
    if (x1 == x2 && y1 == y2) {
        dot(static_cast<long long>(x1) + originX_, static_cast<long long>(y1) + originY_);
        return;
    }
    lastPixel_ = {kNone, kNone};
    segment(double(x1) + originX_, double(y1) + originY_, double(x2) + originX_, double(y2) + originY_, caps_,
            caps_);
}

void HairlineRaster::polyline(const DevicePoint* points, size_t count) {
    if (clip_.empty() || count < 2) return;
    startBatch();
    const auto at = [&](size_t i) {
        return std::pair<double, double>(double(points[i].x) + originX_, double(points[i].y) + originY_);
    };
    const bool closed = points[0] == points[count - 1];
    if (closed) {
        const auto from = at(count > 2 ? count - 2 : count - 1), to = at(0);
        rememberClosingSegment(from.first, from.second, to.first, to.second);
    }
    bool capStart = caps_ && !closed;
    auto p = at(0);
    for (size_t i = 1; i < count; ++i) {
        const auto q = at(i);
        const bool moved = segment(p.first, p.second, q.first, q.second, capStart, caps_ && !closed && i == count - 1);
        // A segment that drew nothing leaves the next one starting where it started, as in Qt.
        if (moved || i == 1 || i == count - 1) p = q;
        capStart = false;
    }
}

// One segment; true when the next one starts at its end (Qt's rule: it drew, or it was long
// enough to, or it lay outside).
bool HairlineRaster::segment(double x1, double y1, double x2, double y2, bool capStart, bool capEnd) {
    bool drew = std::abs(x2 - x1) + std::abs(y2 - y1) >= 1.0;
    if (!cutToMargin(x1, y1, x2, y2)) return true;
    const int ax = toFixed26(x1), ay = toFixed26(y1), bx = toFixed26(x2), by = toFixed26(y2);
    const int dx = std::abs(bx - ax), dy = std::abs(by - ay);
    if (dx < dy) drew = step(true, ay, ax, by, bx, capStart, capEnd) || drew;
    else if (dx == 0) return true;
    else drew = step(false, ax, ay, bx, by, capStart, capEnd) || drew;
    return drew;
}

// Steps a segment whose ends are (u, v) in 26.6 fixed point, u the longer axis (y when steep).
bool HairlineRaster::step(bool steep, int u1, int v1, int u2, int v2, bool capStart, bool capEnd) {
    const bool backwards = u1 > u2;
    if (backwards) {
        std::swap(u1, u2);
        std::swap(v1, v2);
        std::swap(capStart, capEnd);
    }
    // From here on "low" and "high" are the ends of smaller and larger u.
    const int direction = steep ? (backwards ? kUp : kDown) : (backwards ? kLeft : kRight);
    const int reverse = steep ? (backwards ? kDown : kUp) : (backwards ? kRight : kLeft);
    bool capLow = capStart, capHigh = capEnd;
    if (lastDirection_ == reverse) (backwards ? capHigh : capLow) = true;  // the segment's own start

    const long long slope = slopeOf(v2 - v1, u2 - u1);
    long long v = static_cast<long long>(v1) * 1024;
    long long from = u1, to = u2;
    if (capLow) {
        from -= 32;
        v -= slope >> 1;
    }
    if (capHigh) to += 32;
    long long first = (from + 32) >> 6;  // pixel centres: the first one on or after the start
    long long end = (to + 32) >> 6;
    if (capLow && (steep ? lastPixel_.y : lastPixel_.x) == first + 1) ++first;
    if (first == end) return false;
    // The minor coordinate at the first pixel centre, rounded up for rising lines.
    v += (first * 64 + (slope > 0 ? 32 : 0) - from) * slope >> 6;

    const auto pixelAt = [steep](long long u, long long minor) { return steep ? Pixel{minor, u} : Pixel{u, minor}; };
    Pixel begin = pixelAt(first, v >> 16);
    Pixel last = pixelAt(end - 1, (v + (end - first - 1) * slope) >> 16);
    if (backwards) std::swap(begin, last);
    const bool axisAligned = std::llabs(slope) < (1 << 14);
    if (lastPixel_.x != kNone) {
        const long long gapX = std::llabs(lastPixel_.x - begin.x), gapY = std::llabs(lastPixel_.y - begin.y);
        if (gapX == 0 && gapY == 0) {  // the join's pixel is drawn already
            if (backwards) --end;
            else {
                ++first;
                v += slope;
            }
        } else if (lastDirection_ != direction &&
                   ((axisAligned && lastAxisAligned_ && gapX != 0 && gapY != 0) || gapX > 1 || gapY > 1)) {
            // a corner would leave a gap: one more pixel at the start
            if (backwards) ++end;
            else {
                --first;
                v -= slope;
            }
        } else if (lastDirection_ == direction && gapX <= 1 && gapY > 1) {
            v += slope >> 1;
            const long long minor = (backwards ? v : v + (end - first - 1) * slope) >> 16;
            (steep ? last.x : last.y) = minor;
        }
    }
    lastDirection_ = direction;
    lastAxisAligned_ = axisAligned;
    paint(steep, first, std::max(end, first + 1), v, slope);  // at least one pixel, as Qt's loop
    lastPixel_ = last;
    return true;
}

// What the last segment of a closed polyline leaves to join its first segment to, undrawn.
void HairlineRaster::rememberClosingSegment(double x1, double y1, double x2, double y2) {
    lastPixel_ = {kNone, kNone};
    if (!cutToMargin(x1, y1, x2, y2)) return;
    int u1 = toFixed26(x1), v1 = toFixed26(y1), u2 = toFixed26(x2), v2 = toFixed26(y2);
    const bool steep = std::abs(u2 - u1) < std::abs(v2 - v1);
    if (steep) {
        std::swap(u1, v1);
        std::swap(u2, v2);
    } else if (u1 == u2) {
        return;
    }
    const bool backwards = u1 > u2;
    if (backwards) {
        std::swap(u1, u2);
        std::swap(v1, v2);
    }
    const long long slope = slopeOf(v2 - v1, u2 - u1);
    const long long first = (static_cast<long long>(u1) + 32) >> 6, end = (static_cast<long long>(u2) + 32) >> 6;
    if (first == end) return;
    const long long v = static_cast<long long>(v1) * 1024 + ((first * 64 + (slope > 0 ? 32 : 0) - u1) * slope >> 6);
    const long long u = backwards ? first : end - 1;
    const long long minor = (backwards ? v : v + (end - first - 1) * slope) >> 16;
    lastPixel_ = steep ? Pixel{minor, u} : Pixel{u, minor};
    lastDirection_ = steep ? (backwards ? kUp : kDown) : (backwards ? kLeft : kRight);
    lastAxisAligned_ = std::llabs(slope) < (1 << 14);
}

void HairlineRaster::paint(bool steep, long long first, long long stop, long long v, long long slope) const {
    for (const PixelRect& r : clip_) {
        const long long lo = std::max<long long>(first, steep ? r.top : r.left);
        const long long hi = std::min<long long>(stop, steep ? r.bottom : r.right);
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
