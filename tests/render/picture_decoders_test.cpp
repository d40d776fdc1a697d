#include <gtest/gtest.h>
#include <zlib.h>

#include "picture_files.h"
#include "render/picture_decoders.h"

namespace korvel {
namespace {

using test::makeBmpRaw;
using test::putU32;

constexpr uint32_t kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF, kWhite = 0xFFFFFFFF,
                   kBlack = 0xFF000000;

// Palette entries as a bitmap stores them (0x00RRGGBB read little-endian as B, G, R, 0).
constexpr uint32_t kPalRed = 0x00FF0000, kPalGreen = 0x0000FF00, kPalBlue = 0x000000FF;

RasterImage decodeOk(DecodeOutcome (*decode)(const uint8_t*, size_t, RasterImage&),
                     const std::vector<uint8_t>& bytes) {
    RasterImage image;
    const DecodeOutcome outcome = decode(bytes.data(), bytes.size(), image);
    EXPECT_EQ(outcome.status, DecodeStatus::Decoded) << outcome.message;
    EXPECT_EQ(outcome.message, "");
    return image;
}

void expectFailed(DecodeOutcome (*decode)(const uint8_t*, size_t, RasterImage&),
                  const std::vector<uint8_t>& bytes, const std::string& containing = {}) {
    RasterImage image;
    const DecodeOutcome outcome = decode(bytes.data(), bytes.size(), image);
    EXPECT_EQ(outcome.status, DecodeStatus::Failed);
    EXPECT_NE(outcome.message, "");
    EXPECT_NE(outcome.message.find(containing), std::string::npos) << outcome.message;
    EXPECT_TRUE(image.empty());
}

// Every prefix of a file either decodes or fails with a message; none may crash.
void expectEveryTruncationSurvives(DecodeOutcome (*decode)(const uint8_t*, size_t, RasterImage&),
                                   const std::vector<uint8_t>& bytes) {
    for (size_t n = 0; n < bytes.size(); n += std::max<size_t>(1, bytes.size() / 97)) {
        std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + n);
        RasterImage image;
        const DecodeOutcome outcome = decode(cut.data(), cut.size(), image);
        if (outcome.status == DecodeStatus::Decoded)
            EXPECT_EQ(image.pixels.size(), size_t(image.width) * image.height);
        else
            EXPECT_TRUE(image.empty());
    }
}

// Flips bytes across the file (after the signature); decoders must report, never crash.
void expectCorruptionSurvives(DecodeOutcome (*decode)(const uint8_t*, size_t, RasterImage&),
                              const std::vector<uint8_t>& bytes) {
    for (size_t i = 8; i < bytes.size(); i += 3) {
        std::vector<uint8_t> bad = bytes;
        bad[i] ^= 0xA5;
        RasterImage image;
        decode(bad.data(), bad.size(), image);
    }
}

TEST(BmpDecoder, ReadsEveryDepthAndRowOrder) {
    // 24 bits, bottom-up: the first stored row is the bottom one.
    std::vector<uint8_t> rows24 = {0, 0, 255, 0, 255, 0, 0, 0,   // bottom: red, green, pad
                                   255, 0, 0, 255, 255, 255, 0, 0};  // top: blue, white, pad
    RasterImage image = decodeOk(DecodeBmp, makeBmpRaw(2, 2, 24, 0, {}, rows24));
    EXPECT_EQ(image.width, 2);
    EXPECT_EQ(image.pixels, (std::vector<uint32_t>{kBlue, kWhite, kRed, kGreen}));

    // The same rows top-down (negative height).
    image = decodeOk(DecodeBmp, makeBmpRaw(2, -2, 24, 0, {}, rows24));
    EXPECT_EQ(image.height, 2);
    EXPECT_EQ(image.pixels, (std::vector<uint32_t>{kRed, kGreen, kBlue, kWhite}));

    // 1 bit, ten pixels wide: 1011000001, padded to four bytes.
    image = decodeOk(DecodeBmp, makeBmpRaw(10, 1, 1, 0, {kPalRed, kPalBlue}, {0xB0, 0x40, 0, 0}));
    EXPECT_EQ(image.pixels, (std::vector<uint32_t>{kBlue, kRed, kBlue, kBlue, kRed, kRed, kRed, kRed,
                                                   kRed, kBlue}));

    // 4 bits, 3 pixels: indices 2, 0, 1.
    image = decodeOk(DecodeBmp, makeBmpRaw(3, 1, 4, 0, {kPalRed, kPalGreen, kPalBlue}, {0x20, 0x10, 0, 0}));
    EXPECT_EQ(image.pixels, (std::vector<uint32_t>{kBlue, kRed, kGreen}));

    // 8 bits; an index beyond the palette draws black.
    image = decodeOk(DecodeBmp, makeBmpRaw(3, 1, 8, 0, {kPalRed, kPalGreen}, {1, 0, 9, 0}));
    EXPECT_EQ(image.pixels, (std::vector<uint32_t>{kGreen, kRed, kBlack}));

    // 32 bits without masks: the fourth byte is not alpha, the picture is opaque.
    image = decodeOk(DecodeBmp, makeBmpRaw(1, 1, 32, 0, {}, {0x30, 0x20, 0x10, 0x00}));
    EXPECT_EQ(image.pixels, (std::vector<uint32_t>{0xFF102030}));

    // 16 bits, 5-5-5: full red, then mid grey (16 of 31 is 132 of 255).
    image = decodeOk(DecodeBmp, makeBmpRaw(2, 1, 16, 0, {}, {0x00, 0x7C, 0x10, 0x42}));
    EXPECT_EQ(image.pixels, (std::vector<uint32_t>{kRed, 0xFF848484}));
}

TEST(BmpDecoder, ReadsBitFieldsWithAlpha) {
    // 32-bit BI_BITFIELDS with masks after a 40-byte header is how Windows writes RGBA... but
    // with a version 5 header the alpha mask is in the header itself.
    std::vector<uint8_t> b(14 + 124 + 4);
    b[0] = 'B', b[1] = 'M';
    // The red, green, blue and alpha masks of the version 5 header.
    const auto setMasks = [&b](uint32_t r, uint32_t g, uint32_t bl, uint32_t a) {
        putU32(b, 54, r);
        putU32(b, 58, g);
        putU32(b, 62, bl);
        putU32(b, 66, a);
    };
    putU32(b, 10, 14 + 124);
    putU32(b, 14, 124);
    putU32(b, 18, 1);
    putU32(b, 22, 1);
    test::putU16(b, 26, 1);
    test::putU16(b, 28, 32);
    putU32(b, 30, 3);
    setMasks(0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000);
    putU32(b, 138, 0x80102030);
    EXPECT_EQ(decodeOk(DecodeBmp, b).pixels, (std::vector<uint32_t>{0x80102030}));
    // An alpha mask that leaves every pixel at zero means an opaque picture.
    putU32(b, 138, 0x00102030);
    EXPECT_EQ(decodeOk(DecodeBmp, b).pixels, (std::vector<uint32_t>{0xFF102030}));

    // 16-bit RGBA 5-5-5-1, alpha in the lowest bit: opaque red, then clear blue.
    putU32(b, 18, 2);
    test::putU16(b, 28, 16);
    setMasks(0xF800, 0x07C0, 0x003E, 0x0001);
    putU32(b, 138, 0x003EF801);
    EXPECT_EQ(decodeOk(DecodeBmp, b).pixels, (std::vector<uint32_t>{0xFFFF0000, 0x000000FF}));
}

TEST(BmpDecoder, ReadsRunLengthData) {
    // RLE8, 4 x 3: bottom row two reds then end of line; a move of one right and one up from
    // (0, 1) skips the middle row; on the top row a literal run of three (padded) then end of
    // bitmap. Skipped pixels stay clear.
    std::vector<uint8_t> rle8 = {2, 0, 0, 0, 0, 2, 1, 1, 0, 3, 1, 2, 0, 0, 0, 1};
    RasterImage image = decodeOk(DecodeBmp, makeBmpRaw(4, 3, 8, 1, {kPalRed, kPalGreen, kPalBlue}, rle8));
    EXPECT_EQ(image.pixels, (std::vector<uint32_t>{0, kGreen, kBlue, kRed,  // top
                                                   0, 0, 0, 0,              // middle
                                                   kRed, kRed, 0, 0}));     // bottom

    // RLE4, 5 x 1: a run of three alternating 1, 2, 1 then a literal of three (0, 2, 1), of
    // which the last falls outside the picture.
    std::vector<uint8_t> rle4 = {3, 0x12, 0, 3, 0x02, 0x10, 0, 1};
    image = decodeOk(DecodeBmp, makeBmpRaw(5, 1, 4, 2, {kPalRed, kPalGreen, kPalBlue}, rle4));
    EXPECT_EQ(image.pixels, (std::vector<uint32_t>{kGreen, kBlue, kGreen, kRed, kBlue}));

    // The end of the last row ends the bitmap too, without its own mark.
    image = decodeOk(DecodeBmp, makeBmpRaw(2, 1, 8, 1, {kPalRed}, {2, 0, 0, 0}));
    EXPECT_EQ(image.pixels, (std::vector<uint32_t>{kRed, kRed}));

    // Run-length data that ends early keeps what it drew and says so.
    RasterImage cut;
    std::vector<uint8_t> short8 = makeBmpRaw(4, 1, 8, 1, {kPalRed}, {2, 0, 0});
    const DecodeOutcome outcome = DecodeBmp(short8.data(), short8.size(), cut);
    EXPECT_EQ(outcome.status, DecodeStatus::Decoded);
    EXPECT_NE(outcome.message.find("cut short"), std::string::npos);
    EXPECT_EQ(cut.pixels, (std::vector<uint32_t>{kRed, kRed, 0, 0}));
}

TEST(BmpDecoder, ReadsCoreHeadersMasksAfterTheHeaderAndPaddedRuns) {
    // The 12-byte core header: 16-bit sizes and three-byte palette entries. 1 bit, 3 x 1.
    std::vector<uint8_t> core = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 32, 0, 0, 0,
                                 12, 0, 0, 0, 3, 0, 1, 0, 1, 0, 1, 0,
                                 0, 0, 255, 255, 0, 0,   // red, blue
                                 0xA0, 0, 0, 0};
    EXPECT_EQ(decodeOk(DecodeBmp, core).pixels, (std::vector<uint32_t>{kBlue, kRed, kBlue}));

    // 16 bits 5-6-5 with its masks after a 40-byte header: green 32 of 63 is 130 of 255.
    std::vector<uint8_t> masked = makeBmpRaw(3, 1, 16, 3, {0xF800, 0x07E0, 0x001F},
                                             {0x00, 0xF8, 0x00, 0x04, 0x1F, 0x00, 0, 0});
    putU32(masked, 46, 0);  // colours used: the masks are no palette
    EXPECT_EQ(decodeOk(DecodeBmp, masked).pixels, (std::vector<uint32_t>{kRed, 0xFF008200, kBlue}));

    // More colours said to be used than the depth holds: the depth's count is read.
    std::vector<uint8_t> oneBit = makeBmpRaw(2, 1, 1, 0, {kPalRed, kPalGreen}, {0x40, 0, 0, 0});
    putU32(oneBit, 46, 5);
    EXPECT_EQ(decodeOk(DecodeBmp, oneBit).pixels, (std::vector<uint32_t>{kRed, kGreen}));

    // RLE4: a literal of five nibbles takes three bytes and one of padding; RLE8: a move
    // along the row only.
    const std::vector<uint8_t> rle4 = {0, 5, 0x12, 0x01, 0x20, 0, 0, 1};
    EXPECT_EQ(decodeOk(DecodeBmp, makeBmpRaw(5, 1, 4, 2, {kPalRed, kPalGreen, kPalBlue}, rle4)).pixels,
              (std::vector<uint32_t>{kGreen, kBlue, kRed, kGreen, kBlue}));
    const std::vector<uint8_t> rle8 = {0, 2, 2, 0, 1, 2, 0, 1};
    EXPECT_EQ(decodeOk(DecodeBmp, makeBmpRaw(4, 1, 8, 1, {kPalRed, kPalGreen, kPalBlue}, rle8)).pixels,
              (std::vector<uint32_t>{0, 0, kBlue, 0}));

    // Headers between the core and the info header, sizes of nothing, and no pixels at all.
    std::vector<uint8_t> odd = makeBmpRaw(1, 1, 24, 0, {}, {0, 0, 0, 0});
    putU32(odd, 14, 16);
    expectFailed(DecodeBmp, odd, "bitmap headers of 16 bytes are not supported");
    expectFailed(DecodeBmp, makeBmpRaw(0, 1, 24, 0, {}, {0, 0, 0, 0}), "the bitmap size 0 x 1 is not valid");
    expectFailed(DecodeBmp, makeBmpRaw(1, 0, 24, 0, {}, {0, 0, 0, 0}), "the bitmap size 1 x 0 is not valid");
    expectFailed(DecodeBmp, makeBmpRaw(1, 1, 24, 0, {}, {}), "the bitmap has no pixel data");
    expectFailed(DecodeBmp, makeBmpRaw(1, 1, 24, 3, {}, {0, 0, 0, 0}), "the bitmap's colour masks are cut short");
    expectFailed(DecodeBmp, makeBmpRaw(1, 1, 24, 3, {}, std::vector<uint8_t>(16, 0)), "bitmaps of 24 bits with compression 3");
    expectFailed(DecodeBmp, makeBmpRaw(1, 1, 8, 2, {kPalRed}, {0, 0, 0, 0}), "bitmaps of 8 bits with compression 2");
}

TEST(BmpDecoder, RefusesDamagedOversizedAndForeignData) {
    RasterImage image;
    const std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', 13, 10, 26, 10};
    EXPECT_EQ(DecodeBmp(png.data(), png.size(), image).status, DecodeStatus::NotThisFormat);
    expectFailed(DecodeBmp, {'B', 'M', 0, 0}, "cut short");
    // 30000 x 20000 is 600 megapixels: refused from the header alone, width first.
    expectFailed(DecodeBmp, makeBmpRaw(30000, 20000, 24, 0, {}, {0, 0, 0, 0}), "is 30000 x 20000 pixels");
    expectFailed(DecodeBmp, makeBmpRaw(2, INT32_MIN, 24, 0, {}, {0, 0, 0, 0}), "not valid");
    expectFailed(DecodeBmp, makeBmpRaw(2, 2, 24, 4, {}, {0, 0, 0, 0}), "not supported");
    expectFailed(DecodeBmp, makeBmpRaw(2, -2, 8, 1, {kPalRed}, {0, 1}), "top-down");
    // A palette that runs past the end of the file.
    std::vector<uint8_t> noPalette = makeBmpRaw(2, 1, 8, 0, {kPalRed}, {});
    putU32(noPalette, 46, 200);
    expectFailed(DecodeBmp, noPalette, "palette");

    // Pixel rows cut short: the rows that are there are drawn, the message says what is missing.
    std::vector<uint8_t> rows(8 * 4, 0xFF);
    std::vector<uint8_t> full = makeBmpRaw(2, 4, 24, 0, {}, rows);
    full.resize(full.size() - 10);
    const DecodeOutcome outcome = DecodeBmp(full.data(), full.size(), image);
    EXPECT_EQ(outcome.status, DecodeStatus::Decoded);
    EXPECT_EQ(outcome.message, "the bitmap's pixel data is cut short after 2 rows");
    EXPECT_EQ(image.pixels[6], kWhite);  // bottom rows came first
    EXPECT_EQ(image.pixels[0], 0u);

    std::vector<uint32_t> pixels(16 * 16, kRed);
    expectEveryTruncationSurvives(DecodeBmp, test::makeBmp24(16, 16, pixels));
    expectCorruptionSurvives(DecodeBmp, makeBmpRaw(8, 8, 4, 2, {kPalRed}, {8, 0x11, 0, 2, 1, 1, 0, 5, 1, 2, 3, 0, 0, 1}));
}

TEST(PngDecoder, ReadsEveryColourType) {
    const std::vector<uint32_t> rgba = {0xFF102030, 0x80405060, 0x00000000, 0xFFFFFFFF};
    EXPECT_EQ(decodeOk(DecodePng, test::makePng(2, 2, rgba)).pixels, rgba);

    // Grey, 1 bit: 10 then 01.
    EXPECT_EQ(decodeOk(DecodePng, test::makePngRaw(2, 2, PNG_COLOR_TYPE_GRAY, 1, {0x80, 0x40})).pixels,
              (std::vector<uint32_t>{kWhite, kBlack, kBlack, kWhite}));

    // Palette with a transparent first entry.
    const std::vector<png_color> palette = {{255, 0, 0}, {0, 0, 255}};
    EXPECT_EQ(decodeOk(DecodePng, test::makePngRaw(2, 1, PNG_COLOR_TYPE_PALETTE, 8, {0, 1}, 0, palette, {0})).pixels,
              (std::vector<uint32_t>{0x00FF0000, kBlue}));

    // 16-bit RGB: scaled to 8 bits.
    EXPECT_EQ(decodeOk(DecodePng, test::makePngRaw(1, 1, PNG_COLOR_TYPE_RGB, 16, {0xFF, 0xFF, 0x80, 0x80, 0, 0})).pixels,
              (std::vector<uint32_t>{0xFFFF8000}));

    // Grey with alpha, 16 bits.
    EXPECT_EQ(decodeOk(DecodePng, test::makePngRaw(1, 1, PNG_COLOR_TYPE_GRAY_ALPHA, 16, {0x40, 0x40, 0x80, 0x00})).pixels,
              (std::vector<uint32_t>{0x80404040}));

    // Interlaced, 9 x 9, every pixel different.
    std::vector<uint32_t> many;
    for (uint32_t i = 0; i < 81; ++i) many.push_back(0xFF000000 | (i * 0x030201));
    std::vector<uint8_t> samples;
    for (uint32_t p : many) samples.insert(samples.end(), {uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p)});
    EXPECT_EQ(decodeOk(DecodePng, test::makePngRaw(9, 9, PNG_COLOR_TYPE_RGB, 8, samples, 1)).pixels, many);
}

// A valid PNG whose header claims another size (the header's checksum fixed up).
std::vector<uint8_t> pngClaiming(uint32_t width, uint32_t height) {
    std::vector<uint8_t> png = test::makePng(1, 1, {kRed});
    auto putBE = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) png[at + i] = (v >> (24 - 8 * i)) & 0xFF;
    };
    putBE(16, width);
    putBE(20, height);
    putBE(29, crc32(0, png.data() + 12, 17));
    return png;
}

TEST(PngDecoder, RefusesDamagedAndOversizedPictures) {
    expectFailed(DecodePng, pngClaiming(30000, 20000), "is 30000 x 20000 pixels");
    expectFailed(DecodePng, pngClaiming(0x7FFFFFFF, 1), "megapixels");
    std::vector<uint8_t> png = test::makePng(16, 16, std::vector<uint32_t>(256, kGreen));
    std::vector<uint8_t> badCrc = png;
    badCrc[40] ^= 0xFF;
    expectFailed(DecodePng, badCrc);
    std::vector<uint8_t> cut(png.begin(), png.begin() + png.size() / 2);
    expectFailed(DecodePng, cut, "cut short");
    expectEveryTruncationSurvives(DecodePng, png);
    expectCorruptionSurvives(DecodePng, png);
}

TEST(JpegDecoder, ReadsColourAndGrey) {
    RasterImage image = decodeOk(DecodeJpeg, test::makeJpeg(16, 8, std::vector<uint32_t>(128, 0xFF3366CC)));
    ASSERT_EQ(image.width, 16);
    ASSERT_EQ(image.height, 8);
    for (uint32_t p : image.pixels) {
        EXPECT_EQ(p >> 24, 0xFFu);
        EXPECT_NEAR(int((p >> 16) & 0xFF), 0x33, 3);
        EXPECT_NEAR(int((p >> 8) & 0xFF), 0x66, 3);
        EXPECT_NEAR(int(p & 0xFF), 0xCC, 3);
    }
    image = decodeOk(DecodeJpeg, test::makeJpeg(8, 8, std::vector<uint32_t>(64, 0x80), true));
    for (uint32_t p : image.pixels) EXPECT_EQ(p, 0xFF808080);
}

// A 4 x 4 four-channel JPEG of one ink mix, stored as CMYK or YCCK, with or without the Adobe
// marker that says the inks are stored inverted (as Photoshop writes them).
std::vector<uint8_t> makeCmykJpeg(const uint8_t ink[4], J_COLOR_SPACE stored, bool adobe) {
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* mem = nullptr;
    unsigned long memSize = 0;
    jpeg_mem_dest(&c, &mem, &memSize);
    c.image_width = 4;
    c.image_height = 4;
    c.input_components = 4;
    c.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&c);
    jpeg_set_colorspace(&c, stored);
    c.write_Adobe_marker = adobe ? TRUE : FALSE;
    jpeg_set_quality(&c, 95, TRUE);
    jpeg_start_compress(&c, TRUE);
    std::vector<uint8_t> row(16);
    for (int x = 0; x < 4; ++x) std::copy(ink, ink + 4, row.begin() + 4 * x);
    for (int y = 0; y < 4; ++y) {
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::vector<uint8_t> out(mem, mem + memSize);
    std::free(mem);
    return out;
}

TEST(JpegDecoder, ReadsCmykAndYcckInks) {
    // Adobe's way, 255 as no ink, then the same mix with 255 as full ink, and the colour it gives.
    const struct {
        uint8_t inverted[4], plain[4];
        int red, green, blue;
    } mixes[] = {{{255, 0, 128, 255}, {0, 255, 127, 0}, 255, 0, 128}, {{0, 255, 0, 255}, {255, 0, 255, 0}, 0, 255, 0}};
    for (const auto& mix : mixes) {
        for (J_COLOR_SPACE stored : {JCS_CMYK, JCS_YCCK}) {
            for (bool adobe : {true, false}) {
                if (stored == JCS_YCCK && !adobe) continue;  // only the marker tells YCCK
                SCOPED_TRACE(std::to_string(mix.blue) + " " + std::to_string(int(stored)) +
                             (adobe ? " with the marker" : " without"));
                const RasterImage image =
                    decodeOk(DecodeJpeg, makeCmykJpeg(adobe ? mix.inverted : mix.plain, stored, adobe));
                ASSERT_EQ(image.pixels.size(), 16u);
                for (uint32_t p : image.pixels) {
                    EXPECT_EQ(p >> 24, 0xFFu);
                    EXPECT_NEAR(int((p >> 16) & 0xFF), mix.red, 3);
                    EXPECT_NEAR(int((p >> 8) & 0xFF), mix.green, 3);
                    EXPECT_NEAR(int(p & 0xFF), mix.blue, 3);
                }
            }
        }
    }
}

TEST(JpegDecoder, RefusesDamagedAndOversizedPictures) {
    std::vector<uint32_t> noise(1024);
    for (uint32_t i = 0; i < noise.size(); ++i) noise[i] = 0xFF000000 | ((i * 2654435761u) >> 8);
    std::vector<uint8_t> jpeg = test::makeJpeg(32, 32, noise);
    // The frame header (SOF0) holds height and width, big-endian, five and seven bytes in.
    std::vector<uint8_t> huge = jpeg;
    for (size_t i = 2; i + 9 < huge.size(); ++i) {
        if (huge[i] == 0xFF && huge[i + 1] == 0xC0) {
            huge[i + 5] = 0x4E, huge[i + 6] = 0x20, huge[i + 7] = 0x75, huge[i + 8] = 0x30;
            break;
        }
    }
    expectFailed(DecodeJpeg, huge, "is 30000 x 20000 pixels");
    expectFailed(DecodeJpeg, {0xFF, 0xD8, 0xFF, 0xE0, 0, 2});
    std::vector<uint8_t> manyScans = {0xFF, 0xD8, 0xFF};
    for (int i = 0; i < 1001; ++i) manyScans.insert(manyScans.end(), {0xFF, 0xDA, 0, 2});
    expectFailed(DecodeJpeg, manyScans, "more than 1000 scans");

    // Cut inside the scan: libjpeg fills the rest and the message says so.
    std::vector<uint8_t> cut(jpeg.begin(), jpeg.begin() + jpeg.size() - 40);
    RasterImage image;
    const DecodeOutcome outcome = DecodeJpeg(cut.data(), cut.size(), image);
    EXPECT_EQ(outcome.status, DecodeStatus::Decoded);
    EXPECT_NE(outcome.message, "");
    EXPECT_EQ(image.width, 32);
    expectEveryTruncationSurvives(DecodeJpeg, jpeg);
    expectCorruptionSurvives(DecodeJpeg, jpeg);
}

TEST(GifDecoder, ReadsTheFirstFrameWithTransparency) {
    const std::vector<uint32_t> palette = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
    RasterImage image = decodeOk(DecodeGif, test::makeGif(2, 2, {0, 1, 2, 3}, palette, 3));
    EXPECT_EQ(image.pixels, (std::vector<uint32_t>{kRed, kGreen, kBlue, 0}));

    // Only a graphic control extension says which colour is clear: a four-byte comment whose
    // bytes would read as one (flags 1, colour 2) changes nothing.
    std::vector<uint8_t> commented = test::makeGif(2, 2, {0, 1, 2, 3}, palette);
    const size_t colours = size_t{3} << ((commented[10] & 7) + 1);
    const uint8_t comment[] = {0x21, 0xFE, 4, 1, 0, 0, 2, 0};
    commented.insert(commented.begin() + static_cast<long>(13 + colours), std::begin(comment), std::end(comment));
    image = decodeOk(DecodeGif, commented);
    EXPECT_EQ(image.pixels, (std::vector<uint32_t>{kRed, kGreen, kBlue, 0xFFFFFFFF}));

    // Interlaced rows come back in picture order.
    std::vector<uint8_t> indices;
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 2; ++x) indices.push_back(y % 4);
    image = decodeOk(DecodeGif, test::makeGif(2, 10, indices, palette, -1, true));
    for (int y = 0; y < 10; ++y) EXPECT_EQ(image.pixels[y * 2], 0xFF000000 | palette[y % 4]) << y;

    // A frame placed inside a larger screen: the rest of the screen is clear.
    image = decodeOk(DecodeGif, test::makeGif(1, 1, {1}, palette, -1, false, 3, 2, 2, 1));
    EXPECT_EQ(image.pixels, (std::vector<uint32_t>{0, 0, 0, 0, 0, kGreen}));
}

TEST(GifDecoder, RefusesDamagedAndOversizedPictures) {
    const std::vector<uint32_t> palette = {0xFF0000, 0x00FF00};
    std::vector<uint8_t> gif = test::makeGif(64, 64, std::vector<uint8_t>(4096, 1), palette);
    std::vector<uint8_t> huge = gif;
    huge[6] = huge[7] = huge[9] = 0xFF;  // a 65535 x 65534 screen
    huge[8] = 0xFE;
    expectFailed(DecodeGif, huge, "is 65535 x 65534 pixels");
    expectFailed(DecodeGif, {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0, ';'}, "no picture");
    // A frame of no width or height, on a screen of one pixel.
    for (const std::vector<uint8_t>& size : {std::vector<uint8_t>{0, 0, 1, 0}, std::vector<uint8_t>{1, 0, 0, 0}}) {
        std::vector<uint8_t> empty = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0, 0x2C, 0, 0, 0, 0,
                                      size[0], size[1], size[2], size[3], 0, 2, 2, 0x4C, 0x01, 0, ';'};
        expectFailed(DecodeGif, empty, "the GIF frame has no pixels");
    }
    // A frame far larger than its screen is refused by its own size, width first.
    expectFailed(DecodeGif, {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0, 0x2C, 0, 0, 0, 0, 0xFF, 0xFF, 0xFE,
                             0xFF, 0, 2, 2, 0x4C, 0x01, 0, ';'},
                 "is 65535 x 65534 pixels");
    expectEveryTruncationSurvives(DecodeGif, gif);
    expectCorruptionSurvives(DecodeGif, gif);
}

TEST(BuiltInFormats, ComeFromExtensionsAndSignatures) {
    EXPECT_EQ(BuiltInFormatOfExtension("a/b.c/logo.Bmp"), BuiltInFormat::Bmp);
    EXPECT_EQ(BuiltInFormatOfExtension("x.JPEG"), BuiltInFormat::Jpeg);
    EXPECT_EQ(BuiltInFormatOfExtension("x.jpg"), BuiltInFormat::Jpeg);
    EXPECT_EQ(BuiltInFormatOfExtension("x.gif"), BuiltInFormat::Gif);
    EXPECT_EQ(BuiltInFormatOfExtension("x.png"), BuiltInFormat::Png);
    EXPECT_EQ(BuiltInFormatOfExtension("x.tif"), BuiltInFormat::None);
    EXPECT_EQ(BuiltInFormatOfExtension("dir.png/x"), BuiltInFormat::None);
    const std::vector<uint8_t> gif = {'G', 'I', 'F', '8', '7', 'a'};
    EXPECT_EQ(SniffBuiltInFormat(gif.data(), gif.size()), BuiltInFormat::Gif);
    const std::vector<uint8_t> jpeg = {0xFF, 0xD8, 0xFF};
    EXPECT_EQ(SniffBuiltInFormat(jpeg.data(), jpeg.size()), BuiltInFormat::Jpeg);
    EXPECT_EQ(SniffBuiltInFormat(jpeg.data(), 2), BuiltInFormat::None);
    const std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    EXPECT_EQ(SniffBuiltInFormat(png.data(), 8), BuiltInFormat::Png);
    EXPECT_EQ(SniffBuiltInFormat(png.data(), 7), BuiltInFormat::None);
    const std::vector<uint8_t> gif89 = {'G', 'I', 'F', '8', '9', 'a'}, bmp = {'B', 'M'};
    EXPECT_EQ(SniffBuiltInFormat(gif89.data(), 6), BuiltInFormat::Gif);
    EXPECT_EQ(SniffBuiltInFormat(gif89.data(), 5), BuiltInFormat::None);
    EXPECT_EQ(SniffBuiltInFormat(bmp.data(), 2), BuiltInFormat::Bmp);
    EXPECT_EQ(SniffBuiltInFormat(bmp.data(), 1), BuiltInFormat::None);
    RasterImage image;
    EXPECT_EQ(DecodeBuiltIn(BuiltInFormat::None, bmp.data(), 2, image).status, DecodeStatus::NotThisFormat);
}

// A picture needs pixels and may hold up to 100 megapixels; beyond the request's allowance it
// is refused as such, so that the render can say its pictures were cut short.
TEST(BuiltInFormats, PictureSizesUpToTheLimitAndTheAllowance) {
    std::string why;
    EXPECT_FALSE(PictureSizeAllowed(0, 5, why));
    EXPECT_EQ(why, "the picture has no pixels");
    why.clear();
    EXPECT_FALSE(PictureSizeAllowed(5, 0, why));
    EXPECT_EQ(why, "the picture has no pixels");
    EXPECT_TRUE(PictureSizeAllowed(10000, 10000, why));
    EXPECT_TRUE(PictureSizeAllowed(1, kMaxPicturePixels, why));
    EXPECT_FALSE(PictureSizeAllowed(10001, 10000, why));
    EXPECT_EQ(why, "the picture is 10001 x 10000 pixels, more than 100 megapixels");
    EXPECT_FALSE(PictureSizeAllowed(0x100000000ull, 1, why));
    EXPECT_FALSE(PictureSizeAllowed(1, 0x100000000ull, why));

    DecodeRequest request;
    request.pixelAllowance = 100;
    DecodeOutcome refusal;
    EXPECT_TRUE(PictureSizeAccepted(10, 10, request, refusal));
    EXPECT_FALSE(PictureSizeAccepted(101, 1, request, refusal));
    EXPECT_TRUE(refusal.overAllowance);
    EXPECT_EQ(refusal.status, DecodeStatus::Failed);
    EXPECT_FALSE(PictureSizeAccepted(0, 1, request, refusal));
    EXPECT_FALSE(refusal.overAllowance);
    EXPECT_EQ(refusal.message, "the picture has no pixels");
}

}  // namespace
}  // namespace korvel
