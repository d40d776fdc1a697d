// Pictures that texts refer to ("^@BM" + path + "," + width [+ "," + height]).
#pragma once

#include <string>

#include "render/render_context.h"
#include "render/render_target.h"

namespace korvel {

// Draws the picture of an image-reference text whose start point maps to device (x, y), at the
// render's scale s. Draws nothing (and may leave a warning in the context) when the picture
// cannot be found or decoded.
void DrawImageReference(RenderContext& context, RenderTarget& target, int x, int y, double s,
                        const std::string& reference);

}  // namespace korvel
