// Solid records: filled quadrilaterals, and circle or arc solids built by ArcSolidShape.
#include <algorithm>
#include <cmath>

#include "render/arc_paths.h"
#include "render/device_mapping.h"
#include "render/line_style.h"
#include "render/record_drawers.h"
#include "render/solid_style.h"

namespace korvel {

namespace {

// Corners far outside the canvas are pulled in to the safe range: the fill still covers the
// canvas and no coordinate overflows.
DevicePoint safePoint(const RenderContext& context, Point2 p) {
    double x, y;
    MapToDevice(context, p, x, y);
    if (std::isnan(x) || std::isnan(y)) return {0, 0};
    return RoundPoint(std::clamp(x, -kSafeDeviceRange, kSafeDeviceRange),
                      std::clamp(y, -kSafeDeviceRange, kSafeDeviceRange));
}

void drawArcSolid(RenderContext& context, RenderTarget& target, const TDataSolid& solid,
                  uint32_t color, BrushStyle brush) {
    // A selector outside the known shapes names no shape: nothing is drawn.
    const int kind = ArcSolidKind(solid);
    if (kind == 0) return;
    const ArcInBlock arc = TransformArc(context, solid.corner3.y, solid.corner4.x, solid.corner3.x);
    double x, y;
    MapToDevice(context, solid.corner1, x, y);
    const double s = context.scale() * arc.radiusFactor;
    const double r = solid.corner2.x * s;
    const double inner = solid.penStyle == 106 ? solid.corner4.y * s : 0.0;
    if (!WithinSafeRange(x, y) || !(std::fabs(r) <= kSafeDeviceRange) ||
        !(std::fabs(inner) <= kSafeDeviceRange)) {
        return;
    }
    ArcSolidShape(target, color, brush, kind, x, y, r, inner, arc.start, arc.sweep,
                  solid.corner2.y * arc.flatnessFactor, arc.tilt);
}
}  // namespace

void DrawSolidRecord(RenderContext& context, RenderTarget& target, const TDataSolid& solid) {
    if (!PassesLayerGate(context, solid)) return;
    const uint32_t color = SolidColor(context, solid);
    const BrushStyle brush = SolidHatchStyle(context.options, color, solid.penColor);
    if (solid.penStyle > 100) {
        drawArcSolid(context, target, solid, color, brush);
        return;
    }
    const DevicePoint corners[4] = {safePoint(context, solid.corner1), safePoint(context, solid.corner2),
                                    safePoint(context, solid.corner3), safePoint(context, solid.corner4)};
    // The outline takes the solid's colour with the thinnest pen.
    target.polygon(corners, 4, {color, 0}, {brush, color});
}

}  // namespace korvel
