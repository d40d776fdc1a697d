// A render kept as a display list and drawn again into a metafile writes the very bytes the
// render writes straight into it: every call carries all the style the writer needs.
#include <gtest/gtest.h>

#include "drawing_builder.h"
#include "output/emf_target.h"
#include "output/wmf_target.h"
#include "render/recording_target.h"
#include "render/render_driver.h"

namespace korvel {
namespace {

test::DrawingBuilder& scene() {
    static test::DrawingBuilder b;
    if (b.drawing.top.sequence.empty()) {
        b.extents(0, 0, 100, 100);
        for (int pen = 1; pen <= 9; ++pen) b.line(0, pen * 10, 100, pen * 10 + 5, pen, pen);
        b.line(0, 0, 100, 95, 3, 12);  // a random line
        b.circle(50, 50, 20, 7, 2);
        b.arc(40, 40, 15, 0.5, 2.0, 8, 4);
        b.point(30, 70, 3);
        b.specialPoint(60, 40, 6, 3.0, 0.5);
        b.specialPoint(70, 40, 8, 3.0);
        b.solid({10, 10}, {30, 10}, {30, 30}, {10, 30}, 5);
        b.text(10, 80, "AB");
        b.dimension(10, 5, 90, 5);
    }
    return b;
}

template <typename Target>
std::vector<uint8_t> finished(Target& target) {
    std::vector<uint8_t> bytes;
    std::string error;
    EXPECT_TRUE(target.finish(bytes, error)) << error;
    return bytes;
}

RenderRequest request() {
    RenderRequest r;
    r.width = 400;
    r.height = 400;
    return r;
}

TEST(DisplayListReplay, WritesTheSameMetafilesAsTheRenderItself) {
    for (int outline : {0, 1}) {
        RenderOptions options;
        options.drawOutLine = outline;
        RecordingTarget list;
        RenderDrawing(list, scene().drawing, options, request());
        ASSERT_GT(list.count(CallKind::Text), 1u);

        EmfTarget direct(FittedMetafileFrame(400, 400), "scene"), replayed(FittedMetafileFrame(400, 400), "scene");
        RenderDrawing(direct, scene().drawing, options, request());
        replayed.begin();
        list.replay(replayed);
        replayed.end();
        EXPECT_EQ(finished(replayed), finished(direct)) << "text outline " << outline;

        WmfTarget wmfDirect(FittedMetafileFrame(400, 400)), wmfReplayed(FittedMetafileFrame(400, 400));
        RenderDrawing(wmfDirect, scene().drawing, options, request());
        list.replay(wmfReplayed);
        EXPECT_EQ(finished(wmfReplayed), finished(wmfDirect)) << "text outline " << outline;
    }
}

}  // namespace
}  // namespace korvel
