// Texts and the text half of dimensions: which are drawn, where, in which colour, and whether
// the engine or the picture drawer draws them.
#include "render/text_record.h"

#include <cmath>

#include "render/line_style.h"
#include "render/picture_drawer.h"
#include "render/record_index.h"
#include "render/text_run.h"

namespace korvel {

namespace {

constexpr double kRadiansToDegrees = 180.0 / M_PI;

bool isImageReference(const std::string& text) { return text.compare(0, 4, "^@BM") == 0; }

// While a block is drawn, a text turns with it (and with the blocks around it): its angle
// follows the rotation in the same sense as its points do, counter-clockwise for a positive angle.
double textAngle(const RenderContext& ctx, double angle) {
    if (!ctx.block.expandingBlock) return angle;
    return angle + ctx.block.totalAngle() * kRadiansToDegrees;
}

// With a draw-first mode the driver draws image references in its pre-pass and plain texts in
// its main walk. Texts inside blocks are only met in the main walk, so both kinds draw there.
bool drawnInThisPass(const RenderContext& ctx, bool imageReference) {
    const int order = ctx.options.drawOrder >= 0 ? ctx.options.drawOrder
                                                 : static_cast<int>(ctx.drawing.header.DisplayOption[2]);
    if ((order != 1 && order != 2) || ctx.block.expandingBlock) return !ctx.prePass;
    return ctx.prePass == imageReference;
}

TextRun runOf(const RenderContext& ctx, const TDataMoji& t, uint32_t colour) {
    const DevicePoint start = ctx.map(t.start);
    const DevicePoint end = ctx.map(t.end);
    TextRun run;
    run.x = start.x;
    run.y = start.y;
    run.endX = end.x;
    run.endY = end.y;
    run.s = ctx.scale();
    run.text = t.text;
    run.fontName = t.fontName;
    run.flags = t.flags;
    run.textType = t.textType;
    run.angle = textAngle(ctx, t.angle);
    run.spacing = t.spacing;
    run.sizeY = t.sizeY;
    run.sizeX = t.sizeX;
    run.colour = colour;
    run.record = &t;
    return run;
}

}  // namespace

void DrawTextRecord(RenderContext& context, RenderTarget& target, const TDataMoji& text) {
    if (IsJwcadSettingsText(text) || !PassesLayerGate(context, text)) return;
    const bool imageReference = isImageReference(text.text);
    if (!drawnInThisPass(context, imageReference)) return;
    // Picture references are not passed over: a missing file is said by the render of the whole
    // picture wherever the reference lies, and so by the bands.
    DrawingArea area;
    if (!imageReference && context.passOverLines && !context.block.expandingBlock && TextDrawingArea(text, area) &&
        context.passesOver(area.minX, area.minY, area.maxX, area.maxY))
        return;
    if (imageReference) {
        const DevicePoint start = context.map(text.start);
        DrawImageReference(context, target, start.x, start.y, context.scale(), text.text);
        return;
    }
    DrawTextRun(context, target, runOf(context, text, ResolvePenColor(context, text)));
}

void DrawDimensionText(RenderContext& context, RenderTarget& target, const TDataSunpou& dimension) {
    if (dimension.line.penColor == 9 && context.options.auxLineHidden) return;
    const TDataMoji& text = dimension.text;
    if (!PassesLayerGate(context, text)) return;
    // The printer colour; numbers beyond the table draw black, as they do for lines.
    const auto& printer = context.pens.PrtPenColor;
    const uint32_t colour = ApplyColorModes(
        context, text.penColor < kPenColors ? printer[text.penColor] : 0u, text);
    DrawTextRun(context, target, runOf(context, text, colour));
}

}  // namespace korvel
