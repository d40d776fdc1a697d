// The drawing area's render thread: pans keep what is drawn, newer requests win, and a stopped
// render lets go before anything it reads may change.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <thread>

#include "app/drawing_view.h"
#include "window_fixture.h"

namespace korvel::test {
namespace {

// Draws slanted lines fixed to the device area, so a picture shows which part of the area it
// holds; can be held at its start until released.
struct StripedRenderer {
    std::atomic<bool> open{true};
    std::atomic<int> jobsStarted{0};
    std::atomic<int> lastWidth{0};

    DrawingView::Renderer renderer() {
        return [this] {
            return [this](QImage& image, QPoint pan, const QRegion& todo, int width, int height,
                          const RenderProgress& progress) {
                ++jobsStarted;
                lastWidth = width;
                RenderResult result;
                while (!open) {
                    if (!progress(0, 1)) {
                        result.completed = false;
                        return result;
                    }
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                }
                QPainter painter(&image);
                painter.setClipRegion(todo);
                painter.translate(pan);
                for (int x = -height, i = 0; x < width; x += 23, ++i) {
                    if (!progress(size_t(i), 0)) {
                        result.completed = false;
                        return result;
                    }
                    painter.setPen(QPen(QColor::fromRgb(QRgb(0xff000000u | (unsigned(i) * 0x3a5d1fu))), 3));
                    painter.drawLine(QPointF(x, 0), QPointF(x + height, height));
                }
                return result;
            };
        };
    }
};

class DrawingViewTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { EnsureWidgetApplication(); }

    void show(DrawingView& view, StripedRenderer& stripes) {
        view.setRenderer(stripes.renderer());
        view.resize(300, 200);
        view.show();
        view.renderNow();
    }

    // Lets the events run until `done` or two seconds have passed.
    template <typename Done>
    static bool runEventsUntil(Done done) {
        QElapsedTimer t;
        t.start();
        while (!done() && t.elapsed() < 2000) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        return done();
    }
};

TEST_F(DrawingViewTest, APanDrawsOnlyTheUncoveredStripsAndGivesTheWholeRendersPixels) {
    StripedRenderer stripes;
    DrawingView view;
    show(view, stripes);
    ASSERT_EQ(view.renderCount(), 1);
    EXPECT_EQ(view.lastRenderedPixels(), 300 * 200);

    view.panBy(QPointF(30, -20));
    view.renderNow();
    EXPECT_EQ(view.lastRenderedPixels(), 300 * 200 - 270 * 180) << "a 30-pixel strip and a 20-pixel strip";
    view.panBy(QPointF(-7, 11));
    view.renderNow();
    EXPECT_EQ(view.lastRenderedPixels(), 300 * 200 - 293 * 189);

    StripedRenderer fresh;
    DrawingView whole;
    whole.panBy(QPointF(23, -9));
    show(whole, fresh);
    EXPECT_EQ(whole.lastRenderedPixels(), 300 * 200);
    EXPECT_EQ(view.picture(), whole.picture()) << "pixels kept from before match a render made at once";

    // Pictures stand at whole pixels: a pan from 23 to 23.5 moves them by one.
    view.panBy(QPointF(0.5, 0));
    view.renderNow();
    EXPECT_EQ(view.lastRenderedPixels(), 1 * 200);
    view.panBy(QPointF(0.25, 0));
    view.renderNow();
    EXPECT_EQ(view.lastRenderedPixels(), 0) << "still at 24: nothing to draw";
    // What cannot be kept is drawn whole: a zoom, a changed drawing, a pan past the edge.
    view.zoomAbout(QPointF(10, 10), 1.25);
    view.renderNow();
    EXPECT_EQ(view.lastRenderedPixels(), 300 * 200);
    view.invalidate();
    view.renderNow();
    EXPECT_EQ(view.lastRenderedPixels(), 300 * 200);
    view.panBy(QPointF(0, 400));
    view.renderNow();
    EXPECT_EQ(view.lastRenderedPixels(), 300 * 200);
    EXPECT_EQ(view.renderCount(), 8);
}

TEST_F(DrawingViewTest, WhileARenderRunsTheWindowRunsAndTheLastPictureStandsInScaled) {
    StripedRenderer stripes;
    DrawingView view;
    show(view, stripes);
    const QImage before = view.picture();

    stripes.open = false;
    view.zoomAbout(QPointF(0, 0), 2.0);
    ASSERT_TRUE(runEventsUntil([&] { return view.rendering(); })) << "the paint starts the render";
    int ticks = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] { ++ticks; });
    tick.start(1);
    ASSERT_TRUE(runEventsUntil([&] { return ticks >= 5; })) << "events run while the render is held";
    EXPECT_TRUE(view.rendering());
    EXPECT_EQ(view.picture(), before);

    const QImage shown = view.grab().toImage().convertToFormat(QImage::Format_RGB32);
    int same = 0, compared = 0;
    for (int y = 0; y < 100; y += 7)
        for (int x = 0; x < 150; x += 7, ++compared) same += shown.pixel(2 * x, 2 * y) == before.pixel(x, y);
    EXPECT_EQ(same, compared) << "the old picture, twice as large about the zoom's anchor";

    // A newer request wins: the held render is dropped, the next one is made for the new view.
    view.zoomAbout(QPointF(0, 0), 2.0);
    stripes.open = true;
    ASSERT_TRUE(runEventsUntil([&] { return !view.rendering() && view.renderCount() == 2; }));
    EXPECT_EQ(stripes.lastWidth, 1200);
    EXPECT_EQ(stripes.jobsStarted, 3);
}

TEST_F(DrawingViewTest, StopRenderReturnsOnceTheJobHasLetGoAndTheNextPaintRendersAgain) {
    StripedRenderer stripes;
    DrawingView view;
    show(view, stripes);
    stripes.open = false;
    view.invalidate();
    ASSERT_TRUE(runEventsUntil([&] { return view.rendering(); }));
    view.stopRender();
    EXPECT_FALSE(view.rendering());
    const int started = stripes.jobsStarted;
    stripes.open = true;
    // The stopped job's own report arrives late and is not taken for the picture.
    ASSERT_TRUE(runEventsUntil([&] { return view.renderCount() == 2; }));
    EXPECT_EQ(stripes.jobsStarted, started + 1);
    view.stopRender();  // nothing under way: nothing to do
    EXPECT_EQ(view.renderCount(), 2);
}

}  // namespace
}  // namespace korvel::test
