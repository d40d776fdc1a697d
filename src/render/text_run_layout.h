// Laying out one text run before its characters are drawn: the writing and glyph directions,
// the cell sizes, the first cell, and the spread or squeeze that trailing marks ask for.
#pragma once

#include <vector>

#include "render/cp932_text.h"
#include "render/text_run.h"

namespace korvel {

struct TextRunLayout {
    std::vector<Cp932Char> chars;  // after macros and with trailing spread/squeeze marks removed
    bool vertical = false;
    double writing = 0.0;   // a0: direction of writing, degrees in [0, 360)
    double baseline = 0.0;  // A: direction of the glyphs' baseline, degrees in [0, 360)
    double W = 0.0, W2 = 0.0, H = 0.0, G = 0.0;  // cell width, half width, height, gap
    double firstX = 0.0, firstY = 0.0;           // origin (top-left) of the first cell
};

// Brings an angle in degrees into [0, 360).
double NormalizeDegrees(double degrees);

// `expandedText` is the run's text after ExpandTextMacros.
TextRunLayout LayOutTextRun(const TextRun& run, const std::string& expandedText);

// What the drawing loop will consume as codes, counted ahead so that spreading and squeezing
// divide the length among the characters that are actually seen.
struct CodeCount {
    size_t codeChars = 0;         // characters consumed by codes
    size_t halfWidthScripts = 0;  // double-byte characters drawn as scripts (half a cell)
};
CodeCount CountCodes(const std::vector<Cp932Char>& chars);

}  // namespace korvel
