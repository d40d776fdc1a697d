// A drawing that places a PNG, a JPEG, a GIF, a BMP and an embedded picture, rendered through
// the render driver and the Qt painter target.
#include <gtest/gtest.h>

#include "drawing_builder.h"
#include "picture_files.h"
#include "ref_image.h"
#include "test_support.h"

namespace korvel::test {
namespace {

// Four quadrants of 8 x 8 pixels (the JPEG blocks): red, green / blue, yellow.
std::vector<uint32_t> quadrants(uint32_t topLeftAlpha = 0xFF000000) {
    std::vector<uint32_t> p(16 * 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            p[y * 16 + x] = y < 8 ? (x < 8 ? (topLeftAlpha | 0xFF0000) : 0xFF00FF00)
                                  : (x < 8 ? 0xFF0000FF : 0xFFFFFF00);
    return p;
}

TEST(ReferenceImages, PicturesOfEveryFormat) {
    DrawingBuilder b;
    b.extents(0, 0, 200, 100);
    b.drawing.DrawingFolder = scratchDir("picture_reference_images");
    const std::string& dir = b.drawing.DrawingFolder;
    writeFileBytes(dir + "/q.png", makePng(16, 16, quadrants(0x00000000)));  // clear top-left
    writeFileBytes(dir + "/q.jpg", makeJpeg(16, 16, quadrants()));
    std::vector<uint8_t> indices(256);
    for (int i = 0; i < 256; ++i) indices[i] = uint8_t((i / 16 < 8 ? 0 : 2) + (i % 16 < 8 ? 0 : 1));
    writeFileBytes(dir + "/q.gif", makeGif(16, 16, indices, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00}, 0));
    writeFileBytes(dir + "/q.bmp", makeBmp24(16, 16, quadrants()));
    b.drawing.embeddedPictures.push_back({"e.png.gz", gzipped(makePng(16, 16, quadrants()))});

    b.text(10, 60, "^@BMq.png,30");            // clear top-left quadrant
    b.text(50, 60, "^@BMq.jpg,40,30");
    b.text(100, 60, "^@BMq.gif,30").angle = 45;  // pictures never turn
    b.text(150, 60, "^@BMq.bmp,30,20");
    b.text(10, 10, "^@BM%temp%e.png,60,30,0,0,1,0,255,255,255");

    const QImage image = RenderForReference(b.drawing, 400, 200);
    // 2 device units per millimetre; y = 60 mm is row 80. Sample quadrant centres and edges.
    auto at = [&](int x, int y) { return image.pixel(x, y) & 0xFFFFFF; };
    EXPECT_EQ(at(20 + 15, 80 - 45), 0xFFFFFFu);  // PNG: transparent quadrant shows the paper
    EXPECT_EQ(at(20 + 45, 80 - 45), 0x00FF00u);
    EXPECT_EQ(at(20 + 15, 80 - 15), 0x0000FFu);
    EXPECT_EQ(at(20 + 59, 80 - 1), 0xFFFF00u);   // last pixel inside
    EXPECT_EQ(at(20 + 60, 80 - 1), 0xFFFFFFu);   // first outside
    EXPECT_EQ(at(20, 80 - 60), 0xFFFFFFu);       // the row above the top edge
    EXPECT_EQ(at(200 + 15, 80 - 45), 0xFFFFFFu);  // GIF: transparent colour 0
    EXPECT_EQ(at(200 + 45, 80 - 15), 0xFFFF00u);
    EXPECT_EQ(at(300 + 15, 80 - 30), 0xFF0000u);  // BMP, 60 x 40 units
    EXPECT_EQ(at(300 + 45, 80 - 10), 0xFFFF00u);
    EXPECT_EQ(at(300 + 45, 80 - 41), 0xFFFFFFu);
    EXPECT_EQ(at(20 + 30, 180 - 45), 0xFF0000u);  // embedded, 120 x 60 units
    EXPECT_EQ(at(20 + 90, 180 - 15), 0xFFFF00u);
    const QRgb jpeg = image.pixel(100 + 60, 80 - 15);  // JPEG: near yellow
    EXPECT_GT(qRed(jpeg), 240);
    EXPECT_GT(qGreen(jpeg), 240);
    EXPECT_LT(qBlue(jpeg), 16);
    EXPECT_TRUE(MatchesReference(image, "pictures", "every_format"));

    RenderOptions hidden;
    hidden.picturesHidden = true;
    const QImage none = RenderForReference(b.drawing, 400, 200, hidden);
    EXPECT_EQ(none.pixel(20 + 45, 80 - 45) & 0xFFFFFF, 0xFFFFFFu);
}

}  // namespace
}  // namespace korvel::test
