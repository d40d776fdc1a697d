// Builders of circles, arcs and ellipses: Bézier paths for strokes (ArcPath, EllipsePath),
// sampled outlines for random line types (RandomArcPath) and for circle and arc solids
// (ArcSolidShape). Centres and radii are device units; angles radians, counter-clockwise with
// y upwards.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "render/curve_path.h"
#include "render/render_target.h"

namespace korvel {

// Quarter-circle Béziers: circles, and ellipses whose axes are not tilted.
void ArcPath(CurvePath& path, bool full, double cx, double cy, double r, double start,
             double sweep, double flatness, double tilt);
// 60° Béziers of a tilted ellipse, each its own figure.
void EllipsePath(CurvePath& path, bool full, double cx, double cy, double r, double start,
                 double sweep, double flatness, double tilt);
// A random line type along an ellipse: the sampled outline pushed out or pulled in per bit.
void RandomArcPath(CurvePath& path, uint32_t full, double pitch, double amplitude,
                   const std::array<double, 32>& bits, double cx, double cy, double r,
                   double start, double sweep, double flatness, double tilt);

// The sampled shape of a circle or arc solid, before it is handed to a target.
struct ArcSolid {
    std::vector<std::vector<DevicePoint>> figures;  // each a polygon (or polyline) of its own
    bool outlineOnly = false;                       // base 0 and outline mode: polylines
};

ArcSolid BuildArcSolid(int kind, double cx, double cy, double r, double inner, double start,
                       double sweep, double flatness, double tilt);
// Builds the shape and draws it: outlines in the colour with the thinnest pen, or polygons
// filled with the brush.
void ArcSolidShape(RenderTarget& target, uint32_t color, BrushStyle style, int kind, double cx,
                   double cy, double r, double inner, double start, double sweep,
                   double flatness, double tilt);

}  // namespace korvel
