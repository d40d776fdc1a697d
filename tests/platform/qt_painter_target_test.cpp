// The Qt painter target draws as the Windows graphics layer does.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QRegion>

#include <functional>
#include <random>

#include "drawing_builder.h"
#include "platform/qt_colour.h"
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

// The thinnest lines go straight into the image where the painter allows it; either way they
// must land where Qt alone puts them, between the target's other drawing and under every
// painter state the window and the exports set up.
TEST(QtTargetHairlines, LinesLandWhereQtAloneDrawsThem) {
    std::mt19937 random(4242);
    std::vector<QLine> lines;
    for (int i = 0; i < 400; ++i) {
        const int x = int(random() % 400) - 100, y = int(random() % 300) - 80;
        const int reach = i % 3 ? 12 : 400;
        lines.emplace_back(x, y, x + int(random() % (2 * reach + 1)) - reach,
                           y + int(random() % (2 * reach + 1)) - reach);
    }
    const PenSpec pens[] = {{0x0000FF, 0}, {0x00AA00, 1}, {0x443322, 0, true, LineCap::Flat}};
    const DevicePoint square[4] = {{40, 40}, {90, 40}, {90, 90}, {40, 90}};
    // Polylines among the lines, every other one closed.
    const auto bent = [&lines](size_t i) {
        const QLine& l = lines[i];
        std::vector<DevicePoint> points = {{l.x1(), l.y1()}, {l.x2(), l.y2()}, {l.x2() + 7, l.y1() - 30},
                                           {l.x1() - 40, l.y2() + 3}, {l.x1() + 1, l.y1() + 90}};
        if (i % 2) points.back() = points.front();
        return points;
    };
    struct Setup {
        const char* name;
        QImage::Format format;
        std::function<void(QPainter&)> prepare;
        std::optional<DeviceRect> targetClip;
    };
    const std::vector<Setup> setups = {
        {"plain", QImage::Format_RGB32, [](QPainter&) {}, std::nullopt},
        {"translated", QImage::Format_ARGB32_Premultiplied, [](QPainter& p) { p.translate(13, -9); }, std::nullopt},
        {"region then translated", QImage::Format_RGB32,
         [](QPainter& p) {
             p.setClipRegion(QRegion(0, 0, 200, 30) + QRegion(150, 30, 50, 120));
             p.translate(-20, 7);
         },
         std::nullopt},
        {"clipped by the target", QImage::Format_ARGB32, [](QPainter& p) { p.translate(5, 5); },
         DeviceRect{20, 10, 120, 100}},
        {"empty clip", QImage::Format_RGB32, [](QPainter&) {}, DeviceRect{30, 30, 30, 30}},
        {"half-pixel translation", QImage::Format_RGB32, [](QPainter& p) { p.translate(0.5, 0.25); }, std::nullopt},
        {"scaled", QImage::Format_RGB32, [](QPainter& p) { p.scale(1.5, 1.5); }, std::nullopt},
        {"half opacity", QImage::Format_RGB32, [](QPainter& p) { p.setOpacity(0.5); }, std::nullopt},
        {"sixteen-bit pixels", QImage::Format_RGB16, [](QPainter&) {}, std::nullopt},
    };
    for (const Setup& setup : setups) {
        QImage ours(200, 150, setup.format), qts(200, 150, setup.format);
        ours.fill(Qt::white);
        qts.fill(Qt::white);
        {
            QPainter p(&ours);
            setup.prepare(p);
            QtPainterTarget t(p);
            if (setup.targetClip) t.clip(setup.targetClip);
            for (size_t i = 0; i < lines.size(); ++i) {
                const DevicePoint ends[2] = {{lines[i].x1(), lines[i].y1()}, {lines[i].x2(), lines[i].y2()}};
                t.polyline(ends, 2, pens[i / 50 % 3]);
                if (i % 25 == 10) t.polyline(bent(i).data(), 5, pens[i / 50 % 3]);
                if (i == 200) t.polygon(square, 4, pens[0], {BrushStyle::Solid, 0x808080});
            }
        }
        {
            QPainter p(&qts);
            setup.prepare(p);
            if (setup.targetClip) {
                const DeviceRect& c = *setup.targetClip;
                p.setClipRect(QRect(c.left, c.top, c.right - c.left, c.bottom - c.top));
            }
            // Qt's drawing of a batch of lines depends on the lines before in the batch; the
            // target hands Qt one batch per run of lines of one pen.
            std::vector<QLine> run;
            const auto drawRun = [&](const PenSpec& wanted) {
                QPen pen(QtColorOf(wanted.color));
                pen.setWidth(wanted.width);
                pen.setCapStyle(wanted.geometric ? Qt::FlatCap : Qt::RoundCap);
                pen.setJoinStyle(Qt::RoundJoin);
                p.setPen(pen);
                p.drawLines(run.data(), int(run.size()));
                run.clear();
            };
            for (size_t i = 0; i < lines.size(); ++i) {
                run.push_back(lines[i]);
                if (i % 25 == 10) {
                    drawRun(pens[i / 50 % 3]);
                    std::vector<QPoint> corners;
                    for (const DevicePoint& c : bent(i)) corners.emplace_back(c.x, c.y);
                    p.drawPolyline(corners.data(), 5);
                }
                if (i == 200) {
                    drawRun(pens[i / 50 % 3]);
                    QPen edge(QtColorOf(pens[0].color));
                    edge.setWidth(0);
                    p.setPen(edge);
                    p.setBrush(QtColorOf(0x808080));
                    const QPoint corners[4] = {{40, 40}, {90, 40}, {90, 90}, {40, 90}};
                    p.drawPolygon(corners, 4, Qt::OddEvenFill);
                }
                if (i % 50 == 49) drawRun(pens[i / 50 % 3]);
            }
        }
        EXPECT_TRUE(ours == qts) << setup.name;
    }
}

}  // namespace
}  // namespace korvel
