// Dashes along flattened curves.
#include "render/dashed_path.h"

#include <cmath>

namespace korvel {

namespace {
bool segmentOutside(const DeviceBox& box, const DevicePoint& a, const DevicePoint& b) {
    return (a.x < box.left && b.x < box.left) || (a.x > box.right && b.x > box.right) ||
           (a.y < box.top && b.y < box.top) || (a.y > box.bottom && b.y > box.bottom);
}

DevicePoint along(const DevicePoint& a, const DevicePoint& b, double t) {
    return RoundPoint(a.x + (double(b.x) - a.x) * t, a.y + (double(b.y) - a.y) * t);
}

PenSpec strokePen(const CurveStroke& stroke, double width) {
    PenSpec pen;
    pen.color = stroke.color;
    if (stroke.thinPen) return pen;
    pen.width = RoundDevice(width);
    pen.geometric = true;
    pen.cap = stroke.flatCaps ? LineCap::Flat : LineCap::Round;
    pen.join = LineJoin::Round;
    return pen;
}

// Walks the dash boundaries along the polyline and strokes each dash as it completes.
class DashWalker {
public:
    DashWalker(RenderTarget& target, const PenSpec& pen, const CurveStroke& stroke,
               const DashPattern& pattern, double unit)
        : target_(target), pen_(pen), stroke_(stroke), pattern_(pattern), unit_(unit) {
        for (double v : pattern) period_ += v * unit;
        a_ = 0.0;
        b_ = unit_ * pattern_[0];
    }

    void walk(const std::vector<DevicePoint>& points) {
        double acc = 0.0;
        for (size_t i = 0; i + 1 < points.size() && !spent(); ++i) {
            const DevicePoint& p = points[i];
            const DevicePoint& q = points[i + 1];
            const double dx = double(q.x) - p.x, dy = double(q.y) - p.y;
            const double length = std::sqrt(dx * dx + dy * dy);
            if (length <= 0.0) continue;
            const double s0 = acc, s1 = acc + length;
            if (!open_ && stroke_.visible && segmentOutside(*stroke_.visible, p, q)) {
                skipPeriodsBefore(s1);
            }
            walkSegment(p, q, s0, s1, length);
            acc = s1;
        }
        if (open_) flush();
    }

private:
    // Whole periods that start and end before s1 draw nothing visible: jump over them.
    void skipPeriodsBefore(double s1) {
        if (a_ >= s1) return;
        const double whole = std::floor((s1 - a_) / period_);
        if (whole > 0.0) {
            a_ += whole * period_;
            b_ += whole * period_;
        }
    }

    void walkSegment(const DevicePoint& p, const DevicePoint& q, double s0, double s1,
                     double length) {
        while (!spent()) {
            if (!open_) {
                if (a_ > s1) return;
                dash_.clear();
                dash_.push_back(along(p, q, (std::max(a_, s0) - s0) / length));
                open_ = true;
            }
            if (b_ > s1) {
                dash_.push_back(q);
                return;
            }
            dash_.push_back(along(p, q, (b_ - s0) / length));
            flush();
            advance();
        }
    }

    bool spent() const { return stroke_.budget && stroke_.budget->recordsExhausted(); }

    void advance() {
        k_ = (k_ + 1) % pattern_.size();
        a_ = unit_ * pattern_[k_] + b_;
        k_ = (k_ + 1) % pattern_.size();
        b_ = unit_ * pattern_[k_] + a_;
    }

    void flush() {
        open_ = false;
        if (dash_.size() < 2) return;
        target_.polyline(dash_.data(), dash_.size(), pen_);
    }

    RenderTarget& target_;
    const PenSpec& pen_;
    const CurveStroke& stroke_;
    const DashPattern& pattern_;
    double unit_;
    double period_ = 0.0;
    double a_ = 0.0, b_ = 0.0;
    size_t k_ = 0;
    bool open_ = false;
    std::vector<DevicePoint> dash_;
};
}  // namespace

void DrawDashedPolyline(const std::vector<DevicePoint>& points, RenderTarget& target,
                        const CurveStroke& stroke, const DashPattern& pattern, double width) {
    if (points.empty()) return;
    const PenSpec pen = strokePen(stroke, width);
    // Dash lengths are pattern units times the pen width; the thinnest pen counts as one unit
    // so that a width of 0 does not shrink every dash to nothing.
    const double unit = (width < 1.0 ? 1.0 : width) * stroke.dotSize;
    if (!IsWalkablePattern(pattern)) {
        // A pattern that would never advance is drawn as one solid stroke.
        target.polyline(points.data(), points.size(), pen);
        return;
    }
    DashWalker(target, pen, stroke, pattern, unit).walk(points);
}

void DrawPathDashed(const TPath& path, RenderTarget& target, const CurveStroke& stroke,
                    const DashPattern& pattern, double width) {
    std::vector<DevicePoint> figure;
    bool closes = false;
    auto finish = [&]() {
        if (figure.size() >= 2) {
            if (closes) figure.push_back(figure.front());
            DrawDashedPolyline(figure, target, stroke, pattern, width);
        }
        figure.clear();
        closes = false;
    };
    for (int i = 0; i < path.Count(); ++i) {
        const PathVertex v = path.GetPoint(i);
        if (v.kind == 0) finish();
        figure.push_back(v.point);
        if (v.closes) closes = true;
    }
    finish();
}

}  // namespace korvel
