// Points, solids, hatch selection, block inserts and dimension lines.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <tuple>

#include "drawing_builder.h"
#include "render/record_drawers.h"
#include "render/recording_target.h"
#include "render/solid_style.h"

namespace korvel {
namespace {

constexpr double kPi = 3.141592653589793;
using Points = std::vector<DevicePoint>;

class RecordDrawing : public ::testing::Test {
protected:
    RecordDrawing() : ctx(b.drawing, options) { ctx.view = {0.0, 100.0, 1.0}; }
    std::vector<Points> polylines() const {
        std::vector<Points> out;
        for (const auto& c : t.only(CallKind::Polyline)) out.push_back(c.points);
        return out;
    }
    test::DrawingBuilder b;
    RenderOptions options;
    RenderContext ctx;
    RecordingTarget t;
};

TEST_F(RecordDrawing, OrdinaryPointIsASmallEllipseWithItsPen) {
    TDataTen p = b.point(10, 90, 7);
    DrawPointRecord(ctx, t, p);
    EXPECT_EQ(t.listing(), "ellipse pen(#808000 w3) brush(solid #808000) rect(9,9,11,11)\n");
    t.clear();
    p.penColor = 10;
    DrawPointRecord(ctx, t, p);
    EXPECT_TRUE(t.calls.empty());
}

TEST_F(RecordDrawing, SpecialSquareRoundsHalfToEvenAndFills) {
    TDataTen p = b.specialPoint(50, 50, 5, 2.0);
    DrawPointRecord(ctx, t, p);
    // Half-side Round(1.25 * 2) = Round(2.5) = 2.
    EXPECT_EQ(polylines(), (std::vector<Points>{{{48, 48}, {52, 48}, {52, 52}, {48, 52}, {48, 48}}}));
    ASSERT_EQ(t.count(CallKind::Polygon), 1u);
    EXPECT_EQ(ToText(t.only(CallKind::Polygon)[0]),
              "polygon pen(#000000 w1) brush(solid #000000) (48,48) (52,48) (52,52) (48,52)");
}

TEST_F(RecordDrawing, SpecialPointsNeedVersion300) {
    TDataTen p = b.specialPoint(50, 50, 5, 2.0);
    b.drawing.header.Version = 250;
    DrawPointRecord(ctx, t, p);
    EXPECT_EQ(t.count(CallKind::Ellipse), 1u);
    EXPECT_EQ(t.count(CallKind::Polyline), 0u);
}

TEST_F(RecordDrawing, SpecialSymbolsByCode) {
    auto draw = [&](int code, double angle = 0.0) {
        t.clear();
        TDataTen p = b.specialPoint(50, 50, code, 8.0, angle);
        DrawPointRecord(ctx, t, p);
    };
    draw(-4);  // + of half-length 10
    EXPECT_EQ(polylines(), (std::vector<Points>{{{40, 50}, {60, 50}}, {{50, 40}, {50, 60}}}));
    draw(-4, kPi / 2);  // turned a quarter counter-clockwise on the device
    EXPECT_EQ(polylines(), (std::vector<Points>{{{50, 60}, {50, 40}}, {{40, 50}, {60, 50}}}));
    draw(-7);  // × with half-length Round(1.25 / √2 · 8) = 7
    EXPECT_EQ(polylines(), (std::vector<Points>{{{43, 43}, {57, 57}}, {{43, 57}, {57, 43}}}));
    draw(3);  // circle of radius Round(8 / √2) = 6: an arc with equal end points
    ASSERT_EQ(t.count(CallKind::Arc), 1u);
    EXPECT_EQ(t.listing(), "arc pen(#000000 w1) rect(44,44,56,56) from (56,50) to (56,50)\n");
    draw(7);
    EXPECT_EQ(t.listing(), "ellipse pen(#000000 w1) brush(solid #000000) rect(44,44,56,56)\n");
    draw(6);  // arrow head of length 60, half-width 10, filled
    EXPECT_EQ(polylines(), (std::vector<Points>{{{-10, 60}, {50, 50}, {-10, 40}, {-10, 60}}}));
    EXPECT_EQ(t.count(CallKind::Polygon), 1u);
    draw(9);
    EXPECT_EQ(polylines(), (std::vector<Points>{{{-10, 60}, {50, 50}, {-10, 40}}}));
    draw(10);
    EXPECT_EQ(polylines(), (std::vector<Points>{{{44, 56}, {56, 44}}}));
    draw(8);  // a wave of two half circles of radius 6: the left one over the line, the right one under
    EXPECT_EQ(t.listing(),
              "arc pen(#000000 w1) rect(38,44,50,56) from (50,50) to (38,50)\n"
              "arc pen(#000000 w1) rect(50,44,62,56) from (50,50) to (62,50)\n");
    draw(-6);  // triangle: apex 13 above, base 6.5 below (56.5 rounds to even), half-base 12
    EXPECT_EQ(polylines(), (std::vector<Points>{{{50, 37}, {62, 56}, {38, 56}, {50, 37}}}));
    draw(2);  // the square of code 5, not filled
    EXPECT_EQ(polylines(), (std::vector<Points>{{{40, 40}, {60, 40}, {60, 60}, {40, 60}, {40, 40}}}));
    EXPECT_EQ(t.count(CallKind::Polygon), 0u);
    draw(11);  // the arrow head of code 6, not filled
    EXPECT_EQ(polylines(), (std::vector<Points>{{{-10, 60}, {50, 50}, {-10, 40}, {-10, 60}}}));
    EXPECT_EQ(t.count(CallKind::Polygon), 0u);
    draw(-1);  // asterisk: d = 10, a = 5, b = Round(√3 · 5) = 9
    EXPECT_EQ(polylines(), (std::vector<Points>{{{50, 40}, {50, 60}}, {{41, 45}, {59, 55}}, {{41, 55}, {59, 45}}}));
    draw(-3);  // not in the table: the ordinary point
    EXPECT_EQ(t.count(CallKind::Ellipse), 1u);
    draw(12345);
    EXPECT_EQ(t.count(CallKind::Ellipse), 1u);
}

TEST(HatchSelection, SettingsPickTheBrush) {
    RenderOptions o;
    EXPECT_EQ(SolidHatchStyle(o, 0x0000FF, 10), BrushStyle::Solid);  // hatching off
    o.hatchOn = true;
    o.solidBrushStyle = BrushStyle::Cross;
    EXPECT_EQ(SolidHatchStyle(o, 0x0000FF, 3), BrushStyle::Cross);  // the one style for all
    o.hatchByColorFamily = true;
    o.colorFamilyHatch[6] = 7;
    EXPECT_EQ(SolidHatchStyle(o, 0x0000FF, 10), BrushStyle::Horizontal);  // red: family 6
    EXPECT_EQ(SolidHatchStyle(o, 0x0000FF, 3), BrushStyle::Solid);
    o.hatchByColorFamily = false;
    o.hatchByLineColor = true;
    o.lineColorHatch[3] = 4;
    EXPECT_EQ(SolidHatchStyle(o, 0x0000FF, 3), BrushStyle::FDiagonal);
    EXPECT_EQ(SolidHatchStyle(o, 0x0000FF, 10), BrushStyle::Solid);  // no family without the flag
    o.lineColorHatch[3] = 44;
    EXPECT_EQ(SolidHatchStyle(o, 0x0000FF, 3), BrushStyle::Clear);
    // Pens 0 to 9 have a line-colour style; colour 10 has none, whatever the families say.
    o.lineColorHatch[9] = 4;
    o.colorFamilyHatch.fill(4);
    EXPECT_EQ(SolidHatchStyle(o, 0x0000FF, 9), BrushStyle::FDiagonal);
    EXPECT_EQ(SolidHatchStyle(o, 0x0000FF, 10), BrushStyle::Solid);
    EXPECT_EQ(SolidHatchStyle(o, 0x0000FF, -1), BrushStyle::Solid);
}

// Hatching switched on with tables nobody set fills solids as before: every entry is style 1.
TEST(HatchSelection, UntouchedTablesFillSolid) {
    RenderOptions o;
    o.hatchOn = true;
    o.hatchByLineColor = true;
    for (int pen = 0; pen < 10; ++pen) EXPECT_EQ(SolidHatchStyle(o, 0x0000FF, pen), BrushStyle::Solid) << pen;
    o.hatchByLineColor = false;
    o.hatchByColorFamily = true;
    for (uint32_t colour : {0xFF0000u, 0xFFFF00u, 0x00FF00u, 0x00FFFFu, 0xFF00FFu, 0x0000AAu, 0xAAAAAAu, 0x000000u})
        EXPECT_EQ(SolidHatchStyle(o, colour, 10), BrushStyle::Solid) << colour;
}

// The kinds of arc solids, from the sweep, the selector and the start their corners carry.
TEST(ArcSolids, KindFromSelectorStyleAndSweep) {
    struct Case {
        uint8_t penStyle;
        double sweep, selector, start;
        int kind;
    };
    for (const Case& c : std::vector<Case>{{106, 6.2831, 0, 0, 210}, {106, -6.2831, 0, 0, 210}, {106, 6.283, 0, 0, 221},
                                           {101, 1, 100, 0, 10},     {111, 1, 100, 0, 110},    {101, 1, 5, 0, 20},
                                           {101, 1, 0, 0, 30},       {101, 1, -1, 0.5, 40},    {101, 1, -1, 0, 41},
                                           {111, 1, -1, 0, 141},     {101, 1, 3, 0, 0},        {101, 1, 99.9, 0, 0}}) {
        TDataSolid solid;
        solid.penStyle = c.penStyle;
        solid.corner4 = {c.sweep, c.selector};
        solid.corner3.y = c.start;
        EXPECT_EQ(ArcSolidKind(solid), c.kind) << int(c.penStyle) << " " << c.sweep << " " << c.selector << " " << c.start;
    }
}

TEST(HatchSelection, ColourFamilies) {
    EXPECT_EQ(ColorFamily(0xFF0000), 1);
    EXPECT_EQ(ColorFamily(0xFFFF00), 2);
    EXPECT_EQ(ColorFamily(0x00FF00), 3);
    EXPECT_EQ(ColorFamily(0x00FFFF), 4);
    EXPECT_EQ(ColorFamily(0xFF00FF), 5);
    EXPECT_EQ(ColorFamily(0x0000AA), 6);  // 170 counts as high
    EXPECT_EQ(ColorFamily(0xAAAAAA), 7);
    EXPECT_EQ(ColorFamily(0xA9A9A9), 8);
    EXPECT_EQ(ColorFamily(0x000000), 8);
}

TEST_F(RecordDrawing, QuadrilateralSolidColourAndGreyedLayer) {
    TDataSolid s = b.solid({0, 100}, {10, 100}, {10, 90}, {0, 90}, 10);
    s.color = 0x0000FF;
    options.hatchOn = options.hatchByColorFamily = true;
    options.colorFamilyHatch[6] = 6;
    DrawSolidRecord(ctx, t, s);
    // The outline in the solid's colour with the thinnest pen.
    EXPECT_EQ(t.listing(),
              "polygon pen(#ff0000 w0) brush(diagcross #ff0000) (0,0) (10,0) (10,10) (0,10)\n");
    t.clear();
    b.drawing.header.LayerState[0][0] = 1;
    DrawSolidRecord(ctx, t, s);
    EXPECT_EQ(t.listing(),
              "polygon pen(#c0c0c0 w0) brush(solid #c0c0c0) (0,0) (10,0) (10,10) (0,10)\n");
    // Style 100 is still a quadrilateral: arc solids start at 101.
    t.clear();
    s.penStyle = 100;
    DrawSolidRecord(ctx, t, s);
    EXPECT_EQ(t.listing(),
              "polygon pen(#c0c0c0 w0) brush(solid #c0c0c0) (0,0) (10,0) (10,10) (0,10)\n");
}

TEST_F(RecordDrawing, CircleSolidsBySelector) {
    // The centre lies off the diagonal, so that x and y cannot stand in for each other.
    auto solid = [&](double selector, double start, double sweep, int style = 101) {
        t.clear();
        TDataSolid s = b.solid({60, 30}, {20, 1.0}, {0.0, start}, {sweep, selector}, 2);
        s.penStyle = static_cast<uint8_t>(style);
        DrawSolidRecord(ctx, t, s);
        return t.only(CallKind::Polygon);
    };
    auto disc = solid(100, 0, 2 * kPi);
    ASSERT_EQ(disc.size(), 1u);
    EXPECT_EQ(disc[0].points.size(), 361u);
    EXPECT_EQ(disc[0].points[0], (DevicePoint{80, 70}));
    EXPECT_EQ(disc[0].points[90], (DevicePoint{60, 50}));
    // Filled in the solid's colour, outlined in it with the thinnest pen.
    EXPECT_EQ(disc[0].brush.style, BrushStyle::Solid);
    EXPECT_EQ(disc[0].pen, (PenSpec{disc[0].brush.color, 0}));
    // Quarter arc, then the centre, then the first sample again. Sample 89 already rounds to the
    // arc's end point, and the first nearest sample is taken.
    auto sector = solid(0, 0, kPi / 2);
    ASSERT_EQ(sector.size(), 1u);
    EXPECT_EQ(sector[0].points.size(), 90u + 2u);
    EXPECT_EQ(sector[0].points[90], (DevicePoint{60, 70}));  // the centre
    EXPECT_EQ(sector[0].points.back(), (DevicePoint{80, 70}));
    auto corners = solid(-1, 0, 2 * kPi);  // 41: four corner fills
    EXPECT_EQ(corners.size(), 4u);
    EXPECT_EQ(corners[0].points[90], (DevicePoint{80, 50}));  // the corner of the first quarter
    auto outline = solid(100, 0, 2 * kPi, 111);
    EXPECT_TRUE(outline.empty());
    EXPECT_EQ(t.count(CallKind::Polyline), 1u);
    EXPECT_TRUE(solid(42, 0, 1).empty());  // no shape: nothing
    EXPECT_EQ(t.count(CallKind::Polyline), 0u);
    TDataSolid ring = b.solid({60, 30}, {20, 1.0}, {0.0, 0.0}, {2 * kPi, 10}, 2);
    ring.penStyle = 106;
    t.clear();
    DrawSolidRecord(ctx, t, ring);
    ASSERT_EQ(t.count(CallKind::Polygon), 1u);
    const auto ringPoints = t.only(CallKind::Polygon)[0].points;
    EXPECT_EQ(ringPoints.size(), 722u);
    EXPECT_EQ(ringPoints[361], (DevicePoint{70, 70}));  // inner samples follow, reversed
    // A centre, radius or inner radius past the device's safe range: nothing is handed on.
    for (const auto& [centre, radius, inner] : {std::tuple{1e12, 20.0, 10.0}, std::tuple{60.0, 1e12, 10.0},
                                                std::tuple{60.0, 20.0, -1e12}}) {
        TDataSolid far = b.solid({centre, 30}, {radius, 1.0}, {0.0, 0.0}, {2 * kPi, inner}, 2);
        far.penStyle = 106;
        t.clear();
        DrawSolidRecord(ctx, t, far);
        EXPECT_EQ(t.count(CallKind::Polygon) + t.count(CallKind::Polyline), 0u) << centre << " " << radius << " " << inner;
    }
}

class Blocks : public RecordDrawing {
protected:
    // Block 0: a line from (0, 0) to (10, 0) and a quarter arc of radius 10 from angle 0.
    void defineLineAndArc() {
        b.beginBlock();
        b.line(0, 0, 10, 0);
        b.arc(0, 0, 10, 0, kPi / 2);
        b.endBlock();
    }
    void drawInsert(const TDataBlock& insert) {
        t.clear();
        DrawBlockInsert(ctx, t, insert);
    }
};

TEST_F(Blocks, OffsetInsertMovesItsMembers) {
    defineLineAndArc();
    TDataBlock ins = b.insert(0, 100, 0);
    ctx.view = {0.0, 0.0, 1.0};
    drawInsert(ins);
    EXPECT_EQ(polylines()[0], (Points{{100, 0}, {110, 0}}));
    EXPECT_FALSE(ctx.block.expandingBlock);
}

TEST_F(Blocks, RotatedBlockIsARigidFigure) {
    defineLineAndArc();
    ctx.view = {-50.0, 50.0, 1.0};
    TDataBlock ins = b.insert(0, 0, 0, kPi / 2);
    drawInsert(ins);
    const auto lines = polylines();
    ASSERT_EQ(lines.size(), 2u);
    // A positive rotation turns counter-clockwise (y up): the line now points up the drawing,
    // which is up the device.
    EXPECT_EQ(lines[0], (Points{{50, 50}, {50, 40}}));
    // The arc turns with it: it still starts at the line's far end and stays radius 10.
    EXPECT_EQ(lines[1].front(), (DevicePoint{50, 40}));
    EXPECT_EQ(lines[1].back(), (DevicePoint{40, 50}));
    for (const auto& p : lines[1]) EXPECT_NEAR(std::hypot(p.x - 50, p.y - 50), 10, 0.8);
}

TEST_F(Blocks, ScaledAndMirroredInserts) {
    defineLineAndArc();
    ctx.view = {-50.0, 50.0, 1.0};
    TDataBlock scaled = b.insert(0, 0, 0, 0, 2, 2);
    drawInsert(scaled);
    EXPECT_EQ(polylines()[0], (Points{{50, 50}, {70, 50}}));
    EXPECT_EQ(polylines()[1].front(), (DevicePoint{70, 50}));
    EXPECT_EQ(polylines()[1].back(), (DevicePoint{50, 30}));
    TDataBlock mirrored = b.insert(0, 0, 0, 0, -1, 1);
    drawInsert(mirrored);
    EXPECT_EQ(polylines()[0], (Points{{50, 50}, {40, 50}}));
    // The mirrored quarter runs from straight up to the line's far end.
    EXPECT_EQ(polylines()[1].front(), (DevicePoint{50, 40}));
    EXPECT_EQ(polylines()[1].back(), (DevicePoint{40, 50}));
}

TEST_F(Blocks, NestedInsertsComposeAndRestore) {
    defineLineAndArc();
    b.beginBlock();  // block 1: block 0 moved by (10, 0), then a line from (0, 5) to (1, 5)
    b.insert(0, 10, 0);
    b.line(0, 5, 1, 5);
    b.endBlock();
    ctx.view = {0.0, 100.0, 1.0};
    TDataBlock outer = b.insert(1, 20, 0, 0, 2, 2);
    drawInsert(outer);
    const auto lines = polylines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], (Points{{40, 100}, {60, 100}}));  // (10 + x) * 2 + 20
    EXPECT_EQ(lines[2], (Points{{20, 90}, {22, 90}}));    // the outer transform is back
    EXPECT_EQ(ctx.blockDepth, 0);
}

// A symbol turns by the angles of all the blocks it is in: here an eighth twice, a quarter in all.
TEST_F(Blocks, SymbolsTurnWithEveryBlockAroundThem) {
    b.beginBlock();
    b.specialPoint(0, 0, -4, 8.0);  // a "+" of half-length 10
    b.endBlock();
    b.beginBlock();
    b.insert(0, 0, 0, kPi / 4);
    b.endBlock();
    ctx.view = {-50.0, 50.0, 1.0};
    TDataBlock outer = b.insert(1, 0, 0, kPi / 4);
    drawInsert(outer);
    EXPECT_EQ(polylines(), (std::vector<Points>{{{50, 60}, {50, 40}}, {{40, 50}, {60, 50}}}));
}

TEST_F(Blocks, SelfInsertStopsAndMissingDefinitionDrawsNothing) {
    b.beginBlock();
    b.line(0, 0, 1, 0);
    b.insert(0, 0, 0);
    b.endBlock();
    TDataBlock self = b.insert(0, 0, 0);
    drawInsert(self);
    EXPECT_EQ(t.count(CallKind::Polyline), 32u);
    EXPECT_EQ(ctx.blockDepth, 0);
    TDataBlock missing = b.insert(7, 0, 0);
    drawInsert(missing);
    EXPECT_TRUE(t.calls.empty());
}

TEST_F(Blocks, HiddenOrAuxiliaryColouredInsertsDrawNothing) {
    defineLineAndArc();
    TDataBlock ins = b.insert(0, 0, 0);
    ins.layer = 3;
    b.drawing.header.LayerState[0][3] = 0;
    drawInsert(ins);
    EXPECT_TRUE(t.calls.empty());
    b.drawing.AllLayers = true;
    drawInsert(ins);
    EXPECT_FALSE(t.calls.empty());
    ins.penColor = 10;
    drawInsert(ins);
    EXPECT_TRUE(t.calls.empty());
}

// Inserts whose block lies off the canvas are passed over by the block's box; a dimension's
// text keeps its size however the block is scaled, so a block holding one has no such box.
TEST_F(Blocks, ABlockWithADimensionIsNeverPassedOverByItsBox) {
    ctx.view = {0.0, 100.0, 1.0};
    ctx.targetWidth = 100;
    ctx.targetHeight = 100;
    b.beginBlock();
    b.line(-500, 0, -490, 0);
    b.endBlock();
    b.beginBlock();
    b.line(-500, 0, -490, 0);
    b.dimension(0, 5, 30, 5);
    b.endBlock();
    drawInsert(b.insert(0, 0, 0));
    EXPECT_TRUE(t.calls.empty());  // off the canvas: passed over
    drawInsert(b.insert(1, 0, 0));
    const auto lines = polylines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), Points{{0, 95}, {30, 95}}), lines.end());
}

TEST_F(RecordDrawing, DimensionLineFollowsTheLineRules) {
    TDataSunpou d = b.dimension(0, 90, 30, 90);
    d.line.penColor = 6;
    d.line.penStyle = 4;
    ctx.pens.LineTypePattern[4] = 0xFF00FF00;
    DrawDimensionRecord(ctx, t, d);
    EXPECT_EQ(polylines(), (std::vector<Points>{{{0, 10}, {8, 10}}, {{16, 10}, {24, 10}}}));
    for (const auto& c : t.only(CallKind::Polyline)) EXPECT_EQ(c.pen, (PenSpec{0x0000FF, 2})) << c;
    t.clear();
    d.line.penStyle = 25;  // only the text half
    DrawDimensionRecord(ctx, t, d);
    EXPECT_EQ(t.count(CallKind::Polyline), 0u);
    d.line.penStyle = 1;
    d.line.layer = 2;
    b.drawing.header.LayerState[0][2] = 0;
    DrawDimensionRecord(ctx, t, d);
    EXPECT_EQ(t.count(CallKind::Polyline), 0u);
}

}  // namespace
}  // namespace korvel
