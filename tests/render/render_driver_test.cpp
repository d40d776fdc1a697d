// The render driver: fit rule, view transform, background, walk orders, pre-passes, cancel.
#include <gtest/gtest.h>

#include <cmath>

#include "drawing_builder.h"
#include "render/recording_target.h"
#include "render/render_driver.h"

namespace korvel {
namespace {

using test::DrawingBuilder;

RenderResult render(RecordingTarget& t, const Drawing& d, int w, int h, double scale = 0.0,
                    const RenderOptions& o = RenderOptions{}, bool clear = true) {
    RenderRequest r;
    r.width = w;
    r.height = h;
    r.scale = scale;
    r.clearBackground = clear;
    return RenderDrawing(t, d, o, r);
}

// The first point of every polyline, in call order: which line was drawn when.
std::vector<DevicePoint> lineStarts(const RecordingTarget& t) {
    std::vector<DevicePoint> out;
    for (const auto& c : t.only(CallKind::Polyline)) out.push_back(c.points.front());
    return out;
}

TEST(FitRule, WideDrawingFillsTheWidth) {
    DrawingBuilder b;
    b.extents(0, 0, 200, 100);
    b.line(0, 100, 200, 0);  // upper-left corner to (MaxX, MinY)
    RecordingTarget t;
    EXPECT_DOUBLE_EQ(render(t, b.drawing, 400, 400).scale, 2.0);
    EXPECT_EQ(t.only(CallKind::Polyline)[0].points, (std::vector<DevicePoint>{{0, 0}, {400, 200}}));
    RecordingTarget t2;
    EXPECT_DOUBLE_EQ(render(t2, b.drawing, 400, 100).scale, 1.0);
    RecordingTarget t3;
    EXPECT_DOUBLE_EQ(render(t3, b.drawing, 400, 0).scale, 2.0);  // height 0: target aspect 1
}

TEST(FitRule, ExplicitScaleIsUsedAndRoundingIsHalfToEven) {
    DrawingBuilder b;
    b.extents(0, 0, 10, 10);
    b.line(1.25, 10, 2.25, 10);
    RecordingTarget t;
    render(t, b.drawing, 100, 100, 2.0);
    EXPECT_EQ(t.only(CallKind::Polyline)[0].points, (std::vector<DevicePoint>{{2, 0}, {4, 0}}));
}

TEST(FitRule, FlatDrawingDoesNotDivideByZero) {
    DrawingBuilder b;
    b.extents(0, 5, 100, 5);  // zero height
    b.line(0, 5, 100, 5);
    RecordingTarget t;
    const RenderResult r = render(t, b.drawing, 200, 100);
    EXPECT_TRUE(std::isfinite(r.scale));
    EXPECT_DOUBLE_EQ(r.scale, 2.0);
}

TEST(Background, ClearedWithPenColorZeroOrLeftAlone) {
    DrawingBuilder b;
    b.extents(0, 0, 10, 10);
    b.drawing.header.PenColor[0] = 0x112233;
    b.line(0, 0, 10, 10);
    RecordingTarget t;
    render(t, b.drawing, 50, 40);
    ASSERT_EQ(t.calls.size(), 2u);
    EXPECT_EQ(ToText(t.calls[0]), "fillRect brush(solid #332211) rect(0,0,50,40)");
    RecordingTarget kept;
    render(kept, b.drawing, 50, 40, 0.0, RenderOptions{}, false);
    EXPECT_EQ(kept.count(CallKind::FillRect), 0u);
}

TEST(Background, EmptyDrawingIsBackgroundOnly) {
    DrawingBuilder b;
    RecordingTarget t;
    render(t, b.drawing, 30, 20, 0.0, RenderOptions{}, false);
    EXPECT_EQ(t.listing(), "fillRect brush(solid #ffffff) rect(0,0,30,20)\n");
}

TEST(WalkOrder, ReverseSwitchHandsOutEachKindFromTheEnd) {
    DrawingBuilder b;
    b.extents(0, 0, 100, 100);
    b.line(10, 100, 20, 100);  // A
    b.circle(50, 50, 10);      // B
    b.line(30, 100, 40, 100);  // C
    RecordingTarget forward;
    render(forward, b.drawing, 100, 100, 1.0);
    auto starts = lineStarts(forward);
    ASSERT_GE(starts.size(), 3u);
    EXPECT_EQ(starts.front(), (DevicePoint{10, 0}));
    EXPECT_EQ(starts.back(), (DevicePoint{30, 0}));

    b.drawing.header.DisplayOption[3] = 1;
    RecordingTarget reverse;
    render(reverse, b.drawing, 100, 100, 1.0);
    starts = lineStarts(reverse);
    EXPECT_EQ(starts.front(), (DevicePoint{30, 0}));  // line C first, then circle B, then line A
    ASSERT_EQ(starts.size(), 3u);
    EXPECT_EQ(starts[1], (DevicePoint{60, 50}));
    EXPECT_EQ(starts.back(), (DevicePoint{10, 0}));
}

TEST(WalkOrder, SolidsFirstModeDrawsEverySolidBeforeAnything) {
    DrawingBuilder b;
    b.extents(0, 0, 100, 100);
    b.line(10, 100, 20, 100);
    b.solid({0, 0}, {10, 0}, {10, 10}, {0, 10});
    b.line(30, 100, 40, 100);
    b.solid({50, 0}, {60, 0}, {60, 10}, {50, 10});
    b.drawing.header.DisplayOption[2] = 1;
    RecordingTarget t;
    render(t, b.drawing, 100, 100, 1.0, RenderOptions{}, false);
    std::vector<CallKind> order;
    for (const auto& c : t.calls) {
        if (c.kind == CallKind::Polygon || c.kind == CallKind::Polyline) order.push_back(c.kind);
    }
    EXPECT_EQ(order, (std::vector<CallKind>{CallKind::Polygon, CallKind::Polygon, CallKind::Polyline,
                                            CallKind::Polyline}));
    // Stored order otherwise; an unknown mode counts as stored order and still draws solids.
    for (uint32_t mode : {0u, 7u}) {
        b.drawing.header.DisplayOption[2] = mode;
        RecordingTarget s;
        render(s, b.drawing, 100, 100, 1.0, RenderOptions{}, false);
        EXPECT_EQ(s.calls[0].kind, CallKind::Polyline) << mode;
        EXPECT_EQ(s.count(CallKind::Polygon), 2u) << mode;
    }
    // The settings' order overrides the drawing's.
    RenderOptions o;
    o.drawOrder = 2;
    RecordingTarget s;
    render(s, b.drawing, 100, 100, 1.0, o, false);
    EXPECT_EQ(s.only(CallKind::Polygon).size(), 2u);

    // With the reverse switch the solids drawn first come from the end too, every one of them.
    b.drawing.header.DisplayOption[2] = 1;
    b.drawing.header.DisplayOption[3] = 1;
    RecordingTarget reversed;
    render(reversed, b.drawing, 100, 100, 1.0, RenderOptions{}, false);
    const auto solids = reversed.only(CallKind::Polygon);
    ASSERT_EQ(solids.size(), 2u);
    EXPECT_EQ(solids[0].points[0], (DevicePoint{50, 100}));
    EXPECT_EQ(solids[1].points[0], (DevicePoint{0, 100}));
    EXPECT_EQ(reversed.calls[0].kind, CallKind::Polygon);
}

TEST(WalkOrder, BlockDefinitionsAreNeverDrawnAsRecords) {
    DrawingBuilder b;
    b.extents(0, 0, 100, 100);
    b.beginBlock();
    b.line(0, 0, 10, 0);
    b.endBlock();
    b.line(0, 50, 10, 50);
    RecordingTarget t;
    render(t, b.drawing, 100, 100, 1.0, RenderOptions{}, false);
    EXPECT_EQ(t.count(CallKind::Polyline), 1u);
}

TEST(WalkOrder, LastDrawPutsTextsAfterEverythingElse) {
    DrawingBuilder b;
    b.extents(0, 0, 100, 100);
    b.line(10, 100, 20, 100);
    TDataMoji& t = b.text(10, 50, "AB");
    t.penColor = 2;
    t.textType = 1;
    t.fontName = "MS Gothic";
    b.line(30, 100, 40, 100);
    auto textPosition = [&](const RenderOptions& o) {
        RecordingTarget r;
        render(r, b.drawing, 100, 100, 1.0, o, false);
        size_t lastLine = 0, firstText = r.calls.size();
        for (size_t i = 0; i < r.calls.size(); ++i) {
            if (r.calls[i].kind == CallKind::Polyline) lastLine = i;
            if (r.calls[i].kind == CallKind::Text) firstText = std::min(firstText, i);
        }
        EXPECT_LT(firstText, r.calls.size()) << "the text was not drawn";
        return firstText > lastLine;
    };
    EXPECT_FALSE(textPosition(RenderOptions{}));
    RenderOptions last;
    last.lastDraw = 1;
    EXPECT_TRUE(textPosition(last));
}

TEST(FarCoordinates, NeverReachTheTargetAsOverflowedIntegers) {
    DrawingBuilder b;
    b.extents(0, 0, 100, 100);
    b.line(0, 0, 1e300, 1e300);
    b.line(-1e300, 50, 1e300, 50, 2, 2);
    b.circle(1e300, 0, 5);
    b.arc(50, 50, 1e300, 0, 1);
    b.point(1e300, -1e300);
    b.specialPoint(50, 50, 5, 1e300);
    b.solid({0, 0}, {1e300, 0}, {1e300, 1e300}, {0, 1e300});
    for (double scale : {1.0, 1e300}) {
        RecordingTarget t;
        render(t, b.drawing, 100, 100, scale, RenderOptions{}, false);
        for (const auto& c : t.calls) {
            for (const auto& p : c.points) {
                EXPECT_LE(std::abs(p.x), 4000000) << scale;
                EXPECT_LE(std::abs(p.y), 4000000) << scale;
            }
            for (int v : {c.rect.left, c.rect.top, c.rect.right, c.rect.bottom, c.at.x, c.at.y})
                EXPECT_LE(std::abs(v), 100000000) << scale << ": " << c;
        }
    }
}

TEST(Progress, CalledPerRecordAndCancels) {
    DrawingBuilder b;
    b.extents(0, 0, 100, 100);
    for (int i = 0; i < 10; ++i) b.line(i, 0, i, 100);
    std::vector<size_t> seen;
    RenderRequest r;
    r.width = r.height = 100;
    r.progress = [&](size_t done, size_t total) {
        seen.push_back(done);
        EXPECT_EQ(total, 10u);
        return done < 4;
    };
    RecordingTarget t;
    const RenderResult result = RenderDrawing(t, b.drawing, RenderOptions{}, r);
    EXPECT_FALSE(result.completed);
    EXPECT_EQ(seen, (std::vector<size_t>{1, 2, 3, 4}));
    EXPECT_EQ(t.count(CallKind::Polyline), 4u);
}

}  // namespace
}  // namespace korvel
