// Which brush a solid is filled with under the hatch settings.
#pragma once

#include <cstdint>

#include "drawing/records.h"
#include "render/render_context.h"
#include "render/render_options.h"
#include "render/render_target.h"

namespace korvel {

// The brush of a hatch style number (1 solid, 2 clear, 3..8 hatches; others clear).
BrushStyle BrushOfHatchStyle(int style);
// The colour family of an RGB solid colour, 1..8 (blue, cyan, green, yellow, magenta, red,
// white, dark).
int ColorFamily(uint32_t color);
// The brush of a solid of colour `color` and colour number `penColor`.
BrushStyle SolidHatchStyle(const RenderOptions& options, uint32_t color, int penColor);

// The fill colour of a solid: its own RGB with colour number 10, else its pen colour, under the
// monochrome modes and the greyed-layer rule.
uint32_t SolidColor(const RenderContext& context, const TDataSolid& solid);
// The shape kind of a circle or arc solid for ArcSolidShape; 0 when the record names none.
int ArcSolidKind(const TDataSolid& solid);

}  // namespace korvel
