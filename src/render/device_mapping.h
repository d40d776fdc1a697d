// Record coordinates to device units for the record drawings: block transform, view, and
// clipping so that coordinates far outside any canvas never reach a target as overflowed
// integers.
#pragma once

#include "drawing/records.h"
#include "render/render_context.h"

namespace korvel {

// Device coordinates beyond this are never handed to a target.
constexpr double kSafeDeviceRange = 4.0e6;

// The unrounded device position of a record point.
void MapToDevice(const RenderContext& context, Point2 p, double& x, double& y);
// True when a device position lies within the safe range.
bool WithinSafeRange(double x, double y);

// Maps a segment; the part beyond the safe range is cut away. False when nothing of it is left.
bool MapSegment(const RenderContext& context, Point2 a, Point2 b, DevicePoint& p1,
                DevicePoint& p2);

// The block transform's effect on a circle: total radius factor and turned angles. Within a
// mirrored block the arc runs the other way, which the start and tilt absorb.
struct ArcInBlock {
    double radiusFactor = 1.0;
    double flatnessFactor = 1.0;
    double start = 0.0;
    double sweep = 0.0;
    double tilt = 0.0;
};
ArcInBlock TransformArc(const RenderContext& context, double start, double sweep, double tilt);

}  // namespace korvel
