// Jw_cad's text engine: a text drawn one character at a time into fixed character cells, with
// the in-text "^" codes for style, colour, scripts and overlays. Texts and dimensions use it.
#pragma once

#include <cstdint>
#include <string_view>

#include "drawing/records.h"
#include "render/render_context.h"
#include "render/render_target.h"

namespace korvel {

// One text to draw: the record's fields with its end points already in device units.
struct TextRun {
    int x = 0, y = 0;        // device point of the record's start
    int endX = 0, endY = 0;  // device point of the record's end
    double s = 1.0;          // device units per millimetre
    std::string_view text;      // CP932
    std::string_view fontName;  // CP932
    uint16_t flags = 0;         // 0x20: vertical
    uint32_t textType = 0;      // 10000 italic, 20000 bold, 30000 both
    double angle = 0.0;         // degrees, counter-clockwise
    double spacing = 0.0;       // millimetres between cells
    double sizeY = 0.0;         // cell height, millimetres
    double sizeX = 0.0;         // cell width of a full-width character, millimetres
    uint32_t colour = 0;        // 0x00BBGGRR
    // The record's attributes; colours picked by "^$" follow its monochrome and greyed-layer
    // rules like the record colour does. Null: "^$" colours are used as the table has them.
    const TJwData* record = nullptr;
};

// Draws the run; true when it was drawn to the end.
bool DrawTextRun(const RenderContext& context, RenderTarget& target, const TextRun& run);

}  // namespace korvel
