// Bounded renders: block nesting that multiplies, inserts off the canvas or below a pixel, the
// budget of records and canvas pieces, and records whose numbers cannot be drawn.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "drawing_builder.h"
#include "hostile_drawings.h"
#include "render/budgeted_target.h"
#include "render/dashed_path.h"
#include "render/recording_target.h"
#include "render/render_driver.h"

namespace korvel {
namespace {

using test::DrawingBuilder;
using test::Nesting;

RenderResult render(RecordingTarget& t, const Drawing& d, const RenderLimits& limits = {}, int w = 128,
                    int h = 128) {
    RenderRequest r;
    r.width = w;
    r.height = h;
    r.limits = limits;
    return RenderDrawing(t, d, RenderOptions{}, r);
}

// The budget sits between every render and its canvas: what it lets through must reach the
// canvas as it was called, every argument in its place, and what it refuses must not. A change
// of style costs a piece, as a canvas makes a new pen or brush for it.
TEST(BudgetedTarget, ForwardsEachCallAsMadeUntilTheBudgetIsSpent) {
    RecordingTarget t;
    RenderLimits limits;
    limits.maxPieces = 10;
    RenderBudget budget(limits);
    BudgetedTarget b(t, budget);
    const PenSpec thin{0x0000FF, 0}, wide{0x00FF00, 3};
    const BrushSpec red{BrushStyle::Solid, 0x0000FF};
    const DevicePoint first[2] = {{5, 6}, {7, 8}}, second[2] = {{7, 8}, {9, 9}};
    b.fillRect({1, 2, 3, 4}, red);                    // 2: the fill and its brush
    b.polyline(first, 2, thin);                       // 4: the stroke and its pen
    b.polyline(second, 2, thin);                      // 5: the same pen costs nothing more
    b.ellipse({10, 20, 30, 40}, thin, red);           // 7
    b.arc({11, 21, 31, 41}, {51, 61}, {71, 81}, wide);  // 10: a new pen
    b.ellipse({1, 1, 2, 2}, wide, red);               // refused: 12 > 10
    b.polyline(first, 2, wide);                       // refused after the first refusal
    EXPECT_EQ(t.listing(),
              "fillRect brush(solid #ff0000) rect(1,2,3,4)\n"
              "polyline pen(#ff0000 w0) (5,6) (7,8)\n"
              "polyline pen(#ff0000 w0) (7,8) (9,9)\n"
              "ellipse pen(#ff0000 w0) brush(solid #ff0000) rect(10,20,30,40)\n"
              "arc pen(#00ff00 w3) rect(11,21,31,41) from (51,61) to (71,81)\n");
    EXPECT_EQ(budget.piecesDrawn(), 10u);
}

TEST(BudgetedTarget, TextsCostTheirGlyphsTheirFontAndTheirOutline) {
    RecordingTarget t;
    RenderBudget budget;
    BudgetedTarget b(t, budget);
    TextStyle style;
    style.font.face = "IPAGothic";
    style.font.height = 10;
    b.text({0, 0}, U"ab", style);  // 4 per glyph and one more, the font and the colour: 14
    EXPECT_EQ(budget.piecesDrawn(), 14u);
    b.text({8, 0}, U"c", style);  // the same font and colour: 8
    EXPECT_EQ(budget.piecesDrawn(), 22u);
    style.mode = TextMode::Outline;
    style.outlinePen = {0xFFFFFF, 3};
    style.outlineBrush = {BrushStyle::Solid, 0xFFFFFF};
    b.text({8, 0}, U"c", style);  // 8, the path 4, its pen and its brush: 14
    EXPECT_EQ(budget.piecesDrawn(), 36u);
    EXPECT_EQ(t.count(CallKind::Text), 3u);
}

TEST(NestedBlocks, RepeatedInsertsDrawTheirFiguresOnce) {
    // Ten identical inserts a level, twelve levels: a trillion squares asked for, one drawn.
    RecordingTarget t;
    const RenderResult r = render(t, test::nestedBlocks(12, 10, Nesting::Stacked));
    EXPECT_TRUE(r.warnings.empty());
    EXPECT_FALSE(r.cutShort);
    EXPECT_EQ(t.count(CallKind::Polyline), 4u);
}

TEST(NestedBlocks, InsertsBelowAPixelAreLeftOut) {
    // Two halves a level, thirty levels, each level under a line: a billion lines asked for.
    RecordingTarget t;
    const RenderResult r = render(t, test::nestedBlocks(30, 2, Nesting::Tiled));
    EXPECT_TRUE(r.warnings.empty());
    // 128 device units show 12 mm: the 2^k copies k levels down are 10/2^k mm, a pixel or more
    // for k up to 6, so 1 + 2 + ... + 64 lines are drawn and the copies below them left out.
    EXPECT_EQ(t.count(CallKind::Polyline), 127u);
}

TEST(NestedBlocks, BudgetStopsTheWorkAndNamesTheBlock) {
    RenderLimits limits;
    limits.maxPieces = 5000;
    RecordingTarget t;
    const RenderResult r = render(t, test::nestedBlocks(12, 10, Nesting::Jittered), limits);
    EXPECT_TRUE(r.completed);
    EXPECT_TRUE(r.cutShort);
    EXPECT_EQ(r.warnings, (std::vector<std::string>{
                              "drawing stopped at its limit of 5000 strokes, fills and glyphs; the rest, from block "
                              "\"level0\" on, is not drawn"}));
    // Each square costs a pen and four strokes at most; nothing past the limit reached the canvas.
    EXPECT_LE(t.calls.size(), 5000u);
    EXPECT_GE(t.count(CallKind::Polyline), 2000u);

    RenderLimits records;
    records.maxRecords = 200000;
    RecordingTarget t2;
    const RenderResult r2 = render(t2, test::nestedBlocks(32, 2, Nesting::Jittered), records);
    EXPECT_EQ(r2.warnings, (std::vector<std::string>{
                               "drawing stopped at its limit of 200000 records; the rest, from block \"level2\" "
                               "on, is not drawn"}));
}

TEST(NestedBlocks, InsertsOffTheCanvasDrawNothingAndUnmeasurableOnesStillDraw) {
    DrawingBuilder b;
    b.beginBlock();
    b.line(0, 0, 10, 10);
    b.endBlock();
    b.beginBlock();  // a dimension: its arrows and text reach beyond its points
    b.dimension(0, 0, 10, 0);
    b.endBlock();
    b.insert(0, 0, 0);
    b.insert(0, 500, 500);   // far beyond the 20 mm shown
    b.insert(0, -3, -3);     // partly on the canvas
    b.insert(1, 500, 500);   // off the canvas, but its size is not known
    b.extents(-1, -1, 19, 19);
    RecordingTarget t;
    render(t, b.drawing);
    const auto lines = t.only(CallKind::Polyline);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0].points, (std::vector<DevicePoint>{{6, 122}, {70, 58}}));
    EXPECT_EQ(lines[1].points, (std::vector<DevicePoint>{{-13, 141}, {51, 77}}));
    EXPECT_GT(lines.size(), 2u);  // the dimension's line, drawn off the canvas
}

TEST(NestedBlocks, NestedInsertsReachingOntoTheCanvasFromAnySideAreDrawn) {
    // A block whose only member is an insert of a diagonal: its box comes through the inner
    // insert's transform. Each outer insert is mostly off the 20 mm shown, a corner of it on.
    DrawingBuilder b;
    b.beginBlock();
    b.line(0, 0, 10, 10);
    b.endBlock();
    b.beginBlock();
    b.insert(0, 0, 0);
    b.endBlock();
    b.insert(1, -8, 5);   // from the left
    b.insert(1, 15, 5);   // from the right
    b.insert(1, 5, -8);   // from below
    b.insert(1, 5, 15);   // from above
    b.insert(1, 40, 5);   // wholly off, on every side
    b.insert(1, -40, 5);
    b.insert(1, 5, 40);
    b.insert(1, 5, -40);
    b.extents(-1, -1, 19, 19);
    RecordingTarget t;
    render(t, b.drawing);
    std::vector<std::vector<DevicePoint>> drawn;
    for (const auto& call : t.only(CallKind::Polyline)) drawn.push_back(call.points);
    // 6.4 units a millimetre, x from -1 and y down from 19.
    EXPECT_EQ(drawn, (std::vector<std::vector<DevicePoint>>{{{-45, 90}, {19, 26}},
                                                            {{102, 90}, {166, 26}},
                                                            {{38, 173}, {102, 109}},
                                                            {{38, 26}, {102, -38}}}));
    // The four wholly off cost one record each, not the three of their members' walk: twelve
    // records for those on, four for those off and one for a line drawn last fit in seventeen.
    b.line(0, 0, 18, 18);
    RenderLimits limits;
    limits.maxRecords = 17;
    RecordingTarget bounded;
    EXPECT_FALSE(render(bounded, b.drawing, limits).cutShort);
    EXPECT_EQ(bounded.count(CallKind::Polyline), 5u);
}

TEST(NestedBlocks, SpecialPointsMakeABlockUnmeasurableAndOrdinaryPointsDoNot) {
    // A special point's symbol reaches beyond its stored point: a block holding one is drawn
    // wherever it lies. An ordinary point is its stored point: off the canvas, it is left out.
    DrawingBuilder b;
    b.beginBlock();
    b.specialPoint(0, 0, 1, 1.0);
    b.endBlock();
    b.beginBlock();
    b.point(0, 0);
    b.endBlock();
    b.insert(0, 500, 500);
    b.insert(1, 500, 500);
    b.extents(-1, -1, 19, 19);
    auto shapes = [](const RecordingTarget& t) {
        return t.count(CallKind::Polyline) + t.count(CallKind::Polygon) + t.count(CallKind::Ellipse);
    };
    RecordingTarget special, ordinary;
    b.drawing.top.inserts[1].penColor = 10;  // the first alone
    render(special, b.drawing);
    b.drawing.top.inserts[1].penColor = 2;
    b.drawing.top.inserts[0].penColor = 10;  // the second alone
    render(ordinary, b.drawing);
    EXPECT_GT(shapes(special), 0u);
    EXPECT_EQ(shapes(ordinary), 0u);
}

TEST(NestedBlocks, DashesAlongCurvesStopWithTheBudget) {
    // Found by the renderer's fuzzer: a curve of millions of dashes kept walking them after the
    // canvas refused them, for minutes.
    RenderLimits limits;
    limits.maxPieces = 3;
    RenderBudget budget(limits);
    CurveStroke stroke;
    stroke.budget = &budget;
    RecordingTarget t;
    DrawDashedPolyline({{0, 0}, {50, 0}}, t, stroke, DashPattern{4, 4}, 2.0);
    EXPECT_EQ(t.count(CallKind::Polyline), 4u);  // the walk does not watch the canvas itself
    EXPECT_TRUE(budget.takePieces(3));
    EXPECT_FALSE(budget.takePieces(1));
    RecordingTarget after;
    DrawDashedPolyline({{0, 0}, {50, 0}}, after, stroke, DashPattern{4, 4}, 2.0);
    EXPECT_EQ(after.count(CallKind::Polyline), 0u);
}

// A line of each kind of trouble beside a good one.
Drawing withUnusableRecords() {
    DrawingBuilder b;
    const double inf = std::numeric_limits<double>::infinity();
    b.line(0, 0, 10, 10);
    b.line(0, 0, inf, 10);
    b.line(0, 0, 2e9, 10);
    b.line(std::nan(""), 0, 10, 10);
    b.circle(5, 5, 3e9);
    b.beginBlock();
    b.line(0, 0, 1, 1);
    b.line(0, -1e10, 1, 1);
    b.endBlock();
    b.insert(0, 0, 0);
    b.insert(0, 0, 0, 0.0, inf, 1.0);
    b.extents(-1, -1, 11, 11);
    return std::move(b.drawing);
}

TEST(UnusableCoordinates, LeftOutOfTheRenderAndCounted) {
    RecordingTarget t;
    const RenderResult r = render(t, withUnusableRecords(), {}, 120, 120);
    EXPECT_EQ(r.warnings, (std::vector<std::string>{
                              "6 record(s) have coordinates that are not finite or lie beyond 1e9 mm; they are left "
                              "out of the extents and not drawn"}));
    const auto lines = t.only(CallKind::Polyline);
    ASSERT_EQ(lines.size(), 2u);  // the good line and the good member
    EXPECT_EQ(lines[0].points, (std::vector<DevicePoint>{{10, 110}, {110, 10}}));
    EXPECT_EQ(lines[1].points, (std::vector<DevicePoint>{{10, 110}, {20, 100}}));
    EXPECT_EQ(t.count(CallKind::Ellipse) + t.count(CallKind::Arc), 0u);
}

}  // namespace
}  // namespace korvel
