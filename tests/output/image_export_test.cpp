// Saving drawings as image files: names, sizes, limits and every format's options, each file
// read back by an independent reader.
#include <gtest/gtest.h>

#include <filesystem>

#include "drawing_builder.h"
#include "image_readers.h"
#include "output/image_export.h"
#include "output/raster_render.h"
#include "output/two_colour_render.h"
#include "output/save_image_file.h"
#include "test_support.h"

namespace korvel {
namespace {

namespace fs = std::filesystem;

uint32_t le32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (uint32_t(b[at + 3]) << 24);
}
uint16_t le16(const std::vector<uint8_t>& b, size_t at) { return b[at] | (b[at + 1] << 8); }

// 200 mm by 100 mm: twice as wide as high, a red frame and a black diagonal on white.
Drawing wideDrawing() {
    test::DrawingBuilder b;
    b.extents(0, 0, 200, 100);
    b.line(10, 10, 190, 90, 2);
    b.line(10, 10, 190, 10, 6);
    b.line(190, 10, 190, 90, 6);
    b.drawing.ExpectedCount = static_cast<uint32_t>(b.drawing.top.size());
    return b.drawing;
}

std::vector<uint8_t> exportBytes(const Drawing& d, ImageFormat f, const ExportOptions& o) {
    std::vector<uint8_t> bytes;
    const ExportResult r = ExportImage(d, f, o, bytes);
    EXPECT_TRUE(r.ok) << r.error;
    return bytes;
}

TEST(ImageFileName, CutsAtTheFirstDotOfTheFileNameOnly) {
    EXPECT_EQ(ImageFileName("plan.v2.png", ImageFormat::Png), "plan.PNG");
    EXPECT_EQ(ImageFileName("x.jpeg", ImageFormat::Jpeg), "x.JPG");
    EXPECT_EQ(ImageFileName("out/a.b/plan.emf", ImageFormat::Emf), "out/a.b/plan.emf");
    EXPECT_EQ(ImageFileName("dir/noext", ImageFormat::Bmp), "dir/noext.BMP");
    EXPECT_EQ(ImageFileName("P.GIF", ImageFormat::Gif), "P.GIF");
    EXPECT_EQ(ImageFileName("p.WMF", ImageFormat::Wmf), "p.wmf");
}

TEST(ExportWidth, ANonPositiveWidthIsAnErrorForEveryFittedFormat) {
    const Drawing d = wideDrawing();
    for (int width : {0, -1, -720}) {
        ExportOptions o;
        o.width = width;
        for (ImageFormat f : {ImageFormat::Png, ImageFormat::Bmp, ImageFormat::Gif, ImageFormat::Emf, ImageFormat::Wmf}) {
            std::vector<uint8_t> bytes;
            const ExportResult r = ExportImage(d, f, o, bytes);
            EXPECT_FALSE(r.ok) << width;
            EXPECT_EQ(r.error, "the output width " + std::to_string(width) +
                                   " is no number of pixels; it must be 1 or more (--width, or Form/outWsize in the settings)");
            EXPECT_TRUE(bytes.empty());
        }
        // A real-scale metafile takes its size from the drawing.
        o.realScale = true;
        std::vector<uint8_t> emf;
        EXPECT_TRUE(ExportImage(d, ImageFormat::Emf, o, emf).ok);
    }
    ExportOptions one;
    one.width = 1;
    std::string error;
    EXPECT_TRUE(CheckExportWidth(one, error));
    EXPECT_TRUE(error.empty());
}

TEST(SaveImageFile, WritesUnderTheNamingRule) {
    const std::string dir = test::scratchDir("save_image_naming");
    const Drawing d = wideDrawing();
    const SaveImageResult png = SaveImageFile(d, dir + "/plan.v2.png", ExportOptions{});
    ASSERT_TRUE(png.ok) << png.error;
    EXPECT_EQ(png.writtenPath, dir + "/plan.PNG");
    EXPECT_TRUE(fs::exists(dir + "/plan.PNG"));
    EXPECT_FALSE(fs::exists(dir + "/plan.v2.png"));
    const SaveImageResult jpeg = SaveImageFile(d, dir + "/x.jpeg", ExportOptions{});
    ASSERT_TRUE(jpeg.ok) << jpeg.error;
    EXPECT_EQ(jpeg.writtenPath, dir + "/x.JPG");
    EXPECT_TRUE(test::ReadJpeg(test::readFileBytes(dir + "/x.JPG")).ok);
    // Nothing but the two images (no temporary files left behind).
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 2);
}

TEST(SaveImageFile, RefusesUnknownExtensionsAndEmptyDrawingsWithoutWriting) {
    const std::string dir = test::scratchDir("save_image_refusals");
    const SaveImageResult tiff = SaveImageFile(wideDrawing(), dir + "/plan.tiff", ExportOptions{});
    EXPECT_FALSE(tiff.ok);
    EXPECT_NE(tiff.error.find("\".tiff\" is not an image format"), std::string::npos) << tiff.error;
    const SaveImageResult bare = SaveImageFile(wideDrawing(), dir + "/plan", ExportOptions{});
    EXPECT_FALSE(bare.ok);
    Drawing empty = wideDrawing();
    empty.ExpectedCount = 0;
    const SaveImageResult none = SaveImageFile(empty, dir + "/plan.png", ExportOptions{});
    EXPECT_FALSE(none.ok);
    EXPECT_EQ(none.error, "the drawing has no data");
    EXPECT_FALSE(SaveImageFile(wideDrawing(), "", ExportOptions{}).ok);
    EXPECT_TRUE(fs::is_empty(dir));
    const SaveImageResult missing = SaveImageFile(wideDrawing(), dir + "/no/such/folder/p.png", ExportOptions{});
    EXPECT_FALSE(missing.ok);
    EXPECT_NE(missing.error.find("no/such/folder"), std::string::npos) << missing.error;
}

TEST(ImageExport, TwiceAsWideAsHighAt720Gives720By360) {
    const test::DecodedImage png = test::ReadPng(exportBytes(wideDrawing(), ImageFormat::Png, ExportOptions{}));
    ASSERT_TRUE(png.ok);
    EXPECT_EQ(png.width, 720);
    EXPECT_EQ(png.height, 360);
    EXPECT_EQ(png.bitDepth, 8);
    EXPECT_EQ(png.at(5, 5), 0x00FFFFFFu);  // the background colour PenColor[0]
    // The diagonal from (10, 10) to (190, 90) mm passes the middle of the picture.
    EXPECT_EQ(png.at(360, 180), 0x00000000u);
}

TEST(ImageExport, ColourWidthStopsAt5000AndTwoColourGoesOn) {
    ExportOptions options;
    options.width = 8000;
    std::vector<uint8_t> colour;
    const ExportResult limited = ExportImage(wideDrawing(), ImageFormat::Bmp, options, colour);
    ASSERT_TRUE(limited.ok);
    ASSERT_EQ(limited.warnings.size(), 1u);
    EXPECT_EQ(limited.warnings[0], "the width 8000 is over the 5000-pixel limit of colour images; 5000 used");
    EXPECT_EQ(le32(colour, 18), 5000u);
    EXPECT_EQ(le32(colour, 22), 2500u);
    EXPECT_EQ(le16(colour, 28), 24);
    options.render.bwPlot = true;
    options.render.bw2Grey = true;
    const std::vector<uint8_t> mono = exportBytes(wideDrawing(), ImageFormat::Bmp, options);
    EXPECT_EQ(le32(mono, 18), 8000u);
    EXPECT_EQ(le32(mono, 22), 4000u);
    EXPECT_EQ(le16(mono, 28), 1);
    EXPECT_EQ(mono.size(), 54u + 8 + 1000u * 4000);  // 8000 bits = 1000 bytes a row
    // Grey monochrome is still 24 bits and limited.
    options.render.bw2Grey = false;
    EXPECT_EQ(le32(exportBytes(wideDrawing(), ImageFormat::Bmp, options), 18), 5000u);
}

TEST(ImageExport, TwoColourImagesHoldOnlyBlackAndWhite) {
    ExportOptions options;
    options.render.bwPlot = true;
    options.render.bw2Grey = true;
    options.pngTransparent = true;
    const test::DecodedImage png = test::ReadPng(exportBytes(wideDrawing(), ImageFormat::Png, options));
    ASSERT_TRUE(png.ok);
    EXPECT_EQ(png.bitDepth, 1);
    EXPECT_EQ(png.paletteSize, 2);
    EXPECT_TRUE(png.hasTransparency);
    size_t black = 0;
    for (uint32_t p : png.pixels) {
        ASSERT_TRUE(p == 0 || p == 0x00FFFFFF);
        black += p == 0;
    }
    EXPECT_GT(black, 500u);  // the three lines
    const test::DecodedImage gif = test::ReadGif(exportBytes(wideDrawing(), ImageFormat::Gif, options));
    ASSERT_TRUE(gif.ok);
    EXPECT_EQ(gif.paletteSize, 2);
}

TEST(ImageExport, TwoColourBandsJoinWithoutSeams) {
    // 5000 x 2500 needs two bands; the same picture rendered in one piece and taken to black
    // and white must match pixel for pixel.
    const Drawing d = wideDrawing();
    RenderOptions options;
    options.bwPlot = true;
    options.bw2Grey = true;
    RenderResult render;
    const IndexedImage banded = RenderTwoColour(d, options, 5000, 2500, render);
    ASSERT_EQ(banded.width, 5000);
    const QImage whole = RenderToImage(d, options, 5000, 2500, 0.0).image;
    ASSERT_FALSE(whole.isNull());
    size_t black = 0, differ = 0;
    for (int y = 0; y < 2500; ++y)
        for (int x = 0; x < 5000; ++x) {
            const bool white = qGray(whole.pixel(x, y)) >= 128;
            black += !white;
            differ += banded.row(y)[x] != (white ? 1 : 0);
        }
    EXPECT_EQ(differ, 0u);
    EXPECT_GT(black, 4000u);
}

TEST(ImageExport, PngOptionsReachTheFile) {
    ExportOptions options;
    options.pngTransparent = true;
    options.pngInterlaced = true;
    options.pngCompression = 9;
    const test::DecodedImage png = test::ReadPng(exportBytes(wideDrawing(), ImageFormat::Png, options));
    ASSERT_TRUE(png.ok);
    EXPECT_TRUE(png.interlaced);
    EXPECT_TRUE(png.hasTransparency);
    EXPECT_EQ(png.transparentColor, 0x00FFFFFFu);
    options.pngCompression = 0;
    EXPECT_GT(exportBytes(wideDrawing(), ImageFormat::Png, options).size(), 720u * 360 * 3);
}

TEST(ImageExport, JpegQualityAndProgressive) {
    ExportOptions options;
    options.jpegProgressive = true;
    options.jpegQuality = 95;
    const std::vector<uint8_t> high = exportBytes(wideDrawing(), ImageFormat::Jpeg, options);
    const test::DecodedImage jpeg = test::ReadJpeg(high);
    ASSERT_TRUE(jpeg.ok);
    EXPECT_TRUE(jpeg.progressive);
    EXPECT_EQ(jpeg.width, 720);
    EXPECT_EQ(jpeg.height, 360);
    options.jpegQuality = 5;
    options.jpegProgressive = false;
    const std::vector<uint8_t> low = exportBytes(wideDrawing(), ImageFormat::Jpeg, options);
    EXPECT_FALSE(test::ReadJpeg(low).progressive);
    EXPECT_LT(low.size(), high.size());
}

TEST(ImageExport, GifReductionsGiveTheirPaletteSizes) {
    const std::pair<int, int> expected[] = {
        {0, 4}, {1, 32}, {2, 256}, {3, 4}, {4, 2}, {5, 256}, {6, 256}, {7, 4}, {8, 4}, {9, 4}, {-3, 4}};
    for (const auto& [reduction, tableSize] : expected) {
        for (bool lzw : {true, false}) {
            ExportOptions options;
            options.gifReduction = reduction;
            options.gifDither = 1;
            options.gifLzw = lzw;
            const test::DecodedImage gif = test::ReadGif(exportBytes(wideDrawing(), ImageFormat::Gif, options));
            ASSERT_TRUE(gif.ok) << gif.error;
            EXPECT_EQ(gif.width, 720);
            EXPECT_EQ(gif.paletteSize, tableSize) << "reduction " << reduction;
        }
    }
}

TEST(ImageExport, MetafilesAreFittedOrAtRealScale) {
    const Drawing d = wideDrawing();
    const std::vector<uint8_t> emf = exportBytes(d, ImageFormat::Emf, ExportOptions{});
    EXPECT_EQ(le32(emf, 0), 1u);
    EXPECT_EQ(le32(emf, 16), 719u);  // bounds right, inclusive
    EXPECT_EQ(le32(emf, 20), 359u);
    EXPECT_EQ(le32(emf, 32), 19050u);  // frame: 720 px at 96 per inch in 0.01 mm
    ExportOptions real;
    real.realScale = true;
    const std::vector<uint8_t> scaled = exportBytes(d, ImageFormat::Emf, real);
    EXPECT_EQ(le32(scaled, 32), 24000u);  // 200 mm * 100 * 1.2
    EXPECT_EQ(le32(scaled, 36), 12000u);
    EXPECT_EQ(le32(scaled, 16), 906u);  // round(240 mm * 96 / 25.4) - 1
    const std::vector<uint8_t> wmf = exportBytes(d, ImageFormat::Wmf, ExportOptions{});
    EXPECT_EQ(le32(wmf, 0), 0x9AC6CDD7u);
    EXPECT_EQ(le16(wmf, 10), 720);
    EXPECT_EQ(le16(wmf, 12), 360);
}

}  // namespace
}  // namespace korvel

