// Pictures decoded at the size they are drawn: the reduction itself, each decoder asked for a
// small size, the render's allowance of decoded pixels, and the cache that decodes each
// picture once per render.
#include <gtest/gtest.h>

#include "hostile_drawings.h"
#include "picture_files.h"
#include "render/picture_cache.h"
#include "render/picture_decoders.h"
#include "render/recording_target.h"
#include "render/reduced_raster.h"
#include "render/render_driver.h"
#include "test_support.h"

namespace korvel {
namespace {

constexpr uint32_t kRed = 0xFFFF0000, kBlue = 0xFF0000FF, kClear = 0x00000000;

// A width x height picture, left half red, right half blue.
std::vector<uint32_t> halves(int width, int height) {
    std::vector<uint32_t> px(size_t(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) px[size_t(y) * width + x] = x < width / 2 ? kRed : kBlue;
    return px;
}

DecodeRequest drawnAt(int w, int h) {
    DecodeRequest r;
    r.drawnWidth = w;
    r.drawnHeight = h;
    return r;
}

TEST(ReducedRaster, AveragesBlocksWeightedByAlphaInEitherRowOrder) {
    // 3 x 2 reduced by 2: one full block and one half block at the right edge.
    const uint32_t rows[2][3] = {{0xFF102030, 0xFF305070, kClear}, {0xFF102030, 0x80FFFFFF, 0xFF204060}};
    for (bool bottomUp : {false, true}) {
        RasterImage out;
        ReducedRaster r(out, 3, 2, 2);
        for (int i = 0; i < 2; ++i) {
            const int y = bottomUp ? 1 - i : i;
            r.putRow(y, rows[y]);
        }
        r.finish();
        ASSERT_EQ(out.width, 2);
        ASSERT_EQ(out.height, 1);
        // Alpha: (255 * 3 + 128) / 4 = 223; colours weighted by alpha, the transparent pixel lends none.
        EXPECT_EQ(out.pixels[0], 0xDF3B4E60u) << bottomUp;
        EXPECT_EQ(out.pixels[1], 0x80204060u) << bottomUp;
    }
    EXPECT_EQ(ReductionFactor(1000, 800, drawnAt(120, 90)), 8);  // 125 x 100 still covers 120 x 90
    EXPECT_EQ(ReductionFactor(1000, 800, drawnAt(126, 10)), 4);
    EXPECT_EQ(ReductionFactor(1000, 800, drawnAt(2000, 10)), 1);
    EXPECT_EQ(ReductionFactor(1000, 800, DecodeRequest{}), 1);   // full size asked
}

TEST(PictureReduction, EveryDecoderHandsBackThePictureAtTheSizeDrawn) {
    const std::vector<uint32_t> px = halves(64, 32);
    std::vector<uint8_t> rgba;
    for (uint32_t p : px) rgba.insert(rgba.end(), {uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p), 0xFF});
    std::vector<uint8_t> indices;
    for (uint32_t p : px) indices.push_back(p == kRed ? 0 : 1);
    const std::vector<uint32_t> palette = {kRed, kBlue};
    // RLE8: each row is 32 of colour 0, 32 of colour 1, end of line; then end of bitmap.
    std::vector<uint8_t> rle;
    for (int y = 0; y < 32; ++y) rle.insert(rle.end(), {32, 0, 32, 1, 0, 0});
    rle.insert(rle.end(), {0, 1});
    const struct {
        const char* name;
        BuiltInFormat format;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {"png", BuiltInFormat::Png, test::makePng(64, 32, px)},
        {"interlaced png", BuiltInFormat::Png, test::makePngRaw(64, 32, 6, 8, rgba, 1)},
        {"bmp", BuiltInFormat::Bmp, test::makeBmp24(64, 32, px)},
        {"rle bmp", BuiltInFormat::Bmp, test::makeBmpRaw(64, 32, 8, 1, palette, rle)},
        {"gif", BuiltInFormat::Gif, test::makeGif(64, 32, indices, palette)},
        {"interlaced gif", BuiltInFormat::Gif, test::makeGif(64, 32, indices, palette, -1, true)},
    };
    for (const auto& c : cases) {
        RasterImage image;
        const DecodeOutcome o = DecodeBuiltIn(c.format, c.bytes.data(), c.bytes.size(), image, drawnAt(8, 3));
        ASSERT_EQ(o.status, DecodeStatus::Decoded) << c.name << ": " << o.message;
        EXPECT_EQ(o.reduction, 8) << c.name;
        EXPECT_EQ(o.decodedPixels, 64u * 32u) << c.name;
        ASSERT_EQ(image.width, 8) << c.name;
        ASSERT_EQ(image.height, 4) << c.name;
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 8; ++x)
                EXPECT_EQ(image.pixels[size_t(y) * 8 + x], x < 4 ? kRed : kBlue) << c.name << " at " << x << "," << y;
    }
}

TEST(PictureReduction, JpegIsScaledWhileDecodedAndAgreesWithTheFullPicture) {
    const std::vector<uint8_t> jpeg = test::makeJpeg(128, 64, std::vector<uint32_t>(128 * 64, 0xFF336699u));
    RasterImage full, small, smaller;
    ASSERT_EQ(DecodeJpeg(jpeg.data(), jpeg.size(), full).status, DecodeStatus::Decoded);
    DecodeOutcome o = DecodeJpeg(jpeg.data(), jpeg.size(), small, drawnAt(30, 10));
    EXPECT_EQ(o.reduction, 4);
    EXPECT_EQ(o.decodedPixels, 32u * 16u);  // libjpeg's scaled output is the work done
    ASSERT_EQ(small.width, 32);
    ASSERT_EQ(small.height, 16);
    o = DecodeJpeg(jpeg.data(), jpeg.size(), smaller, drawnAt(4, 2));
    EXPECT_EQ(o.reduction, 32);  // an eighth by libjpeg, a quarter of that on the rows
    ASSERT_EQ(smaller.width, 4);
    ASSERT_EQ(smaller.height, 2);
    EXPECT_EQ(small.pixels[100], full.pixels[1000]);
    EXPECT_EQ(smaller.pixels[5], full.pixels[1000]);
}

TEST(PictureReduction, AllowanceRefusesBeforeAnyPixelIsDecoded) {
    const std::vector<uint8_t> png = test::makePng(100, 50, halves(100, 50));
    RasterImage image;
    DecodeRequest r;
    r.pixelAllowance = 4999;
    DecodeOutcome o = DecodePng(png.data(), png.size(), image, r);
    EXPECT_EQ(o.status, DecodeStatus::Failed);
    EXPECT_TRUE(o.overAllowance);
    EXPECT_EQ(o.decodedPixels, 0u);
    EXPECT_TRUE(image.pixels.empty());
    r.pixelAllowance = 5000;
    o = DecodePng(png.data(), png.size(), image, r);
    EXPECT_EQ(o.status, DecodeStatus::Decoded);
    EXPECT_EQ(o.decodedPixels, 5000u);
}

// Picture files in a scratch folder and a drawing that refers to them in turn.
struct PictureRow {
    std::vector<std::string> files;
    Drawing drawing;

    PictureRow(const std::string& test, int pictures, int references, int side) {
        const std::string folder = test::scratchDir(test);
        for (int i = 0; i < pictures; ++i) {
            files.push_back(folder + "/p" + std::to_string(i) + ".png");
            EXPECT_TRUE(test::writeLargePng(files.back(), side, side));
        }
        drawing = test::pictureReferences(references, files);
    }

    RenderResult render(RecordingTarget& target, uint64_t maxPixels, PictureCache* cache) const {
        RenderRequest request;
        request.width = 500;
        request.height = 400;
        request.limits.maxPicturePixels = maxPixels;
        request.pictures = cache;
        return RenderDrawing(target, drawing, RenderOptions{}, request);
    }
};

TEST(PictureBudget, EachPictureIsDecodedOncePerRenderAtTheSizeDrawn) {
    const PictureRow row("picture_budget_once", 30, 300, 1000);
    PictureCache cache;
    RecordingTarget target;
    const RenderResult r = row.render(target, 250'000'000, &cache);
    EXPECT_TRUE(r.warnings.empty());
    EXPECT_EQ(cache.decodeCount(), 30u);
    const auto drawn = target.only(CallKind::Image);
    ASSERT_EQ(drawn.size(), 300u);
    // 20 mm at about a device unit per millimetre: 1000 x 1000 reduced by 32, to 32 x 32.
    EXPECT_EQ(drawn[0].picture->width, 32);
    EXPECT_EQ(drawn[0].picture->height, 32);

    // A second render at the same size is served by the cache and costs no allowance.
    RecordingTarget again;
    EXPECT_TRUE(row.render(again, 1, &cache).warnings.empty());
    EXPECT_EQ(cache.decodeCount(), 30u);
    EXPECT_EQ(again.count(CallKind::Image), 300u);
}

TEST(PictureBudget, PicturesPastTheAllowanceAreLeftOutAndNamed) {
    const PictureRow row("picture_budget_cut", 30, 300, 1000);
    RecordingTarget target;
    const RenderResult r = row.render(target, 2'500'000, nullptr);
    EXPECT_TRUE(r.cutShort);
    EXPECT_EQ(r.warnings, (std::vector<std::string>{
                              "28 picture(s) not drawn: together they pass the limit of 2500000 decoded pixels "
                              "per drawing (first: " + row.files[2] + ")"}));
    // The two that fit are drawn wherever they are referenced.
    EXPECT_EQ(target.count(CallKind::Image), 20u);
}

// The cache holds pictures up to its size in bytes. A picture decoded again at a larger size
// takes the place of its reduced copy, so only the larger one counts against the size.
TEST(PictureCacheSize, AReplacedPictureGivesBackItsBytes) {
    const EmbeddedPicture picture{"a.png", test::makePng(64, 64, test::solid(64 * 64, 0xFF00FF00))};
    const EmbeddedPicture other{"b.png", test::makePng(64, 64, test::solid(64 * 64, 0xFFFF0000))};
    PictureLocation at{PictureLocation::Kind::Embedded, "", &picture, "a.png"};
    PictureCache cache(64 * 64 * 4);
    EXPECT_EQ(cache.obtain(at, true, DecodeRequest{8, 8})->image.width, 8);
    EXPECT_EQ(cache.obtain(at, true, DecodeRequest{8, 8})->image.width, 8);
    EXPECT_EQ(cache.decodeCount(), 1u);
    EXPECT_EQ(cache.obtain(at, true, DecodeRequest{64, 64})->image.width, 64);
    EXPECT_EQ(cache.obtain(at, true, DecodeRequest{64, 64})->image.width, 64);
    EXPECT_EQ(cache.decodeCount(), 2u);
    // The cache is full: another picture is decoded each time it is asked for.
    at.embedded = &other;
    cache.obtain(at, true, DecodeRequest{64, 64});
    cache.obtain(at, true, DecodeRequest{64, 64});
    EXPECT_EQ(cache.decodeCount(), 4u);
}

}  // namespace
}  // namespace korvel
