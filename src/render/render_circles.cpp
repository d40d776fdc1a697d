// Circle, arc and ellipse records: a Bézier path, flattened, stroked dash by dash.
#include <algorithm>
#include <cmath>

#include "render/arc_paths.h"
#include "render/dashed_path.h"
#include "render/device_mapping.h"
#include "render/line_style.h"
#include "render/record_drawers.h"

namespace korvel {

namespace {
const DashPattern kUnbroken{1000000.0, 1.0};

// The curve of the record into the path, by the first case that applies.
void buildCurve(CurvePath& path, const PenTable& pens, const TDataEnko& circle,
                const ArcInBlock& arc, double cx, double cy, double r) {
    const int t = circle.penStyle;
    const double flatness = circle.flatness * arc.flatnessFactor;
    const bool whole = circle.fullCircle == 1;
    if (t >= 11 && t <= 15) {
        RandomArcPath(path, circle.fullCircle, pens.LineTypePitch[t], pens.RandomLineWidth[t],
                      BuildRandomBits(pens, t), cx, cy, r, arc.start, arc.sweep, flatness,
                      arc.tilt);
    } else if (flatness == 1.0 || arc.tilt == 0.0) {
        ArcPath(path, whole, cx, cy, r, arc.start, arc.sweep, flatness, arc.tilt);
    } else if (circle.fullCircle > 1) {
        // Only the outline of the sampled shape counts inside a path.
        const ArcSolid shape = BuildArcSolid(circle.fullCircle & 0xFF, cx, cy, r, 0.0, arc.start,
                                             arc.sweep, flatness, arc.tilt);
        for (const auto& figure : shape.figures) {
            if (figure.empty()) continue;
            path.moveTo(figure[0]);
            for (size_t i = 1; i < figure.size(); ++i) path.lineTo(figure[i]);
        }
    } else {
        EllipsePath(path, whole, cx, cy, r, arc.start, arc.sweep, flatness, arc.tilt);
    }
}
}  // namespace

void DrawCircleRecord(RenderContext& context, RenderTarget& target, const TDataEnko& circle) {
    if (!PassesLineGate(context, circle)) return;
    const PenTable& pens = context.pens;
    const ArcInBlock arc = TransformArc(context, circle.startAngle, circle.arcAngle, circle.tiltAngle);

    double x, y;
    MapToDevice(context, circle.center, x, y);
    const double rDevice = std::nearbyint(circle.radius * arc.radiusFactor * context.scale());
    // A curve beyond the safe range could only be seen at a zoom no render uses; it is skipped
    // rather than handed over as overflowed coordinates.
    if (!WithinSafeRange(x, y) || !(rDevice <= kSafeDeviceRange)) return;
    const double cx = RoundDevice(x), cy = RoundDevice(y);
    const double r = rDevice <= 0.0 ? 1.0 : rDevice;
    if (context.passOverLines) {
        // The curve lies within its longer axis of the centre (random curves step off it by
        // no more than the reach already counted).
        const double axis = r * std::max(1.0, std::fabs(circle.flatness * arc.flatnessFactor)) + 1.0;
        if (cx + axis < context.passLeft || cx - axis > context.passRight || cy + axis < context.passTop ||
            cy - axis > context.passBottom)
            return;
    }

    const int t = circle.penStyle;
    const DashPattern& pattern = (t == 1 || (t >= 11 && t <= 15)) ? kUnbroken : CachedDashPattern(pens, t);
    const uint32_t color = ResolvePenColor(context, circle);
    const double width = context.options.thinLines ? 1.0 : double(PenWidthOf(context, circle.penColor));

    CurvePath curve;
    buildCurve(curve, pens, circle, arc, cx, cy, r);
    TPath path;
    path.Load(curve);

    DeviceBox box;
    CurveStroke stroke;
    stroke.color = color;
    stroke.flatCaps = true;
    stroke.thinPen = context.options.thinLines;
    if (VisibleBox(context, box)) stroke.visible = &box;
    stroke.budget = &context.budget;
    stroke.dotSize = context.options.dotSize;
    DrawPathDashed(path, target, stroke, pattern, width);
}

}  // namespace korvel
