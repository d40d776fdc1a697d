// Measuring between two points and writing the result for people.
#include "render/measurement.h"

#include <cmath>
#include <cstdio>

namespace korvel {

namespace {
constexpr double kPi = 3.14159265358979323846;

std::string fixed(double value, int decimals) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    std::string s = buffer;
    if (s == "-0" || s.rfind("-0.", 0) == 0) {
        // A negative value that rounds to zero reads as zero.
        bool zero = true;
        for (char c : s) zero = zero && (c == '-' || c == '0' || c == '.');
        if (zero) s.erase(0, 1);
    }
    return s;
}

// Scales within this of a whole number are taken as that number ("1/100", not "1/99.99999").
bool nearWhole(double v, double& whole) {
    whole = std::round(v);
    return std::fabs(v - whole) <= 1e-6 * std::max(1.0, std::fabs(v));
}
}  // namespace

Measurement Measure(Point2 from, Point2 to) {
    Measurement m;
    m.dx = to.x - from.x;
    m.dy = to.y - from.y;
    m.distance = std::hypot(m.dx, m.dy);
    if (m.distance > 0.0) {
        m.angle = std::atan2(m.dy, m.dx) * 180.0 / kPi;
        if (m.angle < 0.0) m.angle += 360.0;
        if (m.angle >= 360.0) m.angle -= 360.0;
    }
    return m;
}

std::string GroupedNumber(double value, int decimals) {
    std::string s = fixed(value, decimals);
    const size_t dot = s.find('.');
    if (dot != std::string::npos) {
        while (s.back() == '0') s.pop_back();
        if (s.back() == '.') s.pop_back();
    }
    const size_t start = s[0] == '-' ? 1 : 0;
    size_t end = s.find('.');
    if (end == std::string::npos) end = s.size();
    for (size_t i = end; i > start + 3; i -= 3) s.insert(i - 3, ",");
    return s;
}

std::string ScaleText(double scale) {
    if (!std::isfinite(scale) || !(scale > 0.0)) return {};
    double whole = 0.0;
    if (scale >= 1.0) return "1/" + (nearWhole(scale, whole) ? GroupedNumber(whole, 0) : GroupedNumber(scale, 3));
    const double enlargement = 1.0 / scale;
    return (nearWhole(enlargement, whole) ? GroupedNumber(whole, 0) : GroupedNumber(enlargement, 3)) + "/1";
}

std::string DistanceText(double distance, double scale) {
    std::string s = fixed(distance, 2) + " mm";
    const std::string at = ScaleText(scale);
    if (at.empty() || at == "1/1") return s;
    return s + " = " + GroupedNumber(distance * scale, 2) + " mm at " + at;
}

std::string AngleText(double degrees) { return fixed(degrees, 2) + "\u00B0"; }

std::string CoordinatesText(Point2 p) { return "X " + fixed(p.x, 2) + "  Y " + fixed(p.y, 2); }

}  // namespace korvel
