// The Qt painter target draws as the Windows graphics layer does.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "platform/qt_painter_target.h"

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
        t.setBrush({BrushStyle::Solid, 0x0000FF});
        t.fillRect(2, 3, 5, 7);
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
    t->setPen({0x000000, 0});
    const DevicePoint line[2] = {{5, 10}, {25, 10}};
    t->polyline(line, 2);
    t->flush();
    EXPECT_TRUE(ink(15, 10));
    EXPECT_FALSE(ink(15, 9));
    EXPECT_FALSE(ink(15, 11));
    const DevicePoint later[2] = {{5, 20}, {25, 20}};
    t->polyline(later, 2);
    t.reset();  // held-back lines are drawn when the target goes
    EXPECT_TRUE(ink(15, 20));
}

TEST_F(QtTarget, WideLinesAndPolylinesOfOnePenBothDraw) {
    {
        QPainter p(&image);
        QtPainterTarget t(p);
        t.setPen({0x000000, 3});
        const DevicePoint line[2] = {{5, 5}, {30, 5}};
        t.polyline(line, 2);
        const DevicePoint bent[3] = {{5, 20}, {30, 20}, {30, 35}};
        t.polyline(bent, 3);
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
        t.setPen({0x000000, 0});
        // From the ray to the right to the ray upwards: the upper-right quarter only.
        t.arc(0, 0, 40, 40, 40, 20, 20, 0);
    }
    EXPECT_TRUE(ink(34, 6) || ink(33, 6) || ink(34, 5));
    for (int x = 0; x < 20; ++x) EXPECT_FALSE(ink(x, 30)) << x;
    for (int y = 21; y < 40; ++y) EXPECT_FALSE(ink(36, y)) << y;
}

TEST_F(QtTarget, ClearBrushPolygonIsOutlineOnlyAndHatchesLeaveGaps) {
    {
        QPainter p(&image);
        QtPainterTarget t(p);
        t.setPen({0x000000, 0});
        t.setBrush({BrushStyle::Clear, 0});
        const DevicePoint square[4] = {{2, 2}, {17, 2}, {17, 17}, {2, 17}};
        t.polygon(square, 4);
        t.setBrush({BrushStyle::Horizontal, 0x000000});
        const DevicePoint hatched[4] = {{20, 20}, {39, 20}, {39, 39}, {20, 39}};
        t.polygon(hatched, 4);
    }
    EXPECT_TRUE(ink(2, 10));
    EXPECT_FALSE(ink(10, 10));
    int rows = 0;
    for (int y = 22; y < 38; ++y) rows += ink(30, y);
    EXPECT_GT(rows, 0);
    EXPECT_LT(rows, 16);  // lines with gaps between them, not a solid fill
}

}  // namespace
}  // namespace korvel
