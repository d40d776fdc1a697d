// Points a measurement can snap to, gathered from what a render draws, in drawing millimetres:
// the ends and midpoints of lines and arcs, the centres of circles and arcs, point records and
// solid corners, and the intersections of lines, circles and arcs near the pointer.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "drawing/drawing.h"
#include "render/render_options.h"

namespace korvel {

enum class SnapKind : uint8_t { End, Middle, Centre, Point, Intersection };

struct SnapPoint {
    Point2 at;
    SnapKind kind = SnapKind::End;
    int layerGroup = 0;  // of the top-level record it comes from (an insert for block members)
};

// Axis-aligned boxes filed in a uniform grid, for "what lies near here" in drawing millimetres.
class BoxGrid {
public:
    struct Box {
        double minX, minY, maxX, maxY;
    };
    void build(const std::vector<Box>& boxes);
    // The items whose boxes may touch `query` (each once, in ascending order).
    std::vector<uint32_t> near(const Box& query) const;

private:
    bool cellRange(const Box& b, long& x0, long& y0, long& x1, long& y1) const;
    double minX_ = 0.0, minY_ = 0.0, cell_ = 1.0;
    long columns_ = 0, rows_ = 0;
    std::vector<uint32_t> cellStart_;  // CSR: items of cell c are cellItems_[cellStart_[c]..cellStart_[c+1])
    std::vector<uint32_t> cellItems_;
    std::vector<uint32_t> large_;      // items spanning many cells, looked at by every query
    std::vector<Box> boxes_;
};

class SnapGeometry {
public:
    // What a render with `options` draws (hidden layers and auxiliary lines left out as it leaves
    // them out), block members through their inserts. At most `budget` records are looked at.
    static SnapGeometry Collect(const Drawing& drawing, const RenderOptions& options, size_t budget = 2000000);

    // The snap point nearest to `pointer` within `radius`; ends, midpoints, centres and points
    // come before an intersection at the same place.
    std::optional<SnapPoint> snap(Point2 pointer, double radius) const;

    // Snap points kept apart from the figures (points, solid corners, lines of no length).
    size_t pointCount() const { return points_.size(); }
    size_t figureCount() const { return segments_.size() + curves_.size(); }
    // False when the budget ran out: some records can not be snapped to.
    bool complete() const { return complete_; }

    // An ellipse or circle arc: c + M (cos t, sin t) for t from start through start + sweep.
    struct Curve {
        Point2 c;
        std::array<double, 4> m;  // columns (m[0], m[1]) and (m[2], m[3])
        double start = 0.0, sweep = 0.0;
        bool whole = false;
        int layerGroup = 0;
        Point2 at(double t) const;
        bool contains(double t) const;  // t within the drawn part
        bool isCircle(double& radius) const;
    };
    struct Segment {
        Point2 a, b;
        int layerGroup = 0;
    };

    // The crossings of two figures; exact for lines and circles, for ellipses within a
    // thousandth of their size.
    static void Intersect(const Segment& s, const Segment& t, std::vector<Point2>& out);
    static void Intersect(const Segment& s, const Curve& c, std::vector<Point2>& out);
    static void Intersect(const Curve& a, const Curve& b, std::vector<Point2>& out);

private:
    friend class SnapCollector;
    double distanceTo(uint32_t figure, Point2 p) const;
    // The ends, middle and centre of a figure, each handed to `visit` as a SnapPoint.
    template <typename Visit>
    void figurePoints(uint32_t figure, Visit&& visit) const;
    void intersect(uint32_t f, uint32_t g, std::vector<Point2>& out) const;

    std::vector<SnapPoint> points_;
    std::vector<Segment> segments_;
    std::vector<Curve> curves_;  // figure ids: segments first, then curves
    BoxGrid pointGrid_, figureGrid_;
    bool complete_ = true;
};

}  // namespace korvel
