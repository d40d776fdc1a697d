// Metafiles from other programs: their pixel size, the record walk that guards the converter,
// and the picture drawn from them.
#include <gtest/gtest.h>

#include <cstring>

#include "output/emf_target.h"
#include "platform/emf_preview.h"

namespace korvel {
namespace {

// A w × h metafile: white, with the right half filled black.
QByteArray halfBlackMetafile(int w, int h) {
    EmfTarget emf(FittedMetafileFrame(w, h), "test");
    BrushSpec black;
    black.color = 0;
    emf.setBrush(black);
    emf.fillRect(w / 2, 0, w, h);
    std::vector<uint8_t> bytes;
    std::string error;
    EXPECT_TRUE(emf.finish(bytes, error)) << error;
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}

void put32(QByteArray& b, int at, int32_t v) { std::memcpy(b.data() + at, &v, 4); }

TEST(EmfPixelSize, FrameThroughTheReferenceDevice) {
    QSize size;
    ASSERT_TRUE(EmfPixelSize(halfBlackMetafile(400, 300), size));
    EXPECT_EQ(size, QSize(400, 300));

    // A frame of 100 × 50 mm on a device of 1024 × 768 pixels over 320 × 240 mm.
    QByteArray emf = halfBlackMetafile(10, 10);
    put32(emf, 24, 1000), put32(emf, 28, 2000), put32(emf, 32, 11000), put32(emf, 36, 7000);
    put32(emf, 72, 1024), put32(emf, 76, 768), put32(emf, 80, 320), put32(emf, 84, 240);
    ASSERT_TRUE(EmfPixelSize(emf, size));
    EXPECT_EQ(size, QSize(320, 160));
    // 12.5 pixels: halves go away from zero, as MulDiv rounds.
    put32(emf, 72, 1000), put32(emf, 80, 1000), put32(emf, 32, 1000 + 1250);
    ASSERT_TRUE(EmfPixelSize(emf, size));
    EXPECT_EQ(size.width(), 13);
    put32(emf, 32, 1000 + 1249);
    ASSERT_TRUE(EmfPixelSize(emf, size));
    EXPECT_EQ(size.width(), 12);
}

TEST(EmfPixelSize, RejectsWhatIsNotAMetafileOrHasNoSize) {
    QSize size(7, 7);
    EXPECT_FALSE(EmfPixelSize(QByteArray(), size));
    EXPECT_FALSE(EmfPixelSize(QByteArray(87, '\0'), size));
    const QByteArray good = halfBlackMetafile(40, 30);
    EXPECT_FALSE(EmfPixelSize(good.left(87), size));
    QByteArray bad = good;
    bad[40] = 'X';  // signature
    EXPECT_FALSE(EmfPixelSize(bad, size));
    bad = good;
    put32(bad, 80, 0);  // a device of no millimetres
    EXPECT_FALSE(EmfPixelSize(bad, size));
    bad = good;
    put32(bad, 32, -5);  // frame right of its left
    EXPECT_FALSE(EmfPixelSize(bad, size));
    bad = good;
    put32(bad, 4, 1 << 30);  // header larger than the bytes
    EXPECT_FALSE(EmfPixelSize(bad, size));
    EXPECT_EQ(size, QSize(7, 7));
}

TEST(EmfRecords, WalkStopsAtEofAndRefusesBrokenRecords) {
    const QByteArray good = halfBlackMetafile(40, 30);
    EXPECT_EQ(EmfRecordsLength(good), static_cast<size_t>(good.size()));
    EXPECT_EQ(EmfRecordsLength(good + QByteArray(16, 'x')), static_cast<size_t>(good.size()));
    EXPECT_EQ(EmfRecordsLength(good.left(good.size() - 4)), 0u);  // the EOF record is cut
    QByteArray bad = good;
    const int header = static_cast<int>(good.size() > 8 ? *reinterpret_cast<const uint32_t*>(good.constData() + 4) : 0);
    put32(bad, header + 4, 6);  // second record not a multiple of four
    EXPECT_EQ(EmfRecordsLength(bad), 0u);
    put32(bad, header + 4, 0);  // a record of no length would never end
    EXPECT_EQ(EmfRecordsLength(bad), 0u);
    put32(bad, header + 4, 0x7FFFFFF0);
    EXPECT_EQ(EmfRecordsLength(bad), 0u);
}

TEST(EmfPicture, EveryPrefixIsRefusedOrDrawnWithoutCrashing) {
    const QByteArray good = halfBlackMetafile(40, 30);
    EmfPicture picture;
    for (qsizetype n = 0; n < good.size(); ++n) {
        EXPECT_FALSE(picture.load(good.left(n))) << n;
        EXPECT_TRUE(picture.isNull());
        EXPECT_TRUE(picture.render(QSize(10, 10)).isNull());
    }
    EXPECT_TRUE(picture.load(good));
}

TEST(EmfPicture, DrawsStretchedOverWhite) {
    EmfPicture picture;
    ASSERT_TRUE(picture.load(halfBlackMetafile(400, 300)));
    EXPECT_EQ(picture.pixelSize(), QSize(400, 300));
    const QImage image = picture.render(QSize(200, 150));
    ASSERT_EQ(image.size(), QSize(200, 150));
    EXPECT_EQ(image.pixel(10, 75), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(90, 75), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(110, 75), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(199, 149), qRgb(0, 0, 0));
    const QImage twice = picture.render(QSize(800, 600));
    EXPECT_EQ(twice.pixel(390, 300), qRgb(255, 255, 255));
    EXPECT_EQ(twice.pixel(410, 300), qRgb(0, 0, 0));
    EXPECT_TRUE(picture.render(QSize(0, 10)).isNull());
    EXPECT_TRUE(picture.render(QSize(-3, 10)).isNull());
}

}  // namespace
}  // namespace korvel
