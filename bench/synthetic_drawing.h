// Synthetic drawings for the benchmarks: lines, arcs and texts in any number, written through
// the library's own writer (so known-class tags take their 32-bit form past record 32768).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "drawing/drawing.h"

namespace korvel::bench {

struct SyntheticSize {
    size_t lines = 1000000;
    size_t arcs = 20000;
    size_t texts = 20000;
};

// Deterministic for a given size: records spread over a 1,000 × 700 mm sheet, texts of ten
// characters (Japanese and Latin), arcs of every sweep.
Drawing SyntheticDrawing(const SyntheticSize& size);
std::vector<uint8_t> SyntheticJww(const SyntheticSize& size);

}  // namespace korvel::bench
