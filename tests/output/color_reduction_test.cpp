// Reductions and ditherers on images with results worked out by hand: a grey ramp, flat greys
// and a colour wheel.
#include "output/color_reduction.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "output/fixed_palettes.h"
#include "output/nearest_color.h"
#include "output/palette_builder.h"

namespace korvel {
namespace {

RgbImage greyRamp() {
    RgbImage image(256, 1);
    for (int x = 0; x < 256; ++x) image.set(x, 0, MakeColor(x, x, x));
    return image;
}

RgbImage flat(int w, int h, uint32_t color) { return RgbImage(w, h, color); }

// Hue around the centre, saturation growing outwards, full value; white outside the circle.
RgbImage colourWheel(int size) {
    RgbImage image(size, size, 0x00FFFFFF);
    const double c = (size - 1) / 2.0;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const double dx = x - c, dy = y - c, r = std::hypot(dx, dy) / c;
            if (r > 1.0) continue;
            const double h = (std::atan2(dy, dx) + M_PI) / (2 * M_PI) * 6.0;
            const int sector = static_cast<int>(h) % 6;
            const double f = h - std::floor(h);
            const double p = 1 - r, q = 1 - r * f, t = 1 - r * (1 - f);
            double rgb[6][3] = {{1, t, p}, {q, 1, p}, {p, 1, t}, {p, q, 1}, {t, p, 1}, {1, p, q}};
            image.set(x, y, MakeColor(int(rgb[sector][0] * 255 + 0.5), int(rgb[sector][1] * 255 + 0.5),
                                      int(rgb[sector][2] * 255 + 0.5)));
        }
    return image;
}

std::vector<int> histogram(const IndexedImage& image) {
    std::vector<int> counts(image.palette.size(), 0);
    for (uint8_t i : image.indices) ++counts.at(i);
    return counts;
}

double meanGrey(const IndexedImage& image) {
    double sum = 0;
    for (uint8_t i : image.indices) sum += RedOf(image.palette[i]);
    return sum / image.indices.size();
}

TEST(FixedPalettes, HaveTheirSizesAndNoRepeats) {
    const std::pair<std::vector<uint32_t>, size_t> palettes[] = {
        {Windows20Palette(), 20}, {Halftone256Palette(), 256}, {Grey4Palette(), 4},
        {BlackWhitePalette(), 2}, {Grey256Palette(), 256},     {Web216Palette(), 216}};
    for (const auto& [palette, size] : palettes) {
        EXPECT_EQ(palette.size(), size);
        EXPECT_EQ(std::set<uint32_t>(palette.begin(), palette.end()).size(), size);
    }
    EXPECT_EQ(Web216Palette()[1], MakeColor(0, 0, 0x33));
    EXPECT_EQ(Windows20Palette()[7], MakeColor(0xC0, 0xC0, 0xC0));
}

TEST(ColorReduction, StoredValuesOutOfRangeAreUsedAsZero) {
    EXPECT_EQ(ColorReductionFromSetting(8), ColorReduction::Optimal256);
    EXPECT_EQ(ColorReductionFromSetting(9), ColorReduction::None);
    EXPECT_EQ(ColorReductionFromSetting(-1), ColorReduction::None);
    EXPECT_EQ(DitherModeFromSetting(6), DitherMode::Burkes);
    EXPECT_EQ(DitherModeFromSetting(7), DitherMode::Nearest);
    EXPECT_EQ(DitherModeFromSetting(-5), DitherMode::Nearest);
}

TEST(ColorReduction, NamesAndCaptionsParse) {
    ColorReduction r;
    DitherMode d;
    EXPECT_TRUE(ParseColorReduction("web216", r));
    EXPECT_EQ(r, ColorReduction::Web216);
    EXPECT_TRUE(ParseColorReduction("256色最適パレット", r));
    EXPECT_EQ(r, ColorReduction::Optimal256);
    EXPECT_FALSE(ParseColorReduction("rainbow", r));
    EXPECT_TRUE(ParseDitherMode("JaJuNI", d));
    EXPECT_EQ(d, DitherMode::JarvisJudiceNinke);
    EXPECT_TRUE(ParseDitherMode("Floyd-Steinberg", d));
    EXPECT_EQ(d, DitherMode::FloydSteinberg);
    EXPECT_FALSE(ParseDitherMode("random", d));
    for (int i = 0; i < kDitherModeCount; ++i) {
        ASSERT_TRUE(ParseDitherMode(DitherModeName(static_cast<DitherMode>(i)), d));
        EXPECT_EQ(static_cast<int>(d), i);
    }
}

TEST(ColorReduction, NearestSplitsTheGreyRampAtTheMidpoints) {
    const IndexedImage bw = ReduceColors(greyRamp().view(), ColorReduction::BlackWhite, DitherMode::Nearest);
    for (int x = 0; x < 256; ++x) EXPECT_EQ(bw.indices[x], x < 128 ? 0 : 1) << x;
    // Greys 0, 128, 192, 255: halfway points 64 (a tie goes to the darker), 160 and 223.5.
    const IndexedImage grey4 = ReduceColors(greyRamp().view(), ColorReduction::Grey4, DitherMode::Nearest);
    EXPECT_EQ(histogram(grey4), (std::vector<int>{65, 96, 63, 32}));
    const IndexedImage grey256 = ReduceColors(greyRamp().view(), ColorReduction::Grey256, DitherMode::FloydSteinberg);
    for (int x = 0; x < 256; ++x) EXPECT_EQ(grey256.indices[x], x);
}

TEST(ColorReduction, FloydSteinbergAlternatesOnAFlatMiddleGreyRow) {
    // 128 rounds to white (127 away); -127 * 7/16 leaves 72 for the next pixel, which goes
    // black, and so on.
    const IndexedImage row = ReduceColors(flat(12, 1, MakeColor(128, 128, 128)).view(),
                                          ColorReduction::BlackWhite, DitherMode::FloydSteinberg);
    for (int x = 0; x < 12; ++x) EXPECT_EQ(row.indices[x], x % 2 == 0 ? 1 : 0) << x;
}

TEST(ColorReduction, EveryDithererKeepsTheMeanOfAFlatGrey) {
    for (int mode = 1; mode < kDitherModeCount; ++mode) {
        for (int level : {64, 128, 200}) {
            const IndexedImage out = ReduceColors(flat(64, 64, MakeColor(level, level, level)).view(),
                                                  ColorReduction::BlackWhite,
                                                  static_cast<DitherMode>(mode));
            EXPECT_NEAR(meanGrey(out), level, 4.0) << DitherModeName(static_cast<DitherMode>(mode));
        }
    }
    // Without diffusion a flat grey is one colour.
    const IndexedImage nearest = ReduceColors(flat(8, 8, MakeColor(64, 64, 64)).view(),
                                              ColorReduction::BlackWhite, DitherMode::Nearest);
    EXPECT_EQ(meanGrey(nearest), 0.0);
}

TEST(ColorReduction, GreyPalettesDitherTheLuminanceOfColours) {
    // A grey palette can show only brightness: flat red, green and blue areas come out as
    // their Rec. 601 luminance (76, 150, 29), whatever the ditherer.
    const std::pair<uint32_t, int> colours[] = {
        {MakeColor(255, 0, 0), 76}, {MakeColor(0, 255, 0), 150}, {MakeColor(0, 0, 255), 29}};
    for (int mode = 1; mode < kDitherModeCount; ++mode)
        for (const auto& [colour, luminance] : colours)
            for (ColorReduction r : {ColorReduction::BlackWhite, ColorReduction::Grey4}) {
                const IndexedImage out =
                    ReduceColors(flat(64, 64, colour).view(), r, static_cast<DitherMode>(mode));
                EXPECT_NEAR(meanGrey(out), luminance, 4.0)
                    << DitherModeName(static_cast<DitherMode>(mode)) << " " << ColorReductionName(r)
                    << " " << std::hex << colour;
            }
}

TEST(ColorReduction, DitherersSpreadTheErrorDifferently) {
    std::set<std::vector<uint8_t>> patterns;
    for (int mode = 1; mode < kDitherModeCount; ++mode)
        patterns.insert(ReduceColors(flat(32, 32, MakeColor(90, 90, 90)).view(),
                                     ColorReduction::BlackWhite, static_cast<DitherMode>(mode)).indices);
    EXPECT_EQ(patterns.size(), static_cast<size_t>(kDitherModeCount - 1));
}

TEST(ColorReduction, PlainColoursMapExactlyOntoPalettesThatHoldThem) {
    RgbImage image(7, 1);
    const uint32_t colours[7] = {0x000000FF, 0x0000FF00, 0x00FF0000, 0x0000FFFF,
                                 0x00FF00FF, 0x00FFFF00, 0x00FFFFFF};
    for (int x = 0; x < 7; ++x) image.set(x, 0, colours[x]);
    for (ColorReduction r : {ColorReduction::Windows20, ColorReduction::Web216,
                             ColorReduction::Halftone256, ColorReduction::None,
                             ColorReduction::OptimalPowerOfTwo, ColorReduction::Optimal256}) {
        const IndexedImage out = ReduceColors(image.view(), r, DitherMode::Stucki);
        for (int x = 0; x < 7; ++x)
            EXPECT_EQ(out.palette[out.indices[x]], colours[x]) << ColorReductionName(r) << " " << x;
    }
    // The image's own colours, in order of appearance; the power-of-two palette pads to eight.
    EXPECT_EQ(ReductionPalette(image.view(), ColorReduction::Optimal256),
              std::vector<uint32_t>(colours, colours + 7));
    EXPECT_EQ(ReductionPalette(image.view(), ColorReduction::OptimalPowerOfTwo).size(), 8u);
    // Pure red on the web palette is entry 5 * 36 (R = 0xFF, G = B = 0).
    EXPECT_EQ(ReduceColors(image.view(), ColorReduction::Web216, DitherMode::Nearest).indices[0], 180);
    EXPECT_EQ(ReduceColors(image.view(), ColorReduction::Windows20, DitherMode::Nearest).indices[0], 13);
}

double meanError(const RgbImage& image, const IndexedImage& out) {
    double sum = 0;
    const ImageView v = image.view();
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            const uint32_t a = v.colorAt(x, y), b = out.palette[out.row(y)[x]];
            sum += std::abs(RedOf(a) - RedOf(b)) + std::abs(GreenOf(a) - GreenOf(b)) +
                   std::abs(BlueOf(a) - BlueOf(b));
        }
    return sum / (3.0 * image.width * image.height);
}

TEST(ColorReduction, OptimalPalettesFollowTheColourWheel) {
    const RgbImage wheel = colourWheel(96);
    const std::vector<uint32_t> median = ReductionPalette(wheel.view(), ColorReduction::Optimal256);
    const std::vector<uint32_t> octree = ReductionPalette(wheel.view(), ColorReduction::OptimalPowerOfTwo);
    EXPECT_EQ(median.size(), 256u);
    EXPECT_LE(octree.size(), 256u);
    EXPECT_EQ(octree.size() & (octree.size() - 1), 0u);  // a power of two
    const double webError = meanError(wheel, ReduceColors(wheel.view(), ColorReduction::Web216, DitherMode::Nearest));
    const double medianError = meanError(wheel, ReduceColors(wheel.view(), ColorReduction::Optimal256, DitherMode::Nearest));
    const double octreeError = meanError(wheel, ReduceColors(wheel.view(), ColorReduction::OptimalPowerOfTwo, DitherMode::Nearest));
    const double bwError = meanError(wheel, ReduceColors(wheel.view(), ColorReduction::BlackWhite, DitherMode::Nearest));
    EXPECT_LT(medianError, 6.0);
    EXPECT_LT(octreeError, 8.0);
    EXPECT_LT(medianError, webError);
    EXPECT_LT(webError, bwError);
    // More than 256 colours with no reduction asked for still fits a GIF.
    EXPECT_LE(ReductionPalette(wheel.view(), ColorReduction::None).size(), 256u);
}

TEST(ColorReduction, OptimalPalettesKeepTheBackgroundExactly) {
    // A white page with the colour wheel and a scatter of near-whites: more than 256 colours,
    // and the near-whites share white's cell, so an averaged entry would tint the page.
    RgbImage image(160, 120);
    const RgbImage wheel = colourWheel(96);
    for (int y = 0; y < 96; ++y)
        for (int x = 0; x < 96; ++x) image.set(x, y, wheel.view().colorAt(x, y));
    for (int i = 0; i < 60; ++i) image.set(100 + i, 110, MakeColor(250 + i % 5, 249 + i % 6, 248 + i % 7));
    ASSERT_TRUE(ExactPalette(image.view(), 256).empty());
    for (ColorReduction r : {ColorReduction::None, ColorReduction::OptimalPowerOfTwo, ColorReduction::Optimal256}) {
        const IndexedImage out = ReduceColors(image.view(), r, DitherMode::FloydSteinberg);
        EXPECT_EQ(out.palette[out.row(119)[0]], 0x00FFFFFFu) << ColorReductionName(r);
    }
}

TEST(NearestColor, AgreesWithAFullSearchIncludingTies) {
    const std::vector<uint32_t> palette = Halftone256Palette();
    NearestColor nearest(palette);
    for (uint32_t seed = 1, i = 0; i < 20000; ++i) {
        seed = seed * 1103515245u + 12345u;
        const uint32_t c = (seed >> 4) & 0x00FFFFFF;
        int best = 1 << 30, bestIndex = 0;
        for (size_t k = 0; k < palette.size(); ++k) {
            const int dr = RedOf(c) - RedOf(palette[k]), dg = GreenOf(c) - GreenOf(palette[k]),
                      db = BlueOf(c) - BlueOf(palette[k]);
            const int d = dr * dr + dg * dg + db * db;
            if (d < best) best = d, bestIndex = static_cast<int>(k);
        }
        ASSERT_EQ(nearest.find(c), bestIndex) << std::hex << c;
    }
}

}  // namespace
}  // namespace korvel
