// The Qt painter target draws as the Windows graphics layer does.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "drawing_builder.h"
#include "platform/qt_painter_target.h"
#include "render/recording_target.h"
#include "render/render_driver.h"

namespace korvel {
namespace {

class QtTarget : public ::testing::Test {
protected:
    QtTarget() : image(40, 40, QImage::Format_RGB32) { image.fill(Qt::white); }
    bool ink(int x, int y) const { return image.pixel(x, y) != qRgb(255, 255, 255); }
    int inkCount() const {
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) n += ink(x, y);
        return n;
    }
    QImage image;
};

TEST_F(QtTarget, FillRectExcludesRightAndBottom) {
    {
        QPainter p(&image);
        QtPainterTarget t(p);
        t.fillRect({2, 3, 5, 7}, {BrushStyle::Solid, 0x0000FF});
    }
    EXPECT_EQ(image.pixel(2, 3), qRgb(255, 0, 0));  // 0x00BBGGRR red
    EXPECT_TRUE(ink(4, 6));
    EXPECT_FALSE(ink(5, 6));
    EXPECT_FALSE(ink(4, 7));
    EXPECT_EQ(inkCount(), 12);
}

TEST_F(QtTarget, ThinnestPenIsOnePixelAndLinesAppearByTheEnd) {
    QPainter p(&image);
    auto t = std::make_unique<QtPainterTarget>(p);
    const DevicePoint line[2] = {{5, 10}, {25, 10}};
    t->polyline(line, 2, {0x000000, 0});
    t->end();
    EXPECT_TRUE(ink(15, 10));
    EXPECT_FALSE(ink(15, 9));
    EXPECT_FALSE(ink(15, 11));
    const DevicePoint later[2] = {{5, 20}, {25, 20}};
    t->polyline(later, 2, {0x000000, 0});
    t.reset();  // held-back lines are drawn when the target goes
    EXPECT_TRUE(ink(15, 20));
}

TEST_F(QtTarget, WideLinesAndPolylinesOfOnePenBothDraw) {
    {
        QPainter p(&image);
        QtPainterTarget t(p);
        const DevicePoint line[2] = {{5, 5}, {30, 5}};
        t.polyline(line, 2, {0x000000, 3});
        const DevicePoint bent[3] = {{5, 20}, {30, 20}, {30, 35}};
        t.polyline(bent, 3, {0x000000, 3});
    }
    // Three pixels wide, the round ends covering what Qt's own stroker covers.
    EXPECT_TRUE(ink(15, 4) && ink(15, 5) && ink(15, 6));
    EXPECT_FALSE(ink(15, 3) || ink(15, 7));
    EXPECT_TRUE(ink(4, 5) && ink(30, 5));
    EXPECT_FALSE(ink(4, 6) || ink(3, 5) || ink(31, 5));
    EXPECT_TRUE(ink(15, 20));
    EXPECT_TRUE(ink(30, 30));
}

TEST_F(QtTarget, ArcRunsCounterClockwiseFromStartRayToEndRay) {
    {
        QPainter p(&image);
        QtPainterTarget t(p);
        // From the ray to the right to the ray upwards: the upper-right quarter only.
        t.arc({0, 0, 40, 40}, {40, 20}, {20, 0}, {0x000000, 0});
    }
    EXPECT_TRUE(ink(34, 6) || ink(33, 6) || ink(34, 5));
    for (int x = 0; x < 20; ++x) EXPECT_FALSE(ink(x, 30)) << x;
    for (int y = 21; y < 40; ++y) EXPECT_FALSE(ink(36, y)) << y;
}

TEST_F(QtTarget, ClearBrushPolygonIsOutlineOnlyAndHatchesLeaveGaps) {
    {
        QPainter p(&image);
        QtPainterTarget t(p);
        const DevicePoint square[4] = {{2, 2}, {17, 2}, {17, 17}, {2, 17}};
        t.polygon(square, 4, {0x000000, 0}, {BrushStyle::Clear, 0});
        const DevicePoint hatched[4] = {{20, 20}, {39, 20}, {39, 39}, {20, 39}};
        t.polygon(hatched, 4, {0x000000, 0}, {BrushStyle::Horizontal, 0x000000});
    }
    EXPECT_TRUE(ink(2, 10));
    EXPECT_FALSE(ink(10, 10));
    int rows = 0;
    for (int y = 22; y < 38; ++y) rows += ink(30, y);
    EXPECT_GT(rows, 0);
    EXPECT_LT(rows, 16);  // lines with gaps between them, not a solid fill
}

// Two-point lines are held back and drawn together per pen; a line of another pen in between
// must still be drawn in its place and in its own colour, whichever pen the painter held.
TEST_F(QtTarget, LinesOfChangingPensKeepTheirColoursAndOrder) {
    {
        QPainter p(&image);
        QtPainterTarget t(p);
        const PenSpec red{0x0000FF, 0}, blue{0xFF0000, 0}, wideRed{0x0000FF, 3};
        const DevicePoint across[2] = {{0, 10}, {39, 10}}, down[2] = {{20, 0}, {20, 39}};
        const DevicePoint lower[2] = {{0, 30}, {39, 30}}, bent[3] = {{0, 36}, {5, 36}, {5, 39}};
        t.polyline(across, 2, red);
        t.polyline(down, 2, blue);   // over the red line where they cross
        t.polyline(lower, 2, red);   // red again, after the blue one
        t.polyline(bent, 3, wideRed);
        const DevicePoint dot[2] = {{30, 20}, {30, 20}};
        t.polygon(dot, 2, blue, {BrushStyle::Solid, 0xFF0000});
    }
    EXPECT_EQ(image.pixel(5, 10), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(20, 10), qRgb(0, 0, 255));  // the later line on top
    EXPECT_EQ(image.pixel(20, 30), qRgb(255, 0, 0));  // the red line after it on top of it
    EXPECT_EQ(image.pixel(10, 30), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(5, 35), qRgb(255, 0, 0));   // three wide about y = 36
    EXPECT_EQ(image.pixel(20, 20), qRgb(0, 0, 255));
}

TEST_F(QtTarget, ClipKeepsDrawingInsideUntilLifted) {
    {
        QPainter p(&image);
        QtPainterTarget t(p);
        t.clip(DeviceRect{0, 0, 20, 40});
        const DevicePoint first[2] = {{0, 10}, {39, 10}};
        t.polyline(first, 2, {0x000000, 0});
        t.fillRect({0, 30, 40, 32}, {BrushStyle::Solid, 0});
        t.clip(std::nullopt);
        const DevicePoint second[2] = {{0, 20}, {39, 20}};
        t.polyline(second, 2, {0x000000, 0});
    }
    EXPECT_TRUE(ink(19, 10));
    EXPECT_FALSE(ink(20, 10));
    EXPECT_TRUE(ink(19, 31));
    EXPECT_FALSE(ink(20, 31));
    EXPECT_TRUE(ink(39, 20));
}

// The window redraws from a display list: drawn again into a painter it must give the pixels
// of the render itself, halos, hatches and wide pens included.
TEST(QtTargetReplay, DisplayListDrawsThePixelsOfTheRender) {
    test::DrawingBuilder b;
    b.extents(0, 0, 100, 100);
    for (int pen = 1; pen <= 9; ++pen) b.line(0, pen * 10, 100, pen * 10 + 5, pen, pen);
    b.circle(50, 50, 20, 8, 2);
    b.specialPoint(60, 40, 6, 3.0, 0.5);
    b.solid({10, 10}, {30, 10}, {30, 30}, {10, 30}, 5);
    b.text(10, 80, "AB");
    RenderOptions options;
    options.drawOutLine = 1;
    options.hatchOn = true;
    RenderRequest request;
    request.width = request.height = 160;
    QImage direct(160, 160, QImage::Format_RGB32), replayed(160, 160, QImage::Format_RGB32);
    {
        QPainter p(&direct);
        QtPainterTarget t(p);
        RenderDrawing(t, b.drawing, options, request);
    }
    RecordingTarget list;
    RenderDrawing(list, b.drawing, options, request);
    {
        QPainter p(&replayed);
        QtPainterTarget t(p);
        t.begin();
        list.replay(t);
        t.end();
    }
    EXPECT_EQ(replayed, direct);
    int ink = 0;
    for (int y = 0; y < 160; ++y)
        for (int x = 0; x < 160; ++x) ink += direct.pixel(x, y) != qRgb(255, 255, 255);
    EXPECT_GT(ink, 500);
}

}  // namespace
}  // namespace korvel
