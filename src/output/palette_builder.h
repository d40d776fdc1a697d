// Palettes made for one image: its own colours when they are few, else an octree or median-cut
// palette.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "output/raster_image.h"

namespace korvel {

// The image's distinct colours in order of first appearance, or an empty list when there are
// more than `limit`.
std::vector<uint32_t> ExactPalette(const ImageView& image, size_t limit);

// At most `maxColors` colours by octree quantisation (leaves merged deepest first, the least
// used first).
std::vector<uint32_t> OctreePalette(const ImageView& image, size_t maxColors);

// At most `maxColors` colours by median cut over a 5-bit-per-channel histogram: the box with the
// most pixels and some spread is split at the median of its longest side.
std::vector<uint32_t> MedianCutPalette(const ImageView& image, size_t maxColors);

// The colour most pixels have (of a drawing, its background); 0 for an empty image. Memory stays
// bounded whatever the number of colours: the fullest 5-bit cell first, then within it.
uint32_t DominantColor(const ImageView& image);

// Makes `color` an entry of `palette`, in place of the entry nearest to it, unless it is one
// already: an averaged palette would otherwise tint a drawing's whole background.
void PinColor(std::vector<uint32_t>& palette, uint32_t color);

}  // namespace korvel
