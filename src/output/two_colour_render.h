// The two-colour image: the drawing rendered in horizontal bands and each pixel taken to black
// or white, so that a wide 1-bit image never needs a 32-bit canvas of its full size.
#pragma once

#include <string>

#include "drawing/drawing.h"
#include "output/raster_image.h"
#include "render/render_driver.h"
#include "render/render_options.h"

namespace korvel {

// Palette {black, white}; a pixel is white when its luminance is at least half. Returns an empty
// image (width 0) when the canvas could not be allocated.
IndexedImage RenderTwoColour(const Drawing& drawing, const RenderOptions& options, int width,
                             int height, RenderResult& result);

}  // namespace korvel
