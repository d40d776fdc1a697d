// Point records: the ordinary dot and the symbols of special points.
#include <cmath>
#include <initializer_list>
#include <vector>

#include "render/device_mapping.h"
#include "render/line_style.h"
#include "render/record_drawers.h"

namespace korvel {

namespace {
// Offsets from the point in device units, turned by the symbol's angle; strokes in the point's
// pen, fills in its brush.
class Symbol {
public:
    Symbol(RenderTarget& target, const PenSpec& pen, const BrushSpec& brush, int x, int y,
           double angle)
        : target_(target), pen_(pen), brush_(brush), x_(x), y_(y), c_(std::cos(angle)),
          s_(std::sin(angle)) {}

    // Counter-clockwise on the device for a positive angle.
    DevicePoint at(double dx, double dy) const {
        return RoundPoint(x_ + c_ * dx + s_ * dy, y_ + c_ * dy - s_ * dx);
    }
    void stroke(std::initializer_list<std::pair<double, double>> offsets) const {
        std::vector<DevicePoint> points;
        for (const auto& o : offsets) points.push_back(at(o.first, o.second));
        target_.polyline(points.data(), points.size(), pen_);
    }
    void fill(std::initializer_list<std::pair<double, double>> offsets) const {
        std::vector<DevicePoint> points;
        for (const auto& o : offsets) points.push_back(at(o.first, o.second));
        target_.polygon(points.data(), points.size(), pen_, brush_);
    }
    // Circles are not turned.
    void circle(int r, bool filled) const {
        if (filled) target_.ellipse({x_ - r, y_ - r, x_ + r, y_ + r}, pen_, brush_);
        else arc({x_, y_}, r, {x_ + r, y_}, {x_ + r, y_});
    }
    void dot() const { target_.ellipse({x_ - 1, y_ - 1, x_ + 1, y_ + 1}, pen_, brush_); }
    // The circle of radius r about the centre, from the ray through `from` to the ray through
    // `to`, counter-clockwise.
    void arc(DevicePoint centre, int r, DevicePoint from, DevicePoint to) const {
        target_.arc({centre.x - r, centre.y - r, centre.x + r, centre.y + r}, from, to, pen_);
    }

private:
    RenderTarget& target_;
    PenSpec pen_;
    BrushSpec brush_;
    int x_, y_;
    double c_, s_;
};

double R(double v) { return std::nearbyint(v); }

void drawArrowHead(const Symbol& sym, int code, double u) {
    const double e = R(7.5 * u), d = R(1.25 * u);
    if (code == 9) sym.stroke({{-e, d}, {0, 0}, {-e, -d}});
    else sym.stroke({{-e, d}, {0, 0}, {-e, -d}, {-e, d}});
    if (code == 6) sym.fill({{-e, d}, {0, 0}, {-e, -d}});
}

// Two half circles side by side, the left one over the point's line and the right one under
// it: a small wave through the point.
void drawWave(const Symbol& sym, double u) {
    const double r = R(u / std::sqrt(2.0));
    const DevicePoint left = sym.at(-r, 0), right = sym.at(r, 0);
    const DevicePoint leftEnd = sym.at(-2 * r, 0), mid = sym.at(0, 0), rightEnd = sym.at(2 * r, 0);
    const int ir = static_cast<int>(r);
    sym.arc(left, ir, mid, leftEnd);
    sym.arc(right, ir, mid, rightEnd);
}

void drawSpecialPoint(const Symbol& sym, int code, double u) {
    switch (code) {
        case -7: {
            const double h = R(1.25 / std::sqrt(2.0) * u);
            sym.stroke({{-h, -h}, {h, h}});
            sym.stroke({{-h, h}, {h, -h}});
            return;
        }
        case -6: {
            const double apex = R(5.0 / 3.0 * u), base = apex / 2.0, half = R(2.5 / std::sqrt(3.0) * u);
            sym.stroke({{0, -apex}, {half, base}, {-half, base}, {0, -apex}});
            return;
        }
        case -5: case 2: case 5: {
            const double h = R(1.25 * u);
            sym.stroke({{-h, -h}, {h, -h}, {h, h}, {-h, h}, {-h, -h}});
            if (code == 5) sym.fill({{-h, -h}, {h, -h}, {h, h}, {-h, h}});
            return;
        }
        case -4: {
            const double h = R(1.25 * u);
            sym.stroke({{-h, 0}, {h, 0}});
            sym.stroke({{0, -h}, {0, h}});
            return;
        }
        case -2: case 3: case 4:
            sym.circle(static_cast<int>(R(u / std::sqrt(2.0))), false);
            return;
        case 7:
            sym.circle(static_cast<int>(R(u / std::sqrt(2.0))), true);
            return;
        case -1: {
            const double d = R(1.25 * u), a = R(0.625 * u), b = R(std::sqrt(3.0) * 0.625 * u);
            sym.stroke({{0, -d}, {0, d}});
            sym.stroke({{-b, -a}, {b, a}});
            sym.stroke({{-b, a}, {b, -a}});
            return;
        }
        case 1: case 6: case 9: case 11:
            drawArrowHead(sym, code, u);
            return;
        case 8:
            drawWave(sym, u);
            return;
        case 10: {
            const double r = R(u / std::sqrt(2.0));
            sym.stroke({{-r, r}, {r, -r}});
            return;
        }
        default:
            sym.dot();
            return;
    }
}
}  // namespace

void DrawPointRecord(RenderContext& context, RenderTarget& target, const TDataTen& point) {
    if (!PassesLayerGate(context, point) || point.penColor >= 10) return;
    double x, y;
    MapToDevice(context, point.point, x, y);
    if (!WithinSafeRange(x, y)) return;

    const uint32_t color = ResolvePenColor(context, point);
    const PenSpec pen{color, PenWidthOf(context, point.penColor)};
    const BrushSpec brush{BrushStyle::Solid, color};

    const bool special = point.penStyle == 100 && context.drawing.header.Version >= 300;
    // Inside a block the symbol turns with the block's members (see the block drawing).
    const double blockTurn = context.block.expandingBlock ? context.block.totalAngle() : 0.0;
    const Symbol sym(target, pen, brush, RoundDevice(x), RoundDevice(y), point.angle + blockTurn);
    if (!special) {
        sym.dot();
        return;
    }
    const double u = point.scale * context.scale();
    if (!(std::fabs(u) < kSafeDeviceRange)) return;
    drawSpecialPoint(sym, static_cast<int32_t>(point.code), u);
}

}  // namespace korvel
