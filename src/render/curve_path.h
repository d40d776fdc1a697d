// Curves as the graphics layer keeps them: a path of move-to, line-to and cubic Bézier vertices,
// flattened here (not by the targets) into straight pieces, and read back as a TPath.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <vector>

#include "render/render_target.h"

namespace korvel {

// Vertex types of a path, as the Windows graphics layer numbers them.
constexpr uint8_t kPathCloseFigure = 1;
constexpr uint8_t kPathLineTo = 2;
constexpr uint8_t kPathBezierTo = 4;
constexpr uint8_t kPathMoveTo = 6;

// Device units a flattened curve may stray from the true one: fine enough that a circle of
// radius 2000 shows no corners.
constexpr double kFlattenTolerance = 0.2;

class CurvePath {
public:
    void moveTo(DevicePoint p);
    void lineTo(DevicePoint p);
    // Three points: two control points and the end point.
    void bezierTo(DevicePoint c1, DevicePoint c2, DevicePoint end);
    void closeFigure();
    void clear();
    bool empty() const { return points.empty(); }

    std::vector<DevicePoint> points;
    std::vector<uint8_t> types;
};

// Replaces every Bézier by line pieces; the result holds only move-to and line-to vertices.
CurvePath FlattenPath(const CurvePath& path, double tolerance = kFlattenTolerance);

class EPathError : public std::out_of_range {
public:
    explicit EPathError(const char* message) : std::out_of_range(message) {}
};

struct PathVertex {
    DevicePoint point;
    int kind = 0;  // 0 move-to, 1 line-to, 2 Bézier-to
    bool closes = false;
};

// A flattened path read back for stroking.
class TPath {
public:
    int Count() const { return static_cast<int>(points.size()); }
    // Raises EPathError outside 0..Count()-1.
    PathVertex GetPoint(int i) const;
    void Assign(const TPath& other);
    // Flattens the path and keeps its vertices.
    void Load(const CurvePath& path, double tolerance = kFlattenTolerance);

    std::vector<DevicePoint> points;
    std::vector<uint8_t> kinds;  // vertex types as above
};

}  // namespace korvel
