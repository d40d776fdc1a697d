// Building, flattening and reading back curve paths.
#include "render/curve_path.h"

#include "render/render_context.h"

#include <algorithm>
#include <cmath>

namespace korvel {

void CurvePath::moveTo(DevicePoint p) {
    points.push_back(p);
    types.push_back(kPathMoveTo);
}

void CurvePath::lineTo(DevicePoint p) {
    points.push_back(p);
    types.push_back(kPathLineTo);
}

void CurvePath::bezierTo(DevicePoint c1, DevicePoint c2, DevicePoint end) {
    for (const DevicePoint& p : {c1, c2, end}) {
        points.push_back(p);
        types.push_back(kPathBezierTo);
    }
}

void CurvePath::closeFigure() {
    if (!types.empty()) types.back() |= kPathCloseFigure;
}

void CurvePath::clear() {
    points.clear();
    types.clear();
}

namespace {
// Splits one cubic into enough equal parameter steps that no piece strays more than the
// tolerance: the deviation of a chord is at most 1/8 of the second derivative's bound over n².
int pieceCount(const DevicePoint& p0, const DevicePoint& p1, const DevicePoint& p2,
               const DevicePoint& p3, double tolerance) {
    const double ax = double(p0.x) - 2.0 * p1.x + p2.x, ay = double(p0.y) - 2.0 * p1.y + p2.y;
    const double bx = double(p1.x) - 2.0 * p2.x + p3.x, by = double(p1.y) - 2.0 * p2.y + p3.y;
    const double m = std::sqrt(std::max(ax * ax + ay * ay, bx * bx + by * by));
    const double n = std::ceil(std::sqrt(0.75 * m / tolerance));
    return static_cast<int>(std::clamp(n, 1.0, 100000.0));
}

// p0 is taken by value: callers pass the last point of `out`, which lineTo may move.
void appendFlattenedBezier(CurvePath& out, DevicePoint p0, const DevicePoint& p1,
                           const DevicePoint& p2, const DevicePoint& p3, double tolerance) {
    const int n = pieceCount(p0, p1, p2, p3, tolerance);
    for (int i = 1; i < n; ++i) {
        const double t = double(i) / n, u = 1.0 - t;
        const double b0 = u * u * u, b1 = 3 * u * u * t, b2 = 3 * u * t * t, b3 = t * t * t;
        const DevicePoint p{RoundDevice(b0 * p0.x + b1 * p1.x + b2 * p2.x + b3 * p3.x),
                            RoundDevice(b0 * p0.y + b1 * p1.y + b2 * p2.y + b3 * p3.y)};
        if (!(p == out.points.back())) out.lineTo(p);
    }
    out.lineTo(p3);
}
}  // namespace

CurvePath FlattenPath(const CurvePath& path, double tolerance) {
    CurvePath out;
    out.points.reserve(path.points.size() * 8);
    out.types.reserve(path.points.size() * 8);
    const size_t n = path.points.size();
    for (size_t i = 0; i < n; ++i) {
        const uint8_t kind = path.types[i] & ~kPathCloseFigure;
        const bool closes = path.types[i] & kPathCloseFigure;
        if (kind == kPathBezierTo && i + 2 < n && !out.points.empty()) {
            appendFlattenedBezier(out, out.points.back(), path.points[i], path.points[i + 1],
                                  path.points[i + 2], tolerance);
            i += 2;
            if (path.types[i] & kPathCloseFigure) out.closeFigure();
            continue;
        }
        if (kind == kPathMoveTo || out.points.empty()) out.moveTo(path.points[i]);
        else out.lineTo(path.points[i]);
        if (closes) out.closeFigure();
    }
    return out;
}

PathVertex TPath::GetPoint(int i) const {
    if (i < 0 || i >= Count()) throw EPathError("TPath.GetPoint: Index is Out of Range");
    PathVertex v;
    v.point = points[i];
    switch (kinds[i] & 6) {
        case kPathMoveTo: v.kind = 0; break;
        case kPathLineTo: v.kind = 1; break;
        case kPathBezierTo: v.kind = 2; break;
        default: v.kind = 1; break;
    }
    v.closes = (kinds[i] & kPathCloseFigure) != 0;
    return v;
}

void TPath::Assign(const TPath& other) {
    points = other.points;
    kinds = other.kinds;
}

void TPath::Load(const CurvePath& path, double tolerance) {
    CurvePath flat = FlattenPath(path, tolerance);
    points = std::move(flat.points);
    kinds = std::move(flat.types);
}

}  // namespace korvel
