// Every real drawing exported as EMF and WMF and read by independent programs; a few as PNG for
// looking at.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "drawing/loaders.h"
#include "image_readers.h"
#include "output/color_reduction.h"
#include "output/image_export.h"
#include "output/qimage_view.h"
#include "output/raster_render.h"
#include "platform/headless_app.h"
#include "external_tools.h"
#include "test_support.h"

namespace korvel {
namespace {

using test::haveTool;
using test::runTool;

namespace fs = std::filesystem;

std::vector<fs::path> sampleFiles() { return test::sampleDrawings(); }

TEST(SampleExport, MetafilesOfEverySampleReadWithoutComplaint) {
    KORVEL_REQUIRE_SAMPLES();
    if (!haveTool("emf2svg-conv") || !haveTool("wmf2svg"))
        GTEST_SKIP() << "emf2svg-conv or wmf2svg is not installed (Debian emf2svg, libwmf-bin)";
    EnsureHeadlessGuiApplication();
    const std::string dir = test::scratchDir("sample_metafiles");
    for (const fs::path& file : sampleFiles()) {
        Drawing drawing;
        ASSERT_TRUE(LoadFile(drawing, file.string()).ok) << file;
        const std::string stem = dir + "/" + file.stem().string();
        for (ImageFormat format : {ImageFormat::Emf, ImageFormat::Wmf}) {
            std::vector<uint8_t> bytes;
            const ExportResult r = ExportImage(drawing, format, ExportOptions{}, bytes);
            ASSERT_TRUE(r.ok) << file << ": " << r.error;
            const bool emf = format == ImageFormat::Emf;
            const std::string path = stem + (emf ? ".emf" : ".wmf");
            test::writeFileBytes(path, bytes);
            const std::string svg = stem + (emf ? "-emf.svg" : "-wmf.svg");
            const std::string out = emf ? runTool("emf2svg-conv -i '" + path + "' -o '" + svg + "'")
                                        : runTool("wmf2svg -o '" + svg + "' '" + path + "'");
            EXPECT_EQ(out.find("exit status"), std::string::npos) << path << "\n" << out;
            EXPECT_EQ(out.find("ERROR"), std::string::npos) << path << "\n" << out;
            EXPECT_GT(fs::file_size(svg), 200u) << svg;
        }
    }
}

TEST(SampleExport, EverySampleBecomesAPngOfTheFittedSize) {
    KORVEL_REQUIRE_SAMPLES();
    EnsureHeadlessGuiApplication();
    const std::string dir = test::scratchDir("sample_png");
    for (const fs::path& file : sampleFiles()) {
        Drawing drawing;
        ASSERT_TRUE(LoadFile(drawing, file.string()).ok) << file;
        std::vector<uint8_t> bytes;
        ExportOptions options;
        options.width = 1200;
        const ExportResult r = ExportImage(drawing, ImageFormat::Png, options, bytes);
        ASSERT_TRUE(r.ok) << file << ": " << r.error;
        test::writeFileBytes(dir + "/" + file.stem().string() + ".PNG", bytes);
        const test::DecodedImage png = test::ReadPng(bytes);
        ASSERT_TRUE(png.ok);
        EXPECT_EQ(png.width, 1200);
        const Extents& e = drawing.extents;
        EXPECT_NEAR(png.height, 1200 / ((e.MaxX - e.MinX) / (e.MaxY - e.MinY)), 0.51) << file;
        // Something besides the background was drawn.
        size_t drawn = 0;
        for (uint32_t p : png.pixels) drawn += p != (drawing.header.PenColor[0] & 0xFFFFFF);
        EXPECT_GT(drawn, 100u) << file;
    }
}

// Pixels farther than `radius` from every pixel that differs from the background.
std::vector<bool> farFromInk(const ImageView& picture, uint32_t background, int radius) {
    const int w = picture.width, h = picture.height;
    std::vector<bool> far(static_cast<size_t>(w) * h, true);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (picture.colorAt(x, y) == background) continue;
            for (int dy = -radius; dy <= radius; ++dy)
                for (int dx = -radius; dx <= radius; ++dx) {
                    const int tx = x + dx, ty = y + dy;
                    if (dx * dx + dy * dy > radius * radius || tx < 0 || ty < 0 || tx >= w || ty >= h)
                        continue;
                    far[static_cast<size_t>(ty) * w + tx] = false;
                }
        }
    return far;
}

TEST(SampleExport, DitheringLeavesTheBackgroundAwayFromTheLinesClean) {
    // Error a palette cannot pay back (colour on a grey palette, white beyond white) must not
    // wander off the lines: at most 2 % of the pixels more than 3 pixels from any ink of the
    // undithered picture may come out other than the background.
    KORVEL_REQUIRE_SAMPLES();
    EnsureHeadlessGuiApplication();
    for (const fs::path& file : sampleFiles()) {
        Drawing drawing;
        ASSERT_TRUE(LoadFile(drawing, file.string()).ok) << file;
        const QImage rendered = RenderToImage(drawing, RenderOptions{}, 600).image;
        ASSERT_FALSE(rendered.isNull()) << file;
        QImage storage;
        const ImageView picture = ViewOfQImage(rendered, storage);
        const uint32_t background = drawing.header.PenColor[0] & 0x00FFFFFF;
        const std::vector<bool> far = farFromInk(picture, background, 3);
        const size_t farCount = static_cast<size_t>(std::count(far.begin(), far.end(), true));
        ASSERT_GT(farCount, 0u) << file;
        for (int r = 0; r < kColorReductionCount; ++r) {
            const std::vector<uint32_t> palette = ReductionPalette(picture, static_cast<ColorReduction>(r));
            for (int d = 0; d < kDitherModeCount; ++d) {
                const IndexedImage out = Dither(picture, palette, static_cast<DitherMode>(d));
                size_t stray = 0;
                for (size_t i = 0; i < far.size(); ++i)
                    stray += far[i] && out.palette[out.indices[i]] != background;
                EXPECT_LE(stray * 50, farCount)
                    << file.filename() << " " << ColorReductionName(static_cast<ColorReduction>(r)) << " "
                    << DitherModeName(static_cast<DitherMode>(d)) << ": " << stray << " of " << farCount;
            }
        }
    }
}

}  // namespace
}  // namespace korvel
