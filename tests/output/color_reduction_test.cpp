// Reductions and ditherers on images with results worked out by hand: a grey ramp, flat greys
// and a colour wheel.
#include "output/color_reduction.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <string>

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
    // The twenty static colours hold the eight full ones and the eight half ones.
    const std::vector<uint32_t> windows = Windows20Palette();
    for (int bits = 0; bits < 8; ++bits)
        for (int level : {0x80, 0xFF}) {
            const uint32_t c = MakeColor(bits & 1 ? level : 0, bits & 2 ? level : 0, bits & 4 ? level : 0);
            EXPECT_NE(std::find(windows.begin(), windows.end(), c), windows.end()) << std::hex << c;
        }
    // ...and the four that Windows reserves besides: money green, sky blue, cream, medium grey.
    const uint32_t mediumGrey = MakeColor(0xA0, 0xA0, 0xA4);
    EXPECT_EQ(std::vector<uint32_t>(windows.begin() + 8, windows.begin() + 12),
              (std::vector<uint32_t>{MakeColor(0xC0, 0xDC, 0xC0), MakeColor(0xA6, 0xCA, 0xF0),
                                     MakeColor(0xFF, 0xFB, 0xF0), mediumGrey}));
    // The halftone palette: the cube, the twelve static colours the cube lacks, then greys of
    // 255 i / 29 for i = 1 to 28.
    const std::vector<uint32_t> halftone = Halftone256Palette();
    EXPECT_EQ(halftone[215], MakeColor(0xFF, 0xFF, 0xFF));
    EXPECT_EQ(halftone[216], MakeColor(0x80, 0, 0));
    EXPECT_EQ(halftone[226], mediumGrey);
    EXPECT_EQ(halftone[227], MakeColor(0x80, 0x80, 0x80));
    EXPECT_EQ(halftone[228], MakeColor(8, 8, 8));
    EXPECT_EQ(halftone[241], MakeColor(123, 123, 123));
    EXPECT_EQ(halftone[255], MakeColor(246, 246, 246));
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

// Colours that change along both axes, so that every weight of every kernel shows: red, green
// and blue each run through 25..224 at their own pace.
RgbImage plaid(int w, int h) {
    RgbImage image(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.set(x, y, MakeColor((23 * x + 7 * y + 40) % 200 + 25, (7 * x + 40 * y + 23) % 200 + 25,
                                      (40 * x + 23 * y + 7) % 200 + 25));
    return image;
}

// Each row of a black-and-white result as bits, the leftmost pixel highest.
std::vector<int> rowBits(const IndexedImage& image) {
    std::vector<int> rows;
    for (int y = 0; y < image.height; ++y) {
        int bits = 0;
        for (int x = 0; x < image.width; ++x) bits = bits << 1 | image.row(y)[x];
        rows.push_back(bits);
    }
    return rows;
}

TEST(ColorReduction, EveryDithererGivesItsOwnPatternInTwoDimensions) {
    // Luminance in sixteenths of a level, rounded to the nearest level, and each weight's share
    // of the error truncated towards zero. The first pixels by hand for Floyd-Steinberg: (65,
    // 48, 32) is 820/16, black, and passes 820 * 7/16 = 358 on; (88, 55, 72) is 1068 + 358, still
    // black; the rest was worked out the same way with a model of its own.
    const std::pair<DitherMode, std::vector<int>> expected[] = {
        {DitherMode::FloydSteinberg, {0x1496, 0x56AD, 0xAADD, 0x7F22, 0xA054, 0x4A97, 0x556C, 0xAD74}},
        {DitherMode::Stucki, {0x0A4E, 0x6CDB, 0x5774, 0xBE84, 0xE01A, 0x096E, 0x5D65, 0xB2DC}},
        {DitherMode::Sierra, {0x084F, 0x6F6D, 0x6EBC, 0xB680, 0xE02E, 0x0CD6, 0x5CB5, 0xABBC}},
        {DitherMode::JarvisJudiceNinke, {0x084F, 0x6EDB, 0x6EDC, 0xB680, 0xE02E, 0x0CD6, 0x5DB5, 0xA97C}},
        {DitherMode::StevensonArce, {0x081F, 0x3BDF, 0x7EDC, 0x7680, 0xE008, 0x007E, 0x5FF7, 0x78CC}},
        {DitherMode::Burkes, {0x124D, 0x6D6F, 0x56B4, 0xBE88, 0xE056, 0x0CAA, 0x6ADD, 0x996C}},
    };
    const RgbImage image = plaid(16, 8);
    for (const auto& [mode, rows] : expected)
        EXPECT_EQ(rowBits(Dither(image.view(), BlackWhitePalette(), mode)), rows) << DitherModeName(mode);

    // Stevenson-Arce's reach three across and one down, to the sixteenth: grey 122 at the top
    // left is black and passes 1952 * 16/200 = 156 sixteenths straight to (3, 1), and 46 + 53
    // more through (2, 0) and (1, 1). With those 255, grey 111 there stays black; 112 turns white.
    for (const int level : {111, 112}) {
        RgbImage corner(4, 2, 0);
        corner.set(0, 0, MakeColor(122, 122, 122));
        corner.set(3, 1, MakeColor(level, level, level));
        const IndexedImage out = Dither(corner.view(), BlackWhitePalette(), DitherMode::StevensonArce);
        EXPECT_EQ(rowBits(out), (std::vector<int>{0, level == 112 ? 1 : 0})) << level;
    }
}

TEST(ColorReduction, GreyLevelsRoundToTheNearestAndRowsKeepTheirBrightness) {
    // On 256 greys the levels of a row add up to its luminance to within a level or two; a
    // ditherer that truncated would come out a level darker every few pixels.
    const std::pair<DitherMode, std::vector<int>> expected[] = {
        {DitherMode::FloydSteinberg, {1736, 2189, 2336, 2140, 1759, 1788}},
        {DitherMode::Stucki, {1736, 2189, 2336, 2140, 1761, 1789}},
        {DitherMode::Sierra, {1736, 2189, 2336, 2141, 1761, 1789}},
        {DitherMode::JarvisJudiceNinke, {1736, 2189, 2336, 2141, 1761, 1789}},
        {DitherMode::StevensonArce, {1736, 2189, 2336, 2140, 1759, 1788}},
        {DitherMode::Burkes, {1736, 2190, 2336, 2140, 1759, 1789}},
    };
    const RgbImage image = plaid(16, 6);
    for (const auto& [mode, sums] : expected) {
        const IndexedImage out = Dither(image.view(), Grey256Palette(), mode);
        std::vector<int> rows;
        for (int y = 0; y < out.height; ++y) {
            int sum = 0;
            for (int x = 0; x < out.width; ++x) sum += out.row(y)[x];
            rows.push_back(sum);
        }
        EXPECT_EQ(rows, sums) << DitherModeName(mode);
    }
}

TEST(ColorReduction, ColouredPalettesDitherEachChannel) {
    // Floyd-Steinberg onto black, white, red, green and blue: the error of each channel is
    // carried on by itself.
    const std::vector<uint32_t> palette = {MakeColor(0, 0, 0), MakeColor(255, 255, 255), MakeColor(255, 0, 0),
                                           MakeColor(0, 255, 0), MakeColor(0, 0, 255)};
    const std::vector<std::string> expected = {"0024122434321012", "0141013414310113", "3231232313231122",
                                               "3141311434242424", "1310224423414213", "4422143031212324",
                                               "2101214101431231", "4323143323123144"};
    const IndexedImage out = Dither(plaid(16, 8).view(), palette, DitherMode::FloydSteinberg);
    std::vector<std::string> rows;
    for (int y = 0; y < out.height; ++y) {
        std::string row;
        for (int x = 0; x < out.width; ++x) row.push_back(static_cast<char>('0' + out.row(y)[x]));
        rows.push_back(row);
    }
    EXPECT_EQ(rows, expected);
}

TEST(ColorReduction, MedianCutSplitsWhereHalfThePixelsAreReached) {
    // Reds 0, 0, 80 and 160: the first cell already holds half, so the cut falls right after it.
    RgbImage image(4, 1);
    image.set(0, 0, MakeColor(0, 0, 0));
    image.set(1, 0, MakeColor(0, 0, 0));
    image.set(2, 0, MakeColor(80, 0, 0));
    image.set(3, 0, MakeColor(160, 0, 0));
    EXPECT_EQ(MedianCutPalette(image.view(), 2), (std::vector<uint32_t>{MakeColor(0, 0, 0), MakeColor(120, 0, 0)}));
    // Green and blue spread alike: the cut goes across green, the earlier axis, and each half
    // keeps its own green.
    RgbImage square(4, 1);
    square.set(0, 0, MakeColor(0, 0, 0));
    square.set(1, 0, MakeColor(0, 96, 0));
    square.set(2, 0, MakeColor(0, 0, 96));
    square.set(3, 0, MakeColor(0, 96, 96));
    EXPECT_EQ(MedianCutPalette(square.view(), 2), (std::vector<uint32_t>{MakeColor(0, 0, 48), MakeColor(0, 96, 48)}));
}

// An image of runs: each colour as many pixels as its count, in order.
RgbImage runs(const std::vector<std::pair<uint32_t, int>>& colours) {
    int width = 0;
    for (const auto& c : colours) width += c.second;
    RgbImage image(width, 1);
    int x = 0;
    for (const auto& [colour, count] : colours)
        for (int i = 0; i < count; ++i) image.set(x++, 0, colour);
    return image;
}

TEST(ColorReduction, MedianCutNeverSplitsABoxOfOneColour) {
    // The red is alone in its box after the first cut and holds most pixels, yet the last entry
    // goes to the blues: a box of one colour has nothing to split.
    const RgbImage image = runs({{MakeColor(200, 0, 0), 10}, {MakeColor(0, 0, 40), 1}, {MakeColor(0, 0, 120), 1},
                                 {MakeColor(0, 0, 200), 1}});
    EXPECT_EQ(MedianCutPalette(image.view(), 3),
              (std::vector<uint32_t>{MakeColor(0, 0, 80), MakeColor(200, 0, 0), MakeColor(0, 0, 200)}));
}

TEST(ColorReduction, OctreeMergesTheLeastUsedSiblingsFirstAndAveragesThem) {
    // Two pairs that differ only in their lowest bits, and a lone blue: five leaves under three
    // parents of 2, 4 and 5 pixels.
    const RgbImage image = runs({{MakeColor(10, 10, 10), 1}, {MakeColor(11, 11, 11), 1}, {MakeColor(200, 0, 0), 3},
                                 {MakeColor(201, 0, 0), 1}, {MakeColor(0, 0, 200), 5}});
    EXPECT_EQ(OctreePalette(image.view(), 5).size(), 5u);
    EXPECT_EQ(OctreePalette(image.view(), 4), (std::vector<uint32_t>{MakeColor(10, 10, 10), MakeColor(0, 0, 200),
                                                                      MakeColor(200, 0, 0), MakeColor(201, 0, 0)}));
    EXPECT_EQ(OctreePalette(image.view(), 3),
              (std::vector<uint32_t>{MakeColor(10, 10, 10), MakeColor(0, 0, 200), MakeColor(200, 0, 0)}));
    EXPECT_EQ(OctreePalette(image.view(), 1), (std::vector<uint32_t>{MakeColor(74, 1, 92)}));
    EXPECT_EQ(OctreePalette(image.view(), 0), (std::vector<uint32_t>{MakeColor(74, 1, 92)}));
}

TEST(ColorReduction, ExactPalettesHoldUpToTheirLimitInOrderOfAppearance) {
    const RgbImage image = runs({{MakeColor(1, 2, 3), 2}, {MakeColor(9, 9, 9), 1}, {MakeColor(1, 2, 3), 1},
                                 {MakeColor(4, 5, 6), 3}});
    EXPECT_EQ(ExactPalette(image.view(), 3),
              (std::vector<uint32_t>{MakeColor(1, 2, 3), MakeColor(9, 9, 9), MakeColor(4, 5, 6)}));
    EXPECT_TRUE(ExactPalette(image.view(), 2).empty());
}

// The colour most pixels have, found cell by cell: the cell of 32 levels a channel holding the
// most pixels, then the exact colour most of that cell's pixels have.
TEST(ColorReduction, TheDominantColourIsPinnedIntoTheNearestEntry) {
    const RgbImage image = runs({{MakeColor(8, 9, 10), 3}, {MakeColor(15, 15, 15), 2}, {MakeColor(14, 14, 14), 2},
                                 {MakeColor(200, 100, 50), 6}});
    // The cell from 8 to 15 holds 7 pixels against 6, and 8, 9, 10 is the most of it.
    EXPECT_EQ(DominantColor(image.view()), MakeColor(8, 9, 10));
    std::vector<uint32_t> palette = {MakeColor(0, 0, 0), MakeColor(9, 9, 9), MakeColor(255, 255, 255)};
    PinColor(palette, MakeColor(8, 9, 10));
    EXPECT_EQ(palette, (std::vector<uint32_t>{MakeColor(0, 0, 0), MakeColor(8, 9, 10), MakeColor(255, 255, 255)}));
    PinColor(palette, MakeColor(255, 255, 255));  // there already
    EXPECT_EQ(palette[2], MakeColor(255, 255, 255));
    PinColor(palette, MakeColor(200, 200, 200));
    EXPECT_EQ(palette, (std::vector<uint32_t>{MakeColor(0, 0, 0), MakeColor(8, 9, 10), MakeColor(200, 200, 200)}));
    std::vector<uint32_t> none;
    PinColor(none, MakeColor(1, 1, 1));
    EXPECT_TRUE(none.empty());
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
