// Curve paths: Bézier building, flattening, TPath, dashes along curves, random arcs.
#include <gtest/gtest.h>

#include <cmath>

#include "drawing_builder.h"
#include "render/arc_paths.h"
#include "render/dashed_path.h"
#include "render/line_style.h"
#include "render/record_drawers.h"
#include "render/recording_target.h"

namespace korvel {
namespace {

constexpr double kPi = 3.141592653589793;

int countType(const CurvePath& p, uint8_t type) {
    int n = 0;
    for (uint8_t t : p.types) n += (t & ~kPathCloseFigure) == type;
    return n;
}

double length(const std::vector<DevicePoint>& pts) {
    double l = 0;
    for (size_t i = 1; i < pts.size(); ++i) l += std::hypot(pts[i].x - pts[i - 1].x, pts[i].y - pts[i - 1].y);
    return l;
}

TEST(ArcPath, FullCircleIsFourQuartersInOneFigure) {
    CurvePath p;
    ArcPath(p, true, 100, 100, 50, 1.0, 0.5, 1.0, 0.0);
    EXPECT_EQ(countType(p, kPathMoveTo), 1);
    EXPECT_EQ(countType(p, kPathBezierTo), 12);
    EXPECT_EQ(p.points.front(), (DevicePoint{150, 100}));  // a full circle starts at angle 0
    EXPECT_EQ(p.points[3], (DevicePoint{100, 50}));        // a quarter on: the top (y down)
    EXPECT_EQ(p.points.back(), (DevicePoint{150, 100}));
}

TEST(ArcPath, AnUntiltedEllipseSqueezesItsVerticalAxis) {
    // A flatness of 0 is no ellipse Jw_cad draws: the circle is kept rather than a flat line.
    for (const auto& [flatness, top] : {std::pair{0.5, 75}, std::pair{2.0, 0}, std::pair{0.0, 50}}) {
        CurvePath p;
        ArcPath(p, true, 100, 100, 50, 0.0, 0.0, flatness, 0.0);
        EXPECT_EQ(p.points[3], (DevicePoint{100, top})) << flatness;
        EXPECT_EQ(p.points[6], (DevicePoint{50, 100})) << flatness;
        EXPECT_EQ(p.points[9], (DevicePoint{100, 200 - top})) << flatness;
    }
}

TEST(ArcPath, NegativeSweepRunsFromTheOtherEnd) {
    CurvePath p;
    ArcPath(p, false, 0, 0, 100, kPi / 2, -kPi / 2, 1.0, 0.0);
    EXPECT_EQ(p.points.front(), (DevicePoint{100, 0}));  // from start + sweep = 0
    EXPECT_EQ(p.points.back(), (DevicePoint{0, -100}));  // to π/2, up on the device
    EXPECT_EQ(countType(p, kPathBezierTo), 3);
}

TEST(ArcPath, SweepsBeyondAFullTurnDrawOneTurn) {
    // Three half turns from the right: one closed turn of four quarters, not six.
    CurvePath p;
    ArcPath(p, false, 0, 0, 100, 0.0, 3 * kPi, 1.0, 0.0);
    EXPECT_EQ(countType(p, kPathBezierTo), 12);
    EXPECT_EQ(p.points.front(), (DevicePoint{100, 0}));
    EXPECT_EQ(p.points.back(), (DevicePoint{100, 0}));
}

TEST(EllipsePath, TiltedEllipseIsSixSeparateFigures) {
    CurvePath p;
    EllipsePath(p, true, 0, 0, 100, 0, 0, 0.5, 0.3);
    EXPECT_EQ(countType(p, kPathMoveTo), 6);
    EXPECT_EQ(countType(p, kPathBezierTo), 18);
    // The first point lies on the major axis, turned counter-clockwise by the tilt.
    EXPECT_EQ(p.points.front(), (DevicePoint{96, -30}));
}

TEST(Flattening, LargeCircleStaysRound) {
    CurvePath p;
    ArcPath(p, true, 0, 0, 2000, 0, 0, 1.0, 0.0);
    TPath flat;
    flat.Load(p);
    ASSERT_GT(flat.Count(), 100);
    double worst = 0;
    for (int i = 1; i < flat.Count(); ++i) {
        const PathVertex a = flat.GetPoint(i - 1), b = flat.GetPoint(i);
        EXPECT_EQ(b.kind, 1);
        // The chord's middle may not fall inside the circle by more than a pixel.
        const double mx = (a.point.x + b.point.x) / 2.0, my = (a.point.y + b.point.y) / 2.0;
        worst = std::max(worst, std::fabs(std::hypot(mx, my) - 2000));
    }
    EXPECT_LT(worst, 1.0);
    EXPECT_EQ(flat.GetPoint(0).kind, 0);
}

// A cubic is cut into as many equal steps as its bend asks for, from each control point's own
// place: a straight run whose speed changes at one end only takes 55 (sqrt(0.75 * 800 / 0.2)).
TEST(Flattening, PiecesFollowTheBendOfTheCubic) {
    CurvePath p;
    p.moveTo({0, 0});
    p.bezierTo({0, 0}, {800, 0}, {800, 0});
    const CurvePath flat = FlattenPath(p, kFlattenTolerance);
    EXPECT_EQ(flat.points.size(), 56u);
    EXPECT_EQ(flat.points.back(), (DevicePoint{800, 0}));
}

TEST(TPath, OutOfRangeRaisesPathError) {
    TPath path;
    EXPECT_THROW(path.GetPoint(0), EPathError);
    CurvePath p;
    p.moveTo({1, 2});
    p.lineTo({3, 4});
    p.closeFigure();
    path.Load(p);
    EXPECT_TRUE(path.GetPoint(1).closes);
    try {
        path.GetPoint(2);
        FAIL();
    } catch (const EPathError& e) {
        EXPECT_STREQ(e.what(), "TPath.GetPoint: Index is Out of Range");
    }
    EXPECT_THROW(path.GetPoint(-1), EPathError);
    TPath copy;
    copy.Assign(path);
    EXPECT_EQ(copy.Count(), 2);
}

TEST(DashedPolyline, DashesGrowWithThePenWidth) {
    RecordingTarget t;
    CurveStroke stroke;
    stroke.color = 0xABCDEF;
    DrawDashedPolyline({{0, 0}, {50, 0}}, t, stroke, DashPattern{4, 4}, 2.0);
    const auto dashes = t.only(CallKind::Polyline);
    ASSERT_EQ(dashes.size(), 4u);
    EXPECT_EQ(dashes[0].points, (std::vector<DevicePoint>{{0, 0}, {8, 0}}));
    EXPECT_EQ(dashes[1].points, (std::vector<DevicePoint>{{16, 0}, {24, 0}}));
    EXPECT_EQ(dashes[3].points, (std::vector<DevicePoint>{{48, 0}, {50, 0}}));
    EXPECT_EQ(ToText(dashes[0]), "polyline pen(#efcdab w2 geometric flat round) (0,0) (8,0)");
    for (const auto& d : dashes) EXPECT_EQ(d.pen, dashes[0].pen) << d;
}

TEST(DashedPolyline, DashesFollowCornersAndThinPenUsesPatternUnits) {
    RecordingTarget t;
    CurveStroke stroke;
    stroke.thinPen = true;
    // The repeated corner is a piece of no length: it neither moves nor breaks the dash.
    DrawDashedPolyline({{0, 0}, {3, 0}, {3, 0}, {3, 10}}, t, stroke, DashPattern{5, 2}, 1.0);
    const auto dashes = t.only(CallKind::Polyline);
    ASSERT_EQ(dashes.size(), 2u);
    EXPECT_EQ(dashes[0].points, (std::vector<DevicePoint>{{0, 0}, {3, 0}, {3, 2}}));
    EXPECT_EQ(dashes[1].points, (std::vector<DevicePoint>{{3, 4}, {3, 9}}));
    EXPECT_EQ(dashes[0].pen, (PenSpec{0, 0}));
    EXPECT_EQ(dashes[1].pen, (PenSpec{0, 0}));
}

TEST(DashedPolyline, DashesKeepTheirPhaseAcrossPiecesOutsideTheCanvas) {
    // The first piece lies wholly left of the visible box: its whole periods (8 of 12 units)
    // are skipped, but the dash begun at x = -4 runs on into the box to x = 6.
    RecordingTarget t;
    CurveStroke stroke;
    stroke.thinPen = true;
    const DeviceBox visible{0, -10, 100, 10};
    stroke.visible = &visible;
    DrawDashedPolyline({{-100, 0}, {-2, 0}, {30, 0}}, t, stroke, DashPattern{10, 2}, 1.0);
    const auto dashes = t.only(CallKind::Polyline);
    ASSERT_EQ(dashes.size(), 3u);
    EXPECT_EQ(dashes[0].points, (std::vector<DevicePoint>{{-4, 0}, {-2, 0}, {6, 0}}));
    EXPECT_EQ(dashes[1].points, (std::vector<DevicePoint>{{8, 0}, {18, 0}}));
    EXPECT_EQ(dashes[2].points, (std::vector<DevicePoint>{{20, 0}, {30, 0}}));
}

TEST(DashedPolyline, ZeroPatternDrawsOneStroke) {
    RecordingTarget t;
    DrawDashedPolyline({{0, 0}, {30, 0}, {30, 30}}, t, CurveStroke{}, DashPattern{0, 0}, 0.0);
    ASSERT_EQ(t.count(CallKind::Polyline), 1u);
    EXPECT_EQ(t.calls[0].points, (std::vector<DevicePoint>{{0, 0}, {30, 0}, {30, 30}}));
}

TEST(DashedPath, PatternRestartsAtEveryFigure) {
    CurvePath p;
    p.moveTo({0, 0});
    p.lineTo({10, 0});
    p.moveTo({0, 10});
    p.lineTo({10, 10});
    TPath path;
    path.Load(p);
    RecordingTarget t;
    DrawPathDashed(path, t, CurveStroke{}, DashPattern{6, 6}, 1.0);
    const auto dashes = t.only(CallKind::Polyline);
    ASSERT_EQ(dashes.size(), 2u);
    EXPECT_EQ(dashes[0].points, (std::vector<DevicePoint>{{0, 0}, {6, 0}}));
    EXPECT_EQ(dashes[1].points, (std::vector<DevicePoint>{{0, 10}, {6, 10}}));
}

TEST(RandomArc, WholeCircleGetsAPointEveryPitchSamplesAndCloses) {
    std::array<double, 32> bits{};
    bits[19] = 1.0;
    CurvePath p;
    RandomArcPath(p, 1, 10, 3, bits, 0, 0, 100, 0, 2 * kPi, 1.0, 0.0);
    ASSERT_EQ(p.points.size(), 37u);
    EXPECT_EQ(p.points.front(), p.points.back());
    // Position 10 takes sample 9 with bit 9 (0): pulled in to radius 97.
    EXPECT_NEAR(std::hypot(p.points[0].x, p.points[0].y), 97, 0.8);
    // Position 20 takes sample 19 with bit 19 (1): pushed out to 103.
    EXPECT_NEAR(std::hypot(p.points[1].x, p.points[1].y), 103, 0.8);
    // Each point stays beside the sample it was taken from: the first ones lie just past the
    // start at 0°, on the right of the centre, above it on the page (device y grows down).
    EXPECT_GT(p.points[0].x, 90);
    EXPECT_LT(p.points[0].y, 0);
    EXPECT_GT(p.points[1].x, 90);
    EXPECT_LT(p.points[1].y, p.points[0].y);
    // Off-centre, the whole figure moves with its centre.
    CurvePath moved;
    RandomArcPath(moved, 1, 10, 3, bits, 500, 300, 100, 0, 2 * kPi, 1.0, 0.0);
    ASSERT_EQ(moved.points.size(), p.points.size());
    for (size_t i = 0; i < p.points.size(); ++i)
        EXPECT_EQ(moved.points[i], (DevicePoint{p.points[i].x + 500, p.points[i].y + 300})) << i;
}

// A part of a flattened ellipse: 60° pieces from the end of the sweep, the last one shorter,
// whichever way the sweep runs; a sweep of more than a turn draws one turn.
TEST(EllipsePath, PartsRunBetweenTheirEndsInPiecesOfSixtyDegrees) {
    for (double sweep : {kPi / 2, -kPi / 2}) {
        CurvePath p;
        EllipsePath(p, false, 200, 100, 100, sweep > 0 ? kPi / 6 : 2 * kPi / 3, sweep, 0.5, 0.0);
        EXPECT_EQ(countType(p, kPathMoveTo), 2) << sweep;
        EXPECT_EQ(countType(p, kPathBezierTo), 6) << sweep;
        EXPECT_EQ(p.points.front(), (DevicePoint{150, 57})) << sweep;  // 120° on the page
        EXPECT_EQ(p.points[4], (DevicePoint{250, 57})) << sweep;       // 60° on from there
        EXPECT_EQ(p.points.back(), (DevicePoint{287, 75})) << sweep;   // 30°
    }
    CurvePath turns;
    EllipsePath(turns, false, 200, 100, 100, 0.0, 3 * kPi, 0.5, 0.0);
    EXPECT_EQ(countType(turns, kPathBezierTo), 18);
    EXPECT_EQ(turns.points.front(), (DevicePoint{100, 100}));
    EXPECT_EQ(turns.points.back(), (DevicePoint{100, 100}));
}

// A random arc keeps the samples between its ends, whichever way it runs, and stays open.
TEST(RandomArc, PartsTakeTheSamplesBetweenTheirEndsAndStayOpen) {
    std::array<double, 32> bits{};
    bits[19] = 1.0;
    for (double sweep : {kPi / 2, -kPi / 2}) {
        CurvePath p;
        RandomArcPath(p, 0, 10, 3, bits, 200, 100, 100, sweep > 0 ? 0.0 : kPi / 2, sweep, 1.0, 0.0);
        // Samples 9, 19, ... 89 (one per degree), the second pushed out to 103, the others
        // pulled in to 97.
        EXPECT_EQ(p.points, (std::vector<DevicePoint>{{296, 85}, {298, 66}, {284, 54}, {275, 39}, {264, 27},
                                                      {250, 17}, {235, 10}, {218, 5}, {202, 3}}))
            << sweep;
    }
}

// Arc solids of kinds 40 and 41: square-cornered figures, one per quarter the sweep reaches (41
// always four), each closed, with its corner where the tangents at its ends meet.
TEST(ArcSolidShapes, QuarterFiguresFollowTheSweep) {
    const struct {
        int kind;
        double sweep;
        size_t parts;
    } cases[] = {{40, kPi / 2, 1}, {40, 0.6 * kPi, 2}, {40, -0.6 * kPi, 2}, {40, 1.2 * kPi, 3}, {40, 1.6 * kPi, 4},
                 {41, kPi / 4, 4}};
    for (const auto& c : cases) {
        const ArcSolid shape = BuildArcSolid(c.kind, 30, 60, 100, 0, 0.0, c.sweep, 1.0, 0.0);
        ASSERT_EQ(shape.figures.size(), c.parts) << c.kind << " " << c.sweep;
        EXPECT_FALSE(shape.outlineOnly);
        for (const auto& figure : shape.figures) EXPECT_EQ(figure.front(), figure.back());
    }
    const ArcSolid quarter = BuildArcSolid(40, 30, 60, 100, 0, 0.0, kPi / 2, 1.0, 0.0);
    const auto& figure = quarter.figures[0];
    EXPECT_EQ(figure.front(), (DevicePoint{130, 60}));
    EXPECT_EQ(figure[figure.size() - 3], (DevicePoint{30, -40}));
    EXPECT_EQ(figure[figure.size() - 2], (DevicePoint{130, -40}));
    // Kind 41 takes whole quarters whatever its sweep; kind 40 shares its sweep out evenly.
    const ArcSolid four = BuildArcSolid(41, 30, 60, 100, 0, 0.0, kPi / 4, 1.0, 0.0);
    ASSERT_EQ(four.figures.size(), 4u);
    EXPECT_EQ(four.figures[1].front(), (DevicePoint{30, -40}));
    EXPECT_EQ(four.figures[3].front(), (DevicePoint{30, 160}));
    const ArcSolid three = BuildArcSolid(40, 30, 60, 100, 0, 0.0, 1.2 * kPi, 1.0, 0.0);
    ASSERT_EQ(three.figures.size(), 3u);
    EXPECT_NEAR(three.figures[2].front().x, 30 + 100 * std::cos(0.8 * kPi), 1.0);
    EXPECT_NEAR(three.figures[2].front().y, 60 - 100 * std::sin(0.8 * kPi), 1.0);
    // Kind 40 starts where its start angle is; kind 41 at angle 0 whatever it is given.
    EXPECT_EQ(BuildArcSolid(40, 30, 60, 100, 0, kPi / 2, kPi / 2, 1.0, 0.0).figures.at(0).front(), (DevicePoint{30, -40}));
    EXPECT_EQ(BuildArcSolid(41, 30, 60, 100, 0, kPi / 2, kPi / 2, 1.0, 0.0).figures.at(0).front(), (DevicePoint{130, 60}));
}

class CircleRecords : public ::testing::Test {
protected:
    CircleRecords() : ctx(b.drawing, options) { ctx.view = {0.0, 100.0, 1.0}; }
    test::DrawingBuilder b;
    RenderOptions options;
    RenderContext ctx;
    RecordingTarget t;
};

TEST_F(CircleRecords, SolidCircleIsOneStrokeWithTheGeometricPen) {
    TDataEnko c = b.circle(50, 50, 20, 6);
    DrawCircleRecord(ctx, t, c);
    ASSERT_EQ(t.count(CallKind::Polyline), 1u);
    const auto pts = t.only(CallKind::Polyline)[0].points;
    EXPECT_EQ(pts.front(), pts.back());
    EXPECT_NEAR(length(pts), 2 * kPi * 20, 2.5);  // integer vertices cut the corners
    EXPECT_EQ(t.calls[0].pen.width, 2);
    EXPECT_TRUE(t.calls[0].pen.geometric);
}

TEST_F(CircleRecords, DashedCircleRunsRoundWithoutRestarting) {
    ctx.pens.LineTypePattern[4] = 0xFF00FF00;  // (8, 8, 8, 8)
    TDataEnko c = b.circle(50, 50, 40, 2, 4);
    DrawCircleRecord(ctx, t, c);
    const auto dashes = t.only(CallKind::Polyline);
    // Circumference about 251: dashes of 8 every 16.
    EXPECT_EQ(dashes.size(), 16u);
    for (size_t i = 0; i + 1 < dashes.size(); ++i) EXPECT_NEAR(length(dashes[i].points), 8, 1.0) << i;  // both ends rounded
}

TEST_F(CircleRecords, SenFlgUsesTheThinPenAndPatternLengths) {
    options.thinLines = true;
    ctx.pens.LineTypePattern[4] = 0xFF00FF00;
    TDataEnko c = b.circle(50, 50, 40, 6, 4);  // width 2 ignored
    DrawCircleRecord(ctx, t, c);
    ASSERT_GT(t.count(CallKind::Polyline), 0u);
    for (const auto& c : t.calls) EXPECT_EQ(c.pen, (PenSpec{0x0000FF, 0})) << c;
    EXPECT_NEAR(length(t.only(CallKind::Polyline)[0].points), 8, 1.0);
}

TEST_F(CircleRecords, ZeroRadiusBecomesOneAndFarCirclesAreSkipped) {
    TDataEnko c = b.circle(50, 50, 0.0);
    DrawCircleRecord(ctx, t, c);
    ASSERT_EQ(t.count(CallKind::Polyline), 1u);
    const auto points = t.only(CallKind::Polyline)[0].points;
    for (const auto& p : points) {
        EXPECT_LE(std::abs(p.x - 50) + std::abs(p.y - 50), 2);
    }
    t.clear();
    TDataEnko far = b.circle(1e300, 50, 10);
    DrawCircleRecord(ctx, t, far);
    TDataEnko huge = b.circle(50, 50, 1e300);
    DrawCircleRecord(ctx, t, huge);
    EXPECT_EQ(t.count(CallKind::Polyline), 0u);
}

// Random line types (11 to 15) draw a circle as one unbroken zig-zag with their own pitch and
// width; a tilted flattened arc follows the ellipse from one end to the other.
TEST_F(CircleRecords, RandomTypesZigZagAndTiltedArcsFollowTheirEllipse) {
    for (int type : {11, 15}) {
        t.clear();
        ctx.pens.LineTypePitch[type] = 6;
        ctx.pens.RandomLineWidth[type] = 2;
        TDataEnko c = b.circle(30, 40, 25, 2, type);
        DrawCircleRecord(ctx, t, c);
        CurvePath want;
        RandomArcPath(want, 1, 6, 2, BuildRandomBits(ctx.pens, type), 30, 60, 25, 0, 2 * kPi, 1.0, 0.0);
        ASSERT_EQ(t.count(CallKind::Polyline), 1u) << type;
        EXPECT_EQ(t.only(CallKind::Polyline)[0].points, want.points) << type;
    }
    t.clear();
    TDataEnko arc = b.circle(30, 40, 25);
    arc.fullCircle = 0;
    arc.startAngle = kPi / 6;
    arc.arcAngle = kPi / 2;
    arc.flatness = 0.5;
    arc.tiltAngle = 0.25;
    DrawCircleRecord(ctx, t, arc);
    CurvePath want;
    EllipsePath(want, false, 30, 60, 25, kPi / 6, kPi / 2, 0.5, 0.25);
    const auto strokes = t.only(CallKind::Polyline);
    ASSERT_FALSE(strokes.empty());
    EXPECT_EQ(strokes.front().points.front(), want.points.front());
    EXPECT_EQ(strokes.back().points.back(), want.points.back());
}

}  // namespace
}  // namespace korvel
