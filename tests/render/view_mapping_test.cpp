// The drawing area's mapping between millimetres and pixels, and the canvas styles a target
// compares to know when to make a new pen, brush or font.
#include <gtest/gtest.h>

#include <cmath>

#include "render/render_target.h"
#include "render/view_mapping.h"

namespace korvel {
namespace {

Extents frame(double minX, double minY, double maxX, double maxY) {
    Extents e;
    e.MinX = minX;
    e.MinY = minY;
    e.MaxX = maxX;
    e.MaxY = maxY;
    return e;
}

// A 200 x 100 mm frame in a 400 x 100 area fits by its height (1 px/mm); the zoomed picture is
// the area times the zoom, rounded half up and never empty.
TEST(ViewMapping, FitsZoomsPansAndMapsBothWays) {
    const Extents f = frame(10, 20, 210, 120);
    const ViewMapping m = MapView(f, 400, 100, 2.0, 7.0, -3.0);
    EXPECT_DOUBLE_EQ(m.scale, 2.0);
    EXPECT_DOUBLE_EQ(m.toPixelX(60), 7.0 + 100.0);
    EXPECT_DOUBLE_EQ(m.toPixelY(100), -3.0 + 40.0);
    EXPECT_DOUBLE_EQ(m.toDrawing(107, 37).x, 60);
    EXPECT_DOUBLE_EQ(m.toDrawing(107, 37).y, 100);
    EXPECT_DOUBLE_EQ(m.millimetres(50), 25);
    // Taller than the frame's shape: fitted by the width instead.
    EXPECT_DOUBLE_EQ(MapView(f, 100, 400, 1.0, 0, 0).scale, 0.5);

    EXPECT_EQ(ZoomedSize(3, 1.5), 5);
    EXPECT_EQ(ZoomedSize(3, 1.4), 4);
    EXPECT_EQ(ZoomedSize(3, 0.1), 1);

    double px = 0, py = 0;
    PanToCentre(f, 400, 100, 2.0, {60, 100}, px, py);
    EXPECT_DOUBLE_EQ(px, 200.0 - 100.0);
    EXPECT_DOUBLE_EQ(py, 50.0 - 40.0);
}

// The box's larger share of the area decides; a box of no size, or a frame that cannot be
// measured, gets the limits.
TEST(ViewMapping, ZoomForBoxFillsTheAreaWithinTheLimits) {
    const Extents f = frame(0, 0, 200, 100);  // 1 px/mm in a 200 x 100 area
    EXPECT_DOUBLE_EQ(ZoomForBox(f, 200, 100, 0, 0, 20, 5, 0.5, 0.1, 100), 5.0);   // 20 mm wide
    EXPECT_DOUBLE_EQ(ZoomForBox(f, 200, 100, 2, 10, 0, 0, 0.5, 0.1, 100), 5.0);   // 10 mm high
    EXPECT_DOUBLE_EQ(ZoomForBox(f, 200, 100, 5, 5, 5, 5, 0.5, 0.1, 100), 100.0);
    EXPECT_DOUBLE_EQ(ZoomForBox(f, 200, 100, 0, 0, 1, 0, 0.5, 0.1, 40), 40.0);
    EXPECT_DOUBLE_EQ(ZoomForBox(f, 200, 100, 0, 0, 2000, 0, 0.5, 0.1, 40), 0.1);
    EXPECT_DOUBLE_EQ(ZoomForBox(frame(0, 0, HUGE_VAL, 100), 200, 100, 0, 0, 20, 5, 0.5, 0.1, 100), 1.0);
}

// Each field alone makes two styles differ; an outline's pen and brush count only for outlined
// text. The defaults are the thinnest black pen and a solid black brush.
TEST(CanvasStyles, EveryFieldTellsStylesApart) {
    EXPECT_EQ(DevicePoint{}, (DevicePoint{0, 0}));
    EXPECT_FALSE((DevicePoint{1, 0} == DevicePoint{}));
    EXPECT_FALSE((DevicePoint{0, 1} == DevicePoint{}));
    EXPECT_EQ(DeviceRect{}, (DeviceRect{0, 0, 0, 0}));
    for (const DeviceRect& r : {DeviceRect{1, 0, 0, 0}, DeviceRect{0, 1, 0, 0}, DeviceRect{0, 0, 1, 0},
                                DeviceRect{0, 0, 0, 1}})
        EXPECT_FALSE(r == DeviceRect{});
    EXPECT_TRUE((DeviceRect{0, 0, 0, 1}.empty()));
    EXPECT_TRUE((DeviceRect{0, 0, 1, 0}.empty()));
    EXPECT_FALSE((DeviceRect{0, 0, 1, 1}.empty()));

    const PenSpec pen;
    EXPECT_EQ(pen.color, 0u);
    EXPECT_EQ(pen.width, 0);
    EXPECT_FALSE(pen.geometric);
    EXPECT_FALSE(pen != PenSpec{});
    EXPECT_TRUE(pen != (PenSpec{1}));
    EXPECT_TRUE(pen != (PenSpec{0, 1}));
    EXPECT_TRUE(pen != (PenSpec{0, 0, true}));
    EXPECT_TRUE(pen != (PenSpec{0, 0, false, LineCap::Flat}));
    EXPECT_TRUE(pen != (PenSpec{0, 0, false, LineCap::Round, LineJoin::Bevel}));

    EXPECT_FALSE(BrushSpec{} != BrushSpec{});
    EXPECT_TRUE(BrushSpec{} != (BrushSpec{BrushStyle::Clear, 0}));
    EXPECT_TRUE(BrushSpec{} != (BrushSpec{BrushStyle::Solid, 1}));

    FontSpec font;
    font.face = "a";
    EXPECT_FALSE(font != font);
    for (int field = 0; field < 9; ++field) {
        FontSpec other = font;
        switch (field) {
        case 0: other.face = "b"; break;
        case 1: other.height = 1; break;
        case 2: other.width = 1; break;
        case 3: other.escapement = 1; break;
        case 4: other.orientation = 1; break;
        case 5: other.weight = 700; break;
        case 6: other.italic = true; break;
        case 7: other.underline = true; break;
        default: other.strikeOut = true; break;
        }
        EXPECT_TRUE(font != other) << field;
    }

    TextStyle glyphs;
    TextStyle other = glyphs;
    other.outlinePen.width = 3;
    other.outlineBrush.color = 5;
    EXPECT_TRUE(glyphs == other);
    other.color = 1;
    EXPECT_FALSE(glyphs == other);
    TextStyle outline;
    outline.mode = TextMode::Outline;
    EXPECT_FALSE(glyphs == outline);
    TextStyle pen2 = outline, brush2 = outline;
    pen2.outlinePen.width = 3;
    brush2.outlineBrush.color = 5;
    EXPECT_TRUE(outline == outline);
    EXPECT_FALSE(outline == pen2);
    EXPECT_FALSE(outline == brush2);
    other = outline;
    other.font.height = 9;
    EXPECT_FALSE(outline == other);

    RasterImage image;
    EXPECT_TRUE(image.empty());
    image.width = 1;
    EXPECT_TRUE(image.empty());
    image.height = 1;
    EXPECT_FALSE(image.empty());
    image.width = 0;
    EXPECT_TRUE(image.empty());
}

}  // namespace
}  // namespace korvel
