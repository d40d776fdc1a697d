#include "output/png_encoder.h"

#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <set>

#include "image_readers.h"

namespace korvel {
namespace {

// A 5 x 3 image with a different colour in each corner over white.
RgbImage cornerImage() {
    RgbImage image(5, 3, 0x00FFFFFF);
    image.set(0, 0, 0x000000FF);
    image.set(4, 0, 0x0000FF00);
    image.set(0, 2, 0x00FF0000);
    image.set(4, 2, 0x00123456);
    return image;
}

TEST(PngEncoder, RgbImageRoundTripsWithEveryCompressionLevel) {
    for (int level : {0, -1, 1, 9}) {
        std::vector<uint8_t> bytes;
        PngOptions options;
        options.compression = level;
        ASSERT_TRUE(EncodePng(cornerImage().view(), options, bytes)) << level;
        const test::DecodedImage png = test::ReadPng(bytes);
        ASSERT_TRUE(png.ok) << png.error;
        EXPECT_EQ(png.width, 5);
        EXPECT_EQ(png.height, 3);
        EXPECT_EQ(png.bitDepth, 8);
        EXPECT_EQ(png.colorType, PNG_COLOR_TYPE_RGB);
        EXPECT_FALSE(png.interlaced);
        EXPECT_FALSE(png.hasTransparency);
        EXPECT_EQ(png.at(0, 0), 0x000000FFu);
        EXPECT_EQ(png.at(4, 0), 0x0000FF00u);
        EXPECT_EQ(png.at(0, 2), 0x00FF0000u);
        EXPECT_EQ(png.at(4, 2), 0x00123456u);
        EXPECT_EQ(png.at(2, 1), 0x00FFFFFFu);
    }
}

TEST(PngEncoder, HigherLevelsCompressABlankImageBetter) {
    RgbImage blank(300, 200, 0x00FFFFFF);
    std::vector<uint8_t> stored, best;
    ASSERT_TRUE(EncodePng(blank.view(), PngOptions{0}, stored));
    ASSERT_TRUE(EncodePng(blank.view(), PngOptions{9}, best));
    EXPECT_GT(stored.size(), 300u * 200 * 3);  // level 0 keeps every byte
    EXPECT_LT(best.size(), 2000u);
    // Options left as they are take zlib's own level, with no transparency and no interlace.
    std::vector<uint8_t> plain, zlibDefault;
    ASSERT_TRUE(EncodePng(blank.view(), PngOptions{}, plain));
    ASSERT_TRUE(EncodePng(blank.view(), PngOptions{-1, false, false, 0x00FFFFFF}, zlibDefault));
    EXPECT_EQ(plain, zlibDefault);
    EXPECT_LT(plain.size(), 2000u);
    // Levels zlib does not know, as a hand-edited setting may hold, take its own level too.
    for (int level : {-2, 10}) {
        std::vector<uint8_t> bytes;
        ASSERT_TRUE(EncodePng(blank.view(), PngOptions{level}, bytes)) << level;
        EXPECT_EQ(bytes, zlibDefault) << level;
    }
}

// The filter type at the start of every row, read from the inflated image data of a
// non-interlaced 8-bit RGB file.
std::set<int> rowFilters(const std::vector<uint8_t>& png, int width, int height) {
    std::vector<uint8_t> idat;
    for (size_t at = 8; at + 12 <= png.size();) {
        const uint32_t n = (uint32_t(png[at]) << 24) | (png[at + 1] << 16) | (png[at + 2] << 8) | png[at + 3];
        if (std::equal(png.begin() + at + 4, png.begin() + at + 8, "IDAT"))
            idat.insert(idat.end(), png.begin() + at + 8, png.begin() + at + 8 + n);
        at += 12 + n;
    }
    const size_t stride = 1 + 3 * static_cast<size_t>(width);
    std::vector<uint8_t> raw(stride * height);
    uLongf size = raw.size();
    EXPECT_EQ(uncompress(raw.data(), &size, idat.data(), idat.size()), Z_OK);
    EXPECT_EQ(size, raw.size());
    std::set<int> filters;
    for (int y = 0; y < height; ++y) filters.insert(raw[y * stride]);
    return filters;
}

TEST(PngEncoder, LineDrawingsAreWrittenUnfilteredBelowTheBestLevel) {
    // Diagonal lines over white: every filter but none would pay for itself on some row.
    RgbImage lines(64, 48, 0x00FFFFFF);
    for (int i = 0; i < 48; ++i) {
        lines.set(i, i, 0);
        lines.set(63 - i, i, 0x000000FF);
        lines.set(i / 2 + 10, 47 - i, 0x00123456);
    }
    for (int level : {0, 1, -1, 6}) {
        std::vector<uint8_t> bytes;
        ASSERT_TRUE(EncodePng(lines.view(), PngOptions{level}, bytes));
        EXPECT_EQ(rowFilters(bytes, 64, 48), (std::set<int>{0})) << level;
    }
    std::vector<uint8_t> best;
    ASSERT_TRUE(EncodePng(lines.view(), PngOptions{9}, best));
    EXPECT_GT(rowFilters(best, 64, 48).size(), 1u);  // the adaptive choice of libpng
}

TEST(PngEncoder, BgrxRowsWithPaddingAreReadAsQImageLaysThemOut) {
    // Two pixels per row, B G R X order, rows 12 bytes apart.
    const uint8_t data[] = {0x10, 0x20, 0x30, 0xFF, 0x40, 0x50, 0x60, 0xFF, 9, 9, 9, 9,
                            0x00, 0x00, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0xFF, 9, 9, 9, 9};
    ImageView view{data, 2, 2, 12, PixelLayout::Bgrx32};
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(EncodePng(view, PngOptions{}, bytes));
    const test::DecodedImage png = test::ReadPng(bytes);
    ASSERT_TRUE(png.ok);
    EXPECT_EQ(png.at(0, 0), 0x00102030u);  // R=0x30 G=0x20 B=0x10
    EXPECT_EQ(png.at(1, 0), 0x00405060u);
    EXPECT_EQ(png.at(0, 1), 0x000000FFu);
    EXPECT_EQ(png.at(1, 1), 0x00FF0000u);
}

TEST(PngEncoder, TransparentBackgroundAndInterlaceAreWritten) {
    PngOptions options;
    options.transparent = true;  // white unless another colour is named
    options.interlaced = true;
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(EncodePng(cornerImage().view(), options, bytes));
    const test::DecodedImage png = test::ReadPng(bytes);
    ASSERT_TRUE(png.ok);
    EXPECT_TRUE(png.interlaced);
    EXPECT_TRUE(png.hasTransparency);
    EXPECT_EQ(png.transparentColor, 0x00FFFFFFu);
    EXPECT_EQ(png.at(4, 2), 0x00123456u);  // Adam7 passes put every pixel back in place
}

// Pictures of several megabytes are deflated in parts on the cores there are; whatever the
// parts, the stream must inflate to the same unfiltered rows, checksums and all, and libpng
// must read back every pixel.
TEST(PngEncoder, LargePicturesReadBackWholeAtEveryLevelBelowTheBest) {
    const int width = 1100, height = 1000;
    std::vector<uint8_t> bgrx(size_t(width) * height * 4, 0xFF);
    uint32_t noise = 12345;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            uint8_t* p = &bgrx[(size_t(y) * width + x) * 4];
            // Random rows near the middle (too much to fit one IDAT), lines elsewhere.
            if (y > 450 && y < 550) {
                noise = noise * 1103515245u + 12345u;
                p[0] = uint8_t(noise >> 24), p[1] = uint8_t(noise >> 16), p[2] = uint8_t(noise >> 8);
            } else if ((x + y) % 97 == 0 || x == y) {
                p[0] = uint8_t(x), p[1] = uint8_t(y), p[2] = 0x40;
            }
        }
    }
    const ImageView view{bgrx.data(), width, height, width * 4, PixelLayout::Bgrx32};
    for (int level : {-1, 1, 0}) {
        PngOptions options;
        options.compression = level;
        options.transparent = level == 1;
        std::vector<uint8_t> bytes;
        ASSERT_TRUE(EncodePng(view, options, bytes)) << level;
        EXPECT_EQ(rowFilters(bytes, width, height), (std::set<int>{0})) << level;
        const test::DecodedImage png = test::ReadPng(bytes);
        ASSERT_TRUE(png.ok) << png.error;
        ASSERT_EQ(png.width, width);
        ASSERT_EQ(png.height, height);
        EXPECT_EQ(png.hasTransparency, level == 1);
        if (level == 1) {
            EXPECT_EQ(png.transparentColor, 0x00FFFFFFu);
        }
        int wrong = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) wrong += png.at(x, y) != view.colorAt(x, y);
        EXPECT_EQ(wrong, 0) << level;
    }
}

TEST(PngEncoder, IndexedImagesUseTheSmallestBitDepth) {
    IndexedImage image;
    image.width = 9;
    image.height = 2;
    image.palette = {0x00000000, 0x00FFFFFF};
    image.indices = {0, 1, 0, 1, 0, 1, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0};
    PngOptions options;
    options.transparent = true;
    options.transparentColor = 0x00FFFFFF;
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(EncodePng(image, options, bytes));
    const test::DecodedImage png = test::ReadPng(bytes);
    ASSERT_TRUE(png.ok);
    EXPECT_EQ(png.colorType, PNG_COLOR_TYPE_PALETTE);
    EXPECT_EQ(png.bitDepth, 1);
    EXPECT_EQ(png.paletteSize, 2);
    EXPECT_EQ(png.paletteAlpha, (std::vector<uint8_t>{255, 0}));  // white is see-through
    EXPECT_EQ(png.at(0, 0), 0u);
    EXPECT_EQ(png.at(8, 0), 0x00FFFFFFu);
    EXPECT_EQ(png.at(8, 1), 0u);

    // The alphas stop at the transparent entry; the ones after it stay opaque by default.
    image.palette = {0x000000FF, 0x00FFFFFF, 0x00000000, 0x00FF0000};
    image.indices.assign(18, 3);
    std::vector<uint8_t> fourBytes;
    ASSERT_TRUE(EncodePng(image, options, fourBytes));
    const test::DecodedImage four = test::ReadPng(fourBytes);
    ASSERT_TRUE(four.ok);
    EXPECT_EQ(four.bitDepth, 2);
    EXPECT_EQ(four.paletteAlpha, (std::vector<uint8_t>{255, 0}));
}

TEST(PngEncoder, EmptyImagesAreRefusedWithAReason) {
    std::vector<uint8_t> bytes;
    const EncodeResult r = EncodePng(ImageView{}, PngOptions{}, bytes);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, "the image is empty");
    EXPECT_TRUE(bytes.empty());
}

}  // namespace
}  // namespace korvel
