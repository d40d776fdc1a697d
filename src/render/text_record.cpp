// Texts and the text half of dimensions: which are drawn, where, in which colour, and whether
// the engine or the picture drawer draws them.
#include "render/text_record.h"

#include <cmath>

#include "render/picture_drawer.h"
#include "render/text_run.h"

namespace korvel {

namespace {

constexpr double kRadiansToDegrees = 180.0 / M_PI;

bool isImageReference(const std::string& text) { return text.compare(0, 4, "^@BM") == 0; }

// Auxiliary-colour records when those are hidden, and records on hidden layers.
bool passesGate(const RenderContext& ctx, const TJwData& rec) {
    if (rec.penColor == 9 && ctx.options.auxLineHidden) return false;
    return ctx.drawing.AllLayers || ctx.drawing.layerVisible(rec.layerGroup, rec.layer);
}

bool isDark(uint32_t c) { return (c & 0xFF) < 65 && ((c >> 8) & 0xFF) < 65 && ((c >> 16) & 0xFF) < 65; }

uint32_t greyOf(uint32_t c) {
    const uint32_t g = ((c & 0xFF) + ((c >> 8) & 0xFF) + ((c >> 16) & 0xFF)) / 3;
    return g * 0x010101u;
}

// Colour numbers above the table (SXF colours of newer drawings) fall back to colour 1.
uint32_t tableColour(const std::array<uint32_t, kPenColors>& table, uint16_t penColor) {
    return table[penColor < kPenColors ? penColor : 1];
}

// The monochrome modes and the grey of display-only layers, applied to a table colour.
uint32_t applyColourModes(const RenderContext& ctx, const TJwData& rec, uint32_t c) {
    const auto& header = ctx.drawing.header;
    if (ctx.options.bwPlot) c = ctx.options.bw2Grey ? (isDark(header.PenColor[0]) ? 0xFFFFFFu : 0u) : greyOf(c);
    if (ctx.drawing.layerGreyed(rec.layerGroup, rec.layer)) c = 0xC0C0C0u;
    return c;
}

// While a block is drawn, a text turns with it: its angle follows the block's rotation in the
// same sense as its points do (clockwise for a positive block angle).
double textAngle(const RenderContext& ctx, double angle) {
    if (!ctx.block.expandingBlock) return angle;
    return angle - ctx.block.Angle * kRadiansToDegrees;
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
    return run;
}

}  // namespace

void DrawTextRecord(RenderContext& context, RenderTarget& target, const TDataMoji& text) {
    if (IsJwcadSettingsText(text) || !passesGate(context, text)) return;
    const bool imageReference = isImageReference(text.text);
    if (!drawnInThisPass(context, imageReference)) return;
    if (imageReference) {
        const DevicePoint start = context.map(text.start);
        DrawImageReference(context, target, start.x, start.y, context.scale(), text.text);
        return;
    }
    const uint32_t colour =
        applyColourModes(context, text, tableColour(context.drawing.header.PenColor, text.penColor));
    DrawTextRun(context, target, runOf(context, text, colour));
}

void DrawDimensionText(RenderContext& context, RenderTarget& target, const TDataSunpou& dimension) {
    if (dimension.line.penColor == 9 && context.options.auxLineHidden) return;
    const TDataMoji& text = dimension.text;
    if (!passesGate(context, text)) return;
    const uint32_t colour = applyColourModes(
        context, text, tableColour(context.drawing.header.PrtPenColor, text.penColor));
    DrawTextRun(context, target, runOf(context, text, colour));
}

}  // namespace korvel
