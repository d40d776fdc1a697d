// Metafiles that a drawing of a few kilobytes would make gigabytes long: the size is checked as
// records come, and the render stops once they no longer fit.
#include <gtest/gtest.h>

#include "hostile_drawings.h"
#include "output/emf_target.h"
#include "output/image_export.h"
#include "output/metafile_frame.h"
#include "render/render_driver.h"

namespace korvel {
namespace {

TEST(MetafileSize, RecordsPastTheLimitAreNotKeptAndTheRenderStops) {
    EmfTarget target(FittedMetafileFrame(400, 300), "limits", 64 * 1024);
    test::DrawingBuilder b;
    for (int i = 0; i < 10000; ++i) b.line(0, i * 0.01, 100, i * 0.01);
    b.extents(-1, -1, 101, 101);
    RenderRequest request;
    request.width = 400;
    request.height = 300;
    size_t walked = 0;
    request.progress = [&](size_t done, size_t) {
        walked = done;
        return !target.full();
    };
    const RenderResult r = RenderDrawing(target, b.drawing, RenderOptions{}, request);
    EXPECT_FALSE(r.completed);
    EXPECT_TRUE(target.full());
    EXPECT_LE(target.byteCount(), 64u * 1024);
    // Lines of one pen share a record, each line costing its count and two 16-bit points (12
    // bytes): the render stopped soon after 64 KB of them, less the room kept for the file's end.
    EXPECT_LT(walked, 5500u);
    std::vector<uint8_t> bytes;
    std::string error;
    EXPECT_FALSE(target.finish(bytes, error));
    EXPECT_EQ(error, "the metafile is over 65536 bytes");
    EXPECT_TRUE(bytes.empty());
    EXPECT_EQ(target.byteCount(), 0u);  // nothing is held once it has failed
}

TEST(MetafileSize, KilometreDashedLinesAtRealScaleStopAtTheRenderLimit) {
    // A hundred dashed lines of a kilometre: tens of millions of dashes asked for.
    const Drawing d = test::longDashedLines(100, 1'000'000.0);
    ExportOptions options;
    options.realScale = true;
    std::vector<uint8_t> bytes;
    const ExportResult r = ExportImage(d, ImageFormat::Emf, options, bytes);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.warnings, (std::vector<std::string>{"drawing stopped at its limit of 3 million strokes, fills and "
                                                    "glyphs; the rest of the drawing is not drawn"}));
    EXPECT_LT(bytes.size(), 300u * 1024 * 1024);
    EXPECT_EQ(bytes[0], 1);  // EMR_HEADER
}

}  // namespace
}  // namespace korvel
