#include "drawing/drawing_builder.h"

#include <type_traits>
#include <vector>

#include "drawing/extents.h"

namespace korvel {

void SetBuiltInLineTypes(DrawingHeader& h) {
    static const uint32_t patterns[10] = {0, 0xFFFFFFFF, 0xCCCCCCCC, 0xF0F0F0F0, 0xFF00FF00,
                                          0xFFFF0000, 0xFFFF0C00, 0xFFF0CC00, 0xFFFF3300, 0xFFFFFF00};
    for (int t = 2; t <= 9; ++t) {
        h.LineTypePattern[t] = patterns[t];
        h.LineTypeUnit[t] = 1;
        h.LineTypePitch[t] = 1;
        h.PrtLineTypePitch[t] = 1;
    }
    static const uint32_t random[5] = {0x5A5A5A5A, 0x3C3C3C3C, 0x66666666, 0x0F0F0F0F, 0x33CC33CC};
    for (int t = 11; t <= 15; ++t) {
        h.LineTypePattern[t] = random[t - 11];
        h.RandomLineWidth[t] = 3 + (t - 11);
        h.LineTypePitch[t] = 2;
        h.PrtRandomLineWidth[t] = h.RandomLineWidth[t];
        h.PrtLineTypePitch[t] = 2;
    }
    for (int t = 16; t <= 19; ++t) {
        h.LineTypePattern[t] = patterns[t - 14];
        h.LineTypeUnit[t] = 1;
        h.LineTypePitch[t] = 3;
        h.PrtLineTypePitch[t] = 3;
    }
}

DrawingHeader NewDrawingHeader() {
    DrawingHeader h;
    h.Version = 351;
    h.PaperSize = 3;  // A3
    for (int g = 0; g < kLayerGroups; ++g) {
        h.LayerGroupState[g] = g == 0 ? 3 : 2;
        h.LayerGroupScale[g] = 1.0;
        for (int l = 0; l < kLayers; ++l) h.LayerState[g][l] = (g == 0 && l == 0) ? 3 : 2;
    }
    h.GridMinimum = 1.0;
    static const uint32_t colors[kPenColors] = {0xFFFFFF, 0x00C0C0, 0x000000, 0x00C000, 0xC0C000,
                                                0xC000C0, 0x0000FF, 0x008080, 0xFF0080, 0xFF80FF};
    static const uint32_t widths[kPenColors] = {1, 1, 1, 1, 1, 1, 2, 3, 5, 1};
    for (int i = 0; i < kPenColors; ++i) {
        h.PenColor[i] = colors[i];
        h.PenWidth[i] = widths[i];
        h.PrtPenColor[i] = i == 0 ? 0xFFFFFF : 0x000000;
        h.PrtPenWidth[i] = 1;
        h.PointRadius[i] = 0.3;
    }
    SetBuiltInLineTypes(h);
    static const double sizes[kTextTypes] = {0, 2, 2.5, 3, 3.5, 4, 5, 6, 7, 8, 10};
    for (int i = 1; i < kTextTypes; ++i) {
        h.TextWidth[i] = sizes[i];
        h.TextHeight[i] = sizes[i];
        h.TextSpacing[i] = 0.0;
        h.TextColor[i] = static_cast<uint32_t>(i <= 9 ? i : 9);
    }
    h.CurrentTextWidth = 3.0;
    h.CurrentTextHeight = 3.0;
    h.CurrentTextColor = 1;
    h.CurrentTextType = 3;
    h.TextRowSpacing = 1.5;
    h.TextRowLength = 0.0;
    return h;
}

namespace {
bool holdsPenTable(const DrawingHeader& h) {
    for (int i = 0; i < kPenColors; ++i)
        if (h.PenColor[i] != 0 || h.PenWidth[i] != 0 || h.PrtPenWidth[i] != 0) return true;
    return false;
}
}  // namespace

DrawingHeader FreshHeaderKeepingPens(const DrawingHeader& previous) {
    DrawingHeader h = NewDrawingHeader();
    h.Version = 0;
    if (!holdsPenTable(previous)) return h;
    h.PenColor = previous.PenColor;
    h.PenWidth = previous.PenWidth;
    h.PrtPenColor = previous.PrtPenColor;
    h.PrtPenWidth = previous.PrtPenWidth;
    h.PointRadius = previous.PointRadius;
    h.LineTypePattern = previous.LineTypePattern;
    h.LineTypeUnit = previous.LineTypeUnit;
    h.LineTypePitch = previous.LineTypePitch;
    h.PrtLineTypePitch = previous.PrtLineTypePitch;
    h.RandomLineWidth = previous.RandomLineWidth;
    h.PrtRandomLineWidth = previous.PrtRandomLineWidth;
    h.DisplayOption = previous.DisplayOption;
    h.TextWidth = previous.TextWidth;
    h.TextHeight = previous.TextHeight;
    h.TextSpacing = previous.TextSpacing;
    h.TextColor = previous.TextColor;
    return h;
}

void LendHeader(Drawing& d, const DrawingHeader& lender) {
    DrawingHeader h = lender;
    h.Version = d.header.Version;
    h.GridReferenceX = d.header.GridReferenceX;
    h.GridReferenceY = d.header.GridReferenceY;
    h.LayerGroupScale = d.header.LayerGroupScale;
    for (int g = 0; g < kLayerGroups; ++g) {
        if (h.LayerGroupState[g] == 0) h.LayerGroupState[g] = 2;
        for (auto& state : h.LayerState[g])
            if (state == 0) state = 2;
    }
    d.header = std::move(h);
}

DrawingBuilder::DrawingBuilder(Drawing& drawing) : d_(drawing) { d_.ResetStore(); }

template <class R>
R& DrawingBuilder::file(const R& r) {
    RecordSet& set = inBlock_ ? d_.members : d_.top;
    auto place = [&set](RecordClass cls, std::vector<R>& list, const R& record) -> R& {
        set.sequence.push_back({cls, static_cast<uint32_t>(list.size())});
        list.push_back(record);
        return list.back();
    };
    if constexpr (std::is_same_v<R, TDataSen>) return place(RecordClass::Sen, set.lines, r);
    else if constexpr (std::is_same_v<R, TDataEnko>) return place(RecordClass::Enko, set.circles, r);
    else if constexpr (std::is_same_v<R, TDataTen>) return place(RecordClass::Ten, set.points, r);
    else if constexpr (std::is_same_v<R, TDataMoji>) return place(RecordClass::Moji, set.texts, r);
    else if constexpr (std::is_same_v<R, TDataSunpou>) return place(RecordClass::Sunpou, set.dimensions, r);
    else if constexpr (std::is_same_v<R, TDataSolid>) return place(RecordClass::Solid, set.solids, r);
    else if constexpr (std::is_same_v<R, TDataBlock>) return place(RecordClass::Block, set.inserts, r);
    else return place(RecordClass::List, set.definitions, r);
}

template <class R>
R& DrawingBuilder::counted(const R& r) {
    R& filed = file(r);
    d_.ExpectedCount = static_cast<uint32_t>(d_.top.sequence.size());
    return filed;
}

TDataSen& DrawingBuilder::add(const TDataSen& r) { return file(r); }
TDataEnko& DrawingBuilder::add(const TDataEnko& r) { return file(r); }
TDataTen& DrawingBuilder::add(const TDataTen& r) { return file(r); }
TDataMoji& DrawingBuilder::add(const TDataMoji& r) { return file(r); }
TDataSunpou& DrawingBuilder::add(const TDataSunpou& r) { return file(r); }
TDataSolid& DrawingBuilder::add(const TDataSolid& r) { return file(r); }
TDataBlock& DrawingBuilder::add(const TDataBlock& r) { return file(r); }

TDataSen& DrawingBuilder::line(double x1, double y1, double x2, double y2, int penColor, int penStyle) {
    TDataSen r;
    r.start = {x1, y1};
    r.end = {x2, y2};
    r.penColor = static_cast<uint16_t>(penColor);
    r.penStyle = static_cast<uint8_t>(penStyle);
    return counted(r);
}

TDataEnko& DrawingBuilder::circle(double cx, double cy, double radius, int penColor, int penStyle) {
    TDataEnko r;
    r.center = {cx, cy};
    r.radius = radius;
    r.arcAngle = 6.283185307179586;
    r.fullCircle = 1;
    r.penColor = static_cast<uint16_t>(penColor);
    r.penStyle = static_cast<uint8_t>(penStyle);
    return counted(r);
}

TDataEnko& DrawingBuilder::arc(double cx, double cy, double radius, double start, double sweep, int penColor,
                               int penStyle) {
    TDataEnko& r = circle(cx, cy, radius, penColor, penStyle);
    r.startAngle = start;
    r.arcAngle = sweep;
    r.fullCircle = 0;
    return r;
}

TDataTen& DrawingBuilder::point(double x, double y, int penColor) {
    TDataTen r;
    r.point = {x, y};
    r.penColor = static_cast<uint16_t>(penColor);
    return counted(r);
}

TDataTen& DrawingBuilder::specialPoint(double x, double y, int code, double scale, double angle) {
    TDataTen& r = point(x, y);
    r.penStyle = 100;
    r.code = static_cast<uint32_t>(code);
    r.scale = scale;
    r.angle = angle;
    return r;
}

TDataSolid& DrawingBuilder::solid(Point2 a, Point2 b, Point2 c, Point2 d, int penColor) {
    TDataSolid r;
    r.corner1 = a;
    r.corner2 = b;
    r.corner3 = c;
    r.corner4 = d;
    r.penColor = static_cast<uint16_t>(penColor);
    return counted(r);
}

TDataMoji& DrawingBuilder::text(double x, double y, const std::string& cp932) {
    TDataMoji r;
    r.start = {x, y};
    r.end = {x + 10, y};
    r.text = cp932;
    r.sizeX = r.sizeY = 3;
    return counted(r);
}

TDataSunpou& DrawingBuilder::dimension(double x1, double y1, double x2, double y2) {
    TDataSunpou r;
    r.line.start = {x1, y1};
    r.line.end = {x2, y2};
    r.line.penColor = 2;
    r.text.start = {x1, y1};
    r.text.end = {x2, y2};
    r.text.text = "10";
    return counted(r);
}

TDataBlock& DrawingBuilder::insert(uint32_t blockNumber, double x, double y, double rotation, double sx, double sy) {
    TDataBlock r;
    r.blockNumber = blockNumber;
    r.origin = {x, y};
    r.rotation = rotation;
    r.scaleX = sx;
    r.scaleY = sy;
    r.penColor = 2;
    return counted(r);
}

DrawingBuilder& DrawingBuilder::extents(double minX, double minY, double maxX, double maxY) {
    d_.extents.MinX = minX;
    d_.extents.MinY = minY;
    d_.extents.MaxX = maxX;
    d_.extents.MaxY = maxY;
    d_.extents.Aspect = (maxX - minX) / (maxY - minY);
    return *this;
}

void DrawingBuilder::beginBlock(const TDataList& definition) {
    if (inBlock_) endBlock();
    TDataList def = definition;
    def.number = static_cast<uint32_t>(d_.top.definitions.size());
    def.count = 0;
    file(def);
    d_.memberStart.push_back(static_cast<uint32_t>(d_.members.sequence.size()));
    inBlock_ = true;
}

void DrawingBuilder::endBlock() {
    if (!inBlock_) return;
    inBlock_ = false;
    TDataList& def = d_.top.definitions.back();
    def.count = static_cast<uint16_t>(d_.members.sequence.size() - d_.memberStart.back());
    d_.completedDefinitions = static_cast<uint32_t>(d_.top.definitions.size());
}

void DrawingBuilder::finish() {
    endBlock();
    d_.ExpectedCount = static_cast<uint32_t>(d_.top.size() - d_.top.definitions.size());
    d_.StreamBlockDefinitionCount = static_cast<uint32_t>(d_.top.definitions.size());
    d_.extents = Extents{};
    ExtentsBuilder e(d_);
    for (const RecordRef& ref : d_.top.sequence) e.AddRecord(d_.top, ref);
    std::vector<std::string> warnings;
    if (!d_.top.inserts.empty()) e.ExpandBlockInserts(warnings);
    e.FinishExtents();
}

}  // namespace korvel
