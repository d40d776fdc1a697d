// Line records: gate, device points, then a solid run, dashes or a random line.
#include <algorithm>

#include "render/device_mapping.h"
#include "render/line_style.h"
#include "render/record_drawers.h"

namespace korvel {

void DrawLineOfType(RenderContext& context, RenderTarget& target, const TJwData& attributes,
                    DevicePoint a, DevicePoint b) {
    const PenTable& pens = context.pens;
    const int t = attributes.penStyle;
    const uint32_t color = ResolvePenColor(context, attributes);
    const int width = PenWidthOf(context, attributes.penColor);
    if (t >= 11 && t <= 15) {
        // Widths outside 1..100 fall back to the thinnest pen, as for dashed lines.
        const PenSpec pen{color, width > 100 ? 0 : width};
        const double dot = context.options.dotSize;
        DrawRandomLine(target, pen, a.x, a.y, b.x, b.y, BuildRandomBits(pens, t),
                       (pens.LineTypePitch[t] == 0 ? 1.0 : pens.LineTypePitch[t]) * dot,
                       (pens.RandomLineWidth[t] == 0 ? 1.0 : pens.RandomLineWidth[t]) * dot);
        return;
    }
    DeviceBox box;
    const bool bounded = VisibleBox(context, box);
    const DashPattern& pattern = CachedDashPattern(pens, t);
    StrokeStyle style{target, t, pattern, double(width), color, bounded ? &box : nullptr,
                      context.options.dotSize};
    const DeviceBox shown{context.passLeft, context.passTop, context.passRight, context.passBottom};
    if (context.passOverLines) style.shown = &shown;
    DrawDashedSegment(style, a.x, a.y, b.x, b.y);
}

void DrawLineRecord(RenderContext& context, RenderTarget& target, const TDataSen& line) {
    if (context.passesOver(std::min(line.start.x, line.end.x), std::min(line.start.y, line.end.y),
                           std::max(line.start.x, line.end.x), std::max(line.start.y, line.end.y)))
        return;
    if (!PassesLineGate(context, line)) return;
    DevicePoint a, b;
    if (!MapSegment(context, line.start, line.end, a, b)) return;
    if (context.passOverLines &&
        (std::max(a.x, b.x) < context.passLeft || std::min(a.x, b.x) > context.passRight ||
         std::max(a.y, b.y) < context.passTop || std::min(a.y, b.y) > context.passBottom))
        return;
    DrawLineOfType(context, target, line, a, b);
}

}  // namespace korvel
