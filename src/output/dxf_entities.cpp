#include "output/dxf_entities.h"

#include <algorithm>
#include <cmath>

#include "output/dxf_colors.h"
#include "output/dxf_symbols.h"
#include "render/arc_paths.h"
#include "render/line_style.h"
#include "render/picture_reference.h"
#include "render/solid_style.h"
#include "render/text_codes.h"
#include "render/text_run_layout.h"

namespace korvel {

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kTwoPi = 2.0 * kPi;
constexpr double kDegrees = 180.0 / kPi;
// Far beyond any sheet or site: a coordinate past it is damage, not drawing.
constexpr double kCoordinateLimit = 1.0e10;
// What AutoCAD keeps in one string tag; longer texts go into MTEXT, in pieces of this size.
constexpr size_t kTagBytes = 250;
// Fine enough that rounding the sampled outline of an arc solid to whole units leaves nothing
// visible, and coarse enough that large ones stay within the device range.
constexpr double kSolidUnitsPerMillimetre = 1000.0;
constexpr double kSolidDeviceReach = 1.0e7;

bool usable(double v) { return std::isfinite(v) && std::fabs(v) <= kCoordinateLimit; }
bool usable(Point2 p) { return usable(p.x) && usable(p.y); }
bool finite(double v) { return std::isfinite(v); }

double degreesIn360(double degrees) {
    if (!std::isfinite(degrees)) return 0.0;
    double a = std::fmod(degrees, 360.0);
    if (a < 0.0) a += 360.0;
    return a >= 360.0 ? 0.0 : a;
}

Point2 along(Point2 p, double degrees, double distance) {
    const double a = degrees / kDegrees;
    return {p.x + distance * std::cos(a), p.y + distance * std::sin(a)};
}

// Splits MTEXT content into tag-sized pieces without cutting a character or an escape apart.
std::vector<std::string> mtextPieces(const std::string& s, bool cp932) {
    std::vector<std::string> pieces;
    size_t from = 0;
    while (s.size() - from > kTagBytes) {
        size_t i = from, cut = from;
        while (i < s.size() && i - from < kTagBytes) {
            const uint8_t b = static_cast<uint8_t>(s[i]);
            size_t n = 1;
            if (b == '\\') n = 2;
            else if (cp932 && IsCp932LeadByte(b)) n = 2;
            else if (!cp932 && b >= 0xC0) n = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : 2;
            if (i + n - from > kTagBytes) break;
            i += n;
            cut = i;
        }
        if (cut == from) cut = std::min(s.size(), from + kTagBytes);
        pieces.push_back(s.substr(from, cut - from));
        from = cut;
    }
    pieces.push_back(s.substr(from));
    return pieces;
}

bool isVertical(const TDataMoji& t) { return t.flags != 0 && (t.flags & 0x20) != 0; }

}  // namespace

bool DxfCoordinatesUsable(const TDataSen& r) { return usable(r.start) && usable(r.end); }

DxfEntities::DxfEntities(const RenderContext& context, DxfWriter& writer, DxfHandles& handles,
                         const DxfTables& tables, const DxfBlockNames& blocks,
                         DxfPictures& pictures, const DxfStrings& strings)
    : ctx_(context), w_(writer), handles_(handles), tables_(tables), blocks_(blocks),
      pictures_(pictures), strings_(strings), macros_(MacroValuesFor(context)) {}

// --- looks: layer, line type, colour, lineweight ---

DxfEntities::Look DxfEntities::lookWithColor(const TJwData& a, uint32_t color) const {
    const int width = PenWidthOf(ctx_, a.penColor);
    int& lineweight = lineweights_[static_cast<size_t>(std::clamp(width, 0, 1000))];
    if (lineweight == 0) lineweight = DxfLineweight(width);
    return Look{&tables_.layerName(a.layerGroup, a.layer), nullptr, color, lineweight};
}

DxfEntities::Look DxfEntities::lookOf(const TJwData& a) const {
    return lookWithColor(a, ResolvePenColor(ctx_, a));
}

DxfEntities::Look DxfEntities::byBlock() const {
    Look look{&layerZero_, &byBlock_, 0, -2};
    look.byBlock = true;
    return look;
}

// Dimension texts take the printer colour of their pen, as the renderer draws them.
DxfEntities::Look DxfEntities::dimensionTextLook(const TDataMoji& t) const {
    const auto& printer = ctx_.pens.PrtPenColor;
    return lookWithColor(t, ApplyColorModes(ctx_, t.penColor < kPenColors ? printer[t.penColor] : 0u, t));
}

int DxfEntities::aciOf(uint32_t bgr) const {
    const auto it = aciCache_.find(bgr);
    if (it != aciCache_.end()) return it->second;
    const int aci = NearestAci(bgr);
    aciCache_.emplace(bgr, aci);
    return aci;
}

void DxfEntities::color(uint32_t bgr) {
    const int aci = aciOf(bgr);
    w_.integer(62, aci);
    // Black stays index 7 alone, so that it shows on dark screens and prints black.
    if (strings_.version() == DxfVersion::R2013 && (bgr & 0xFFFFFFu) != 0) {
        w_.integer(420, DxfTrueColor(bgr));
    }
}

DxfHandle DxfEntities::begin(std::string_view type, DxfHandle owner, const Look& look) {
    const DxfHandle h = handles_.take();
    w_.object(type, h, owner);
    w_.text(100, "AcDbEntity");
    w_.text(8, *look.layer);
    if (look.lineType) w_.text(6, *look.lineType);
    if (look.byBlock) w_.integer(62, 0);
    else color(look.color);
    w_.integer(370, look.lineweight);
    return h;
}

// --- records ---

void DxfEntities::record(const RecordSet& s, int member, const RecordRef& ref, DxfHandle owner) {
    const size_t i = ref.index;
    switch (ref.cls) {
        case RecordClass::Sen:
            if (i < s.lines.size()) line(s.lines[i], owner);
            return;
        case RecordClass::Enko:
            if (i < s.circles.size()) circle(s.circles[i], owner);
            return;
        case RecordClass::Ten:
            if (i < s.points.size()) point(s.points[i], owner);
            return;
        case RecordClass::Moji:
            if (i < s.texts.size() && !IsJwcadSettingsText(s.texts[i])) {
                text(s.texts[i], owner, lookOf(s.texts[i]), true);
            }
            return;
        case RecordClass::Sunpou:
            if (i < s.dimensions.size()) dimension(s.dimensions[i], member, ref.index, owner);
            return;
        case RecordClass::Solid:
            if (i < s.solids.size()) solid(s.solids[i], owner);
            return;
        case RecordClass::Block:
            if (i < s.inserts.size()) {
                const bool cyclic = member == 1 && i < blocks_.cyclicMembers.size() && blocks_.cyclicMembers[i];
                insert(s.inserts[i], owner, cyclic);
            }
            return;
        case RecordClass::List:
            return;
    }
}

void DxfEntities::segment(const Look& look, Point2 a, Point2 b, DxfHandle owner) {
    begin("LINE", owner, look);
    w_.text(100, "AcDbLine");
    w_.point(10, a.x, a.y);
    w_.point(11, b.x, b.y);
}

void DxfEntities::line(const TDataSen& r, DxfHandle owner) {
    if (!DxfCoordinatesUsable(r)) {
        ++losses_.badCoordinates;
        return;
    }
    if (r.penStyle >= 11 && r.penStyle <= 15) ++losses_.randomLines;
    Look look = lookOf(r);
    look.lineType = &tables_.lineTypeName(r.penStyle);
    segment(look, r.start, r.end, owner);
}

void DxfEntities::circle(const TDataEnko& r, DxfHandle owner) {
    if (!usable(r.center) || !usable(r.radius) || !finite(r.startAngle) || !finite(r.arcAngle) ||
        !finite(r.tiltAngle) || !usable(r.flatness)) {
        ++losses_.badCoordinates;
        return;
    }
    if (r.penStyle >= 11 && r.penStyle <= 15) ++losses_.randomLines;
    Look look = lookOf(r);
    look.lineType = &tables_.lineTypeName(r.penStyle);
    const bool whole = r.fullCircle == 1 || r.fullCircle == 100;
    double radius = r.radius, start = r.startAngle, sweep = r.arcAngle, tilt = r.tiltAngle;
    // A negative radius reaches the other way round: the same curve turned half a circle.
    if (radius < 0.0) {
        radius = -radius;
        tilt += kPi;
    }
    double flat = r.flatness == 0.0 ? 1.0 : r.flatness;
    if (sweep < 0.0) {
        start += sweep;
        sweep = -sweep;
    }
    if (flat == 1.0) {
        if (whole || sweep >= kTwoPi) {
            begin("CIRCLE", owner, look);
            w_.text(100, "AcDbCircle");
            w_.point(10, r.center.x, r.center.y);
            w_.real(40, radius);
            return;
        }
        const double from = degreesIn360((start + tilt) * kDegrees);
        begin("ARC", owner, look);
        w_.text(100, "AcDbCircle");
        w_.point(10, r.center.x, r.center.y);
        w_.real(40, radius);
        w_.text(100, "AcDbArc");
        w_.real(50, from);
        w_.real(51, degreesIn360(from + sweep * kDegrees));
        return;
    }
    // The ellipse's own angles are its parameters, measured from its turned x axis.
    double p0 = whole ? 0.0 : start, p1 = whole ? kTwoPi : start + std::min(sweep, kTwoPi);
    if (flat < 0.0) {
        flat = -flat;
        const double q0 = -p1, q1 = -p0;
        p0 = q0;
        p1 = q1;
    }
    double mx = radius * std::cos(tilt), my = radius * std::sin(tilt), ratio = flat;
    if (flat > 1.0) {
        // DXF wants the longer axis first: the y axis becomes the major one, a quarter turn on.
        mx = -radius * flat * std::sin(tilt);
        my = radius * flat * std::cos(tilt);
        ratio = 1.0 / flat;
        p0 -= kPi / 2.0;
        p1 -= kPi / 2.0;
    }
    if (!whole) {
        const double span = p1 - p0;
        p0 = std::fmod(p0, kTwoPi);
        if (p0 < 0.0) p0 += kTwoPi;
        p1 = p0 + span;
    }
    begin("ELLIPSE", owner, look);
    w_.text(100, "AcDbEllipse");
    w_.point(10, r.center.x, r.center.y);
    w_.point(11, mx, my);
    w_.real(40, std::max(ratio, 1e-6));
    w_.real(41, p0);
    w_.real(42, p1);
}

void DxfEntities::point(const TDataTen& r, DxfHandle owner) {
    if (!usable(r.point)) {
        ++losses_.badCoordinates;
        return;
    }
    const Look look = lookOf(r);
    const int32_t code = static_cast<int32_t>(r.code);
    const bool special = r.penStyle == 100 && ctx_.drawing.header.Version >= 300;
    const std::string* symbol =
        special && code >= -32 && code < 32 && !blocks_.symbols[code + 32].empty() ? &blocks_.symbols[code + 32] : nullptr;
    if (symbol && usable(r.scale) && r.scale != 0.0 && finite(r.angle)) {
        begin("INSERT", owner, look);
        w_.text(100, "AcDbBlockReference");
        w_.text(2, *symbol);
        w_.point(10, r.point.x, r.point.y);
        w_.real(41, r.scale);
        w_.real(42, r.scale);
        w_.real(43, 1.0);
        w_.real(50, degreesIn360(r.angle * kDegrees));
        return;
    }
    begin("POINT", owner, look);
    w_.text(100, "AcDbPoint");
    w_.point(10, r.point.x, r.point.y);
}

std::vector<std::string> DxfEntities::shownGlyphs(const TDataMoji& r) {
    const std::string expanded = MayHoldTextMacros(r.text) ? ExpandTextMacros(r.text, macros_) : r.text;
    TextRun run;
    const TextRunLayout layout = LayOutTextRun(run, expanded);
    const ShownText shown = ShowText(layout.chars, r.textType);
    if (shown.styled) ++losses_.styledTexts;
    std::vector<std::string> glyphs;
    glyphs.reserve(shown.glyphs.size());
    for (const TextGlyph& g : shown.glyphs) {
        std::vector<Cp932Char> chars{g.first};
        if (g.pair) chars.push_back(g.second);
        glyphs.push_back(JoinCp932(chars));
    }
    return glyphs;
}

void DxfEntities::text(const TDataMoji& r, DxfHandle owner, const Look& look, bool pictures) {
    if (!usable(r.start) || !usable(r.end) || !usable(r.sizeX) || !usable(r.sizeY) ||
        !finite(r.spacing) || !finite(r.angle)) {
        ++losses_.badCoordinates;
        return;
    }
    if (pictures && IsImageReference(r.text)) {
        picture(r, owner);
        return;
    }
    const std::vector<std::string> glyphs = shownGlyphs(r);
    const double height = std::fabs(r.sizeY);
    if (isVertical(r)) {
        // Jw_cad writes down the column with upright glyphs: one character per line, the lines
        // as far apart as Jw_cad's cells.
        ++losses_.verticalTexts;
        std::string content;
        for (size_t i = 0; i < glyphs.size(); ++i) {
            if (i > 0) content += "\\P";
            content += strings_.mtextLine(glyphs[i]);
        }
        const double pitch = std::fabs(r.sizeX) + r.spacing;
        const double spacing = height > 0.0 ? std::clamp(pitch / (height * 5.0 / 3.0), 0.25, 4.0) : 1.0;
        mtext(look, r, content, 1, r.angle + 90.0, std::max(std::fabs(r.sizeX), height), spacing, owner);
        return;
    }
    std::string shown;
    for (const std::string& g : glyphs) shown += g;
    const std::string encoded = strings_.value(shown);
    if (encoded.size() > kTagBytes) {
        mtext(look, r, strings_.mtextLine(shown), 7, r.angle, 0.0, 1.0, owner);
        return;
    }
    const int style = tables_.styleOf(r.fontName, r.textType);
    // Jw_cad lays a text out between its start and its end point; fitting it there keeps its
    // length in every program, whatever font stands in for Jw_cad's.
    const bool fit = std::hypot(r.end.x - r.start.x, r.end.y - r.start.y) > 1e-9 && height > 0.0;
    begin("TEXT", owner, look);
    w_.text(100, "AcDbText");
    w_.point(10, r.start.x, r.start.y);
    w_.real(40, height);
    w_.text(1, encoded);
    const double angle = degreesIn360(r.angle);
    if (angle != 0.0) w_.real(50, angle);
    w_.real(41, height > 0.0 && r.sizeX > 0.0 ? r.sizeX / height : 1.0);
    w_.text(7, tables_.textStyleName(style));
    if (fit) {
        w_.integer(72, 5);
        w_.point(11, r.end.x, r.end.y);
    }
    w_.text(100, "AcDbText");
}

void DxfEntities::mtext(const Look& look, const TDataMoji& r, const std::string& content,
                        int attach, double directionDegrees, double width, double lineSpacing,
                        DxfHandle owner) {
    begin("MTEXT", owner, look);
    w_.text(100, "AcDbMText");
    w_.point(10, r.start.x, r.start.y);
    w_.real(40, std::fabs(r.sizeY));
    w_.real(41, width);
    w_.integer(71, attach);
    w_.integer(72, 1);
    const std::vector<std::string> pieces = mtextPieces(content, strings_.version() == DxfVersion::R2000);
    for (size_t i = 0; i + 1 < pieces.size(); ++i) w_.text(3, pieces[i]);
    w_.text(1, pieces.back());
    w_.text(7, tables_.textStyleName(tables_.styleOf(r.fontName, r.textType)));
    const Point2 direction = along({0.0, 0.0}, directionDegrees, 1.0);
    w_.point(11, direction.x, direction.y);
    w_.integer(73, 2);
    w_.real(44, lineSpacing);
}

void DxfEntities::picture(const TDataMoji& r, DxfHandle owner) {
    const int index = pictures_.use(r.text);
    DxfPictureDef& def = pictures_.def(index);
    const ImageReference ref = ParseImageReference(r.text);
    // Without a size of its own a picture is shown at the size a screen shows its pixels.
    double width = def.width * kMillimetresPerDeviceUnit, height = def.height * kMillimetresPerDeviceUnit;
    if (ref.hasSize && usable(ref.width) && usable(ref.height) && ref.width != 0.0 && ref.height != 0.0) {
        width = ref.width;
        height = ref.height;
    }
    const DxfHandle image = begin("IMAGE", owner, lookOf(r));
    const DxfHandle reactor = handles_.take();
    reactors_.emplace_back(reactor, image);
    def.reactors.push_back(reactor);
    w_.text(100, "AcDbRasterImage");
    w_.integer(90, 0);
    w_.point(10, r.start.x, r.start.y);
    w_.point(11, width / def.width, 0.0);
    w_.point(12, 0.0, height / def.height);
    w_.real(13, def.width);
    w_.real(23, def.height);
    w_.handle(340, def.handle);
    w_.integer(70, 7);
    w_.integer(280, 0);
    w_.integer(281, 50);
    w_.integer(282, 50);
    w_.integer(283, 0);
    w_.handle(360, reactor);
    w_.integer(71, 1);
    w_.integer(91, 2);
    w_.real(14, -0.5);
    w_.real(24, -0.5);
    w_.real(14, def.width - 0.5);
    w_.real(24, def.height - 0.5);
}

void DxfEntities::dimensionContent(const TDataSunpou& d, DxfHandle owner) {
    Look look = lookOf(d.line);
    look.lineType = &tables_.lineTypeName(d.line.penStyle);
    segment(look, d.line.start, d.line.end, owner);
    text(d.text, owner, dimensionTextLook(d.text), false);
}

void DxfEntities::dimension(const TDataSunpou& r, int member, uint32_t index, DxfHandle owner) {
    if (!DxfCoordinatesUsable(r.line) || !usable(r.text.start) || !usable(r.text.end) ||
        !usable(r.text.sizeY) || !finite(r.text.angle)) {
        ++losses_.badCoordinates;
        return;
    }
    const auto& names = blocks_.dimensions[member == 1 ? 1 : 0];
    if (index >= names.size() || names[index].empty()) {
        dimensionContent(r, owner);
        return;
    }
    std::string shown;
    for (const std::string& g : shownGlyphs(r.text)) shown += g;
    const TDataMoji& t = r.text;
    const Point2 middle = along({(t.start.x + t.end.x) / 2.0, (t.start.y + t.end.y) / 2.0},
                               t.angle + 90.0, std::fabs(t.sizeY) / 2.0);
    begin("DIMENSION", owner, lookOf(r));
    w_.text(100, "AcDbDimension");
    w_.text(2, names[index]);
    w_.point(10, r.line.end.x, r.line.end.y);
    w_.point(11, middle.x, middle.y);
    // Aligned, its block drawn for this dimension alone, its text where Jw_cad put it.
    w_.integer(70, 1 | 32 | 128);
    w_.integer(71, 5);
    // An empty text would ask for the measured length, which Jw_cad never shows here.
    w_.text(1, shown.empty() ? std::string(" ") : strings_.value(shown));
    w_.real(53, degreesIn360(t.angle));
    w_.text(3, "Standard");
    w_.text(100, "AcDbAlignedDimension");
    w_.point(13, r.line.start.x, r.line.start.y);
    w_.point(14, r.line.end.x, r.line.end.y);
}

void DxfEntities::solid(const TDataSolid& r, DxfHandle owner) {
    if (r.penStyle > 100) {
        arcSolid(r, owner);
        return;
    }
    if (!usable(r.corner1) || !usable(r.corner2) || !usable(r.corner3) || !usable(r.corner4)) {
        ++losses_.badCoordinates;
        return;
    }
    begin("SOLID", owner, lookWithColor(r, SolidColor(ctx_, r)));
    w_.text(100, "AcDbTrace");
    // DXF takes the corners crosswise: the third and fourth change places.
    w_.point(10, r.corner1.x, r.corner1.y);
    w_.point(11, r.corner2.x, r.corner2.y);
    w_.point(12, r.corner4.x, r.corner4.y);
    w_.point(13, r.corner3.x, r.corner3.y);
}

void DxfEntities::arcSolid(const TDataSolid& r, DxfHandle owner) {
    const int kind = ArcSolidKind(r);
    const double radius = r.corner2.x, inner = r.penStyle == 106 ? r.corner4.y : 0.0;
    if (!usable(r.corner1) || !usable(radius) || !usable(inner) || !usable(r.corner2.y) ||
        !finite(r.corner3.x) || !finite(r.corner3.y) || !finite(r.corner4.x)) {
        ++losses_.badCoordinates;
        return;
    }
    if (kind == 0) {
        ++losses_.unknownArcSolids;
        return;
    }
    // The renderer's own outline of the shape, sampled degree by degree.
    const double reach = std::max({std::fabs(radius), std::fabs(inner), 1e-9});
    const double k = std::min(kSolidUnitsPerMillimetre, kSolidDeviceReach / reach);
    const ArcSolid shape = BuildArcSolid(kind, 0.0, 0.0, radius * k, inner * k, r.corner3.y,
                                         r.corner4.x, r.corner2.y, r.corner3.x);
    std::vector<std::vector<Point2>> loops;
    for (const auto& figure : shape.figures) {
        std::vector<Point2> loop;
        for (const DevicePoint& p : figure) loop.push_back({r.corner1.x + p.x / k, r.corner1.y - p.y / k});
        if (loop.size() >= 2) loops.push_back(std::move(loop));
    }
    const Look look = lookWithColor(r, SolidColor(ctx_, r));
    if (shape.outlineOnly) {
        for (const auto& loop : loops) polyline(look, loop, false, owner);
        return;
    }
    hatch(look, loops, {}, owner);
}

void DxfEntities::polyline(const Look& look, const std::vector<Point2>& points, bool closed,
                           DxfHandle owner) {
    begin("LWPOLYLINE", owner, look);
    w_.text(100, "AcDbPolyline");
    w_.integer(90, static_cast<int64_t>(points.size()));
    w_.integer(70, closed ? 1 : 0);
    w_.real(43, 0.0);
    for (const Point2& p : points) {
        w_.real(10, p.x);
        w_.real(20, p.y);
    }
}

void DxfEntities::hatch(const Look& look, const std::vector<std::vector<Point2>>& loops,
                        const std::vector<std::vector<double>>& bulges, DxfHandle owner) {
    begin("HATCH", owner, look);
    w_.text(100, "AcDbHatch");
    w_.point(10, 0.0, 0.0);
    w_.point3(210, 0.0, 0.0, 1.0);
    w_.text(2, "SOLID");
    w_.integer(70, 1);
    w_.integer(71, 0);
    w_.integer(91, static_cast<int64_t>(loops.size()));
    for (size_t i = 0; i < loops.size(); ++i) {
        const bool withBulges = i < bulges.size();
        w_.integer(92, 2);
        w_.integer(72, withBulges ? 1 : 0);
        w_.integer(73, 1);
        w_.integer(93, static_cast<int64_t>(loops[i].size()));
        for (size_t k = 0; k < loops[i].size(); ++k) {
            w_.real(10, loops[i][k].x);
            w_.real(20, loops[i][k].y);
            if (withBulges) w_.real(42, k < bulges[i].size() ? bulges[i][k] : 0.0);
        }
        w_.integer(97, 0);
    }
    w_.integer(75, 0);
    w_.integer(76, 1);
    w_.integer(98, 0);
}

void DxfEntities::insert(const TDataBlock& r, DxfHandle owner, bool cyclic) {
    if (!usable(r.origin) || !usable(r.scaleX) || !usable(r.scaleY) || !finite(r.rotation)) {
        ++losses_.badCoordinates;
        return;
    }
    if (r.blockNumber >= blocks_.definitions.size() || blocks_.definitions[r.blockNumber].empty()) {
        ++losses_.missingBlocks;
        return;
    }
    if (cyclic) {
        ++losses_.cyclicInserts;
        return;
    }
    double sx = r.scaleX, sy = r.scaleY;
    // As the extents measure it: a scale of nothing is taken as 1.
    if (std::fabs(sx) < 1e-9) {
        sx = 1.0;
        ++losses_.zeroScales;
    }
    if (std::fabs(sy) < 1e-9) {
        sy = 1.0;
        ++losses_.zeroScales;
    }
    begin("INSERT", owner, lookOf(r));
    w_.text(100, "AcDbBlockReference");
    w_.text(2, blocks_.definitions[r.blockNumber]);
    w_.point(10, r.origin.x, r.origin.y);
    w_.real(41, sx);
    w_.real(42, sy);
    w_.real(43, 1.0);
    // Counter-clockwise, as the renderer turns a block's members.
    const double rotation = degreesIn360(r.rotation * kDegrees);
    if (rotation != 0.0) w_.real(50, rotation);
}

void DxfEntities::symbolContent(int code, DxfHandle owner) {
    const DxfSymbol symbol = SpecialPointSymbol(code);
    const Look look = byBlock();
    for (const auto& stroke : symbol.strokes) {
        if (stroke.size() == 2) segment(look, stroke[0], stroke[1], owner);
        else polyline(look, stroke, false, owner);
    }
    for (const auto& fill : symbol.fills) {
        if (fill.size() < 3) continue;
        begin("SOLID", owner, look);
        w_.text(100, "AcDbTrace");
        w_.point(10, fill[0].x, fill[0].y);
        w_.point(11, fill[1].x, fill[1].y);
        const Point2 fourth = fill.size() >= 4 ? fill[3] : fill[2];
        w_.point(12, fourth.x, fourth.y);
        w_.point(13, fill[2].x, fill[2].y);
    }
    for (const DxfSymbolArc& arc : symbol.arcs) {
        begin(arc.full ? "CIRCLE" : "ARC", owner, look);
        w_.text(100, "AcDbCircle");
        w_.point(10, arc.center.x, arc.center.y);
        w_.real(40, arc.radius);
        if (arc.full) continue;
        w_.text(100, "AcDbArc");
        w_.real(50, degreesIn360(arc.startDegrees));
        w_.real(51, degreesIn360(arc.endDegrees));
    }
    for (const DxfSymbolArc& disc : symbol.discs) {
        // A filled circle: a hatch bounded by two half circles.
        const Point2 c = disc.center;
        hatch(look, {{{c.x + disc.radius, c.y}, {c.x - disc.radius, c.y}}}, {{1.0, 1.0}}, owner);
    }
}

}  // namespace korvel
