// Metafiles from other programs: their pixel size, the record walk that guards the converter,
// and the picture drawn from them.
#include <gtest/gtest.h>

#include <cstring>

#include "metafile_fixture.h"
#include "platform/emf_preview.h"

namespace korvel::test {
namespace {

void put32(QByteArray& b, int at, int32_t v) { std::memcpy(b.data() + at, &v, 4); }

TEST(EmfPixelSize, FrameThroughTheReferenceDevice) {
    QSize size;
    ASSERT_TRUE(EmfPixelSize(HalfBlackMetafile(400, 300), size));
    EXPECT_EQ(size, QSize(400, 300));
    // A frame of 100 × 50 mm on a device of 1024 × 768 pixels over 320 × 240 mm.
    QByteArray emf = HalfBlackMetafile(10, 10);
    put32(emf, 24, 1000), put32(emf, 28, 2000), put32(emf, 32, 11000), put32(emf, 36, 7000);
    put32(emf, 72, 1024), put32(emf, 76, 768), put32(emf, 80, 320), put32(emf, 84, 240);
    ASSERT_TRUE(EmfPixelSize(emf, size));
    EXPECT_EQ(size, QSize(320, 160));
    // 12.5 pixels: halves go away from zero, as MulDiv rounds.
    put32(emf, 72, 1000), put32(emf, 80, 1000), put32(emf, 32, 1000 + 1250);
    ASSERT_TRUE(EmfPixelSize(emf, size));
    EXPECT_EQ(size.width(), 13);
}

TEST(EmfPixelSize, RefusesWhatIsNotAMetafileOrHasNoSizeOrNoEnd) {
    const QByteArray good = HalfBlackMetafile(40, 30);
    EXPECT_EQ(EmfRecordsLength(good + QByteArray(16, 'x')), static_cast<size_t>(good.size()));
    QSize size(7, 7);
    EXPECT_FALSE(EmfPixelSize(good.left(87), size));
    const std::pair<int, int32_t> damages[] = {{40, 0x58585858},  // signature
                                               {80, 0},           // a device of no millimetres
                                               {32, -5},          // frame right of its left
                                               {4, 1 << 30}};     // header larger than the bytes
    for (auto [at, value] : damages) {
        QByteArray bad = good;
        put32(bad, at, value);
        EXPECT_FALSE(EmfPixelSize(bad, size)) << at;
    }
    EXPECT_EQ(size, QSize(7, 7));
    int32_t header;  // the header record's size: the second record starts there
    std::memcpy(&header, good.constData() + 4, 4);
    for (int32_t length : {6, 0, 0x7FFFFFF0}) {  // not a multiple of four, endless, past the end
        QByteArray bad = good;
        put32(bad, header + 4, length);
        EXPECT_EQ(EmfRecordsLength(bad), 0u) << length;
    }
    EXPECT_EQ(EmfRecordsLength(good.left(good.size() - 4)), 0u);  // the end record is cut
    EmfPicture picture;
    EXPECT_FALSE(picture.load(good.left(good.size() - 4)));
    EXPECT_TRUE(picture.render(QSize(10, 10)).isNull());
}

TEST(EmfPicture, DrawsStretchedOverWhite) {
    EmfPicture picture;
    ASSERT_TRUE(picture.load(HalfBlackMetafile(400, 300)));
    EXPECT_EQ(picture.pixelSize(), QSize(400, 300));
    const QImage image = picture.render(QSize(200, 150));
    ASSERT_EQ(image.size(), QSize(200, 150));
    EXPECT_EQ(image.pixel(90, 75), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(110, 75), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(199, 149), qRgb(0, 0, 0));
    const QImage twice = picture.render(QSize(800, 600));
    EXPECT_EQ(twice.pixel(390, 300), qRgb(255, 255, 255));
    EXPECT_EQ(twice.pixel(410, 300), qRgb(0, 0, 0));
    EXPECT_TRUE(picture.render(QSize(0, 10)).isNull());
}

}  // namespace
}  // namespace korvel::test
