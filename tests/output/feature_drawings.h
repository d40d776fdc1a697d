// Two drawings the output tests share: one record of every kind with nested turned and
// mirrored blocks, and the variants of each kind. Their DXF and metafiles are kept as reference
// files (tests/output/references).
#pragma once

#include <cmath>
#include <string>

#include "drawing/cp932.h"
#include "drawing/drawing_builder.h"

namespace korvel::test {

inline constexpr double kFeaturePi = 3.141592653589793;

inline TDataMoji textRecord(const std::string& utf8, Point2 start, Point2 end, double size = 3.0) {
    TDataMoji t;
    t.start = start;
    t.end = end;
    t.sizeX = t.sizeY = size;
    t.spacing = 0.5;
    t.textType = 3;
    t.penColor = 2;
    t.fontName = Utf8ToCp932("ＭＳ ゴシック");
    t.text = Utf8ToCp932(utf8);
    return t;
}

// Block 0: a line and a circle. Block 1: block 0 inserted turned and mirrored, and a line.
// The top level inserts block 1 twice, turned and mirrored again. Scales are mirrored but even,
// so that the nested blocks have no shear that an INSERT could not hold.
inline void addNestedBlocks(korvel::DrawingBuilder& b) {
    TDataList a;
    a.number = 0;
    a.name = "inner";
    b.beginBlock(a);
    TDataSen l;
    l.start = {0, 0};
    l.end = {10, 0};
    l.penColor = 2;
    b.add(l);
    TDataEnko c;
    c.center = {5, 5};
    c.radius = 2;
    c.fullCircle = 1;
    c.arcAngle = 2 * kFeaturePi;
    b.add(c);
    b.endBlock();
    TDataList o;
    o.number = 1;
    o.name = Utf8ToCp932("外側");
    b.beginBlock(o);
    TDataBlock in;
    in.origin = {20, 0};
    in.scaleX = -2.0;
    in.scaleY = 2.0;
    in.rotation = kFeaturePi / 6;
    in.blockNumber = 0;
    b.add(in);
    TDataSen l2;
    l2.start = {0, 0};
    l2.end = {0, 7};
    b.add(l2);
    b.endBlock();
    TDataBlock top1;
    top1.origin = {100, 50};
    top1.scaleX = 1.5;
    top1.scaleY = -1.5;
    top1.rotation = kFeaturePi / 4;
    top1.blockNumber = 1;
    b.add(top1);
    TDataBlock top2;
    top2.origin = {-40, 10};
    top2.scaleX = -0.5;
    top2.scaleY = 0.5;
    top2.rotation = -2.0;
    top2.blockNumber = 1;
    b.add(top2);
}

inline Drawing featureDrawing() {
    Drawing d;
    d.header = NewDrawingHeader();
    d.header.Version = 600;
    d.header.Memo = Utf8ToCp932("メモ");
    d.header.LayerName[1][2] = Utf8ToCp932("壁");
    d.header.LayerGroupScale[1] = 100.0;
    d.header.LayerState[1][3] = 0;  // hidden
    d.header.LayerState[1][4] = 1;  // greyed
    d.header.LayerProtect[1][2] = 1;
    d.header.PenColor[3] = 0x00C000;
    d.header.LineTypePattern[2] = 0xFFFF0000;
    korvel::DrawingBuilder b(d);
    TDataSen line;
    line.start = {0, 0};
    line.end = {100, 0};
    line.penColor = 3;
    line.penStyle = 2;
    line.layerGroup = 1;
    line.layer = 2;
    b.add(line);
    line.layer = 3;
    line.penStyle = 12;
    line.penColor = 8;  // five units wide
    b.add(line);
    line.layer = 4;
    line.penStyle = 1;
    line.penColor = 3;
    b.add(line);
    TDataSen broken = line;
    broken.end = {std::nan(""), 0};
    b.add(broken);
    TDataEnko ellipse;
    ellipse.center = {50, 50};
    ellipse.radius = 20;
    ellipse.flatness = 0.5;
    ellipse.tiltAngle = 0.3;
    ellipse.startAngle = 0.2;
    ellipse.arcAngle = 2.0;
    b.add(ellipse);
    TDataTen special;
    special.point = {10, 10};
    special.penStyle = 100;
    special.code = 5;
    special.scale = 2.0;
    special.angle = 0.5;
    b.add(special);
    TDataMoji plain = textRecord("平面図 A-1", {0, 20}, {30, 20});
    b.add(plain);
    b.add(textRecord("^!太字^$3A^u2・", {0, 30}, {20, 30}));
    b.add(textRecord("%mm", {0, 40}, {20, 40}));
    TDataMoji vertical = textRecord("縦書き", {60, 40}, {60, 30});
    vertical.flags = 0x20;
    vertical.angle = 270;
    b.add(vertical);
    TDataSunpou dim;
    dim.line.start = {0, -10};
    dim.line.end = {50, -10};
    dim.text = textRecord("5,000", {20, -9}, {30, -9}, 2.5);
    b.add(dim);
    TDataSolid solid;
    solid.corner1 = {0, 60};
    solid.corner2 = {10, 60};
    solid.corner3 = {10, 70};
    solid.corner4 = {0, 70};
    solid.penColor = 10;
    solid.color = 0x0000FF;
    b.add(solid);
    TDataSolid arcSolid;
    arcSolid.penStyle = 101;
    arcSolid.corner1 = {30, 65};
    arcSolid.corner2 = {5, 1};
    arcSolid.corner4 = {2 * kFeaturePi, 100};
    b.add(arcSolid);
    addNestedBlocks(b);
    b.finish();
    return d;
}

// The shapes featureDrawing has one of, in their variants: a line on a layer that does not
// exist, circles and arcs every way round, ellipses flatter and taller than round, plain and
// special points, long, turned and vertical texts, every line type, solids of each colour source
// and arc solids of each kind, and a dimension inside a block.
inline Drawing varietyDrawing() {
    Drawing d;
    d.header = NewDrawingHeader();
    d.header.Version = 600;
    d.header.LayerGroupName[2] = Utf8ToCp932("設備");
    d.header.LayerGroupScale[2] = 50.0;
    d.header.LayerGroupState[3] = 0;
    d.header.LayerState[2][15] = 1;
    d.header.LayerGroupProtect[2] = 1;
    korvel::DrawingBuilder b(d);
    for (uint16_t style = 1; style <= 19; ++style) {
        TDataSen l;
        l.start = {0, 2.0 * style};
        l.end = {40, 2.0 * style};
        l.penStyle = style;
        l.penColor = static_cast<uint16_t>(1 + style % 9);
        l.layerGroup = static_cast<uint16_t>(style % 4);
        l.layer = static_cast<uint16_t>(style % 16);
        b.add(l);
    }
    TDataSen stray;  // a layer past the sixteen of its group: drawn on layer "0"
    stray.start = {0, -20};
    stray.end = {10, -20};
    stray.layer = 20;
    b.add(stray);
    struct Arc { double radius, start, sweep, tilt, flat; uint32_t full; };
    const Arc arcs[] = {{5, 0, 2 * kFeaturePi, 0, 1, 1},   {5, 1, 2, 0, 1, 0},       {-5, 1, 2, 0, 1, 0},
                        {5, 1, -2, 0.5, 1, 0},  {5, 0.5, 7, 0, 1, 0},     {5, 0, 0, 0.3, 0.4, 1},
                        {5, 0.2, 1.5, 0.3, 2.5, 0}, {5, -3, 2, 0, -0.5, 0}, {5, 1, 2, 0, 0, 0}};
    double x = 60;
    for (const Arc& a : arcs) {
        TDataEnko c;
        c.center = {x, 10};
        c.radius = a.radius;
        c.startAngle = a.start;
        c.arcAngle = a.sweep;
        c.tiltAngle = a.tilt;
        c.flatness = a.flat;
        c.fullCircle = a.full;
        b.add(c);
        x += 12;
    }
    TDataTen p;
    p.point = {0, -5};
    b.add(p);
    for (uint32_t code : {1u, 8u, 20u, 31u, 99u}) {
        TDataTen s;
        s.point = {5.0 * code, -5};
        s.penStyle = 100;
        s.code = code;
        s.scale = code == 20 ? 0.0 : 1.5;
        s.angle = 0.25;
        b.add(s);
    }
    TDataMoji turned = textRecord("傾き", {0, 80}, {8, 84}, 4);
    turned.angle = 26.5650512;
    turned.textType = 10002;
    b.add(turned);
    TDataMoji bold = textRecord("Bold", {0, 90}, {10, 90});
    bold.textType = 20004;
    bold.sizeX = 0;
    b.add(bold);
    TDataMoji longText = textRecord(std::string(130, 'a') + std::string(70, 'x') + "漢字かな交じり" +
                                        std::string(60, 'z'),
                                    {0, 100}, {200, 100});
    b.add(longText);
    TDataMoji column = textRecord("縦書き文字", {80, 100}, {80, 80}, 3.5);
    column.flags = 0x20;
    column.spacing = 1.0;
    b.add(column);
    TDataMoji empty = textRecord("", {0, 110}, {0, 110});
    b.add(empty);
    TDataSolid coloured;
    coloured.penColor = 10;
    coloured.color = 0x00FF8040;
    coloured.corner1 = {100, 0};
    coloured.corner2 = {110, 0};
    coloured.corner3 = {110, 10};
    coloured.corner4 = {100, 10};
    b.add(coloured);
    TDataSolid byPen = coloured;
    byPen.penColor = 4;
    byPen.corner1 = {120, 0};
    b.add(byPen);
    struct ArcSolid { uint16_t style; double selector, sweep, start, inner; };
    const ArcSolid solids[] = {{101, 100, 2 * kFeaturePi, 0, 0}, {101, 5, 1.5, 0.5, 0}, {101, 0, 2, 0, 0},
                               {101, -1, 2, 1, 0},        {101, -1, 2, 0, 0},    {111, 5, 1, 0, 0},
                               {106, 0, 7, 0, 2},         {106, 0, 3, 0.5, 2},   {101, 3, 1, 0, 0}};
    x = 140;
    for (const ArcSolid& a : solids) {
        TDataSolid s;
        s.penStyle = a.style;
        s.penColor = 3;
        s.corner1 = {x, 30};
        s.corner2 = {4, 1};
        s.corner3 = {0, a.start};
        s.corner4 = {a.sweep, a.style == 106 ? a.inner : a.selector};
        b.add(s);
        x += 10;
    }
    TDataList def;
    def.name = "dim";
    b.beginBlock(def);
    TDataSunpou dim;
    dim.line.start = {0, 0};
    dim.line.end = {30, 0};
    dim.text = textRecord("3000", {10, 1}, {20, 1}, 2);
    b.add(dim);
    TDataSunpou bare = dim;
    bare.text = textRecord("", {10, 1}, {10, 1}, 2);
    b.add(bare);
    b.endBlock();
    TDataBlock insert;
    insert.origin = {0, 150};
    insert.scaleX = 1e-12;
    insert.scaleY = 2;
    insert.rotation = -kFeaturePi / 2;
    b.add(insert);
    b.finish();
    return d;
}

}  // namespace korvel::test
