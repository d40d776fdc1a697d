// The two-colour image: the drawing rendered in horizontal bands and each pixel taken to black
// or white, so that a wide 1-bit image never needs a 32-bit canvas of its full size.
#pragma once

#include <string>

#include "drawing/drawing.h"
#include "output/raster_image.h"
#include "output/raster_render.h"
#include "render/render_driver.h"
#include "render/render_options.h"

namespace korvel {

// The index (0 black, 1 white) of a rendered pixel at (x, y), both colours 0x00RRGGBB as Qt keeps
// them: black below half luminance, white from 224 up. Greyed layers draw in 0xC0C0C0, which a
// plain halfway cut would turn white. From 160 to 224 -- that grey and what is nearer to it than
// to white, the cut between black and white staying where it was -- pixels take a pattern:
// black but for one pixel in each 2 x 2 square (x and y odd). No line of such pixels one pixel
// thin, whichever way it runs, can then fall between the black ones, as it could with a
// checkerboard. The background is never patterned.
uint8_t TwoColourIndex(uint32_t rgb, uint32_t background, int x, int y);

// Palette {black, white}, each pixel by TwoColourIndex. Returns an empty image (width 0) when
// the canvas could not be allocated.
IndexedImage RenderTwoColour(const Drawing& drawing, const RenderOptions& options, int width,
                             int height, RenderResult& result);

// The same as a 1-bit QImage (QImage::Format_Mono, colour table black, white), for the clipboard.
RasterRenderResult RenderTwoColourToImage(const Drawing& drawing, const RenderOptions& options,
                                          int width, int height);

}  // namespace korvel
