// Drawing text records and the text half of dimensions with Jw_cad's character-cell engine.
#pragma once

#include "drawing/records.h"
#include "render/render_context.h"
#include "render/render_target.h"

namespace korvel {

// A text record: gate, draw-order filter, block transform and angle, colour, then either the
// picture drawer (image references) or the text engine.
void DrawTextRecord(RenderContext& context, RenderTarget& target, const TDataMoji& text);

// The text of a dimension, coloured from the printer colour table; never a picture reference.
void DrawDimensionText(RenderContext& context, RenderTarget& target, const TDataSunpou& dimension);

}  // namespace korvel
