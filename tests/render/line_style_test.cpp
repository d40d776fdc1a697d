// The record gate, the colour rule and the line-type rule, alone and through line records.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "drawing_builder.h"
#include "render/line_style.h"
#include "render/record_drawers.h"
#include "render/recording_target.h"

namespace korvel {
namespace {

using test::DrawingBuilder;

std::vector<std::pair<DevicePoint, DevicePoint>> segments(const RecordingTarget& t) {
    std::vector<std::pair<DevicePoint, DevicePoint>> out;
    for (const auto& c : t.only(CallKind::Polyline)) out.push_back({c.points.front(), c.points.back()});
    return out;
}

TEST(ColorRule, GreyAndDarkness) {
    EXPECT_EQ(GreyOf(0x0000FF), 0x555555u);
    EXPECT_EQ(GreyOf(0xFFFFFF), 0xFFFFFFu);
    EXPECT_EQ(GreyOf(0x010203), 0x020202u);  // (3 + 2 + 1) div 3
    EXPECT_EQ(GreyOf(0x00FEFF), 0xA9A9A9u);  // 509 div 3 is 169, truncated, not 170
    EXPECT_EQ(GreyOf(0x000101), 0u);
    EXPECT_TRUE(IsDarkColor(0x404040));
    EXPECT_FALSE(IsDarkColor(0x414141));
    EXPECT_FALSE(IsDarkColor(0x000041));
}

TEST(ColorRule, MonochromeModesAndGreyedLayers) {
    DrawingBuilder b;
    RenderOptions o;
    RenderContext ctx(b.drawing, o);
    TDataSen line;
    line.penColor = 6;  // 0x0000FF
    EXPECT_EQ(ResolvePenColor(ctx, line), 0x0000FFu);
    o.bwPlot = true;
    o.bw2Grey = false;
    EXPECT_EQ(ResolvePenColor(ctx, line), 0x555555u);
    o.bw2Grey = true;
    ctx.pens.PenColor[0] = 0x404040;
    EXPECT_EQ(ResolvePenColor(ctx, line), 0xFFFFFFu);
    ctx.pens.PenColor[0] = 0x414141;
    EXPECT_EQ(ResolvePenColor(ctx, line), 0x000000u);
    // A greyed layer wins over every mode.
    b.drawing.header.LayerState[0][0] = 1;
    EXPECT_EQ(ResolvePenColor(ctx, line), 0xC0C0C0u);
    b.drawing.header.LayerState[0][0] = 2;
    b.drawing.header.LayerGroupState[0] = 1;
    EXPECT_EQ(ResolvePenColor(ctx, line), 0xC0C0C0u);
}

TEST(RecordGate, AuxiliaryColourLayersAndRanges) {
    DrawingBuilder b;
    RenderOptions o;
    RenderContext ctx(b.drawing, o);
    TDataSen line;
    line.penColor = 9;
    EXPECT_TRUE(PassesLineGate(ctx, line));
    o.auxLineHidden = true;
    EXPECT_FALSE(PassesLineGate(ctx, line));
    line.penColor = 10;
    EXPECT_FALSE(PassesLineGate(ctx, line));
    line.penColor = 2;
    line.penStyle = 20;
    EXPECT_FALSE(PassesLineGate(ctx, line));
    line.penStyle = 19;
    EXPECT_TRUE(PassesLineGate(ctx, line));
    line.layerGroup = 3;
    line.layer = 4;
    b.drawing.header.LayerState[3][4] = 0;
    EXPECT_FALSE(PassesLineGate(ctx, line));
    b.drawing.AllLayers = true;
    EXPECT_TRUE(PassesLineGate(ctx, line));
    b.drawing.AllLayers = false;
    line.layerGroup = 40;  // out of the table: hidden, never read outside it
    EXPECT_FALSE(PassesLineGate(ctx, line));
}

TEST(LineTypeRule, BitStringsAndPatterns) {
    EXPECT_EQ(BitString32(0), "0");
    EXPECT_EQ(BitString32(0x80000001), "10000000000000000000000000000001");
    PenTable h;
    h.LineTypePattern[2] = 0xFF00FF00;
    EXPECT_EQ(BuildDashPattern(h, 2), (DashPattern{8, 8, 8, 8}));
    h.LineTypePattern[3] = 0xF0000000;
    EXPECT_EQ(BuildDashPattern(h, 3), (DashPattern{4, 28}));
    h.LineTypePattern[4] = 0xAAAAAAAA;
    EXPECT_EQ(BuildDashPattern(h, 4), DashPattern(32, 1.0));
    h.LineTypePattern[5] = 0xFFFFFFFF;
    EXPECT_EQ(BuildDashPattern(h, 5), (DashPattern{32, 1.0}));
    h.LineTypePattern[6] = 0x0FFFFFFF;  // begins with a gap: a dash of length 0 first
    EXPECT_EQ(BuildDashPattern(h, 6), (DashPattern{0, 4, 28, 1.0}));
    // Double-length types use the pitch per bit; the added gap stays one unit.
    h.LineTypePattern[17] = 0xFFFFFFFF;
    h.LineTypePitch[17] = 3;
    EXPECT_EQ(BuildDashPattern(h, 17), (DashPattern{96, 1.0}));
    h.LineTypePattern[18] = 0xFF00FF00;
    h.LineTypePitch[18] = 0;
    EXPECT_FALSE(IsWalkablePattern(BuildDashPattern(h, 18)));
    auto bits = BuildRandomBits(h, 2);
    EXPECT_EQ(bits[0], 1.0);
    EXPECT_EQ(bits[8], 0.0);
    EXPECT_EQ(bits[16], 1.0);
}

TEST(LineTypeRule, NormalizeAngle) {
    const double pi = 3.141592653589793;
    EXPECT_DOUBLE_EQ(NormalizeAngle(-pi / 2), 1.5 * pi);
    EXPECT_NEAR(NormalizeAngle(5 * pi), pi, 1e-12);
    EXPECT_EQ(NormalizeAngle(1e-11), 0.0);
    EXPECT_EQ(NormalizeAngle(6.28318530715), 0.0);
    EXPECT_EQ(NormalizeAngle(1e300), NormalizeAngle(1e300));  // terminates
    EXPECT_EQ(NormalizeAngle(std::nan("")), 0.0);
}

TEST(DashedSegment, DashesAndGapsInDeviceUnits) {
    RecordingTarget t;
    const DashPattern pattern{8, 8, 8, 8};
    DrawDashedSegment({t, 2, pattern, 3.0, 0x123456}, 0, 0, 40, 0);
    EXPECT_EQ(t.listing(),
              "polyline pen(#563412 w3) (0,0) (8,0)\n"
              "polyline pen(#563412 w3) (16,0) (24,0)\n"
              "polyline pen(#563412 w3) (32,0) (40,0)\n");
    // Upright, the dashes run down the same way.
    RecordingTarget down;
    DrawDashedSegment({down, 2, pattern, 3.0, 0}, 5, 0, 5, 40);
    using S = std::pair<DevicePoint, DevicePoint>;
    EXPECT_EQ(segments(down), (std::vector<S>{{{5, 0}, {5, 8}}, {{5, 16}, {5, 24}}, {{5, 32}, {5, 40}}}));
}

TEST(DashedSegment, ShortLineEndsExactlyAtItsEnd) {
    RecordingTarget t;
    const DashPattern pattern{20, 4};
    DrawDashedSegment({t, 2, pattern, 1.0, 0}, 3, 4, 9, 12);  // length 10 < first dash
    using S = std::pair<DevicePoint, DevicePoint>;
    EXPECT_EQ(segments(t), (std::vector<S>{{{3, 4}, {9, 12}}}));
}

TEST(DashedSegment, WidthsOutsideOneToHundredUseTheThinnestPen) {
    for (double w : {150.0, 0.5}) {
        RecordingTarget t;
        DrawDashedSegment({t, 1, DashPattern{1, 1}, w, 0}, 0, 0, 5, 0);
        EXPECT_EQ(t.listing(), "polyline pen(#000000 w0) (0,0) (5,0)\n") << w;
    }
}

TEST(DashedSegment, TypeTenAndZeroPatternsDrawSolidOnce) {
    for (int type : {10, 18}) {
        RecordingTarget t;
        DrawDashedSegment({t, type, DashPattern{0, 0, 0, 0}, 1.0, 0}, 0, 0, 100, 0);
        EXPECT_EQ(t.count(CallKind::Polyline), 1u) << type;
    }
}

TEST(DashedSegment, ZeroLengthDashedLineDrawsNothingButSolidDoes) {
    RecordingTarget dashed, solid;
    DrawDashedSegment({dashed, 2, DashPattern{4, 4}, 1.0, 0}, 5, 5, 5, 5);
    DrawDashedSegment({solid, 1, DashPattern{4, 4}, 1.0, 0}, 5, 5, 5, 5);
    EXPECT_EQ(dashed.count(CallKind::Polyline), 0u);
    ASSERT_EQ(solid.count(CallKind::Polyline), 1u);
    EXPECT_EQ(solid.only(CallKind::Polyline)[0].points, (std::vector<DevicePoint>{{5, 5}, {5, 5}}));
}

TEST(DashedSegment, VisibleBoxSkipsWholePeriodsWithoutMovingDashes) {
    const DashPattern pattern{3, 2};
    RecordingTarget all, clipped;
    DrawDashedSegment({all, 2, pattern, 1.0, 0}, -1000, 7, 1000, 7);
    const DeviceBox box{0, 0, 20, 20};
    DrawDashedSegment({clipped, 2, pattern, 1.0, 0, &box}, -1000, 7, 1000, 7);
    EXPECT_LT(clipped.count(CallKind::Polyline), 10u);
    // Every dash drawn with the box is one the full walk drew too, and every one inside it is drawn.
    auto full = segments(all);
    using S = std::pair<DevicePoint, DevicePoint>;
    const auto drawn = segments(clipped);
    for (int x = 0; x < 20; x += 5) {
        EXPECT_NE(std::find(drawn.begin(), drawn.end(), S{{x, 7}, {x + 3, 7}}), drawn.end()) << x;
    }
    for (const auto& s : segments(clipped)) {
        EXPECT_NE(std::find_if(full.begin(), full.end(),
                               [&](const auto& f) { return f.first == s.first && f.second == s.second; }),
                  full.end());
    }
}

// The part of the area a target shows, with a margin; a part of no width or no height means
// the whole area. What is walked for dashes is always the whole area, 256 units wider each way.
TEST(DashedSegment, ShownAndVisibleBoxes) {
    test::DrawingBuilder b;
    RenderOptions o;
    RenderContext ctx(b.drawing, o);
    DeviceBox box;
    EXPECT_FALSE(ShownBox(ctx, 2, box));
    EXPECT_FALSE(VisibleBox(ctx, box));
    ctx.targetWidth = 100;
    EXPECT_FALSE(ShownBox(ctx, 2, box));
    ctx.targetHeight = 80;
    const auto is = [&](double l, double t, double r, double bottom) {
        return box.left == l && box.top == t && box.right == r && box.bottom == bottom;
    };
    ASSERT_TRUE(ShownBox(ctx, 2, box));
    EXPECT_TRUE(is(-2, -2, 102, 82));
    ctx.shownLeft = 10, ctx.shownTop = 20, ctx.shownRight = 60, ctx.shownBottom = 70;
    ASSERT_TRUE(ShownBox(ctx, 2, box));
    EXPECT_TRUE(is(8, 18, 62, 72));
    ASSERT_TRUE(VisibleBox(ctx, box));
    EXPECT_TRUE(is(-256, -256, 356, 336));
    ctx.shownRight = 10;
    ASSERT_TRUE(ShownBox(ctx, 2, box));
    EXPECT_TRUE(is(-2, -2, 102, 82));
    ctx.shownRight = 60, ctx.shownBottom = 20;
    ASSERT_TRUE(ShownBox(ctx, 2, box));
    EXPECT_TRUE(is(-2, -2, 102, 82));
}

TEST(RandomLine, ShorterThanOnePeriodEndsAtTheEndPoint) {
    RecordingTarget t;
    std::array<double, 32> bits{};
    bits.fill(1.0);
    bits[3] = 0.0;
    DrawRandomLine(t, PenSpec{0x0000FF, 2}, 0, 0, 20, 0, bits, 2, 3);
    ASSERT_EQ(t.count(CallKind::Polyline), 1u);
    EXPECT_EQ(t.calls[0].pen, (PenSpec{0x0000FF, 2}));
    const auto pts = t.only(CallKind::Polyline)[0].points;
    // 10 steps of 2, plus the start and the end point.
    ASSERT_EQ(pts.size(), 12u);
    EXPECT_EQ(pts.front(), (DevicePoint{0, 0}));
    EXPECT_EQ(pts.back(), (DevicePoint{20, 0}));
    EXPECT_EQ(pts[1], (DevicePoint{5, 0}));    // same bit as before: on the line, A further on
    EXPECT_EQ(pts[4], (DevicePoint{10, 2}));   // 1 -> 0 bends 45° down (y grows downwards)
    EXPECT_EQ(pts[5], (DevicePoint{12, -2}));  // 0 -> 1 bends 45° up
}

TEST(RandomLine, WholePeriodsRepeatShifted) {
    RecordingTarget t;
    std::array<double, 32> bits{};
    for (int i = 0; i < 32; i += 2) bits[i] = 1.0;
    DrawRandomLine(t, PenSpec{0x00FF00, 0}, 0, 0, 200, 0, bits, 2, 3);  // period 64: 3 periods and 4 steps
    const auto calls = t.only(CallKind::Polyline);
    ASSERT_EQ(calls.size(), 4u);
    for (const auto& c : calls) EXPECT_EQ(c.pen, (PenSpec{0x00FF00, 0})) << c;
    EXPECT_EQ(calls[1].points[0], (DevicePoint{64, 0}));
    EXPECT_EQ(calls[1].points[5].x, calls[0].points[5].x + 64);
    EXPECT_EQ(calls[3].points.back(), (DevicePoint{200, 0}));
    // A tail of two steps still ends at the end point; one of a single step is left out.
    for (int end : {196, 194}) {
        RecordingTarget tail;
        DrawRandomLine(tail, PenSpec{}, 0, 0, end, 0, bits, 2, 3);
        const auto drawn = tail.only(CallKind::Polyline);
        ASSERT_EQ(drawn.size(), end == 196 ? 4u : 3u) << end;
        if (end != 196) continue;
        const std::vector<DevicePoint>& last = drawn[3].points;
        ASSERT_EQ(last.size(), 4u);
        EXPECT_EQ(last[0], drawn[2].points.back());
        EXPECT_EQ(last[1], (DevicePoint{drawn[0].points[1].x + 192, drawn[0].points[1].y}));
        EXPECT_EQ(last[3], (DevicePoint{196, 0}));
    }
}

// Where a line lies does not change its shape: the same line moved draws the same points moved.
TEST(RandomLine, MovedLinesDrawTheSamePointsMoved) {
    std::array<double, 32> bits{};
    for (int i = 0; i < 32; i += 3) bits[i] = 1.0;
    const auto pointsOf = [&bits](int x1, int y1, int x2, int y2) {
        RecordingTarget t;
        DrawRandomLine(t, PenSpec{}, x1, y1, x2, y2, bits, 2, 3);
        std::vector<DevicePoint> all;
        for (const auto& c : t.only(CallKind::Polyline)) all.insert(all.end(), c.points.begin(), c.points.end());
        return all;
    };
    for (const auto& [x1, y1, x2, y2] : {std::array<int, 4>{0, 0, 200, 0}, std::array<int, 4>{0, 0, 0, 150}}) {
        const std::vector<DevicePoint> here = pointsOf(x1, y1, x2, y2);
        ASSERT_GT(here.size(), 60u);
        for (const auto& [dx, dy] : {std::array<int, 2>{100, 50}, std::array<int, 2>{-70, 30}}) {
            std::vector<DevicePoint> moved = pointsOf(x1 + dx, y1 + dy, x2 + dx, y2 + dy);
            for (DevicePoint& p : moved) p = {p.x - dx, p.y - dy};
            EXPECT_EQ(moved, here) << dx << "," << dy;
        }
    }
}

TEST(LineRecord, ColourWidthAndThinPen) {
    DrawingBuilder b;
    b.extents(0, 0, 100, 100);
    RenderOptions o;
    RenderContext ctx(b.drawing, o);
    ctx.view = {0.0, 100.0, 2.0};
    TDataSen line;
    line.penColor = 7;
    line.start = {10, 90};
    line.end = {20, 90};
    RecordingTarget t;
    DrawLineRecord(ctx, t, line);
    EXPECT_EQ(t.listing(), "polyline pen(#808000 w3) (20,20) (40,20)\n");
    o.thinLines = true;
    t.clear();
    DrawLineRecord(ctx, t, line);
    EXPECT_EQ(t.listing(), "polyline pen(#808000 w0) (20,20) (40,20)\n");
    // A random line with a pen past the widest takes the thinnest, as dashed ones do.
    o.thinLines = false;
    ctx.pens.PenWidth[7] = 150;
    line.penStyle = 11;
    t.clear();
    DrawLineRecord(ctx, t, line);
    ASSERT_GT(t.count(CallKind::Polyline), 0u);
    for (const auto& c : t.only(CallKind::Polyline)) EXPECT_EQ(c.pen.width, 0);
}

TEST(LineRecord, FarCoordinatesNeverOverflow) {
    DrawingBuilder b;
    RenderOptions o;
    RenderContext ctx(b.drawing, o);
    ctx.view = {0.0, 100.0, 1.0};
    ctx.targetWidth = ctx.targetHeight = 100;
    TDataSen line;
    line.start = {0, 50};
    line.end = {1e300, 50};
    line.penStyle = 2;
    ctx.pens.LineTypePattern[2] = 0xAAAAAAAA;
    RecordingTarget t;
    DrawLineRecord(ctx, t, line);
    ASSERT_GT(t.count(CallKind::Polyline), 0u);
    for (const auto& s : segments(t)) {
        EXPECT_LE(std::abs(s.second.x), 5000000);
        EXPECT_EQ(s.first.y, 50);
    }
    line.penStyle = 1;
    line.start = {-1e300, 1e300};
    t.clear();
    DrawLineRecord(ctx, t, line);  // clipped away or clipped in: never beyond the safe range
    for (const auto& s : segments(t)) EXPECT_LE(std::abs(s.first.x), 5000000);
}

}  // namespace
}  // namespace korvel

namespace korvel {
namespace {

// Pages on paper draw in units far finer than a dot; their dashes and random lines are measured
// in dots all the same.
TEST(DotSize, DashesAndRandomLinesGrowWithTheDot) {
    DrawingBuilder b;
    b.extents(0, 0, 100, 100);
    RenderOptions o;
    o.dotSize = 10.0;
    RenderContext ctx(b.drawing, o);
    ctx.view = {0.0, 100.0, 100.0};
    TDataSen line;
    line.penColor = 2;
    line.penStyle = 4;  // 8 dots on, 8 off
    line.start = {0, 50};
    line.end = {5, 50};
    RecordingTarget t;
    DrawLineRecord(ctx, t, line);
    using S = std::pair<DevicePoint, DevicePoint>;
    EXPECT_EQ(segments(t), (std::vector<S>{{{0, 5000}, {80, 5000}}, {{160, 5000}, {240, 5000}},
                                           {{320, 5000}, {400, 5000}}, {{480, 5000}, {500, 5000}}}));
    for (const auto& c : t.calls) EXPECT_EQ(c.pen, (PenSpec{0x000000, 1})) << c;
    // A random line's period is 32 pitches of 2 dots, its amplitude 4 dots.
    line.penStyle = 11;
    line.end = {20, 50};
    t.clear();
    DrawLineRecord(ctx, t, line);
    const auto random = t.only(CallKind::Polyline);
    ASSERT_GE(random.size(), 3u);
    EXPECT_EQ(random[1].points[0], (DevicePoint{640, 5000}));
    EXPECT_EQ(random[0].points[1], (DevicePoint{20 + 40, 5000}));  // same bit: on the line, one amplitude on
}

// Every device coordinate is rounded here: half to even, as GDI's own rounding of the points
// it is given, and clamped where the targets can still add widths to it.
TEST(DeviceRounding, HalvesGoToEvenAndFarValuesAreClamped) {
    const std::pair<double, int> cases[] = {
        {0.5, 0},   {1.5, 2},   {2.5, 2},    {-0.5, 0},  {-1.5, -2}, {-2.5, -2}, {2.4999, 2},
        {2.5001, 3}, {-7.6, -8}, {1e8, 100000000}, {3e9, 100000000}, {-1e300, -100000000},
    };
    for (const auto& [v, rounded] : cases) EXPECT_EQ(RoundDevice(v), rounded) << v;
    EXPECT_EQ(RoundDevice(std::nan("")), 0);
    EXPECT_EQ(RoundDevice(HUGE_VAL), 100000000);
    EXPECT_EQ(RoundDevice(-HUGE_VAL), -100000000);
    EXPECT_EQ(RoundPoint(10.5, -3.5), (DevicePoint{10, -4}));
}

}  // namespace
}  // namespace korvel
