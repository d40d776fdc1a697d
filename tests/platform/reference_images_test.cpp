// Small drawings per area rendered with the Qt painter target and compared with their
// reference PNGs (tests/platform/references/<area>/<case>.png; UPDATE_REFS=1 regenerates them).
#include <gtest/gtest.h>

#include "drawing_builder.h"
#include "ref_image.h"

namespace korvel::test {
namespace {

constexpr double kPi = 3.141592653589793;

TEST(ReferenceImages, LineTypes) {
    DrawingBuilder b;
    b.extents(0, 0, 100, 105);
    for (int t = 1; t <= 9; ++t) b.line(5, 100 - t * 5, 95, 100 - t * 5, 2, t);
    for (int t = 16; t <= 19; ++t) b.line(5, 100 - (t - 6) * 5, 95, 100 - (t - 6) * 5, 2, t);
    // Widths: colour numbers 6, 7 and 8 carry pens of 2, 3 and 5 device units.
    b.line(5, 25, 95, 25, 6, 2);
    b.line(5, 15, 95, 15, 7, 1);
    b.line(5, 5, 95, 40, 8, 4);
    EXPECT_TRUE(MatchesReference(RenderForReference(b.drawing, 300, 315), "line_types", "all_types"));
}

TEST(ReferenceImages, RandomLines) {
    DrawingBuilder b;
    b.extents(0, 0, 100, 100);
    for (int t = 11; t <= 15; ++t) b.line(5, 100 - (t - 10) * 15, 95, 100 - (t - 10) * 15, 2, t);
    b.line(10, 5, 90, 20, 6, 13);
    b.circle(80, 80, 12, 2, 12);
    EXPECT_TRUE(MatchesReference(RenderForReference(b.drawing, 300, 300), "random_lines", "types_11_to_15"));
}

TEST(ReferenceImages, ArcsAndEllipses) {
    DrawingBuilder b;
    b.extents(0, 0, 120, 80);
    b.circle(20, 60, 15);
    b.circle(60, 60, 15, 6, 2);  // width 2, dashed: dash lengths grow with the width
    b.arc(100, 60, 15, 0.25 * kPi, 1.0 * kPi, 3);
    b.arc(20, 20, 15, 0.5 * kPi, -1.0 * kPi, 5, 4);  // negative sweep
    auto& e = b.circle(60, 20, 15, 2, 1);
    e.flatness = 0.5;
    e.tiltAngle = 0.3;
    auto& e2 = b.arc(100, 20, 15, 0.0, 1.5 * kPi, 7, 1);
    e2.flatness = 0.6;
    EXPECT_TRUE(MatchesReference(RenderForReference(b.drawing, 360, 240), "arcs", "circles_arcs_ellipses"));
}

TEST(ReferenceImages, SolidsAndHatches) {
    DrawingBuilder b;
    b.extents(0, 0, 120, 80);
    b.solid({5, 45}, {35, 45}, {35, 75}, {5, 75}, 6);
    auto& rgb = b.solid({45, 45}, {75, 45}, {65, 75}, {45, 70}, 10);
    rgb.color = 0xFF0000;  // blue
    // Circle solids: whole disc, segment, sector, and a ring.
    auto circleSolid = [&](double x, double y, double selector, int style, double sweep) -> TDataSolid& {
        TDataSolid& s = b.solid({x, y}, {12, 1.0}, {0.0, 0.3}, {sweep, selector}, 3);
        s.penStyle = static_cast<uint8_t>(style);
        return s;
    };
    circleSolid(100, 60, 100, 101, 6.283185307179586);
    circleSolid(20, 20, 5, 101, 2.5);
    circleSolid(60, 20, 0, 101, 2.0);
    auto& ring = circleSolid(100, 20, 6, 106, 6.283185307179586);
    ring.corner4.y = 6;  // inner radius
    RenderOptions hatched;
    EXPECT_TRUE(MatchesReference(RenderForReference(b.drawing, 360, 240), "solids", "fills"));
    hatched.hatchOn = true;
    hatched.hatchByLineColor = true;
    hatched.hatchByColorFamily = true;
    hatched.lineColorHatch[6] = 3;
    hatched.lineColorHatch[3] = 6;
    hatched.colorFamilyHatch[1] = 5;
    EXPECT_TRUE(MatchesReference(RenderForReference(b.drawing, 360, 240, hatched), "solids", "hatches"));
}

TEST(ReferenceImages, SpecialPoints) {
    DrawingBuilder b;
    b.extents(0, 0, 160, 40);
    const int codes[] = {-7, -6, -5, -4, -2, -1, 1, 2, 5, 6, 7, 8, 9, 10, 11, 0};
    int i = 0;
    for (int code : codes) {
        const double x = 10 + (i % 8) * 20, y = i < 8 ? 30 : 10;
        b.specialPoint(x, y, code, 4.0, i % 3 == 0 ? 0.5 : 0.0);
        ++i;
    }
    b.point(150, 2);
    EXPECT_TRUE(MatchesReference(RenderForReference(b.drawing, 480, 120), "special_points", "all_codes"));
}

TEST(ReferenceImages, Blocks) {
    DrawingBuilder b;
    b.extents(0, 0, 120, 80);
    // Block 0: a line and a quarter arc; block 1 holds a rotated insert of block 0.
    b.beginBlock();
    b.line(0, 0, 20, 0);
    b.arc(0, 0, 20, 0, kPi / 2);
    b.endBlock();
    b.beginBlock();
    b.insert(0, 0, 0, kPi / 4);
    b.line(-5, 0, 5, 0, 6);
    b.endBlock();
    b.insert(0, 10, 50);
    b.insert(0, 60, 50, kPi / 2);
    b.insert(0, 90, 50, 0, -1, 1);  // mirrored
    b.insert(1, 30, 10, 0, 1.5, 1.5);
    b.insert(1, 90, 10, kPi / 2);
    EXPECT_TRUE(MatchesReference(RenderForReference(b.drawing, 360, 240), "blocks", "inserts"));
}

}  // namespace
}  // namespace korvel::test
