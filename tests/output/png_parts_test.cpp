// Rows of a picture deflated ahead, while the rest of it is still being drawn, and joined with
// what is deflated when the file is written.
#include "output/png_parts.h"

#include <gtest/gtest.h>

#include <vector>

#include "image_readers.h"

namespace korvel {
namespace {

constexpr int kWidth = 700, kHeight = 900;  // 1.9 MB of scanlines: parts on two cores or more

// B G R X pixels: lines over white, and noise in a strip, so that deflate has work everywhere.
std::vector<uint8_t> picture(uint32_t seed) {
    std::vector<uint8_t> bgrx(size_t(kWidth) * kHeight * 4, 0xFF);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            uint8_t* p = &bgrx[(size_t(y) * kWidth + x) * 4];
            if (y > 400 && y < 430) {
                seed = seed * 1103515245u + 12345u;
                p[0] = uint8_t(seed >> 24), p[1] = uint8_t(seed >> 16), p[2] = uint8_t(seed >> 8);
            } else if ((x + 3 * y) % 89 == 0 || x == y) {
                p[0] = uint8_t(x), p[1] = uint8_t(y), p[2] = 0x40;
            }
        }
    }
    return bgrx;
}

ImageView viewOf(const std::vector<uint8_t>& bgrx) {
    return ImageView{bgrx.data(), kWidth, kHeight, kWidth * 4, PixelLayout::Bgrx32};
}

int wrongPixels(const std::vector<uint8_t>& file, const ImageView& image) {
    const test::DecodedImage png = test::ReadPng(file);
    if (!png.ok || png.width != image.width || png.height != image.height) return -1;
    int wrong = 0;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) wrong += png.at(x, y) != image.colorAt(x, y);
    return wrong;
}

// Bands handed over in any order, from pictures of their own that are gone before the file is
// written, make the file of the finished picture; the same file whatever the order, and the
// rows never handed over are read from the picture itself.
TEST(PngParts, BandsHandedOverInAnyOrderMakeOneFile) {
    const std::vector<uint8_t> image = picture(7);
    std::vector<uint8_t> first, second;
    {
        PngRowsAhead ahead(kWidth, kHeight, PngOptions{});
        std::vector<uint8_t> band = image;
        ahead.take(600, 900, viewOf(band));
        ahead.take(0, 250, viewOf(band));
        std::fill(band.begin(), band.end(), 0);  // the band pictures are reused for other work
        ASSERT_TRUE(ahead.write(viewOf(image), first));
    }
    {
        PngRowsAhead ahead(kWidth, kHeight, PngOptions{});
        ahead.take(0, 250, viewOf(image));
        ahead.take(600, 900, viewOf(image));
        ASSERT_TRUE(ahead.write(viewOf(image), second));
    }
    EXPECT_EQ(wrongPixels(first, viewOf(image)), 0);
    EXPECT_EQ(first, second);
    std::vector<uint8_t> none;
    ASSERT_TRUE(WritePngInParts(viewOf(image), PngOptions{}, none));
    EXPECT_EQ(wrongPixels(none, viewOf(image)), 0);
}

// A band drawn over again replaces what was handed over for its rows, wholly or in part; rows
// outside the picture or of another width are not taken.
TEST(PngParts, RowsHandedOverAgainReplaceTheEarlierOnes) {
    const std::vector<uint8_t> image = picture(11);
    const std::vector<uint8_t> other = picture(12);
    PngRowsAhead ahead(kWidth, kHeight, PngOptions{});
    ahead.take(0, kHeight, viewOf(other));
    ahead.take(100, 600, viewOf(image));  // over the middle of the earlier rows
    ahead.take(0, 100, viewOf(image));
    ahead.take(600, 900, viewOf(image));
    ahead.take(850, 901, viewOf(other));  // one row past the end
    ahead.take(-1, 9, viewOf(other));
    ImageView narrow = viewOf(other);
    narrow.width = kWidth - 1;
    ahead.take(0, 10, narrow);
    std::vector<uint8_t> file;
    ASSERT_TRUE(ahead.write(viewOf(image), file));
    EXPECT_EQ(wrongPixels(file, viewOf(image)), 0);
}

// Interlaced and best-level files are libpng's: rows handed over are not taken, and the write
// refuses, as it does a picture of another size, leaving what was written before.
TEST(PngParts, FilesThatAreNotForPartsAreRefusedWithNothingWritten) {
    const std::vector<uint8_t> image = picture(3);
    PngOptions interlaced;
    interlaced.interlaced = true;
    PngOptions best;
    best.compression = 9;
    EXPECT_FALSE(PngInParts(interlaced));
    EXPECT_FALSE(PngInParts(best));
    EXPECT_TRUE(PngInParts(PngOptions{}));
    for (const PngOptions& options : {interlaced, best}) {
        PngRowsAhead ahead(kWidth, kHeight, options);
        ahead.take(0, 100, viewOf(image));
        std::vector<uint8_t> out{1, 2, 3};
        EXPECT_FALSE(ahead.write(viewOf(image), out));
        EXPECT_EQ(out, (std::vector<uint8_t>{1, 2, 3}));
    }
    PngRowsAhead ahead(kWidth, kHeight + 1, PngOptions{});
    std::vector<uint8_t> out;
    EXPECT_FALSE(ahead.write(viewOf(image), out));
    EXPECT_TRUE(out.empty());
}

}  // namespace
}  // namespace korvel
