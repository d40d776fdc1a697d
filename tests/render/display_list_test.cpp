// The display list: each call printed on a line of its own with its style, drawn again into
// another target as it was made, and pictures kept once however often they are drawn.
#include <gtest/gtest.h>

#include <sstream>

#include "drawing_builder.h"
#include "render/recording_target.h"
#include "render/render_driver.h"

namespace korvel {
namespace {

// One call of every kind, with styles that differ in every field the printing shows.
void everyKind(RenderTarget& t, const RasterImage& picture) {
    t.clip(DeviceRect{0, 0, 64, 32});
    const DevicePoint line[] = {{1, 2}, {3, -4}};
    t.polyline(line, 2, {0xFF0000, 2});
    const DevicePoint tri[] = {{0, 0}, {9, 0}, {0, 9}};
    t.polygon(tri, 3, {0x00FF00, 5, true, LineCap::Flat, LineJoin::Miter},
              {BrushStyle::DiagCross, 0x123456});
    t.fillRect({0, 0, 64, 32}, {BrushStyle::Clear, 0xFFFFFF});
    t.ellipse({10, 11, 12, 13}, {0x0000FF, 0, true, LineCap::Square, LineJoin::Bevel},
              {BrushStyle::Solid, 0x0000FF});
    t.arc({-5, -5, 5, 5}, {5, 0}, {0, -5}, {0, 1});
    TextStyle text;
    text.font = FontSpec{"ＭＳ 明朝", 12, 6, 900, 900, 700, true, true, true};
    text.color = 0x008000;
    t.text({20, 30}, U"図A", text);
    text.font = FontSpec{"IPAGothic", 8, 4, 0, 0, 0, false, false, false};
    text.mode = TextMode::Outline;
    text.outlinePen = {0xFFFFFF, 3};
    text.outlineBrush = {BrushStyle::Solid, 0xFFFFFF};
    t.text({21, 31}, U"b", text);
    t.image({40, 0, 60, 10}, picture);
    t.clip(std::nullopt);
}

const char* const kEveryKind =
    "clip rect(0,0,64,32)\n"
    "polyline pen(#0000ff w2) (1,2) (3,-4)\n"
    "polygon pen(#00ff00 w5 geometric flat miter) brush(diagcross #563412) (0,0) (9,0) (0,9)\n"
    "fillRect brush(clear #ffffff) rect(0,0,64,32)\n"
    "ellipse pen(#ff0000 w0 geometric square bevel) brush(solid #ff0000) rect(10,11,12,13)\n"
    "arc pen(#000000 w1) rect(-5,-5,5,5) from (5,0) to (0,-5)\n"
    "text \"図A\" at (20,30) font(\"ＭＳ 明朝\" h12 w6 e900 o900 weight700 italic underline strikeout) "
    "#008000\n"
    "text \"b\" at (21,31) font(\"IPAGothic\" h8 w4 e0 o0) #008000 outline pen(#ffffff w3) "
    "brush(solid #ffffff)\n"
    "image rect(40,0,60,10) picture 2x1\n"
    "clip none\n";

RasterImage twoPixels() { return RasterImage{2, 1, {0xFFFF0000, 0xFF0000FF}}; }

TEST(DisplayList, PrintsEveryCallOnALineWithItsStyle) {
    RecordingTarget t;
    everyKind(t, twoPixels());
    EXPECT_EQ(t.listing(), kEveryKind);
    // gtest shows a call through the same printing when an assertion on it fails.
    std::ostringstream one;
    one << t.calls[1];
    EXPECT_EQ(one.str(), "polyline pen(#0000ff w2) (1,2) (3,-4)");
    EXPECT_EQ(::testing::PrintToString(t.calls[5]), "arc pen(#000000 w1) rect(-5,-5,5,5) from (5,0) to (0,-5)");
    EXPECT_EQ(::testing::PrintToString(PenSpec{0x0080FF, 7}), "pen(#ff8000 w7)");
}

TEST(DisplayList, ReplaysEveryCallAsItWasMade) {
    RecordingTarget first, second;
    everyKind(first, twoPixels());
    first.replay(second);
    EXPECT_EQ(second.listing(), kEveryKind);
    ASSERT_EQ(second.count(CallKind::Image), 1u);
    EXPECT_EQ(second.only(CallKind::Image)[0].picture->pixels, twoPixels().pixels);
    // A render replayed gives the calls of the render itself, in order.
    test::DrawingBuilder b;
    b.extents(0, 0, 100, 100);
    b.line(0, 0, 100, 100, 6, 4);
    b.circle(50, 50, 20, 7, 2);
    b.point(30, 70, 3);
    b.specialPoint(60, 40, 6, 3.0, 0.5);
    b.solid({10, 10}, {30, 10}, {30, 30}, {10, 30}, 5);
    b.text(10, 80, "AB");
    RecordingTarget rendered, replayed;
    RenderRequest r;
    r.width = 200;
    r.height = 200;
    RenderDrawing(rendered, b.drawing, RenderOptions{}, r);
    ASSERT_GT(rendered.calls.size(), 20u);
    rendered.replay(replayed);
    EXPECT_EQ(replayed.listing(), rendered.listing());
}

TEST(DisplayList, KeepsAPictureDrawnManyTimesOnce) {
    RecordingTarget t;
    const RasterImage picture = twoPixels();
    for (int i = 0; i < 3; ++i) t.image({i, 0, i + 2, 1}, picture);
    RasterImage changed = picture;
    changed.pixels[1] = 0xFF00FF00;
    t.image({0, 0, 2, 1}, changed);
    const auto images = t.only(CallKind::Image);
    ASSERT_EQ(images.size(), 4u);
    EXPECT_EQ(images[0].picture, images[1].picture);
    EXPECT_EQ(images[0].picture, images[2].picture);
    EXPECT_NE(images[3].picture, images[0].picture);
    EXPECT_EQ(images[3].picture->pixels, changed.pixels);
    t.clear();
    EXPECT_TRUE(t.calls.empty());
}

}  // namespace
}  // namespace korvel
