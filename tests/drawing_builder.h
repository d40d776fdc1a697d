// Drawings built in code for the tests: the drawing layer's builder over a drawing of its own,
// with the built-in pens and every layer shown.
#pragma once

#include "drawing/drawing.h"
#include "drawing/drawing_builder.h"

namespace korvel::test {

// The header of the tests' drawings: version 700, ten pens of distinct colours and widths, every
// layer shown, and line types 1-9 (dashes), 11-15 (random) and 16-19 (double length).
inline DrawingHeader TestDrawingHeader() {
    DrawingHeader h;
    h.Version = 700;
    h.PenColor = {0xFFFFFF, 0x00C0C0, 0x000000, 0x00C000, 0xC0C000, 0xC000C0, 0x0000FF, 0x008080, 0xFF0080, 0xFF80FF};
    h.PrtPenColor = h.PenColor;
    h.PenWidth = {0, 1, 1, 1, 1, 1, 2, 3, 5, 1};
    h.LayerGroupState.fill(2);
    for (auto& g : h.LayerState) g.fill(2);
    h.LineTypePattern[1] = 0xFFFFFFFF;
    h.LineTypePattern[2] = 0xFFFF0000;  // dashes of 16
    h.LineTypePattern[3] = 0xFFFFFF00;
    h.LineTypePattern[4] = 0xFF00FF00;  // 8, 8, 8, 8
    h.LineTypePattern[5] = 0xFFF0FFF0;
    h.LineTypePattern[6] = 0xFFC0FF00;
    h.LineTypePattern[7] = 0xF0F0F0F0;
    h.LineTypePattern[8] = 0xFFF0F0F0;
    h.LineTypePattern[9] = 0xAAAAAAAA;
    for (int t = 11; t <= 15; ++t) {
        h.LineTypePattern[t] = 0xF0F0F0F0u >> (t - 11);
        h.LineTypePitch[t] = 2;
        h.RandomLineWidth[t] = 4;
    }
    for (int t = 16; t <= 19; ++t) {
        h.LineTypePattern[t] = 0xFFFF0000u >> (2 * (t - 16));
        h.LineTypePitch[t] = 2;
    }
    return h;
}

// The drawing comes first, so that it exists before the builder that files into it.
struct OwnedDrawing {
    Drawing drawing;
};

class DrawingBuilder : public OwnedDrawing, public korvel::DrawingBuilder {
public:
    DrawingBuilder() : korvel::DrawingBuilder(drawing) { drawing.header = TestDrawingHeader(); }
    DrawingBuilder(const DrawingBuilder& other) : OwnedDrawing(other), korvel::DrawingBuilder(other, drawing) {}
    DrawingBuilder& operator=(const DrawingBuilder&) = delete;
};

}  // namespace korvel::test
