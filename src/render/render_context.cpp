#include "render/render_context.h"

#include <algorithm>
#include <cmath>

#include "drawing/insert_transform.h"

namespace korvel {

bool RenderContext::passesOver(double minX, double minY, double maxX, double maxY) const {
    if (!passOverLines || block.expandingBlock || !(view.scale > 0.0)) return false;
    const double left = view.toDeviceX(minX), right = view.toDeviceX(maxX);
    const double top = view.toDeviceY(maxY), bottom = view.toDeviceY(minY);
    return right < passLeft - 1.0 || left > passRight + 1.0 || bottom < passTop - 1.0 || top > passBottom + 1.0;
}

DevicePoint ViewTransform::toDevice(double x, double y) const {
    return {RoundDevice(toDeviceX(x)), RoundDevice(toDeviceY(y))};
}

Point2 BlockTransform::apply(Point2 p) const {
    // Counter-clockwise for a positive angle in y-up coordinates, as Jw_cad measures every
    // angle; circle, text and symbol angles add the rotation, so the block stays rigid.
    const Point2 placed = PlaceInsertPoint(p, {OffsetX, OffsetY}, ScaleX, ScaleY, Angle);
    return outer ? outer->apply(placed) : placed;
}

void BlockTransform::compose() {
    const double c = Angle != 0.0 ? std::cos(Angle) : 1.0, s = Angle != 0.0 ? std::sin(Angle) : 0.0;
    const double own[6] = {c * ScaleX, -s * ScaleY, OffsetX, s * ScaleX, c * ScaleY, OffsetY};
    if (!outer) {
        std::copy(own, own + 6, m);
        return;
    }
    const double* o = outer->m;
    m[0] = o[0] * own[0] + o[1] * own[3];
    m[1] = o[0] * own[1] + o[1] * own[4];
    m[2] = o[0] * own[2] + o[1] * own[5] + o[2];
    m[3] = o[3] * own[0] + o[4] * own[3];
    m[4] = o[3] * own[1] + o[4] * own[4];
    m[5] = o[3] * own[2] + o[4] * own[5] + o[5];
}

double BlockTransform::totalAngle() const { return Angle + (outer ? outer->totalAngle() : 0.0); }
double BlockTransform::totalScaleX() const { return ScaleX * (outer ? outer->totalScaleX() : 1.0); }
double BlockTransform::totalScaleY() const { return ScaleY * (outer ? outer->totalScaleY() : 1.0); }

}  // namespace korvel
