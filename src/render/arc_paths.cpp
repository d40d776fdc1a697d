// Circle, arc and ellipse builders.
#include "render/arc_paths.h"

#include <algorithm>
#include <cmath>

#include "render/line_style.h"

namespace korvel {

namespace {
constexpr double kPi = 3.141592653589793;
constexpr double kTwoPi = 2.0 * kPi;
constexpr int kSamples = 361;  // one per degree, 0° and 360° both

// Point at ellipse parameter theta, the axes turned by the tilt (y downwards on the device).
struct SampleFrame {
    double cx, cy, rx, ry, ct, st;
    SampleFrame(double cx_, double cy_, double r, double ry_, double tilt)
        : cx(cx_), cy(cy_), rx(r), ry(ry_), ct(std::cos(tilt)), st(std::sin(tilt)) {}
    // The unrounded device point of a local offset (x right, y down) turned by the tilt.
    void place(double x, double y, double& X, double& Y) const {
        X = cx + x * ct + y * st;
        Y = cy - x * st + y * ct;
    }
    DevicePoint at(double theta) const {
        double X, Y;
        place(rx * std::cos(theta), -ry * std::sin(theta), X, Y);
        return RoundPoint(X, Y);
    }
};

std::vector<DevicePoint> sampleEllipse(const SampleFrame& f) {
    std::vector<DevicePoint> samples(kSamples);
    for (int i = 0; i < kSamples; ++i) samples[i] = f.at(kPi * i / 180.0);
    return samples;
}

double distance(const DevicePoint& a, const DevicePoint& b) {
    const double dx = double(a.x) - b.x, dy = double(a.y) - b.y;
    return std::sqrt(dx * dx + dy * dy);
}

int nearestSample(const std::vector<DevicePoint>& samples, const DevicePoint& p) {
    int best = 0;
    double bestDistance = 99999999.0;
    for (int i = 0; i < static_cast<int>(samples.size()); ++i) {
        const double d = distance(samples[i], p);
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

// Sample indices from `from` to `to`, counter-clockwise, wrapping past 360°.
std::vector<int> sampleRun(int from, int to) {
    std::vector<int> run;
    if (to >= from) {
        for (int i = from; i <= to; ++i) run.push_back(i);
    } else {
        for (int i = from; i < kSamples - 1; ++i) run.push_back(i);
        for (int i = 0; i <= to; ++i) run.push_back(i);
    }
    return run;
}

// One Bézier quarter (or less) of ArcPath: the standard cubic arc about its middle direction.
void addArcSegment(CurvePath& path, double cx, double cy, double rx, double ry, double a,
                   double delta) {
    if (delta == 0.0) {
        path.lineTo(RoundPoint(cx + rx * std::cos(a), cy - ry * std::sin(a)));
        return;
    }
    const double h = delta / 2.0, c = std::cos(h), s = std::sin(h);
    const double k = 4.0 / 3.0 * (1.0 - c);
    const double handle = s != 0.0 ? s - k * c / s : 0.0;
    const double px[3] = {c + k, c + k, c};
    const double py[3] = {handle, -handle, -s};
    const double m = a + h, cm = std::cos(m), sm = std::sin(m);
    DevicePoint out[3];
    for (int i = 0; i < 3; ++i) {
        out[i] = RoundPoint((px[i] * cm + py[i] * sm) * rx + cx - 0.0001,
                            (-px[i] * sm + py[i] * cm) * ry + cy - 0.0001);
    }
    path.bezierTo(out[0], out[1], out[2]);
}

// One 60° piece of EllipsePath, from alpha0 to alpha1 in device orientation.
void addEllipseSegment(CurvePath& path, double cx, double cy, double rx, double ry, double tilt,
                       double alpha0, double alpha1) {
    const double delta = alpha1 - alpha0;
    const double h = 4.0 / 3.0 * std::tan(delta / 4.0);
    const double ux[4] = {1.0, 1.0, std::cos(delta) + h * std::sin(delta), std::cos(delta)};
    const double uy[4] = {0.0, h, std::sin(delta) - h * std::cos(delta), std::sin(delta)};
    const double ca = std::cos(alpha0), sa = std::sin(alpha0);
    const double ct = std::cos(tilt), st = std::sin(tilt);
    DevicePoint p[4];
    for (int i = 0; i < 4; ++i) {
        const double x = (ux[i] * ca - uy[i] * sa) * rx;
        const double y = (ux[i] * sa + uy[i] * ca) * ry;
        p[i] = RoundPoint(cx + x * ct + y * st, cy - x * st + y * ct);
    }
    path.moveTo(p[0]);
    path.bezierTo(p[1], p[2], p[3]);
}
}  // namespace

void ArcPath(CurvePath& path, bool full, double cx, double cy, double r, double start,
             double sweep, double flatness, double tilt) {
    const double rx = r;
    const double ry = flatness == 0.0 ? r : r * flatness;
    double a, w;
    if (full) {
        a = 0.0;
        w = kTwoPi;
    } else {
        a = start + tilt;
        w = sweep;
        if (w < 0.0) {
            a += w;
            if (a < 0.0) a += kTwoPi;
            w = std::fabs(w);
        }
    }
    // A sweep of many turns is still one turn on the device.
    if (w > kTwoPi) w = kTwoPi;
    path.moveTo(RoundPoint(cx + rx * std::cos(a), cy - ry * std::sin(a)));
    while (w > kPi / 2.0) {
        addArcSegment(path, cx, cy, rx, ry, a, kPi / 2.0);
        w -= kPi / 2.0;
        a += kPi / 2.0;
    }
    addArcSegment(path, cx, cy, rx, ry, a, w);
}

void EllipsePath(CurvePath& path, bool full, double cx, double cy, double r, double start,
                 double sweep, double flatness, double tilt) {
    double from, to;
    if (full) {
        from = 0.0;
        to = kTwoPi;
    } else if (sweep >= 0.0) {
        from = kTwoPi - (start + sweep);
        to = from + sweep;
    } else {
        from = kTwoPi - start;
        to = from - sweep;
    }
    if (to - from > kTwoPi) to = from + kTwoPi;
    const double step = kPi / 3.0;
    const int n = static_cast<int>(std::trunc((to - from) / step));
    for (int i = 0; i < n; ++i) {
        addEllipseSegment(path, cx, cy, r, r * flatness, tilt, from + i * step, from + (i + 1) * step);
    }
    if (to - (from + n * step) > 0.0001) {
        addEllipseSegment(path, cx, cy, r, r * flatness, tilt, from + n * step, to);
    }
}

void RandomArcPath(CurvePath& path, uint32_t full, double pitch, double amplitude,
                   const std::array<double, 32>& bits, double cx, double cy, double r,
                   double start, double sweep, double flatness, double tilt) {
    const double P = pitch == 0.0 ? 1.0 : pitch;
    const double A = amplitude == 0.0 ? 1.0 : amplitude;
    const SampleFrame frame(cx, cy, r, flatness == 0.0 ? r : r * flatness, tilt);
    const std::vector<DevicePoint> samples = sampleEllipse(frame);

    std::vector<int> kept;
    if ((full & 0xFF) == 0) {
        double from = start, to = start + sweep;
        if (sweep >= 0.0) {
            if (to > kPi) to -= kTwoPi;
        } else {
            if (to < -kPi) to += kTwoPi;
            std::swap(from, to);
        }
        kept = sampleRun(nearestSample(samples, frame.at(from)), nearestSample(samples, frame.at(to)));
    } else {
        for (int i = 0; i < kSamples; ++i) kept.push_back(i);
    }

    const long step = std::max(1L, std::lrint(P));
    std::vector<DevicePoint> out;
    for (size_t i = 1; i < kept.size(); ++i) {
        if (static_cast<long>(i) % step != 0) continue;
        const DevicePoint& S = samples[kept[i - 1]];
        const double d = std::nearbyint(distance(S, RoundPoint(cx, cy)));
        const double phi = kTwoPi - std::atan2(S.y - cy, S.x - cx);
        const double reach = bits[(i - 1) % 32] == 1.0 ? d + A : d - A;
        out.push_back(RoundPoint(cx + std::cos(phi) * reach, cy - std::sin(phi) * reach));
    }
    if (out.empty()) return;
    if (full == 1) out.push_back(out.front());
    path.moveTo(out[0]);
    for (size_t i = 1; i < out.size(); ++i) path.lineTo(out[i]);
}

ArcSolid BuildArcSolid(int kind, double cx, double cy, double r, double inner, double start,
                       double sweep, double flatness, double tilt) {
    const double f = flatness == 0.0 ? 1.0 : flatness;
    int base = kind, mode = 0;
    if (kind >= 200) {
        base = kind - 200;
        mode = 2;
    } else if (kind >= 100) {
        base = kind - 100;
        mode = 1;
    }
    const SampleFrame outerFrame(cx, cy, r, r * f, tilt);
    const SampleFrame innerFrame(cx, cy, inner, inner * f, tilt);
    const std::vector<DevicePoint> outer = sampleEllipse(outerFrame);
    std::vector<DevicePoint> innerSamples;
    if (mode == 2) innerSamples = sampleEllipse(innerFrame);

    double from = start, across = sweep;
    if (across < 0.0) {
        from += across;
        across = -across;
    }

    ArcSolid shape;
    shape.outlineOnly = base == 0 || mode == 1;
    if (base >= 40) {
        const int parts = base == 41 ? 4 : across > 1.5 * kPi ? 4 : across > kPi ? 3 : across > kPi / 2 ? 2 : 1;
        const double delta = base == 41 ? kPi / 2 : across / parts;
        double theta0 = base == 41 ? 0.0 : from;
        for (int p = 0; p < parts; ++p, theta0 += delta) {
            std::vector<DevicePoint> figure;
            for (int i : sampleRun(nearestSample(outer, outerFrame.at(theta0)),
                                   nearestSample(outer, outerFrame.at(theta0 + delta)))) {
                figure.push_back(outer[i]);
            }
            const double mid = theta0 + delta / 2.0, reach = std::cos(delta / 2.0);
            double X, Y;
            outerFrame.place(std::cos(mid) * r / reach, -std::sin(mid) * r * f / reach, X, Y);
            figure.push_back(RoundPoint(X, Y));
            figure.push_back(figure.front());
            shape.figures.push_back(std::move(figure));
        }
        return shape;
    }

    std::vector<int> run;
    if (base >= 1 && base <= 10) {
        for (int i = 0; i < kSamples; ++i) run.push_back(i);
    } else {
        run = sampleRun(nearestSample(outer, outerFrame.at(from)),
                        nearestSample(outer, outerFrame.at(from + across)));
    }
    std::vector<DevicePoint> figure;
    for (int i : run) figure.push_back(outer[i]);
    if (mode == 2) {
        for (auto it = run.rbegin(); it != run.rend(); ++it) figure.push_back(innerSamples[*it]);
    }
    if (base == 30) figure.push_back(RoundPoint(cx, cy));
    if (base == 30 || base == 20) figure.push_back(figure.front());
    shape.figures.push_back(std::move(figure));
    return shape;
}

void ArcSolidShape(RenderTarget& target, uint32_t color, BrushStyle style, int kind, double cx,
                   double cy, double r, double inner, double start, double sweep,
                   double flatness, double tilt) {
    const ArcSolid shape = BuildArcSolid(kind, cx, cy, r, inner, start, sweep, flatness, tilt);
    PenSpec pen;
    pen.color = color;
    for (const auto& figure : shape.figures) {
        if (figure.empty()) continue;
        if (shape.outlineOnly) target.polyline(figure.data(), figure.size(), pen);
        else target.polygon(figure.data(), figure.size(), pen, {style, color});
    }
}

}  // namespace korvel
