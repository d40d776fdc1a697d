// Saving drawings as image files: names, sizes, limits and every format's options, each file
// read back by an independent reader.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <set>

#include "drawing/cp932.h"
#include "drawing_builder.h"
#include "external_tools.h"
#include "image_readers.h"
#include "ref_image.h"
#include "output/image_export.h"
#include "output/raster_render.h"
#include "output/two_colour_render.h"
#include "output/save_image_file.h"
#include "platform/headless_app.h"
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

// 200 mm by 100 mm: a black frame on layer 0; on layer 1, shown greyed, a solid, a thick line,
// a circle and a text.
Drawing greyedLayerDrawing() {
    EnsureHeadlessGuiApplication();  // for the text
    test::DrawingBuilder b;
    b.extents(0, 0, 200, 100);
    b.line(5, 5, 195, 5);
    b.line(195, 5, 195, 95);
    b.line(195, 95, 5, 95);
    b.line(5, 95, 5, 5);
    b.solid({20, 20}, {80, 20}, {80, 50}, {20, 50}).layer = 1;
    b.line(20, 70, 180, 70, 8).layer = 1;
    b.circle(140, 35, 20).layer = 1;
    TDataMoji& t = b.text(100, 78, Utf8ToCp932("表示のみ"));
    t.sizeX = t.sizeY = 8;
    t.layer = 1;
    b.drawing.header.LayerState[0][1] = 1;
    b.drawing.ExpectedCount = static_cast<uint32_t>(b.drawing.top.size());
    return b.drawing;
}

ExportOptions twoColourOptions() {
    ExportOptions options;
    options.render.bwPlot = true;
    options.render.bw2Grey = true;
    return options;
}

TEST(ImageExport, TwoColourKeepsGreyedLayersAsAPattern) {
    // The greyed layers' 0xC0C0C0 lies above half luminance; cut at half it would vanish.
    const test::DecodedImage png =
        test::ReadPng(exportBytes(greyedLayerDrawing(), ImageFormat::Png, twoColourOptions()));
    ASSERT_TRUE(png.ok);
    ASSERT_EQ(png.width, 720);
    EXPECT_EQ(png.bitDepth, 1);
    auto black = [&](int x, int y) { return png.pixels[static_cast<size_t>(y) * png.width + x] == 0; };
    // Inside the solid (x 72 to 288, y 180 to 288 at 3.6 pixels a millimetre): black but where
    // x and y are both odd.
    for (int y = 190; y < 280; ++y)
        for (int x = 80; x < 280; ++x) ASSERT_EQ(black(x, y), x % 2 == 0 || y % 2 == 0) << x << "," << y;

    // The frame on the plain layer stays solid black; the page stays white.
    for (int x = 20; x < 700; ++x) ASSERT_TRUE(black(x, png.height - 19) || black(x, png.height - 18)) << x;
    for (int x = 300; x < 400; ++x) EXPECT_FALSE(black(x, 160)) << x;
    // The text, the thick line and the circle show in the reference image.
    const QImage mono = RenderTwoColourToImage(greyedLayerDrawing(), twoColourOptions().render, 720, 360).image;
    EXPECT_TRUE(test::MatchesReference(mono.convertToFormat(QImage::Format_RGB32), "two_colour", "greyed_layer", 0));
}

TEST(ImageExport, TwoColourPatternKeepsThinGreyLinesWhicheverWayTheyRun) {
    // Greyed lines one pixel thin, at every angle and offset: at least half of each keeps ink (a
    // checkerboard would lose every other diagonal whole).
    for (int degrees = 0; degrees < 180; degrees += 5) {
        const double a = degrees * 3.141592653589793 / 180;
        for (int offset = 0; offset < 4; ++offset) {
            int ink = 0, pixels = 0, lastX = INT_MIN, lastY = INT_MIN;
            for (double t = 0; t < 200; t += 0.25) {
                const int x = static_cast<int>(std::lround(offset + t * std::cos(a)));
                const int y = static_cast<int>(std::lround(100 + offset + t * std::sin(a)));
                if (x == lastX && y == lastY) continue;
                lastX = x, lastY = y;
                ++pixels;
                ink += TwoColourIndex(0xC0C0C0, 0xFFFFFF, x, y) == 0;
            }
            EXPECT_GE(2 * ink + 1, pixels) << degrees << " degrees, offset " << offset;
        }
    }
}

TEST(ImageExport, TwoColourWeighsRedGreenAndBlueByLuminance) {
    // Colours as Qt keeps them (0x00RRGGBB). Orange (255, 120, 0) is 146.7 of 255 bright and
    // goes white; the same with red and blue exchanged is 99.5 and goes black.
    EXPECT_EQ(TwoColourIndex(0xFF7800, 0xFFFFFF, 0, 0), 1);
    EXPECT_EQ(TwoColourIndex(0x0078FF, 0xFFFFFF, 0, 0), 0);
    // The halfway cut and the pattern's band [160, 224) at their edges.
    EXPECT_EQ(TwoColourIndex(0x7F7F7F, 0xFFFFFF, 1, 1), 0);
    EXPECT_EQ(TwoColourIndex(0x808080, 0xFFFFFF, 0, 0), 1);
    EXPECT_EQ(TwoColourIndex(0x9F9F9F, 0xFFFFFF, 0, 0), 1);
    EXPECT_EQ(TwoColourIndex(0xA0A0A0, 0xFFFFFF, 0, 0), 0);
    EXPECT_EQ(TwoColourIndex(0xA0A0A0, 0xFFFFFF, 1, 1), 1);
    EXPECT_EQ(TwoColourIndex(0xDFDFDF, 0xFFFFFF, 2, 1), 0);
    EXPECT_EQ(TwoColourIndex(0xE0E0E0, 0xFFFFFF, 0, 0), 1);
    // The background is never patterned; the top byte Qt keeps is no part of the colour.
    EXPECT_EQ(TwoColourIndex(0xFFC0C0C0, 0xC0C0C0, 0, 0), 1);
}

TEST(ImageExport, TwoColourNeverPatternsTheBackground) {
    // A light grey page is white in two colours, as the halfway cut always made it.
    Drawing d = greyedLayerDrawing();
    d.header.PenColor[0] = 0x00B0B0B0;
    RenderResult render;
    const IndexedImage image = RenderTwoColour(d, twoColourOptions().render, 720, 360, render);
    ASSERT_EQ(image.width, 720);
    for (int x = 300; x < 400; ++x) EXPECT_EQ(image.row(160)[x], 1) << x;
}

TEST(ImageExport, TwoColourMetafilesDrawGreyedLayersGrey) {
    // Metafiles are not one bit deep: greyed content keeps its grey beside the black.
    std::vector<uint8_t> emf = exportBytes(greyedLayerDrawing(), ImageFormat::Emf, twoColourOptions());
    std::set<uint32_t> colours;
    for (size_t at = 0; at + 8 <= emf.size();) {
        const uint32_t type = le32(emf, at), size = le32(emf, at + 4);
        if (size < 8 || at + size > emf.size()) break;
        if (type == 38) colours.insert(le32(emf, at + 24));   // EMR_CREATEPEN
        if (type == 95) colours.insert(le32(emf, at + 40));   // EMR_EXTCREATEPEN
        if (type == 39) colours.insert(le32(emf, at + 16));   // EMR_CREATEBRUSHINDIRECT
        if (type == 24) colours.insert(le32(emf, at + 8));    // EMR_SETTEXTCOLOR
        at += size;
    }
    EXPECT_EQ(colours, (std::set<uint32_t>{0x000000, 0xC0C0C0}));
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

// The x coordinates of the points of a wmf2svg picture, as fractions of its width.
std::vector<double> svgLineXs(const std::string& svg) {
    std::smatch width;
    if (!std::regex_search(svg, width, std::regex(R"re(<svg width="([0-9.]+)")re"))) return {};
    std::vector<double> out;
    const std::regex x(R"re(([0-9.]+),[0-9.]+)re");
    for (auto it = std::sregex_iterator(svg.begin(), svg.end(), x); it != std::sregex_iterator(); ++it)
        out.push_back(std::stod((*it)[1]) / std::stod(width[1]));
    return out;
}

TEST(ImageExport, RealScaleWmfKeepsTheDrawingAtItsSizeInTheFrame) {
    // The frame is 1.2 times the extents; the drawing, at real size, takes 1 / 1.2 of it. A
    // reader that sizes a Windows metafile by what it draws (libwmf) must see the same.
    if (!test::haveTool("wmf2svg")) GTEST_SKIP() << "wmf2svg is not installed (Debian libwmf-bin)";
    const std::string dir = test::scratchDir("real_scale_wmf");
    ExportOptions real;
    real.realScale = true;
    test::writeFileBytes(dir + "/real.wmf", exportBytes(wideDrawing(), ImageFormat::Wmf, real));
    const std::string out = test::runTool("wmf2svg -o '" + dir + "/real.svg' '" + dir + "/real.wmf'");
    ASSERT_EQ(out.find("exit status"), std::string::npos) << out;
    std::ifstream in(dir + "/real.svg");
    std::stringstream svg;
    svg << in.rdbuf();
    const std::vector<double> xs = svgLineXs(svg.str());
    ASSERT_FALSE(xs.empty()) << svg.str();
    // The lines run from 10 to 190 mm of a 240 mm frame.
    EXPECT_NEAR(*std::min_element(xs.begin(), xs.end()), 10.0 / 240, 0.005);
    EXPECT_NEAR(*std::max_element(xs.begin(), xs.end()), 190.0 / 240, 0.005);
}

TEST(ImageExport, EmfDescriptionNamesTheDrawingInUnicode) {
    // File names are kept as CP932; the description is UTF-16: "Korvel", NUL, the name, two NULs.
    Drawing d = wideDrawing();
    d.fileName = Utf8ToCp932("日影図.jww");
    const std::vector<uint8_t> emf = exportBytes(d, ImageFormat::Emf, ExportOptions{});
    const uint32_t count = le32(emf, 60), offset = le32(emf, 64);
    ASSERT_LE(offset + 2 * count, emf.size());
    std::u16string description;
    for (uint32_t i = 0; i < count; ++i) description.push_back(static_cast<char16_t>(le16(emf, offset + 2 * i)));
    const std::u16string expected = std::u16string(u"Korvel") + u'\0' + u"日影図.jww" + u'\0' + u'\0';
    EXPECT_EQ(description.substr(0, expected.size()), expected);
}

}  // namespace
}  // namespace korvel
