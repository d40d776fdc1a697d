#include "drawing/coordinate_range.h"

#include <cmath>

namespace korvel {

namespace {

bool length(double v) { return std::isfinite(v) && std::fabs(v) <= kMaxCoordinateMm; }
bool point(const Point2& p) { return length(p.x) && length(p.y); }
// Angles may be any finite number of turns.
bool angle(double v) { return std::isfinite(v); }

template <typename T>
bool at(const std::vector<T>& list, uint32_t index) {
    return index >= list.size() || InDrawableRange(list[index]);
}

size_t countIn(const RecordSet& set) {
    size_t n = 0;
    for (const RecordRef& ref : set.sequence) n += RecordInDrawableRange(set, ref) ? 0 : 1;
    return n;
}

}  // namespace

bool InDrawableRange(const TDataSen& r) { return point(r.start) && point(r.end); }

bool InDrawableRange(const TDataEnko& r) {
    return point(r.center) && length(r.radius) && length(r.radius * r.flatness) && angle(r.startAngle) &&
           angle(r.arcAngle) && angle(r.tiltAngle);
}

bool InDrawableRange(const TDataTen& r) {
    return point(r.point) && (r.penStyle != 100 || (angle(r.angle) && length(r.scale)));
}

bool InDrawableRange(const TDataMoji& r) {
    return point(r.start) && point(r.end) && length(r.sizeX) && length(r.sizeY) && length(r.spacing) &&
           angle(r.angle);
}

bool InDrawableRange(const TDataSunpou& r) { return InDrawableRange(r.line) && InDrawableRange(r.text); }

bool InDrawableRange(const TDataSolid& r) {
    return point(r.corner1) && point(r.corner2) && point(r.corner3) && point(r.corner4);
}

bool InDrawableRange(const TDataBlock& r) {
    return point(r.origin) && length(r.scaleX) && length(r.scaleY) && angle(r.rotation);
}

bool RecordInDrawableRange(const RecordSet& s, const RecordRef& ref) {
    switch (ref.cls) {
        case RecordClass::Sen: return at(s.lines, ref.index);
        case RecordClass::Enko: return at(s.circles, ref.index);
        case RecordClass::Ten: return at(s.points, ref.index);
        case RecordClass::Moji: return at(s.texts, ref.index);
        case RecordClass::Sunpou: return at(s.dimensions, ref.index);
        case RecordClass::Solid: return at(s.solids, ref.index);
        case RecordClass::Block: return at(s.inserts, ref.index);
        case RecordClass::List: return true;
    }
    return true;
}

size_t CountOutOfRangeRecords(const Drawing& drawing) {
    return countIn(drawing.top) + countIn(drawing.members);
}

std::string OutOfRangeWarning(size_t count) {
    if (count == 0) return {};
    return std::to_string(count) +
           " record(s) have coordinates that are not finite or lie beyond 1e9 mm; they are left out of the "
           "extents and not drawn";
}

}  // namespace korvel
