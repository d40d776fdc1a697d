// Which brush a solid is filled with under the hatch settings.
#pragma once

#include <cstdint>

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

}  // namespace korvel
