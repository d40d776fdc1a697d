// Snapping and measuring: the points and crossings a measurement snaps to on drawings built for
// the purpose, exact where the geometry is, and how distances read.
#include <gtest/gtest.h>

#include <cmath>

#include "drawing_builder.h"
#include "render/measurement.h"
#include "render/snap_geometry.h"

namespace korvel {
namespace {

using test::DrawingBuilder;
constexpr double kPi = 3.14159265358979323846;

SnapPoint snapped(const SnapGeometry& g, Point2 p, double radius = 2.0) {
    const std::optional<SnapPoint> s = g.snap(p, radius);
    EXPECT_TRUE(s.has_value()) << p.x << ", " << p.y;
    return s.value_or(SnapPoint{{NAN, NAN}, SnapKind::End, -1});
}

TEST(Snapping, EndsMidpointsCentresAndPoints) {
    DrawingBuilder b;
    b.line(0, 0, 100, 0);
    b.circle(50, 50, 10).layerGroup = 4;
    b.arc(200, 0, 10, 0.0, kPi / 2);  // from (210, 0) to (200, 10)
    b.point(-30, -30);
    b.solid({300, 0}, {310, 0}, {310, 10}, {300, 10});
    b.dimension(0, -50, 40, -50);  // its line snaps like a line
    b.line(-80, -80, -80, -80);    // a line of no length is a point
    const SnapGeometry g = SnapGeometry::Collect(b.drawing, RenderOptions{});
    EXPECT_TRUE(g.complete());

    SnapPoint s = snapped(g, {1, 1});
    EXPECT_EQ(s.kind, SnapKind::End);
    EXPECT_EQ(s.at.x, 0.0);
    EXPECT_EQ(s.at.y, 0.0);
    s = snapped(g, {49, -1});
    EXPECT_EQ(s.kind, SnapKind::Middle);
    EXPECT_EQ(s.at.x, 50.0);
    s = snapped(g, {51, 51});
    EXPECT_EQ(s.kind, SnapKind::Centre);
    EXPECT_EQ(s.at.x, 50.0);
    EXPECT_EQ(s.at.y, 50.0);
    EXPECT_EQ(s.layerGroup, 4);
    s = snapped(g, {209, 1});
    EXPECT_EQ(s.kind, SnapKind::End);
    EXPECT_EQ(s.at.x, 210.0);
    EXPECT_EQ(s.at.y, 0.0);
    s = snapped(g, {200.5, 9.5});
    EXPECT_EQ(s.kind, SnapKind::End);
    EXPECT_NEAR(s.at.x, 200.0, 1e-12);
    EXPECT_NEAR(s.at.y, 10.0, 1e-12);
    s = snapped(g, {207, 7});
    EXPECT_EQ(s.kind, SnapKind::Middle);
    EXPECT_NEAR(s.at.x, 200.0 + 10 * std::sqrt(0.5), 1e-12);
    EXPECT_NEAR(s.at.y, 10 * std::sqrt(0.5), 1e-12);
    s = snapped(g, {-31, -29});
    EXPECT_EQ(s.kind, SnapKind::Point);
    s = snapped(g, {309, 9});
    EXPECT_EQ(s.kind, SnapKind::End);
    EXPECT_EQ(s.at.x, 310.0);
    EXPECT_EQ(s.at.y, 10.0);
    s = snapped(g, {39, -49});
    EXPECT_EQ(s.kind, SnapKind::End);
    EXPECT_EQ(s.at.x, 40.0);
    EXPECT_EQ(s.at.y, -50.0);
    s = snapped(g, {21, -51});
    EXPECT_EQ(s.kind, SnapKind::Middle);
    EXPECT_EQ(s.at.x, 20.0);
    s = snapped(g, {-79, -81});
    EXPECT_EQ(s.kind, SnapKind::End);
    EXPECT_EQ(s.at.x, -80.0);
    EXPECT_EQ(s.at.y, -80.0);

    // Nothing within the radius: no snap.
    EXPECT_FALSE(g.snap({25, 30}, 2.0).has_value());
    EXPECT_FALSE(g.snap({0, 0}, 0.0).has_value());
    EXPECT_FALSE(g.snap({NAN, 0}, 5.0).has_value());
}

TEST(Snapping, CrossingsOfLinesCirclesAndArcs) {
    DrawingBuilder b;
    b.line(0, 0, 100, 0);
    b.line(30, -40, 30, 70);
    b.line(0, -10, 100, 90);          // crosses the first at (10, 0) and the second at (30, 20)
    b.circle(70, 0, 10);              // crosses the first line at (60, 0) and (80, 0)
    b.circle(70, 16, 10);             // crosses the circle above at (64, 8) and (76, 8)
    b.arc(33, 60, 5, kPi, kPi);       // lower half: crosses the vertical line at (30, 56) only
    const SnapGeometry g = SnapGeometry::Collect(b.drawing, RenderOptions{});

    auto expectCrossing = [&](Point2 near, double x, double y) {
        const SnapPoint s = snapped(g, near, 3.0);
        EXPECT_EQ(s.kind, SnapKind::Intersection) << x << ", " << y;
        EXPECT_NEAR(s.at.x, x, 1e-12);
        EXPECT_NEAR(s.at.y, y, 1e-12);
    };
    expectCrossing({31, 1}, 30, 0);
    expectCrossing({11, 1}, 10, 0);
    expectCrossing({29, 21}, 30, 20);
    expectCrossing({61, 1}, 60, 0);
    expectCrossing({79, -1}, 80, 0);
    expectCrossing({64.5, 8.5}, 64, 8);
    expectCrossing({75.5, 7.5}, 76, 8);
    expectCrossing({29.5, 56.2}, 30, 56);
    // The arc's upper half is not drawn: no crossing at (30, 64), the line's end is 6 away.
    const std::optional<SnapPoint> none = g.snap({29.5, 64.2}, 2.0);
    EXPECT_FALSE(none.has_value());
    // Where an end and a crossing meet, the end is named.
    EXPECT_EQ(snapped(g, {99, 1}).kind, SnapKind::End);

    // A crossing of curves alone is on the layer group of the curve nearer the pointer.
    DrawingBuilder curves;
    curves.circle(0, 0, 10).layerGroup = 3;
    curves.circle(12, 0, 10).layerGroup = 5;  // they cross at (6, 8) and (6, -8)
    const SnapGeometry gc = SnapGeometry::Collect(curves.drawing, RenderOptions{});
    for (const auto& [pointer, group] : {std::pair<Point2, int>{{6.2, 8.3}, 5}, {{5.7, -8.3}, 3}}) {
        const SnapPoint s = snapped(gc, pointer, 3.0);
        EXPECT_EQ(s.kind, SnapKind::Intersection);
        EXPECT_NEAR(s.at.x, 6.0, 1e-12);
        EXPECT_NEAR(std::fabs(s.at.y), 8.0, 1e-12);
        EXPECT_EQ(s.layerGroup, group) << pointer.x << ", " << pointer.y;
    }

    // An arc whose start is not a number offers nothing: no centre, no crossing.
    DrawingBuilder broken;
    broken.line(0, 5, 100, 5);
    broken.arc(50, 0, 10, NAN, kPi);
    const SnapGeometry gb = SnapGeometry::Collect(broken.drawing, RenderOptions{});
    for (const Point2 p : {Point2{50, 0}, Point2{50 - std::sqrt(75.0), 5}, Point2{50 + std::sqrt(75.0), 5}})
        EXPECT_FALSE(gb.snap(p, 1.0).has_value()) << p.x << ", " << p.y;
}

// Points and short lines spread over a lattice, filed in many cells of the grids: each one is
// found where it is, whichever cell holds it.
TEST(Snapping, EveryCellOfTheGridsIsSearched) {
    DrawingBuilder b;
    for (int i = 0; i < 10; ++i) {
        for (int j = 0; j < 10; ++j) {
            b.point(i * 10.0, j * 10.0);
            b.line(i * 10.0 + 3, j * 10.0 + 3, i * 10.0 + 5, j * 10.0 + 3);
        }
    }
    const SnapGeometry g = SnapGeometry::Collect(b.drawing, RenderOptions{});
    for (int i = 0; i < 10; ++i) {
        for (int j = 0; j < 10; ++j) {
            SnapPoint s = snapped(g, {i * 10.0 + 0.5, j * 10.0 + 0.5}, 1.0);
            EXPECT_EQ(s.kind, SnapKind::Point) << i << ", " << j;
            EXPECT_EQ(s.at.x, i * 10.0);
            EXPECT_EQ(s.at.y, j * 10.0);
            s = snapped(g, {i * 10.0 + 4.2, j * 10.0 + 3.3}, 1.0);
            EXPECT_EQ(s.kind, SnapKind::Middle) << i << ", " << j;
            EXPECT_EQ(s.at.x, i * 10.0 + 4);
        }
    }
}

using Segment = SnapGeometry::Segment;
using Curve = SnapGeometry::Curve;

Curve circleAt(Point2 c, double r, double start = 0.0, double sweep = 2 * kPi) {
    Curve k;
    k.c = c;
    k.m = {r, 0.0, 0.0, r};
    k.start = start;
    k.sweep = sweep;
    k.whole = std::fabs(sweep) >= 2 * kPi;
    return k;
}

// The crossings of two figures as (x, y) pairs, in the order found.
template <class A, class B>
std::vector<std::pair<double, double>> crossings(const A& a, const B& b) {
    std::vector<Point2> out;
    SnapGeometry::Intersect(a, b, out);
    std::vector<std::pair<double, double>> xy;
    for (const Point2& p : out) xy.push_back({p.x, p.y});
    return xy;
}
using Points = std::vector<std::pair<double, double>>;

// Crossings at the very ends of figures count; a hair past them, or parallel lines, give none.
TEST(Crossings, AtTheEndsTangentsAndOneSideOfArcs) {
    const Segment across{{0, 0}, {10, 0}};
    EXPECT_EQ(crossings(across, Segment{{7, -3}, {7, 3}}), (Points{{7, 0}}));
    EXPECT_EQ(crossings(across, Segment{{10, 0}, {10, 5}}), (Points{{10, 0}}));
    EXPECT_EQ(crossings(across, Segment{{0, -5}, {0, 0}}), (Points{{0, 0}}));
    EXPECT_TRUE(crossings(across, Segment{{10.001, -1}, {10.001, 1}}).empty());
    EXPECT_TRUE(crossings(across, Segment{{3, 0.001}, {3, 5}}).empty());
    EXPECT_TRUE(crossings(across, Segment{{0, 1}, {10, 1}}).empty());
    // From the nearer end: (3, 0) comes out exactly from either side of the middle.
    EXPECT_EQ(crossings(Segment{{3, -1}, {3, 9}}, across), (Points{{3, 0}}));

    // A line through a circle: both crossings in the line's direction; a tangent gives one; a
    // line that ends inside gives the one it reaches; a line wholly inside gives none.
    const Curve c = circleAt({0, 0}, 5);
    EXPECT_EQ(crossings(Segment{{-10, 3}, {10, 3}}, c), (Points{{-4, 3}, {4, 3}}));
    EXPECT_EQ(crossings(Segment{{10, 3}, {-10, 3}}, c), (Points{{4, 3}, {-4, 3}}));
    EXPECT_EQ(crossings(Segment{{-10, 5}, {10, 5}}, c), (Points{{0, 5}}));
    EXPECT_EQ(crossings(Segment{{0, 3}, {10, 3}}, c), (Points{{4, 3}}));
    EXPECT_TRUE(crossings(Segment{{-1, 0}, {1, 0}}, c).empty());
    EXPECT_TRUE(crossings(Segment{{-10, 5.001}, {10, 5.001}}, c).empty());
    // The upper half only, and the same half written backwards.
    EXPECT_EQ(crossings(Segment{{0, -10}, {0, 10}}, circleAt({0, 0}, 5, 0, kPi)), (Points{{0, 5}}));
    EXPECT_EQ(crossings(Segment{{0, -10}, {0, 10}}, circleAt({0, 0}, 5, kPi, -kPi)), (Points{{0, 5}}));
    EXPECT_EQ(crossings(Segment{{0, -10}, {0, 10}}, circleAt({0, 0}, 5, kPi, kPi)), (Points{{0, -5}}));

    // Two circles: crossing, touching from outside and from inside, apart, one within the other.
    EXPECT_EQ(crossings(c, circleAt({8, 0}, 5)), (Points{{4, 3}, {4, -3}}));
    EXPECT_EQ(crossings(c, circleAt({10, 0}, 5)), (Points{{5, 0}}));
    EXPECT_EQ(crossings(c, circleAt({2, 0}, 3)), (Points{{5, 0}}));
    EXPECT_TRUE(crossings(c, circleAt({10.001, 0}, 5)).empty());
    EXPECT_TRUE(crossings(c, circleAt({1, 0}, 3)).empty());
    EXPECT_TRUE(crossings(c, circleAt({0, 0}, 5)).empty());
    EXPECT_EQ(crossings(c, circleAt({8, 0}, 5, kPi / 2, kPi)), (Points{{4, 3}, {4, -3}}));
    EXPECT_EQ(crossings(c, circleAt({8, 0}, 5, 0, kPi)), (Points{{4, 3}}));
    EXPECT_EQ(crossings(circleAt({0, 0}, 5, -kPi / 2, kPi), circleAt({8, 0}, 5, kPi, kPi)), (Points{{4, -3}}));
}

TEST(Snapping, BlocksEllipsesAndHiddenLayers) {
    DrawingBuilder b;
    b.beginBlock();
    b.line(0, 0, 10, 0);
    b.circle(20, 0, 5);
    b.endBlock();
    b.insert(0, 100, 100, kPi / 2, 2.0, 2.0).layerGroup = 6;  // doubled, turned a quarter
    TDataEnko& ellipse = b.circle(0, 0, 20);
    ellipse.flatness = 0.5;              // 20 across, 10 up
    ellipse.tiltAngle = kPi / 2;         // turned upright: 10 across, 20 up
    b.line(-50, 0, 50, 0);
    TDataSen& hidden = b.line(500, 500, 600, 500);
    hidden.layerGroup = 2;
    b.drawing.header.LayerGroupState[2] = 0;
    TDataSen& aux = b.line(700, 0, 800, 0, 9);
    (void)aux;

    RenderOptions o;
    SnapGeometry g = SnapGeometry::Collect(b.drawing, o);
    SnapPoint s = snapped(g, {101, 119});  // the member line's far end, (10, 0) doubled and turned
    EXPECT_EQ(s.kind, SnapKind::End);
    EXPECT_NEAR(s.at.x, 100.0, 1e-12);
    EXPECT_NEAR(s.at.y, 120.0, 1e-12);
    EXPECT_EQ(s.layerGroup, 6);          // the insert's group
    s = snapped(g, {99, 141});
    EXPECT_EQ(s.kind, SnapKind::Centre);
    EXPECT_NEAR(s.at.x, 100.0, 1e-12);
    EXPECT_NEAR(s.at.y, 140.0, 1e-12);
    // The member circle, radius 10 once doubled, crosses nothing; its rightmost point is no snap.
    EXPECT_FALSE(g.snap({110, 140}, 1.0).has_value());

    // The upright ellipse meets the horizontal line at x = -10 and 10.
    s = snapped(g, {10.5, 0.5});
    EXPECT_EQ(s.kind, SnapKind::Intersection);
    EXPECT_NEAR(s.at.x, 10.0, 1e-9);
    EXPECT_NEAR(s.at.y, 0.0, 1e-12);
    EXPECT_FALSE(g.snap({550, 500}, 5.0).has_value());     // hidden layer
    EXPECT_TRUE(g.snap({750, 0}, 5.0).has_value());        // auxiliary line, drawn by default
    o.auxLineHidden = true;
    o.layers.set(2, 0, LayerShow::Greyed);
    g = SnapGeometry::Collect(b.drawing, o);
    EXPECT_FALSE(g.snap({750, 0}, 5.0).has_value());
    EXPECT_EQ(snapped(g, {550, 501}).kind, SnapKind::Middle);  // shown by the choice
    o.layers.set(6, 0, LayerShow::Hidden);
    g = SnapGeometry::Collect(b.drawing, o);
    EXPECT_FALSE(g.snap({100, 140}, 5.0).has_value());  // the insert's layer hidden
}

TEST(Snapping, EllipseCrossingsAndTheBudget) {
    SnapGeometry::Curve circle{{0, 0}, {10, 0, 0, 10}, 0, 0, true, 0};
    SnapGeometry::Curve ellipse{{0, 0}, {20, 0, 0, 5}, 0, 0, true, 0};  // 20 across, 5 up
    std::vector<Point2> out;
    SnapGeometry::Intersect(circle, ellipse, out);
    // x^2 + y^2 = 100 and x^2/400 + y^2/25 = 1 meet where x^2 = 80 and y^2 = 20.
    ASSERT_EQ(out.size(), 4u);
    for (const Point2& p : out) {
        EXPECT_NEAR(std::fabs(p.x), std::sqrt(80.0), 1e-3);
        EXPECT_NEAR(std::fabs(p.y), std::sqrt(20.0), 1e-3);
    }
    out.clear();
    SnapGeometry::Intersect(SnapGeometry::Segment{{0, 0}, {5, 0}, 0}, circle, out);
    EXPECT_TRUE(out.empty());  // ends inside the circle
    // A line that ends exactly on a curve crosses it there, whichever end it is.
    for (const auto& [a, b, on] : {std::array<Point2, 3>{Point2{0, 0}, Point2{10, 0}, Point2{10, 0}},
                                   std::array<Point2, 3>{Point2{0, 10}, Point2{0, 0}, Point2{0, 10}}}) {
        for (const SnapGeometry::Segment& line : {SnapGeometry::Segment{a, b, 0}, SnapGeometry::Segment{b, a, 0}}) {
            SnapGeometry::Intersect(line, circle, out);
            ASSERT_EQ(out.size(), 1u) << on.x << "," << on.y;
            EXPECT_EQ(out[0].x, on.x);
            EXPECT_EQ(out[0].y, on.y);
            out.clear();
        }
    }
    SnapGeometry::Intersect(SnapGeometry::Segment{{0, 0}, {20, 0}, 0}, ellipse, out);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_NEAR(out[0].x, 20, 1e-9);
    out.clear();
    SnapGeometry::Intersect(SnapGeometry::Segment{{-20, 10}, {20, 10}, 0}, circle, out);
    ASSERT_EQ(out.size(), 1u);  // touching
    EXPECT_EQ(out[0].x, 0.0);
    EXPECT_EQ(out[0].y, 10.0);
    out.clear();
    SnapGeometry::Intersect(SnapGeometry::Segment{{0, 0}, {10, 0}, 0}, SnapGeometry::Segment{{0, 1}, {10, 1}, 0}, out);
    EXPECT_TRUE(out.empty());  // parallel
    // Lines that miss the ellipse, and a line of no length on it, cross nothing.
    SnapGeometry::Intersect(SnapGeometry::Segment{{-30, 6}, {30, 6}, 0}, ellipse, out);
    SnapGeometry::Intersect(SnapGeometry::Segment{{25, -10}, {25, 10}, 0}, ellipse, out);
    SnapGeometry::Intersect(SnapGeometry::Segment{{20, 0}, {20, 0}, 0}, ellipse, out);
    SnapGeometry::Intersect(SnapGeometry::Segment{{10, 0}, {10, 0}, 0}, circle, out);
    EXPECT_TRUE(out.empty());
    SnapGeometry::Intersect(SnapGeometry::Segment{{-30, 0}, {30, 0}, 0}, ellipse, out);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_NEAR(std::fabs(out[0].x), 20, 1e-9);
    EXPECT_NEAR(out[0].x + out[1].x, 0, 1e-9);
    out.clear();

    // Two circles meet on both sides of the line between their centres, whichever way it runs.
    for (const Point2 centre : {Point2{6, 0}, Point2{0, 6}, Point2{-6, 0}}) {
        out.clear();
        SnapGeometry::Intersect(SnapGeometry::Curve{{0, 0}, {5, 0, 0, 5}, 0, 0, true, 0},
                                SnapGeometry::Curve{centre, {5, 0, 0, 5}, 0, 0, true, 0}, out);
        ASSERT_EQ(out.size(), 2u) << centre.x << "," << centre.y;
        for (const Point2& p : out) {
            EXPECT_NEAR(std::hypot(p.x, p.y), 5, 1e-9);
            EXPECT_NEAR(std::hypot(p.x - centre.x, p.y - centre.y), 5, 1e-9);
        }
        EXPECT_NEAR(std::hypot(out[0].x - out[1].x, out[0].y - out[1].y), 8, 1e-9);  // (3, ±4) apart
    }
    out.clear();

    DrawingBuilder b;
    for (int i = 0; i < 10; ++i) b.line(i, 0, i, 10);
    const SnapGeometry cut = SnapGeometry::Collect(b.drawing, RenderOptions{}, 4);
    EXPECT_FALSE(cut.complete());
    EXPECT_EQ(cut.figureCount(), 4u);
    EXPECT_TRUE(SnapGeometry::Collect(b.drawing, RenderOptions{}).complete());
}

TEST(Measuring, DistancesAnglesAndScales) {
    Measurement m = Measure({0, 0}, {7.5, 10});
    EXPECT_DOUBLE_EQ(m.distance, 12.5);
    EXPECT_NEAR(m.angle, 53.13010235415598, 1e-12);
    m = Measure({0, 0}, {0, -3});
    EXPECT_DOUBLE_EQ(m.angle, 270.0);
    m = Measure({1, 1}, {1, 1});
    EXPECT_EQ(m.distance, 0.0);
    EXPECT_EQ(m.angle, 0.0);
    EXPECT_EQ(Measure({0, 0}, {-1, 0}).angle, 180.0);

    EXPECT_EQ(DistanceText(12.5, 100), "12.50 mm = 1,250 mm at 1/100");
    EXPECT_EQ(DistanceText(12.345, 100), "12.35 mm = 1,234.5 mm at 1/100");
    EXPECT_EQ(DistanceText(12345.678, 50), "12345.68 mm = 617,283.9 mm at 1/50");
    EXPECT_EQ(DistanceText(12.5, 1), "12.50 mm");
    EXPECT_EQ(DistanceText(12.5, 0.5), "12.50 mm = 6.25 mm at 2/1");
    EXPECT_EQ(DistanceText(12.5, 0.333333), "12.50 mm = 4.17 mm at 3/1");
    EXPECT_EQ(DistanceText(12.5, 0), "12.50 mm");
    EXPECT_EQ(DistanceText(12.5, NAN), "12.50 mm");
    EXPECT_EQ(ScaleText(99.99999999), "1/100");
    EXPECT_EQ(ScaleText(2.5), "1/2.5");
    EXPECT_EQ(ScaleText(1500), "1/1,500");
    EXPECT_EQ(ScaleText(-3), "");
    EXPECT_EQ(AngleText(53.13010235415598), "53.13\u00B0");
    EXPECT_EQ(CoordinatesText({12.5, -3}), "X 12.50  Y -3.00");
    EXPECT_EQ(CoordinatesText({-0.001, 0}), "X 0.00  Y 0.00");
    EXPECT_EQ(GroupedNumber(-1234567.891, 2), "-1,234,567.89");
    EXPECT_EQ(GroupedNumber(999, 0), "999");
    EXPECT_EQ(GroupedNumber(-0.001, 2), "0");
}

}  // namespace
}  // namespace korvel
