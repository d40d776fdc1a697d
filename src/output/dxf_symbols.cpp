// The renderer is the one place that knows what each code looks like, so the symbol is drawn
// by it, onto a recording target fine enough (a thousand units per millimetre) that rounding
// to whole device units leaves nothing visible, and read back.
#include "output/dxf_symbols.h"

#include <cmath>

#include "drawing/drawing.h"
#include "render/record_drawers.h"
#include "render/recording_target.h"
#include "render/render_context.h"

namespace korvel {

namespace {

constexpr double kUnitsPerMillimetre = 1000.0;
constexpr double kRadiansToDegrees = 180.0 / 3.141592653589793;

Point2 toMillimetres(double x, double y) { return {x / kUnitsPerMillimetre, -y / kUnitsPerMillimetre}; }

std::vector<Point2> pointsOf(const RecordedCall& call) {
    std::vector<Point2> out;
    for (const DevicePoint& p : call.points) out.push_back(toMillimetres(p.x, p.y));
    return out;
}

DxfSymbolArc circleOf(const RecordedCall& call) {
    const double l = call.rect.left, t = call.rect.top, r = call.rect.right, b = call.rect.bottom;
    DxfSymbolArc arc;
    arc.center = toMillimetres((l + r) / 2.0, (t + b) / 2.0);
    arc.radius = (r - l) / 2.0 / kUnitsPerMillimetre;
    arc.full = true;
    return arc;
}

// An arc of the target runs counter-clockwise from its start point to its end point; the same
// point twice is the whole circle.
DxfSymbolArc arcOf(const RecordedCall& call) {
    DxfSymbolArc arc = circleOf(call);
    const double cx = (call.rect.left + call.rect.right) / 2.0, cy = (call.rect.top + call.rect.bottom) / 2.0;
    const int xs = call.points[0].x, ys = call.points[0].y, xe = call.points[1].x, ye = call.points[1].y;
    if (xs == xe && ys == ye) return arc;
    arc.full = false;
    arc.startDegrees = std::atan2(-(ys - cy), xs - cx) * kRadiansToDegrees;
    arc.endDegrees = std::atan2(-(ye - cy), xe - cx) * kRadiansToDegrees;
    return arc;
}

}  // namespace

DxfSymbol SpecialPointSymbol(int32_t code) {
    Drawing drawing;
    drawing.header.Version = 300;
    drawing.AllLayers = true;
    RenderOptions options;
    RenderContext context(drawing, options);
    context.view.scale = kUnitsPerMillimetre;
    TDataTen point;
    point.penStyle = 100;
    point.code = static_cast<uint32_t>(code);
    point.scale = 1.0;
    RecordingTarget target;
    DrawPointRecord(context, target, point);

    DxfSymbol symbol;
    for (const RecordedCall& call : target.calls) {
        switch (call.kind) {
            case CallKind::Polyline: symbol.strokes.push_back(pointsOf(call)); break;
            case CallKind::Polygon: symbol.fills.push_back(pointsOf(call)); break;
            case CallKind::Arc: symbol.arcs.push_back(arcOf(call)); break;
            case CallKind::Ellipse: symbol.discs.push_back(circleOf(call)); break;
            default: break;
        }
    }
    // The ordinary point is a dot two units wide: no symbol of its own.
    if (symbol.strokes.empty() && symbol.fills.empty() && symbol.arcs.empty() &&
        symbol.discs.size() == 1 && symbol.discs[0].radius * kUnitsPerMillimetre <= 1.0) {
        return DxfSymbol{};
    }
    return symbol;
}

}  // namespace korvel
