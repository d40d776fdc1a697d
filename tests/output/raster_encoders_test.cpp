// BMP, JPEG and GIF files read back by other readers: Qt's BMP reader, libjpeg, giflib and Qt's
// GIF reader.
#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <gtest/gtest.h>

#include "image_readers.h"
#include "output/bmp_encoder.h"
#include "output/gif_encoder.h"
#include "output/jpeg_encoder.h"
#include "output/png_encoder.h"

namespace korvel {
namespace {

uint32_t le32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (uint32_t(b[at + 3]) << 24);
}
uint16_t le16(const std::vector<uint8_t>& b, size_t at) { return b[at] | (b[at + 1] << 8); }

QImage readWithQt(const std::vector<uint8_t>& bytes, const char* format) {
    QByteArray data(reinterpret_cast<const char*>(bytes.data()), static_cast<int>(bytes.size()));
    QBuffer buffer(&data);
    QImageReader reader(&buffer, format);
    return reader.read();
}

uint32_t qtColor(const QImage& image, int x, int y) {
    const QRgb p = image.pixel(x, y);
    return MakeColor(qRed(p), qGreen(p), qBlue(p));
}

RgbImage stripes(int w, int h) {
    RgbImage image(w, h, 0x00FFFFFF);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if ((x / 3) % 2) image.set(x, y, y % 2 ? 0x000000FF : 0x00FF8000);
    return image;
}

// Every pixel's index is (x + 2 * y) mod the palette size.
IndexedImage indexedPattern(int w, int h, size_t colors) {
    IndexedImage image;
    image.width = w;
    image.height = h;
    for (size_t i = 0; i < colors; ++i)
        image.palette.push_back(MakeColor(int(i), 255 - int(i), int(i * 7) & 255));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) image.indices.push_back(static_cast<uint8_t>((x + 2 * y) % colors));
    return image;
}

TEST(BmpEncoder, TwentyFourBitRowsAreBottomUpAndPadded) {
    const RgbImage image = stripes(7, 3);
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(EncodeBmp(image.view(), bytes));
    EXPECT_EQ(bytes[0], 'B');
    EXPECT_EQ(bytes[1], 'M');
    EXPECT_EQ(le32(bytes, 2), bytes.size());
    EXPECT_EQ(le32(bytes, 10), 54u);
    EXPECT_EQ(le32(bytes, 18), 7u);
    EXPECT_EQ(le32(bytes, 22), 3u);
    EXPECT_EQ(le16(bytes, 28), 24);
    EXPECT_EQ(bytes.size(), 54u + 3 * 24);  // 21 bytes a row padded to 24
    // The last row comes first: pixel (3, 2) is B, G, R of 0x00FF8000.
    EXPECT_EQ(bytes[54 + 9], 0xFF);
    EXPECT_EQ(bytes[54 + 10], 0x80);
    EXPECT_EQ(bytes[54 + 11], 0x00);
    const QImage qt = readWithQt(bytes, "bmp");
    ASSERT_FALSE(qt.isNull());
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 7; ++x) EXPECT_EQ(qtColor(qt, x, y), image.view().colorAt(x, y));
}

TEST(BmpEncoder, TwoColourImagesAreOneBitWithTheirPalette) {
    const IndexedImage image = indexedPattern(13, 4, 2);
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(EncodeBmp(image, bytes));
    EXPECT_EQ(le16(bytes, 28), 1);
    EXPECT_EQ(le32(bytes, 46), 2u);  // colours used
    EXPECT_EQ(bytes.size(), 54u + 8 + 4 * 4);
    const QImage qt = readWithQt(bytes, "bmp");
    ASSERT_FALSE(qt.isNull());
    EXPECT_EQ(qt.depth(), 1);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 13; ++x)
            EXPECT_EQ(qtColor(qt, x, y), image.palette[image.row(y)[x]]) << x << "," << y;
}

TEST(BmpEncoder, PalettesUpToSixteenUseFourBits) {
    const IndexedImage image = indexedPattern(5, 2, 16);
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(EncodeBmp(image, bytes));
    EXPECT_EQ(le16(bytes, 28), 4);
    const QImage qt = readWithQt(bytes, "bmp");
    ASSERT_FALSE(qt.isNull());
    EXPECT_EQ(qtColor(qt, 4, 1), image.palette[(4 + 2) % 16]);
}

TEST(JpegEncoder, QualityAndProgressiveModeReachTheFile) {
    const RgbImage image = stripes(64, 48);
    std::vector<uint8_t> low, high, progressive;
    ASSERT_TRUE(EncodeJpeg(image.view(), JpegOptions{10, false}, low));
    ASSERT_TRUE(EncodeJpeg(image.view(), JpegOptions{100, false}, high));
    ASSERT_TRUE(EncodeJpeg(image.view(), JpegOptions{75, true}, progressive));
    EXPECT_LT(low.size(), high.size());
    const test::DecodedImage baseline = test::ReadJpeg(high);
    ASSERT_TRUE(baseline.ok);
    EXPECT_EQ(baseline.width, 64);
    EXPECT_EQ(baseline.height, 48);
    EXPECT_EQ(baseline.components, 3);
    EXPECT_FALSE(baseline.progressive);
    const test::DecodedImage prog = test::ReadJpeg(progressive);
    ASSERT_TRUE(prog.ok);
    EXPECT_TRUE(prog.progressive);
    // A plain area keeps its colour within a level or two.
    std::vector<uint8_t> plain;
    ASSERT_TRUE(EncodeJpeg(RgbImage(16, 16, 0x00306090).view(), JpegOptions{90, false}, plain));
    const uint32_t c = test::ReadJpeg(plain).at(8, 8);
    EXPECT_NEAR(RedOf(c), 0x90, 2);
    EXPECT_NEAR(GreenOf(c), 0x60, 2);
    EXPECT_NEAR(BlueOf(c), 0x30, 2);
}

TEST(JpegEncoder, QualityOutsideItsRangeIsClampedAndBgrxRowsAreTaken) {
    const uint8_t bgrx[] = {0x00, 0x00, 0xFF, 0, 0x00, 0x00, 0xFF, 0};  // two red pixels
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(EncodeJpeg(ImageView{bgrx, 2, 1, 8, PixelLayout::Bgrx32}, JpegOptions{500, false}, bytes));
    const test::DecodedImage jpeg = test::ReadJpeg(bytes);
    ASSERT_TRUE(jpeg.ok);
    EXPECT_NEAR(RedOf(jpeg.at(0, 0)), 255, 3);
    EXPECT_NEAR(BlueOf(jpeg.at(0, 0)), 0, 3);
    bytes.clear();
    EXPECT_TRUE(EncodeJpeg(ImageView{bgrx, 2, 1, 8, PixelLayout::Bgrx32}, JpegOptions{-3, false}, bytes));
}

TEST(JpegEncoder, TooLargeImagesFailWithoutEndingTheProcess) {
    const uint8_t pixel[3] = {0, 0, 0};
    std::vector<uint8_t> bytes;
    const EncodeResult r = EncodeJpeg(ImageView{pixel, 70000, 1, 0, PixelLayout::Rgb24}, JpegOptions{}, bytes);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("too large"), std::string::npos);
}

TEST(GifEncoder, LzwAndLiteralStreamsDecodeToTheSameIndices) {
    for (size_t colors : {2, 3, 16, 200, 256}) {
        const IndexedImage image = indexedPattern(301, 7, colors);
        for (bool lzw : {true, false}) {
            std::vector<uint8_t> bytes;
            ASSERT_TRUE(EncodeGif(image, lzw, bytes)) << colors;
            const test::DecodedImage gif = test::ReadGif(bytes);
            ASSERT_TRUE(gif.ok) << gif.error << " colours " << colors << " lzw " << lzw;
            EXPECT_EQ(gif.width, 301);
            EXPECT_EQ(gif.height, 7);
            size_t table = 2;
            while (table < colors) table *= 2;
            EXPECT_EQ(gif.paletteSize, static_cast<int>(table));
            for (int y = 0; y < 7; ++y)
                for (int x = 0; x < 301; ++x)
                    ASSERT_EQ(gif.at(x, y), image.palette[image.row(y)[x]])
                        << x << "," << y << " colours " << colors << " lzw " << lzw;
            const QImage qt = readWithQt(bytes, "gif");
            ASSERT_FALSE(qt.isNull()) << "Qt could not read colours " << colors << " lzw " << lzw;
            EXPECT_EQ(qtColor(qt, 300, 6), image.palette[image.row(6)[300]]);
        }
    }
}

// A GIF palette holds at most 256 colours; more are refused, and nothing is left in the output.
TEST(GifEncoder, PalettesOfOver256ColoursAreRefused) {
    IndexedImage image = indexedPattern(4, 2, 256);
    image.palette.push_back(0x123456);
    for (bool lzw : {true, false}) {
        std::vector<uint8_t> bytes = {1, 2};
        const EncodeResult r = EncodeGif(image, lzw, bytes);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.error, "the palette has over 256 colours");
        EXPECT_EQ(bytes, (std::vector<uint8_t>{1, 2}));
    }
}

TEST(GifEncoder, LiteralStreamIsLargerThanLzwOnPlainImages) {
    IndexedImage image = indexedPattern(200, 100, 2);
    std::fill(image.indices.begin(), image.indices.end(), 1);
    std::vector<uint8_t> lzw, literal;
    ASSERT_TRUE(EncodeGif(image, true, lzw));
    ASSERT_TRUE(EncodeGif(image, false, literal));
    EXPECT_LT(lzw.size() * 10, literal.size());
    // Two literals and a clear of three bits each per two pixels.
    EXPECT_NEAR(static_cast<double>(literal.size()), 200 * 100 * 4.5 / 8 * 256 / 255, 200);
}

TEST(GifEncoder, ReducesTwentyFourBitImagesAsAsked) {
    const RgbImage image = stripes(30, 10);
    std::vector<uint8_t> bytes;
    GifOptions options;
    options.reduction = ColorReduction::BlackWhite;
    ASSERT_TRUE(EncodeGif(image.view(), options, bytes));
    const test::DecodedImage gif = test::ReadGif(bytes);
    ASSERT_TRUE(gif.ok);
    EXPECT_EQ(gif.paletteSize, 2);
    EXPECT_EQ(gif.at(0, 0), 0x00FFFFFFu);
    EXPECT_EQ(gif.at(3, 1), 0x00000000u);  // red is nearer black than white
    bytes.clear();
    options.reduction = ColorReduction::Optimal256;
    ASSERT_TRUE(EncodeGif(image.view(), options, bytes));
    const test::DecodedImage exact = test::ReadGif(bytes);
    ASSERT_TRUE(exact.ok);
    EXPECT_EQ(exact.paletteSize, 4);  // three colours in a table of four
    EXPECT_EQ(exact.at(3, 0), 0x00FF8000u);
    EXPECT_EQ(exact.at(3, 1), 0x000000FFu);
}

TEST(RasterEncoders, ImagesWithoutRowsColumnsOrPixelsAreRefusedAndNothingWritten) {
    const uint8_t pixels[3 * 3 * 4] = {};
    const ImageView none[] = {{pixels, 3, 0, 9, PixelLayout::Rgb24},
                              {pixels, 0, 3, 9, PixelLayout::Rgb24},
                              {pixels, 3, -1, 9, PixelLayout::Rgb24},
                              {nullptr, 3, 3, 9, PixelLayout::Rgb24}};
    for (const ImageView& v : none) {
        SCOPED_TRACE(testing::Message() << v.width << " x " << v.height);
        std::vector<uint8_t> bytes;
        const EncodeResult results[] = {EncodeBmp(v, bytes), EncodeJpeg(v, JpegOptions{}, bytes),
                                        EncodePng(v, PngOptions{}, bytes), EncodeGif(v, GifOptions{}, bytes)};
        for (const EncodeResult& r : results) EXPECT_EQ(r.error, "the image is empty");
        EXPECT_TRUE(bytes.empty());
    }
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(EncodeBmp(ImageView{pixels, 3, 1, 9, PixelLayout::Rgb24}, bytes).ok);  // one row will do
}

TEST(GifEncoder, RefusesWhatTheFormatCannotHold) {
    std::vector<uint8_t> bytes;
    EXPECT_FALSE(EncodeGif(IndexedImage{}, true, bytes).ok);
    IndexedImage wide = indexedPattern(2, 1, 2);
    wide.width = 70000;
    EXPECT_NE(EncodeGif(wide, false, bytes).error.find("too large"), std::string::npos);
    EXPECT_TRUE(bytes.empty());
}

}  // namespace
}  // namespace korvel
