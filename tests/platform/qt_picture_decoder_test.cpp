#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>

#include "platform/qt_picture_decoder.h"
#include "render/picture_drawer.h"
#include "render/recording_target.h"
#include "test_support.h"

namespace korvel {
namespace {

std::vector<uint8_t> encode(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(image.save(&buffer, format)) << format;
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

QImage sample() {
    QImage image(3, 2, QImage::Format_ARGB32);
    const QRgb colours[6] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0x80FFFFFF, 0xFF000000, 0xFF123456};
    for (int i = 0; i < 6; ++i) image.setPixel(i % 3, i / 3, colours[i]);
    return image;
}

TEST(QtPictureDecoder, DecodesWhatThePlugInsRead) {
    QtPictureDecoder decoder;
    for (const char* format : {"tiff", "webp"}) {
        const std::vector<uint8_t> bytes = encode(sample(), format);
        RasterImage image;
        const DecodeOutcome outcome = decoder.decode(bytes.data(), bytes.size(), "x.bin", image);
        ASSERT_EQ(outcome.status, DecodeStatus::Decoded) << format << outcome.message;
        EXPECT_EQ(image.width, 3);
        EXPECT_EQ(image.height, 2);
        if (std::string(format) == "tiff") {  // lossless
            EXPECT_EQ(image.pixels, (std::vector<uint32_t>{0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0x80FFFFFF,
                                                           0xFF000000, 0xFF123456}));
        }
    }
}

TEST(QtPictureDecoder, SaysNoOrFailsButNeverCrashes) {
    QtPictureDecoder decoder;
    RasterImage image;
    const std::string text = "just some text, not a picture";
    EXPECT_EQ(decoder.decode(reinterpret_cast<const uint8_t*>(text.data()), text.size(), "a.txt", image).status,
              DecodeStatus::NotThisFormat);
    const std::string svg = "<svg xmlns='http://www.w3.org/2000/svg' width='4' height='4'/>";
    EXPECT_EQ(decoder.decode(reinterpret_cast<const uint8_t*>(svg.data()), svg.size(), "a.svg", image).status,
              DecodeStatus::NotThisFormat);
    const std::vector<uint8_t> tiff = encode(QImage(64, 64, QImage::Format_RGB32), "tiff");
    for (size_t n = 8; n < tiff.size(); n += 97) {
        const DecodeOutcome outcome = decoder.decode(tiff.data(), n, "cut.tif", image);
        if (outcome.status == DecodeStatus::Decoded) {
            EXPECT_EQ(image.pixels.size(), size_t(image.width) * image.height);
        }
    }
}

TEST(QtPictureDecoder, DrawsTifOnlyWhenPlugInsAreAllowed) {
    ClearExtraPictureDecoders();
    InstallQtPictureDecoders();
    InstallQtPictureDecoders();
    EXPECT_EQ(ExtraPictureDecoders().size(), 1u);
    const std::string folder = test::scratchDir("qt_picture_tif");
    test::writeFileBytes(folder + "/scan.tif", encode(sample(), "tiff"));
    Drawing drawing;
    drawing.DrawingFolder = folder;
    RenderOptions options;
    RecordingTarget target;
    {
        RenderContext context(drawing, options);
        DrawImageReference(context, target, 0, 100, 1.0, "^@BMscan.tif,30,20");
    }
    ASSERT_EQ(target.count(CallKind::Image), 1u);
    EXPECT_EQ(target.listing(), "image rect(0,80,30,100) picture 3x2\n");
    options.builtInDecodersOnly = true;
    {
        RenderContext context(drawing, options);
        DrawImageReference(context, target, 0, 100, 1.0, "^@BMscan.tif,30,20");
    }
    EXPECT_EQ(target.count(CallKind::Image), 1u);
    ClearExtraPictureDecoders();
}

}  // namespace
}  // namespace korvel
