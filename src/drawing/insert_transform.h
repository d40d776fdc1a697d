// Where a block insert puts a point of its block: scaled (a negative scale mirrors), moved to
// the insertion point, then turned counter-clockwise about it. The renderer draws members with
// it and the extents measure them with it, so the picture's box is where the block is drawn.
#pragma once

#include <cmath>

#include "drawing/records.h"

namespace korvel {

inline Point2 PlaceInsertPoint(Point2 p, Point2 origin, double scaleX, double scaleY, double angle) {
    double x = p.x * scaleX + origin.x;
    double y = p.y * scaleY + origin.y;
    if (angle != 0.0) {
        const double c = std::cos(angle), s = std::sin(angle);
        const double dx = x - origin.x, dy = y - origin.y;
        x = origin.x + c * dx - s * dy;
        y = origin.y + s * dx + c * dy;
    }
    return {x, y};
}

// A scale too small to be meant (a damaged record) is taken as 1 when measuring.
inline double MeasuredInsertScale(double scale) { return std::fabs(scale) < 1e-9 ? 1.0 : scale; }

}  // namespace korvel
