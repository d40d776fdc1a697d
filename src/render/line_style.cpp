// The record gate, the colour rule and the line-type rule shared by every record drawing.
#include "render/line_style.h"

#include "drawing/colour.h"

#include <algorithm>
#include <cmath>

namespace korvel {

namespace {
constexpr double kTwoPi = 6.283185307179586;
constexpr int kAuxiliaryColor = 9;
// The one dash longer than any line: how solid types run through the dash machinery.
const DashPattern kSolidPattern{1000000.0, 1.0};
// Room around the target within which dashes are still walked one by one.
constexpr double kVisibleMargin = 256.0;
}  // namespace

bool ClipToBox(const DeviceBox& box, double x1, double y1, double dx, double dy, double& t0,
               double& t1) {
    t0 = 0.0;
    t1 = 1.0;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x1 - box.left, box.right - x1, y1 - box.top, box.bottom - y1};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0) return false;
            continue;
        }
        const double r = q[i] / p[i];
        if (p[i] < 0.0) t0 = std::max(t0, r);
        else t1 = std::min(t1, r);
        if (t0 > t1) return false;
    }
    return true;
}

bool ShownBox(const RenderContext& context, double margin, DeviceBox& box) {
    if (context.targetWidth <= 0 || context.targetHeight <= 0) return false;
    const bool part = context.shownRight > context.shownLeft && context.shownBottom > context.shownTop;
    box = part ? DeviceBox{double(context.shownLeft), double(context.shownTop), double(context.shownRight),
                           double(context.shownBottom)}
               : DeviceBox{0.0, 0.0, double(context.targetWidth), double(context.targetHeight)};
    box = {box.left - margin, box.top - margin, box.right + margin, box.bottom + margin};
    return true;
}

bool VisibleBox(const RenderContext& context, DeviceBox& box) {
    // The whole area, not only the part shown: where a dash walk starts changes how its pieces
    // round, and a part drawn alone (a pan's strip) must match a render of all.
    if (context.targetWidth <= 0 || context.targetHeight <= 0) return false;
    box = {-kVisibleMargin, -kVisibleMargin, context.targetWidth + kVisibleMargin,
           context.targetHeight + kVisibleMargin};
    return true;
}

LayerShow LayerShowOf(const RenderContext& context, const TJwData& record) {
    return context.options.layers.showOf(context.drawing, record.layerGroup, record.layer);
}

bool PassesLayerGate(const RenderContext& context, const TJwData& record) {
    if (record.penColor == kAuxiliaryColor && context.options.auxLineHidden) return false;
    return LayerShowOf(context, record) != LayerShow::Hidden;
}

bool PassesLineGate(const RenderContext& context, const TJwData& record) {
    return PassesLayerGate(context, record) && record.penStyle < 20 && record.penColor < 10;
}

uint32_t ApplyColorModes(const RenderContext& context, uint32_t color, const TJwData& record) {
    const RenderOptions& o = context.options;
    if (o.bwPlot && o.bw2Grey) {
        color = IsDarkColor(context.pens.PenColor[0]) ? 0xFFFFFFu : 0x000000u;
    } else if (o.bwPlot) {
        color = GreyOf(color);
    }
    if (LayerShowOf(context, record) == LayerShow::Greyed) color = 0xC0C0C0u;
    return color;
}

uint32_t ResolvePenColor(const RenderContext& context, const TJwData& record) {
    // Colour numbers beyond the table have no colour of their own; they draw black.
    const uint32_t base =
        record.penColor < kPenColors ? context.pens.PenColor[record.penColor] : 0u;
    return ApplyColorModes(context, base, record);
}

uint32_t GreyOf(uint32_t c) {
    return ((uint32_t{RedOf(c)} + GreenOf(c) + BlueOf(c)) / 3) * 0x010101u;
}

bool IsDarkColor(uint32_t c) {
    return RedOf(c) < 65 && GreenOf(c) < 65 && BlueOf(c) < 65;
}

int PenWidthOf(const RenderContext& context, uint16_t penColor) {
    if (context.options.thinLines || penColor >= kPenColors) return 0;
    const uint32_t w = context.pens.PenWidth[penColor];
    return w > 1000u ? 1000 : static_cast<int>(w);
}

std::string BitString32(uint32_t value) {
    if (value == 0) return "0";
    std::string bits(32, '0');
    for (int i = 0; i < 32; ++i) {
        if (value & (1u << (31 - i))) bits[i] = '1';
    }
    return bits;
}

DashPattern BuildDashPattern(const PenTable& pens, int t) {
    // Type 10 has no unit and types from 20 up have no pattern: both are drawn solid.
    if (t < 0 || t == 10 || t >= kLineTypes) return kSolidPattern;
    const double unit = t >= 16 ? static_cast<double>(pens.LineTypePitch[t]) : 1.0;
    // BitString32 read from its first character: bit 31 first, the value 0 as all gaps.
    const uint32_t bits = pens.LineTypePattern[t];
    DashPattern pattern;
    pattern.reserve(34);
    bool drawn = true;
    int c = 1;
    for (int i = 0; i < 32; ++i) {
        const bool set = (bits >> (31 - i)) & 1u;
        if (set == drawn) {
            ++c;
        } else {
            pattern.push_back((c - 1) * unit);
            c = 2;
            drawn = !drawn;
        }
    }
    pattern.push_back((c - 1) * unit);
    if (pattern.size() % 2 != 0) pattern.push_back(1.0);
    return pattern;
}

const DashPattern& CachedDashPattern(const PenTable& pens, int t) {
    // Patterns are rebuilt only when the table changes; one cache per thread keeps renders that
    // run side by side apart.
    struct Entry {
        bool valid = false;
        uint32_t bits = 0;
        uint32_t pitch = 0;
        DashPattern pattern;
    };
    thread_local std::array<Entry, kLineTypes + 1> cache;
    Entry& e = cache[t >= 0 && t < kLineTypes ? t : kLineTypes];
    const uint32_t bits = t >= 0 && t < kLineTypes ? pens.LineTypePattern[t] : 0;
    const uint32_t pitch = t >= 0 && t < kLineTypes ? pens.LineTypePitch[t] : 0;
    if (!e.valid || e.bits != bits || e.pitch != pitch) {
        e.pattern = BuildDashPattern(pens, t);
        e.bits = bits;
        e.pitch = pitch;
        e.valid = true;
    }
    return e.pattern;
}

std::array<double, 32> BuildRandomBits(const PenTable& pens, int t) {
    std::array<double, 32> bits{};
    if (t < 0 || t >= kLineTypes) return bits;
    const std::string s = BitString32(pens.LineTypePattern[t]);
    for (int i = 0; i < 32; ++i) bits[i] = i < static_cast<int>(s.size()) && s[i] == '1' ? 1.0 : 0.0;
    return bits;
}

double NormalizeAngle(double a) {
    if (!std::isfinite(a)) return 0.0;
    // fmod first: a huge angle would otherwise take forever to walk down by 2π.
    if (a >= kTwoPi || a < 0.0) a = std::fmod(a, kTwoPi);
    while (a >= kTwoPi) a -= kTwoPi;
    while (a < 0.0) a += kTwoPi;
    if (a < 1e-10) a = 0.0;
    if (a > 6.2831853071) a = 0.0;
    return a;
}

bool IsWalkablePattern(const DashPattern& pattern) {
    if (pattern.empty()) return false;
    double sum = 0.0;
    for (double v : pattern) {
        if (!(v >= 0.0) || !std::isfinite(v)) return false;
        sum += v;
    }
    return sum > 0.0;
}

void DrawDashedSegment(const StrokeStyle& style, int x1, int y1, int x2, int y2) {
    double w = style.width;
    if (w > 100.0 || w < 1.0) w = 0.0;
    const PenSpec pen{style.color, RoundDevice(w)};
    RenderTarget& target = style.target;
    // Type 10 and patterns that would never advance are drawn as one solid run.
    if (style.penStyle == 1 || style.penStyle == 10 || !IsWalkablePattern(style.pattern)) {
        const DevicePoint run[2] = {{x1, y1}, {x2, y2}};
        target.polyline(run, 2, pen);
        return;
    }
    const double dx = double(x2) - x1, dy = double(y2) - y1;
    const double length = std::sqrt(dx * dx + dy * dy);
    if (length <= 0.0) return;
    const double ux = dx / length, uy = dy / length;

    const DashPattern& pattern = style.pattern;
    double p = 0.0, stop = length;
    if (style.visible) {
        double t0, t1;
        if (!ClipToBox(*style.visible, x1, y1, dx, dy, t0, t1)) return;
        // Whole periods before the visible part are skipped, so the dashes that are drawn sit
        // exactly where a walk from the start would put them.
        double period = 0.0;
        for (double v : pattern) period += v * style.dotSize;
        p = std::floor(t0 * length / period) * period;
        stop = std::min(length, t1 * length + period);
    }
    // Along the line, where it is in the part shown: the dashes outside draw nothing there.
    double from = 0.0, to = length;
    if (style.shown) {
        double u0, u1;
        if (!ClipToBox(*style.shown, x1, y1, dx, dy, u0, u1)) return;
        from = u0 * length;
        to = u1 * length;
        stop = std::min(stop, to + 1.0);
    }
    const double lengthSquared = dx * dx + dy * dy;
    const size_t steps = pattern.size();
    size_t k = 0;
    bool dash = true;
    while (p < stop) {
        const double s = pattern[k] * style.dotSize;
        if (dash && s > 0.0 && p + s >= from && p <= to) {
            const DevicePoint a = RoundPoint(x1 + p * ux, y1 + p * uy);
            DevicePoint b = RoundPoint(x1 + (p + s) * ux, y1 + (p + s) * uy);
            const double bx = double(b.x) - x1, by = double(b.y) - y1;
            // Whether the dash reaches the line's end, compared as squares. No near tie needs the
            // roots: a rounded end other than the line's own lies at least 0.7 pixels from it
            // along the line, far beyond the rounding of the squares.
            const bool last = bx * bx + by * by >= lengthSquared;
            if (last) b = {x2, y2};
            const DevicePoint piece[2] = {a, b};
            target.polyline(piece, 2, pen);
            if (last) return;
        }
        p += s;
        dash = !dash;
        if (++k == steps) k = 0;
    }
}

void DrawRandomLine(RenderTarget& target, const PenSpec& pen, int x1, int y1, int x2, int y2,
                    const std::array<double, 32>& bits, double pitch, double amplitude) {
    const double P = pitch == 0.0 ? 1.0 : pitch;
    const double A = amplitude == 0.0 ? 1.0 : amplitude;
    const double ddx = double(x1) - x2, ddy = double(y1) - y2;
    const double len = std::nearbyint(std::sqrt(ddx * ddx + ddy * ddy));
    const double theta = NormalizeAngle(kTwoPi - std::atan2(double(y2) - y1, double(x2) - x1));
    const double ct = std::cos(theta), st = std::sin(theta);
    const DevicePoint D = RoundPoint(ct * P * 32, -st * P * 32);

    // Room for the tail's end point after a full period of 32 steps.
    DevicePoint pt[34];
    pt[0] = {x1, y1};
    double bx = x1, by = y1;
    // A point steps off the line in one of three directions only: along it, or turned an eighth
    // either way where the bits change. Their sines and cosines are taken once per line.
    const double up = NormalizeAngle(theta + kTwoPi / 8), down = NormalizeAngle(theta - kTwoPi / 8);
    const double offX[3] = {A * ct, A * std::cos(up), A * std::cos(down)};
    const double offY[3] = {A * st, A * std::sin(up), A * std::sin(down)};
    // The first bit is compared with itself: the first point always lies on the line.
    long prev = std::lrint(bits[0]);
    for (int i = 0; i < 32; ++i) {
        const long b = std::lrint(bits[i]);
        const int turn = b == prev ? 0 : b == 1 ? 1 : 2;
        prev = b;
        bx += P * ct;
        by -= P * st;
        pt[i + 1] = RoundPoint(bx + offX[turn], by - offY[turn]);
    }
    DevicePoint E = RoundPoint(bx, by);
    const double period = 32.0 * P;
    const double n = std::floor(len / period);
    const int rem = static_cast<int>(std::nearbyint(std::fmod(len, period) / P));

    if (n < 1.0) {
        pt[rem + 1] = {x2, y2};
        target.polyline(pt, rem + 2, pen);
        return;
    }
    target.polyline(pt, 33, pen);
    for (double i = 1.0; i < n; i += 1.0) {
        pt[0] = E;
        for (int j = 1; j <= 32; ++j) pt[j] = {pt[j].x + D.x, pt[j].y + D.y};
        target.polyline(pt, 33, pen);
        E = {E.x + D.x, E.y + D.y};
    }
    pt[0] = pt[32];
    for (int j = 1; j <= rem; ++j) pt[j] = {pt[j].x + D.x, pt[j].y + D.y};
    if (rem >= 2) {
        pt[rem + 1] = {x2, y2};
        target.polyline(pt, rem + 2, pen);
    }
}

}  // namespace korvel
