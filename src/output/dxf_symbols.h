// The symbols of special points, as the renderer draws them, in millimetres for a symbol of
// size 1 at the origin: the content of the DXF blocks that special points are inserted as.
#pragma once

#include <vector>

#include "drawing/records.h"

namespace korvel {

struct DxfSymbolArc {
    Point2 center;
    double radius = 0.0;
    double startDegrees = 0.0, endDegrees = 0.0;  // counter-clockwise
    bool full = false;
};

struct DxfSymbol {
    std::vector<std::vector<Point2>> strokes;  // open or closed polylines
    std::vector<std::vector<Point2>> fills;    // filled polygons
    std::vector<DxfSymbolArc> arcs;
    std::vector<DxfSymbolArc> discs;           // filled circles
    bool empty() const { return strokes.empty() && fills.empty() && arcs.empty() && discs.empty(); }
};

// The symbol of a special point code; empty for the codes drawn as an ordinary point.
DxfSymbol SpecialPointSymbol(int32_t code);

}  // namespace korvel
