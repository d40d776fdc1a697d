// Dimensions: the line half drawn as a line record of its own attributes, then the text half.
#include "render/device_mapping.h"
#include "render/line_style.h"
#include "render/record_drawers.h"
#include "render/text_record.h"

namespace korvel {

void DrawDimensionRecord(RenderContext& context, RenderTarget& target,
                         const TDataSunpou& dimension) {
    // One switch hides both halves: a dimension whose line is auxiliary.
    if (dimension.line.penColor == 9 && context.options.auxLineHidden) return;
    if (PassesLineGate(context, dimension.line)) {
        DevicePoint a, b;
        if (MapSegment(context, dimension.line.start, dimension.line.end, a, b)) {
            DrawLineOfType(context, target, dimension.line, a, b);
        }
    }
    DrawDimensionText(context, target, dimension);
}

}  // namespace korvel
