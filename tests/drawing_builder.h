// Drawings built in code for the renderer's tests: the built-in pens, every layer shown, and a
// few helpers that file records the way a loader does.
#pragma once

#include <algorithm>

#include "drawing/drawing.h"

namespace korvel::test {

class DrawingBuilder {
public:
    DrawingBuilder() {
        DrawingHeader& h = drawing.header;
        h.Version = 700;
        h.PenColor = {0xFFFFFF, 0x00C0C0, 0x000000, 0x00C000, 0xC0C000,
                      0xC000C0, 0x0000FF, 0x008080, 0xFF0080, 0xFF80FF};
        h.PrtPenColor = h.PenColor;
        h.PenWidth = {0, 1, 1, 1, 1, 1, 2, 3, 5, 1};
        h.LayerGroupState.fill(2);
        for (auto& g : h.LayerState) g.fill(2);
        h.LineTypePattern[1] = 0xFFFFFFFF;
        h.LineTypePattern[2] = 0xFFFF0000;   // dashes of 16
        h.LineTypePattern[3] = 0xFFFFFF00;
        h.LineTypePattern[4] = 0xFF00FF00;   // 8, 8, 8, 8
        h.LineTypePattern[5] = 0xFFF0FFF0;
        h.LineTypePattern[6] = 0xFFC0FF00;
        h.LineTypePattern[7] = 0xF0F0F0F0;
        h.LineTypePattern[8] = 0xFFF0F0F0;
        h.LineTypePattern[9] = 0xAAAAAAAA;
        for (int t = 11; t <= 15; ++t) {
            h.LineTypePattern[t] = 0xF0F0F0F0u >> (t - 11);
            h.LineTypePitch[t] = 2;
            h.RandomLineWidth[t] = 4;
        }
        for (int t = 16; t <= 19; ++t) {
            h.LineTypePattern[t] = 0xFFFF0000u >> (2 * (t - 16));
            h.LineTypePitch[t] = 2;
        }
    }

    // Extents as a load leaves them (already widened).
    DrawingBuilder& extents(double minX, double minY, double maxX, double maxY) {
        drawing.extents.MinX = minX;
        drawing.extents.MinY = minY;
        drawing.extents.MaxX = maxX;
        drawing.extents.MaxY = maxY;
        drawing.extents.Aspect = (maxX - minX) / (maxY - minY);
        return *this;
    }

    TDataSen& line(double x1, double y1, double x2, double y2, int penColor = 2, int penStyle = 1) {
        TDataSen r;
        r.start = {x1, y1};
        r.end = {x2, y2};
        r.penColor = static_cast<uint16_t>(penColor);
        r.penStyle = static_cast<uint8_t>(penStyle);
        return add(drawing.top.lines, RecordClass::Sen, r);
    }
    TDataEnko& circle(double cx, double cy, double radius, int penColor = 2, int penStyle = 1) {
        TDataEnko r;
        r.center = {cx, cy};
        r.radius = radius;
        r.arcAngle = 6.283185307179586;
        r.fullCircle = 1;
        r.penColor = static_cast<uint16_t>(penColor);
        r.penStyle = static_cast<uint8_t>(penStyle);
        return add(drawing.top.circles, RecordClass::Enko, r);
    }
    TDataEnko& arc(double cx, double cy, double radius, double start, double sweep,
                   int penColor = 2, int penStyle = 1) {
        TDataEnko& r = circle(cx, cy, radius, penColor, penStyle);
        r.startAngle = start;
        r.arcAngle = sweep;
        r.fullCircle = 0;
        return r;
    }
    TDataTen& point(double x, double y, int penColor = 2) {
        TDataTen r;
        r.point = {x, y};
        r.penColor = static_cast<uint16_t>(penColor);
        return add(drawing.top.points, RecordClass::Ten, r);
    }
    TDataTen& specialPoint(double x, double y, int code, double scale, double angle = 0.0) {
        TDataTen& r = point(x, y);
        r.penStyle = 100;
        r.code = static_cast<uint32_t>(code);
        r.scale = scale;
        r.angle = angle;
        return r;
    }
    TDataSolid& solid(Point2 a, Point2 b, Point2 c, Point2 d, int penColor = 2) {
        TDataSolid r;
        r.corner1 = a;
        r.corner2 = b;
        r.corner3 = c;
        r.corner4 = d;
        r.penColor = static_cast<uint16_t>(penColor);
        return add(drawing.top.solids, RecordClass::Solid, r);
    }
    TDataMoji& text(double x, double y, const std::string& s) {
        TDataMoji r;
        r.start = {x, y};
        r.end = {x + 10, y};
        r.text = s;
        r.sizeX = r.sizeY = 3;
        return add(drawing.top.texts, RecordClass::Moji, r);
    }
    TDataSunpou& dimension(double x1, double y1, double x2, double y2) {
        TDataSunpou r;
        r.line.start = {x1, y1};
        r.line.end = {x2, y2};
        r.line.penColor = 2;
        r.text.start = {x1, y1};
        r.text.end = {x2, y2};
        r.text.text = "10";
        return add(drawing.top.dimensions, RecordClass::Sunpou, r);
    }
    TDataBlock& insert(uint32_t blockNumber, double x, double y, double rotation = 0.0,
                       double sx = 1.0, double sy = 1.0) {
        TDataBlock r;
        r.blockNumber = blockNumber;
        r.origin = {x, y};
        r.rotation = rotation;
        r.scaleX = sx;
        r.scaleY = sy;
        r.penColor = 2;
        return add(drawing.top.inserts, RecordClass::Block, r);
    }

    // Block definitions: begin one, add members through `member()`, end it.
    void beginBlock() { drawing.memberStart.push_back(static_cast<uint32_t>(drawing.members.sequence.size())); }
    DrawingBuilder& member() {
        inBlock_ = true;
        return *this;
    }
    void endBlock() {
        inBlock_ = false;
        TDataList def;
        def.number = static_cast<uint32_t>(drawing.top.definitions.size());
        def.count = static_cast<uint16_t>(drawing.members.sequence.size() - drawing.memberStart.back());
        drawing.completedDefinitions = def.number + 1;
        drawing.top.definitions.push_back(def);
        drawing.top.sequence.push_back({RecordClass::List, def.number});
    }
    // Records added after `member()` go to the block being defined, until `top()`.
    DrawingBuilder& top() {
        inBlock_ = false;
        return *this;
    }

    Drawing drawing;

private:
    template <typename T>
    T& add(std::vector<T>& topList, RecordClass cls, const T& record) {
        RecordSet& set = inBlock_ ? drawing.members : drawing.top;
        std::vector<T>& list = inBlock_ ? memberList(set, record) : topList;
        list.push_back(record);
        set.sequence.push_back({cls, static_cast<uint32_t>(list.size() - 1)});
        drawing.ExpectedCount = static_cast<uint32_t>(drawing.top.sequence.size());
        return list.back();
    }
    static std::vector<TDataSen>& memberList(RecordSet& s, const TDataSen&) { return s.lines; }
    static std::vector<TDataEnko>& memberList(RecordSet& s, const TDataEnko&) { return s.circles; }
    static std::vector<TDataTen>& memberList(RecordSet& s, const TDataTen&) { return s.points; }
    static std::vector<TDataMoji>& memberList(RecordSet& s, const TDataMoji&) { return s.texts; }
    static std::vector<TDataSunpou>& memberList(RecordSet& s, const TDataSunpou&) { return s.dimensions; }
    static std::vector<TDataSolid>& memberList(RecordSet& s, const TDataSolid&) { return s.solids; }
    static std::vector<TDataBlock>& memberList(RecordSet& s, const TDataBlock&) { return s.inserts; }

    bool inBlock_ = false;
};

}  // namespace korvel::test
