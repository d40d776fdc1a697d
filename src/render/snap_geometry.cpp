// Snap points: gathering them from the drawn records, filing them in a grid, and the crossings of
// lines, circles and ellipses.
#include "render/snap_geometry.h"

#include <algorithm>
#include <cmath>

#include "render/line_style.h"
#include "render/placed_records.h"

namespace korvel {

namespace {

constexpr double kTwoPi = 6.283185307179586;
constexpr double kOnSegment = 1e-9;    // of a segment's length: crossings at its very ends count
constexpr double kSameDistance = 1e-9;  // snap candidates this close count as equally near
constexpr size_t kMaxNearFigures = 48;  // pairs of figures near the pointer are crossed
constexpr int kEllipsePieces = 720;     // an ellipse crossing another is followed along this many chords
constexpr long kMaxCells = 1L << 20;
constexpr long kLargeItemCells = 64;    // items covering more cells are kept apart

Point2 minus(Point2 a, Point2 b) { return {a.x - b.x, a.y - b.y}; }
double dot(Point2 a, Point2 b) { return a.x * b.x + a.y * b.y; }

bool finitePoint(Point2 p) { return std::isfinite(p.x) && std::isfinite(p.y); }

// Where p lies on the curve's unit circle, through the inverse of M; false when M is singular.
bool toUnit(const SnapGeometry::Curve& c, Point2 p, Point2& q) {
    const double det = c.m[0] * c.m[3] - c.m[2] * c.m[1];
    if (!(std::fabs(det) > 1e-300) || !std::isfinite(det)) return false;
    const Point2 d = minus(p, c.c);
    q = {(c.m[3] * d.x - c.m[2] * d.y) / det, (-c.m[1] * d.x + c.m[0] * d.y) / det};
    return true;
}

double parameterOf(const SnapGeometry::Curve& c, Point2 p) {
    Point2 q;
    if (!toUnit(c, p, q)) return 0.0;
    return std::atan2(q.y, q.x);
}

int rank(SnapKind k) { return k == SnapKind::Intersection ? 1 : 0; }

}  // namespace

// --- the grid ---

bool BoxGrid::cellRange(const Box& b, long& x0, long& y0, long& x1, long& y1) const {
    if (columns_ == 0) return false;
    auto cellOf = [this](double v, double origin, long count) {
        const double c = std::floor((v - origin) / cell_);
        return static_cast<long>(std::clamp(c, 0.0, double(count - 1)));
    };
    x0 = cellOf(b.minX, minX_, columns_);
    x1 = cellOf(b.maxX, minX_, columns_);
    y0 = cellOf(b.minY, minY_, rows_);
    y1 = cellOf(b.maxY, minY_, rows_);
    return true;
}

void BoxGrid::build(const std::vector<Box>& boxes) {
    boxes_ = boxes;
    cellStart_.clear();
    cellItems_.clear();
    large_.clear();
    columns_ = rows_ = 0;
    if (boxes.empty()) return;
    double maxX = -HUGE_VAL, maxY = -HUGE_VAL;
    minX_ = minY_ = HUGE_VAL;
    for (const Box& b : boxes) {
        minX_ = std::min(minX_, b.minX);
        minY_ = std::min(minY_, b.minY);
        maxX = std::max(maxX, b.maxX);
        maxY = std::max(maxY, b.maxY);
    }
    const double w = std::max(maxX - minX_, 1e-9), h = std::max(maxY - minY_, 1e-9);
    // Square cells of about one item each, but no smaller than the middle item: lines longer
    // than the spacing between them would otherwise each cover a great many cells and end among
    // the large items, which every query looks at.
    const double cells = std::clamp(double(boxes.size()), 1.0, double(kMaxCells));
    std::vector<double> sizes;
    sizes.reserve(boxes.size());
    for (const Box& b : boxes) sizes.push_back(std::max(b.maxX - b.minX, b.maxY - b.minY));
    std::nth_element(sizes.begin(), sizes.begin() + sizes.size() / 2, sizes.end());
    const double middle = std::isfinite(sizes[sizes.size() / 2]) ? sizes[sizes.size() / 2] : 0.0;
    cell_ = std::max({std::sqrt(w * h / cells), std::min(middle, std::max(w, h)), std::max(w, h) / double(kMaxCells)});
    columns_ = std::clamp(static_cast<long>(std::ceil(w / cell_)), 1L, kMaxCells);
    rows_ = std::clamp(static_cast<long>(std::ceil(h / cell_)), 1L, kMaxCells / columns_);

    std::vector<uint32_t> counts(static_cast<size_t>(columns_ * rows_) + 1, 0);
    auto forCells = [&](const Box& b, auto&& visit) {
        long x0, y0, x1, y1;
        cellRange(b, x0, y0, x1, y1);
        for (long y = y0; y <= y1; ++y)
            for (long x = x0; x <= x1; ++x) visit(static_cast<size_t>(y * columns_ + x));
    };
    auto isLarge = [&](const Box& b) {
        long x0, y0, x1, y1;
        cellRange(b, x0, y0, x1, y1);
        return (x1 - x0 + 1) * (y1 - y0 + 1) > kLargeItemCells;
    };
    for (const Box& b : boxes) {
        if (!isLarge(b)) forCells(b, [&](size_t c) { ++counts[c + 1]; });
    }
    for (size_t c = 1; c < counts.size(); ++c) counts[c] += counts[c - 1];
    cellStart_ = counts;
    cellItems_.resize(counts.back());
    for (uint32_t i = 0; i < boxes.size(); ++i) {
        if (isLarge(boxes[i])) {
            large_.push_back(i);
            continue;
        }
        forCells(boxes[i], [&](size_t c) { cellItems_[counts[c]++] = i; });
    }
}

std::vector<uint32_t> BoxGrid::near(const Box& q) const {
    std::vector<uint32_t> out(large_);
    long x0, y0, x1, y1;
    if (cellRange(q, x0, y0, x1, y1)) {
        for (long y = y0; y <= y1; ++y) {
            for (long x = x0; x <= x1; ++x) {
                const size_t c = static_cast<size_t>(y * columns_ + x);
                out.insert(out.end(), cellItems_.begin() + cellStart_[c], cellItems_.begin() + cellStart_[c + 1]);
            }
        }
    }
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    // Cells are coarse: keep only boxes that really touch the query.
    out.erase(std::remove_if(out.begin(), out.end(),
                             [&](uint32_t i) {
                                 const Box& b = boxes_[i];
                                 return b.maxX < q.minX || b.minX > q.maxX || b.maxY < q.minY || b.minY > q.maxY;
                             }),
              out.end());
    return out;
}

// --- curves ---

Point2 SnapGeometry::Curve::at(double t) const {
    const double ct = std::cos(t), st = std::sin(t);
    return {c.x + m[0] * ct + m[2] * st, c.y + m[1] * ct + m[3] * st};
}

bool SnapGeometry::Curve::contains(double t) const {
    if (whole) return true;
    double from = start, width = sweep;
    if (width < 0.0) {
        from += width;
        width = -width;
    }
    double d = std::fmod(t - from, kTwoPi);
    if (d < 0.0) d += kTwoPi;
    return d <= width + 1e-9 || d >= kTwoPi - 1e-9;
}

bool SnapGeometry::Curve::isCircle(double& radius) const {
    const double a = std::hypot(m[0], m[1]), b = std::hypot(m[2], m[3]);
    const double scale = std::max(a, b);
    if (!(scale > 0.0)) return false;
    if (std::fabs(a - b) > 1e-12 * scale || std::fabs(m[0] * m[2] + m[1] * m[3]) > 1e-12 * scale * scale) return false;
    radius = a;
    return true;
}

// --- crossings ---

void SnapGeometry::Intersect(const Segment& s, const Segment& t, std::vector<Point2>& out) {
    const Point2 r = minus(s.b, s.a), q = minus(t.b, t.a), w = minus(t.a, s.a);
    const double denom = r.x * q.y - r.y * q.x;
    if (denom == 0.0 || !std::isfinite(denom)) return;  // parallel: no single crossing
    const double u = (w.x * q.y - w.y * q.x) / denom;
    const double v = (w.x * r.y - w.y * r.x) / denom;
    if (u < -kOnSegment || u > 1.0 + kOnSegment || v < -kOnSegment || v > 1.0 + kOnSegment) return;
    // From the nearer end, so that lines crossing at whole numbers give them exactly.
    out.push_back(u <= 0.5 ? Point2{s.a.x + u * r.x, s.a.y + u * r.y} : Point2{s.b.x - (1.0 - u) * r.x, s.b.y - (1.0 - u) * r.y});
}

void SnapGeometry::Intersect(const Segment& s, const Curve& c, std::vector<Point2>& out) {
    double radius = 0.0;
    const Point2 d = minus(s.b, s.a);
    double t[2];
    int roots = 0;
    if (c.isCircle(radius)) {
        // In drawing units, so that round numbers stay round.
        const Point2 f = minus(s.a, c.c);
        const double A = dot(d, d), B = 2.0 * dot(f, d), C = dot(f, f) - radius * radius;
        const double disc = B * B - 4.0 * A * C;
        if (!(A > 0.0) || disc < 0.0) return;
        const double root = std::sqrt(disc);
        t[roots++] = (-B - root) / (2.0 * A);
        if (root > 0.0) t[roots++] = (-B + root) / (2.0 * A);
    } else {
        Point2 q0, q1;
        if (!toUnit(c, s.a, q0) || !toUnit(c, s.b, q1)) return;
        const Point2 qd = minus(q1, q0);
        const double A = dot(qd, qd), B = 2.0 * dot(q0, qd), C = dot(q0, q0) - 1.0;
        const double disc = B * B - 4.0 * A * C;
        if (!(A > 0.0) || disc < 0.0) return;
        const double root = std::sqrt(disc);
        t[roots++] = (-B - root) / (2.0 * A);
        if (root > 0.0) t[roots++] = (-B + root) / (2.0 * A);
    }
    for (int i = 0; i < roots; ++i) {
        if (t[i] < -kOnSegment || t[i] > 1.0 + kOnSegment) continue;
        const Point2 p{s.a.x + t[i] * d.x, s.a.y + t[i] * d.y};
        if (c.contains(parameterOf(c, p))) out.push_back(p);
    }
}

void SnapGeometry::Intersect(const Curve& a, const Curve& b, std::vector<Point2>& out) {
    double ra = 0.0, rb = 0.0;
    if (a.isCircle(ra) && b.isCircle(rb)) {
        const Point2 between = minus(b.c, a.c);
        const double d = std::hypot(between.x, between.y);
        if (!(d > 0.0) || d > ra + rb || d < std::fabs(ra - rb)) return;
        const double along = (ra * ra - rb * rb + d * d) / (2.0 * d);
        const double across = std::sqrt(std::max(0.0, ra * ra - along * along));
        const Point2 u{between.x / d, between.y / d};
        const Point2 mid{a.c.x + along * u.x, a.c.y + along * u.y};
        const Point2 candidates[2] = {{mid.x - across * u.y, mid.y + across * u.x}, {mid.x + across * u.y, mid.y - across * u.x}};
        for (int i = 0; i < (across > 0.0 ? 2 : 1); ++i) {
            const Point2 p = candidates[i];
            if (a.contains(parameterOf(a, p)) && b.contains(parameterOf(b, p))) out.push_back(p);
        }
        return;
    }
    // Follow the ellipse (or the first of two) along short chords, crossing each with the other.
    const Curve& walked = a.isCircle(ra) ? b : a;
    const Curve& other = &walked == &a ? b : a;
    double from = walked.start, width = walked.sweep;
    if (walked.whole) from = 0.0, width = kTwoPi;
    const int pieces = std::max(8, static_cast<int>(std::ceil(kEllipsePieces * std::fabs(width) / kTwoPi)));
    Point2 previous = walked.at(from);
    for (int i = 1; i <= pieces; ++i) {
        const Point2 next = walked.at(from + width * i / pieces);
        const size_t before = out.size();
        Intersect(Segment{previous, next, 0}, other, out);
        // A crossing at a chord's shared end is found twice.
        if (before > 0 && out.size() > before) {
            const Point2 last = out[before - 1];
            if (std::hypot(out[before].x - last.x, out[before].y - last.y) < 1e-12) out.erase(out.begin() + before);
        }
        previous = next;
    }
}

// --- gathering ---

class SnapCollector : public PlacedRecordVisitor {
public:
    SnapCollector(const Drawing& d, const RenderOptions& o, SnapGeometry& g) : context_(d, o), g_(g) {}

    void record(const RecordSet& set, const RecordRef& ref, const Placement& place) override {
        group_ = place.owner ? place.owner->layerGroup : 0;
        switch (ref.cls) {
            case RecordClass::Sen: {
                const TDataSen& r = set.lines[ref.index];
                if (PassesLineGate(context_, r)) segment(place.apply(r.start), place.apply(r.end));
                break;
            }
            case RecordClass::Sunpou: {
                const TDataSen& r = set.dimensions[ref.index].line;
                if (PassesLineGate(context_, r)) segment(place.apply(r.start), place.apply(r.end));
                break;
            }
            case RecordClass::Enko: {
                const TDataEnko& r = set.circles[ref.index];
                if (PassesLineGate(context_, r)) curve(r, place);
                break;
            }
            case RecordClass::Ten: {
                const TDataTen& r = set.points[ref.index];
                if (PassesLayerGate(context_, r) && r.penColor < 10) point(place.apply(r.point), SnapKind::Point);
                break;
            }
            case RecordClass::Solid: {
                const TDataSolid& r = set.solids[ref.index];
                if (!PassesLayerGate(context_, r) || r.penStyle > 100) break;  // arc solids keep other data there
                for (const Point2& c : {r.corner1, r.corner2, r.corner3, r.corner4}) point(place.apply(c), SnapKind::End);
                break;
            }
            default:
                break;
        }
    }

    bool enter(const TDataBlock& insert, Placement&) override {
        return LayerShowOf(context_, insert) != LayerShow::Hidden && insert.penColor < 10;
    }

private:
    void point(Point2 p, SnapKind kind) {
        if (finitePoint(p)) g_.points_.push_back({p, kind, group_});
    }

    // A figure's own ends, middle and centre are found through the figure (see figurePoints);
    // only a line of no length is a point of its own.
    void segment(Point2 a, Point2 b) {
        if (!finitePoint(a) || !finitePoint(b)) return;
        if (a.x != b.x || a.y != b.y) g_.segments_.push_back({a, b, group_});
        else point(a, SnapKind::End);
    }

    void curve(const TDataEnko& r, const Placement& place) {
        SnapGeometry::Curve c;
        const double f = r.flatness == 0.0 ? 1.0 : r.flatness;
        const double ct = std::cos(r.tiltAngle), st = std::sin(r.tiltAngle);
        // Turned by the tilt, the x axis carrying the radius and the y axis radius times flatness.
        std::array<double, 4> m{r.radius * ct, r.radius * st, -r.radius * f * st, r.radius * f * ct};
        c.c = place.apply(r.center);
        if (place.block) {
            const Point2 o = place.apply({0.0, 0.0});
            const Point2 ex = minus(place.apply({1.0, 0.0}), o), ey = minus(place.apply({0.0, 1.0}), o);
            m = {ex.x * m[0] + ey.x * m[1], ex.y * m[0] + ey.y * m[1], ex.x * m[2] + ey.x * m[3], ex.y * m[2] + ey.y * m[3]};
        }
        c.m = m;
        c.start = r.startAngle;
        c.sweep = r.arcAngle;
        c.whole = r.fullCircle == 1 || std::fabs(r.arcAngle) >= kTwoPi;
        c.layerGroup = group_;
        for (double v : m)
            if (!std::isfinite(v)) return;
        if (!finitePoint(c.c) || !std::isfinite(c.start) || !std::isfinite(c.sweep)) return;
        g_.curves_.push_back(c);
    }

    RenderContext context_;
    SnapGeometry& g_;
    int group_ = 0;
};

SnapGeometry SnapGeometry::Collect(const Drawing& drawing, const RenderOptions& options, size_t budget) {
    SnapGeometry g;
    SnapCollector collector(drawing, options, g);
    g.complete_ = WalkPlacedRecords(drawing, collector, budget).complete;

    std::vector<BoxGrid::Box> boxes;
    boxes.reserve(g.points_.size());
    for (const SnapPoint& p : g.points_) boxes.push_back({p.at.x, p.at.y, p.at.x, p.at.y});
    g.pointGrid_.build(boxes);
    boxes.clear();
    for (const Segment& s : g.segments_)
        boxes.push_back({std::min(s.a.x, s.b.x), std::min(s.a.y, s.b.y), std::max(s.a.x, s.b.x), std::max(s.a.y, s.b.y)});
    for (const Curve& c : g.curves_) {
        const double hx = std::hypot(c.m[0], c.m[2]), hy = std::hypot(c.m[1], c.m[3]);
        boxes.push_back({c.c.x - hx, c.c.y - hy, c.c.x + hx, c.c.y + hy});
    }
    g.figureGrid_.build(boxes);
    return g;
}

// --- snapping ---

// Every one lies inside the figure's box, so the figures near the pointer bring their points
// along: a drawing of a million lines keeps a million figures, not four million entries more.
template <typename Visit>
void SnapGeometry::figurePoints(uint32_t f, Visit&& visit) const {
    if (f < segments_.size()) {
        const Segment& s = segments_[f];
        visit(SnapPoint{s.a, SnapKind::End, s.layerGroup});
        visit(SnapPoint{s.b, SnapKind::End, s.layerGroup});
        visit(SnapPoint{{(s.a.x + s.b.x) / 2.0, (s.a.y + s.b.y) / 2.0}, SnapKind::Middle, s.layerGroup});
        return;
    }
    const Curve& c = curves_[f - segments_.size()];
    visit(SnapPoint{c.c, SnapKind::Centre, c.layerGroup});
    if (c.whole) return;
    visit(SnapPoint{c.at(c.start), SnapKind::End, c.layerGroup});
    visit(SnapPoint{c.at(c.start + c.sweep), SnapKind::End, c.layerGroup});
    visit(SnapPoint{c.at(c.start + c.sweep / 2.0), SnapKind::Middle, c.layerGroup});
}

double SnapGeometry::distanceTo(uint32_t f, Point2 p) const {
    if (f < segments_.size()) {
        const Segment& s = segments_[f];
        const Point2 d = minus(s.b, s.a);
        const double t = std::clamp(dot(minus(p, s.a), d) / dot(d, d), 0.0, 1.0);
        return std::hypot(p.x - (s.a.x + t * d.x), p.y - (s.a.y + t * d.y));
    }
    const Curve& c = curves_[f - segments_.size()];
    Point2 q;
    if (!toUnit(c, p, q)) return HUGE_VAL;
    // Off the unit circle by this much, times the shorter half-axis: near enough to rank by.
    const double shorter = std::min(std::hypot(c.m[0], c.m[1]), std::hypot(c.m[2], c.m[3]));
    return std::fabs(std::hypot(q.x, q.y) - 1.0) * shorter;
}

void SnapGeometry::intersect(uint32_t f, uint32_t g, std::vector<Point2>& out) const {
    const size_t n = segments_.size();
    if (f >= n && g < n) std::swap(f, g);
    if (f < n && g < n) Intersect(segments_[f], segments_[g], out);
    else if (f < n) Intersect(segments_[f], curves_[g - n], out);
    else Intersect(curves_[f - n], curves_[g - n], out);
}

std::optional<SnapPoint> SnapGeometry::snap(Point2 pointer, double radius) const {
    if (!finitePoint(pointer) || !(radius > 0.0)) return std::nullopt;
    std::optional<SnapPoint> best;
    double bestDistance = HUGE_VAL;
    const double same = kSameDistance * std::max(1.0, radius);
    auto consider = [&](const SnapPoint& s) {
        const double d = std::hypot(s.at.x - pointer.x, s.at.y - pointer.y);
        if (d > radius) return;
        if (!best || d < bestDistance - same || (d <= bestDistance + same && rank(s.kind) < rank(best->kind))) {
            best = s;
            bestDistance = d;
        }
    };
    const BoxGrid::Box around{pointer.x - radius, pointer.y - radius, pointer.x + radius, pointer.y + radius};
    for (uint32_t i : pointGrid_.near(around)) consider(points_[i]);

    std::vector<uint32_t> figures = figureGrid_.near(around);
    std::vector<std::pair<double, uint32_t>> ranked;
    for (uint32_t f : figures) {
        figurePoints(f, consider);
        const double d = distanceTo(f, pointer);
        if (d <= radius) ranked.push_back({d, f});
    }
    std::sort(ranked.begin(), ranked.end());
    if (ranked.size() > kMaxNearFigures) ranked.resize(kMaxNearFigures);
    std::vector<Point2> crossings;
    for (size_t i = 0; i < ranked.size(); ++i) {
        for (size_t j = i + 1; j < ranked.size(); ++j) {
            crossings.clear();
            intersect(ranked[i].second, ranked[j].second, crossings);
            const uint32_t f = ranked[i].second;
            const int group = f < segments_.size() ? segments_[f].layerGroup : curves_[f - segments_.size()].layerGroup;
            for (const Point2& p : crossings) consider({p, SnapKind::Intersection, group});
        }
    }
    return best;
}

}  // namespace korvel
