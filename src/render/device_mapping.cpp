// Record coordinates to device units, with the safe-range cut.
#include "render/device_mapping.h"

#include "render/line_style.h"

#include <algorithm>
#include <cmath>

namespace korvel {

namespace {
constexpr double kPi = 3.141592653589793;
}

void MapToDevice(const RenderContext& context, Point2 p, double& x, double& y) {
    if (context.block.expandingBlock) p = context.block.apply(p);
    x = context.view.toDeviceX(p.x);
    y = context.view.toDeviceY(p.y);
}

bool WithinSafeRange(double x, double y) {
    return std::fabs(x) <= kSafeDeviceRange && std::fabs(y) <= kSafeDeviceRange;
}

bool MapSegment(const RenderContext& context, Point2 a, Point2 b, DevicePoint& p1,
                DevicePoint& p2) {
    double x1, y1, x2, y2;
    MapToDevice(context, a, x1, y1);
    MapToDevice(context, b, x2, y2);
    if (!std::isfinite(x1) || !std::isfinite(y1) || !std::isfinite(x2) || !std::isfinite(y2)) {
        return false;
    }
    if (!WithinSafeRange(x1, y1) || !WithinSafeRange(x2, y2)) {
        const double dx = x2 - x1, dy = y2 - y1, R = kSafeDeviceRange;
        double t0 = 0.0, t1 = 1.0;
        if (!ClipToBox(DeviceBox{-R, -R, R, R}, x1, y1, dx, dy, t0, t1)) return false;
        const double nx1 = x1 + t0 * dx, ny1 = y1 + t0 * dy;
        x2 = x1 + t1 * dx;
        y2 = y1 + t1 * dy;
        x1 = nx1;
        y1 = ny1;
    }
    p1 = {RoundDevice(x1), RoundDevice(y1)};
    p2 = {RoundDevice(x2), RoundDevice(y2)};
    return true;
}

// Member points turn counter-clockwise for a positive angle with y upwards (Jw_cad's sense for
// every angle, and the one the extents are measured with), so circle and arc angles add the
// rotation: the block draws as one rigid figure. A mirroring scale reflects the ellipse, which turns the tilt the
// other way and runs the arc from the mirrored end.
ArcInBlock TransformArc(const RenderContext& context, double start, double sweep, double tilt) {
    ArcInBlock arc{1.0, 1.0, start, sweep, tilt};
    if (!context.block.expandingBlock) return arc;
    for (const BlockTransform* level = &context.block; level; level = level->outer) {
        const double sx = level->ScaleX, sy = level->ScaleY;
        if (sx < 0.0 && sy < 0.0) {
            arc.tilt += kPi;
        } else if (sx < 0.0) {
            arc.tilt = -arc.tilt;
            arc.start = kPi - arc.start - arc.sweep;
        } else if (sy < 0.0) {
            arc.tilt = -arc.tilt;
            arc.start = -arc.start - arc.sweep;
        }
        arc.radiusFactor *= std::fabs(sx);
        // A scale that differs between x and y flattens the ellipse along the block's axes; this
        // holds exactly for untilted ellipses, which is what such blocks contain in practice.
        if (sx != 0.0) arc.flatnessFactor *= std::fabs(sy / sx);
        arc.tilt += level->Angle;
    }
    return arc;
}

}  // namespace korvel
