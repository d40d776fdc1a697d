#include "drawing/extents.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "drawing/insert_transform.h"

namespace korvel {

namespace {
constexpr double kPi = 3.14159265358979323846;
constexpr double kStep = kPi / 12.0;          // arcs are sampled every 15 degrees
constexpr double kGeometryTolerance = 1e-9;   // a radius this small encloses nothing
constexpr int kMaxBlockDepth = 32;            // nesting the renderer draws, no deeper

// Turns p about c by a the way Jw_cad's block and ellipse rotation rule is written (clockwise in
// y-up coordinates for a positive angle).
Point2 rotateAbout(Point2 p, Point2 c, double a) {
    if (a == 0.0) return p;
    const double cs = std::cos(a), sn = std::sin(a);
    const double dx = p.x - c.x, dy = p.y - c.y;
    return {c.x + cs * dx + sn * dy, c.y + cs * dy - sn * dx};
}

std::vector<std::string> splitFields(const std::string& s) {
    std::vector<std::string> out;
    size_t from = 0;
    for (;;) {
        size_t comma = s.find(',', from);
        out.push_back(s.substr(from, comma == std::string::npos ? std::string::npos : comma - from));
        if (comma == std::string::npos) break;
        from = comma + 1;
    }
    return out;
}
}  // namespace

bool ParseReferenceNumber(const std::string& field, double& value) {
    // Full-width digits, "．", "－" and "＋" (CP932 0x82 0x4F..0x58, 0x81 0x44, 0x81 0x7C,
    // 0x81 0x7B) become their half-width forms, as Jw_cad shows them.
    std::string half;
    for (size_t i = 0; i < field.size(); ++i) {
        const uint8_t b = static_cast<uint8_t>(field[i]);
        if (i + 1 < field.size()) {
            const uint8_t t = static_cast<uint8_t>(field[i + 1]);
            if (b == 0x82 && t >= 0x4F && t <= 0x58) { half.push_back(static_cast<char>('0' + (t - 0x4F))); ++i; continue; }
            if (b == 0x81 && t == 0x44) { half.push_back('.'); ++i; continue; }
            if (b == 0x81 && t == 0x7C) { half.push_back('-'); ++i; continue; }
            if (b == 0x81 && t == 0x7B) { half.push_back('+'); ++i; continue; }
            if (b == 0x81 && t == 0x40) { half.push_back(' '); ++i; continue; }
        }
        half.push_back(static_cast<char>(b));
    }
    size_t first = half.find_first_not_of(' ');
    size_t last = half.find_last_not_of(' ');
    if (first == std::string::npos) return false;
    half = half.substr(first, last - first + 1);
    // Only plain decimal numbers, as Jw_cad writes them (no hexadecimal, infinities or NaN).
    if (half.find_first_not_of("0123456789.+-eE") != std::string::npos) return false;
    char* end = nullptr;
    const double v = std::strtod(half.c_str(), &end);
    if (end != half.c_str() + half.size() || !std::isfinite(v)) return false;
    value = v;
    return true;
}

void ExtentsBuilder::addTransformed(double x, double y) {
    const Point2 p = PlaceInsertPoint({x, y}, origin_, scaleX_, scaleY_, angle_);
    // A huge insert scale can carry a member far beyond anything drawable.
    if (!(std::fabs(p.x) <= kMaxCoordinateMm && std::fabs(p.y) <= kMaxCoordinateMm)) return;
    Extents& e = *target_;
    e.MinX = std::min(e.MinX, p.x);
    e.MinY = std::min(e.MinY, p.y);
    e.MaxX = std::max(e.MaxX, p.x);
    e.MaxY = std::max(e.MaxY, p.y);
}

void ExtentsBuilder::AddArc(Point2 c, double kindValue, double flatness, double tilt,
                            double arcAngle, double startAngle, double r) {
    // The kind arrives as a double (solids keep it in a corner); only 1 (100) and 5 matter.
    const double k = std::trunc(kindValue);
    const int kind = (k == 1.0 || k == 100.0) ? 1 : (k == 5.0 ? 5 : 0);
    if (kind == 1 && tilt == 0.0) {
        AddPoint(c.x - r, c.y - r * flatness);
        AddPoint(c.x + r, c.y - r * flatness);
        AddPoint(c.x - r, c.y + r * flatness);
        AddPoint(c.x + r, c.y + r * flatness);
        return;
    }
    if (kind == 1 && flatness != 1.0) {
        if (std::fabs(r) <= kGeometryTolerance) return;
        // The rectangle along the ellipse's own axes, turned counter-clockwise by the tilt.
        const double ry = r * flatness;
        const Point2 corners[4] = {{c.x - r, c.y - ry}, {c.x + r, c.y - ry}, {c.x + r, c.y + ry}, {c.x - r, c.y + ry}};
        for (const Point2& k : corners) {
            const Point2 p = rotateAbout(k, c, -tilt);
            AddPoint(p.x, p.y);
        }
        return;
    }
    const double a0 = arcAngle >= 0.0 ? startAngle : startAngle + arcAngle;
    const double a1 = arcAngle >= 0.0 ? startAngle + arcAngle : startAngle;
    const double ry = flatness == 0.0 ? r : r * flatness;
    auto addAt = [&](double a) {
        const Point2 p = rotateAbout({c.x + r * std::cos(a), c.y + ry * std::sin(a)}, c, -tilt);
        AddPoint(p.x, p.y);
    };
    const double sweep = std::fabs(arcAngle);
    if (sweep > kStep) {
        // Bounded: a sweep of thousands of turns (a corrupt record) is measured as one turn.
        const double n = std::floor(std::min(sweep, 2.0 * kPi + kStep) / kStep);
        for (int i = 0; i <= static_cast<int>(n); ++i) addAt(a0 + i * kStep);
        addAt(a1);
    } else {
        addAt(a0);
        addAt(a1);
    }
    if (kind == 5) AddPoint(c.x, c.y);
}

void ExtentsBuilder::AddToExtents(const TDataSen& r) {
    if (!counts(r)) return;
    AddPoint(r.start.x, r.start.y);
    AddPoint(r.end.x, r.end.y);
}

void ExtentsBuilder::AddToExtents(const TDataEnko& r) {
    if (!counts(r)) return;
    AddArc(r.center, r.fullCircle, r.flatness, r.tiltAngle, r.arcAngle, r.startAngle, r.radius);
}

void ExtentsBuilder::AddToExtents(const TDataTen& r) {
    if (!counts(r)) return;
    AddPoint(r.point.x, r.point.y);
}

void ExtentsBuilder::addTextBox(Point2 s, Point2 e, double sizeY) {
    AddPoint(s.x, s.y);
    AddPoint(e.x, e.y);
    if ((std::fabs(s.x - e.x) < 1e-7 && std::fabs(s.y - e.y) < 1e-7) || std::fabs(sizeY) < 1e-9) {
        AddPoint(s.x, s.y);
        AddPoint(e.x, e.y);
        return;
    }
    // The top edge of the text box: both ends moved by the height, to the left of the direction.
    const double a = std::atan2(e.y - s.y, e.x - s.x) + kPi / 2.0;
    const double dx = sizeY * std::cos(a), dy = sizeY * std::sin(a);
    AddPoint(s.x + dx, s.y + dy);
    AddPoint(e.x + dx, e.y + dy);
}

void ExtentsBuilder::addPictureReference(const TDataMoji& r) {
    AddPoint(r.start.x, r.start.y);
    const std::vector<std::string> f = splitFields(r.text);
    double w = 0.0, h = 0.0;
    const bool hasW = f.size() >= 2 && ParseReferenceNumber(f[1], w);
    const bool hasH = f.size() >= 3 && ParseReferenceNumber(f[2], h);
    // Jw_cad 8 writes further fields after the height; only width and height measure.
    // A width or height beyond the drawable range measures like a missing one.
    if (hasW && !(std::fabs(w) <= kMaxCoordinateMm)) return;
    if (hasH && !(std::fabs(h) <= kMaxCoordinateMm)) return;
    if (hasW && hasH) AddPoint(r.start.x + w, r.start.y + h);
    else if (hasW) AddPoint(r.start.x + w, r.start.y + w);
    else if (hasH) AddPoint(r.start.x + h, r.start.y + h);
}

void ExtentsBuilder::AddToExtents(const TDataMoji& r) {
    if (!counts(r) || IsJwcadSettingsText(r)) return;
    if (r.text.compare(0, 4, "^@BM") == 0) {
        addPictureReference(r);
        return;
    }
    addTextBox(r.start, r.end, r.sizeY);
}

void ExtentsBuilder::AddToExtents(const TDataSunpou& r) {
    if (!counts(r)) return;
    AddPoint(r.line.start.x, r.line.start.y);
    AddPoint(r.line.end.x, r.line.end.y);
    addTextBox(r.text.start, r.text.end, r.text.sizeY);
}

void ExtentsBuilder::AddToExtents(const TDataSolid& r) {
    if (!counts(r)) return;
    if (r.penStyle >= 101) {
        AddArc(r.corner1, r.corner4.y, r.corner2.y, r.corner3.x, r.corner4.x, r.corner3.y, r.corner2.x);
        return;
    }
    AddPoint(r.corner1.x, r.corner1.y);
    AddPoint(r.corner2.x, r.corner2.y);
    AddPoint(r.corner3.x, r.corner3.y);
    AddPoint(r.corner4.x, r.corner4.y);
}

void ExtentsBuilder::AddToExtents(const TDataBlock& r) {
    if (!counts(r)) return;
    AddPoint(r.origin.x, r.origin.y);
}

void ExtentsBuilder::AddRecord(const RecordSet& s, const RecordRef& ref) {
    switch (ref.cls) {
        case RecordClass::Sen: AddToExtents(s.lines[ref.index]); break;
        case RecordClass::Enko: AddToExtents(s.circles[ref.index]); break;
        case RecordClass::Ten: AddToExtents(s.points[ref.index]); break;
        case RecordClass::Moji: AddToExtents(s.texts[ref.index]); break;
        case RecordClass::Sunpou: AddToExtents(s.dimensions[ref.index]); break;
        case RecordClass::Solid: AddToExtents(s.solids[ref.index]); break;
        case RecordClass::Block: AddToExtents(s.inserts[ref.index]); break;  // origin only
        case RecordClass::List: break;
    }
}

void ExtentsBuilder::addMember(const RecordRef& ref, int depth) {
    if (ref.cls == RecordClass::Block) addInnerInsert(d_.members.inserts[ref.index], depth);
    else AddRecord(d_.members, ref);
}

// An insert inside a block: its own block's box, placed by it, then by the inserts around it.
void ExtentsBuilder::addInnerInsert(const TDataBlock& insert, int depth) {
    if (!counts(insert)) return;
    AddPoint(insert.origin.x, insert.origin.y);
    const Extents* box = definitionBox(insert.blockNumber, depth + 1);
    if (!box) return;
    const double sx = MeasuredInsertScale(insert.scaleX), sy = MeasuredInsertScale(insert.scaleY);
    for (const Point2 corner : {Point2{box->MinX, box->MinY}, Point2{box->MaxX, box->MinY},
                                Point2{box->MaxX, box->MaxY}, Point2{box->MinX, box->MaxY}}) {
        const Point2 p = PlaceInsertPoint(corner, insert.origin, sx, sy, insert.rotation);
        AddPoint(p.x, p.y);
    }
}

const Extents* ExtentsBuilder::definitionBox(uint32_t k, int depth) {
    if (depth > kMaxBlockDepth || k >= boxState_.size()) return nullptr;
    const auto holds = [](const Extents& e) { return e.MinX <= e.MaxX && e.MinY <= e.MaxY; };
    if (boxState_[k] == BoxState::Measured) return holds(boxes_[k]) ? &boxes_[k] : nullptr;
    if (boxState_[k] == BoxState::Measuring) return nullptr;  // a block that inserts itself
    size_t first = 0, count = 0;
    if (!d_.blockMembers(k, first, count)) return nullptr;
    boxState_[k] = BoxState::Measuring;
    Extents* const outerTarget = target_;
    const bool outerTransforming = transforming_;
    Extents local;
    target_ = &local;
    transforming_ = false;
    for (size_t i = first; i < first + count; ++i) addMember(d_.members.sequence[i], depth);
    target_ = outerTarget;
    transforming_ = outerTransforming;
    boxes_[k] = local;
    boxState_[k] = BoxState::Measured;
    return holds(local) ? &boxes_[k] : nullptr;
}

void ExtentsBuilder::ExpandBlockInserts(std::vector<std::string>& warnings) {
    boxState_.assign(d_.top.definitions.size(), BoxState::Unmeasured);
    boxes_.assign(d_.top.definitions.size(), Extents{});
    size_t skipped = 0;
    uint32_t firstMissing = 0;
    for (const TDataBlock& insert : d_.top.inserts) {
        size_t first = 0, count = 0;
        if (!d_.blockMembers(insert.blockNumber, first, count)) {
            if (skipped++ == 0) firstMissing = insert.blockNumber;
            continue;
        }
        // Members of an insert on a hidden layer are not drawn, so they are not measured.
        if (!counts(insert)) continue;
        origin_ = insert.origin;
        scaleX_ = MeasuredInsertScale(insert.scaleX);
        scaleY_ = MeasuredInsertScale(insert.scaleY);
        angle_ = insert.rotation;
        transforming_ = true;
        for (size_t i = first; i < first + count; ++i) addMember(d_.members.sequence[i], 1);
    }
    origin_ = {};
    angle_ = 0.0;
    scaleX_ = scaleY_ = 1.0;
    transforming_ = false;
    if (skipped > 0) {
        warnings.push_back(std::to_string(skipped) + " block insert(s) refer to a block that has no definition (first: block " +
                           std::to_string(firstMissing) + "); they are skipped");
    }
}

void ExtentsBuilder::FinishExtents() {
    Extents& e = *target_;
    e.MinX -= 1.0;
    e.MinY -= 1.0;
    e.MaxX += 1.0;
    e.MaxY += 1.0;
    e.CenterX = (e.MaxX - e.MinX) / 2.0 + e.MinX;
    e.CenterY = (e.MaxY - e.MinY) / 2.0 + e.MinY;
    e.Aspect = std::fabs(e.MaxX - e.MinX) / std::fabs(e.MaxY - e.MinY);
}

}  // namespace korvel
