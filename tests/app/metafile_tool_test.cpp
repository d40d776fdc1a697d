// The clipboard-metafile tool's rules that need no clipboard: the magnification's entry and
// text, the height ratio and reference text, the start folder, and metafiles that other
// programs might hand over broken.
#include <QDir>
#include <QPainter>
#include <cstring>
#include <filesystem>
#include <random>

#include "app/metafile_tool.h"
#include "output/emf_target.h"
#include "platform/emf_preview.h"
#include "window_fixture.h"

namespace korvel::test {
namespace {

TEST(MetafileTool, MagnificationTextHasOneDecimalAndNoLeadingZero) {
    EXPECT_EQ(MagnificationText(1.0), QStringLiteral("×1.0"));
    EXPECT_EQ(MagnificationText(5.0), QStringLiteral("×5.0"));
    EXPECT_EQ(MagnificationText(2.25), QStringLiteral("×2.3"));  // halves away from zero
    EXPECT_EQ(MagnificationText(1.04), QStringLiteral("×1.0"));
    EXPECT_EQ(MagnificationText(0.5), QStringLiteral("×.5"));
    EXPECT_EQ(MagnificationText(0.0), QStringLiteral("×.0"));
    EXPECT_EQ(MagnificationText(-0.04), QStringLiteral("×.0"));
    EXPECT_EQ(MagnificationText(-0.5), QStringLiteral("×-.5"));
    EXPECT_EQ(MagnificationText(-2.0), QStringLiteral("×-2.0"));
}

TEST(MetafileTool, MagnificationEntries) {
    EXPECT_EQ(ParseMagnification(QStringLiteral("7")), 5.0);
    EXPECT_EQ(ParseMagnification(QStringLiteral("5.01")), 5.0);
    EXPECT_EQ(ParseMagnification(QStringLiteral("1e1")), 5.0);
    EXPECT_EQ(ParseMagnification(QStringLiteral(" 2.5 ")), 2.5);
    EXPECT_EQ(ParseMagnification(QStringLiteral("0.25")), 0.25);
    EXPECT_EQ(ParseMagnification(QStringLiteral("0")), 0.0);    // kept as entered
    EXPECT_EQ(ParseMagnification(QStringLiteral("-3")), -3.0);
    for (const char* notANumber : {"x", "", "2,5", "2x", "inf", "nan", "１"})
        EXPECT_EQ(ParseMagnification(QString::fromUtf8(notANumber)), 1.0) << notANumber;
}

TEST(MetafileTool, HeightRatioIsCutToFourDecimalsAndWrittenShortest) {
    EXPECT_EQ(HeightRatio(491, 368), 74.949);
    EXPECT_EQ(HeightRatio(400, 300), 75.0);
    EXPECT_EQ(HeightRatio(3, 1), 33.3333);
    EXPECT_EQ(HeightRatio(3, 2), 66.6666);  // cut, not rounded
    EXPECT_EQ(HeightRatio(0, 368), 0.0);
    EXPECT_EQ(HeightRatio(491, 0), 0.0);
    EXPECT_EQ(ImageReferenceText(QStringLiteral("Z:\\work\\_Grp_.bmp"), 74.949),
              QStringLiteral("^@BMZ:\\work\\_Grp_.bmp,100,74.949"));
    EXPECT_EQ(ImageReferenceText(QStringLiteral("C:\\a\\_Grp_.bmp"), 75.0), QStringLiteral("^@BMC:\\a\\_Grp_.bmp,100,75"));
    EXPECT_EQ(ImageReferenceText(QStringLiteral("x"), HeightRatio(3, 2)), QStringLiteral("^@BMx,100,66.6666"));
}

TEST(MetafileTool, StartFolderFollowsJwWinsFolderThroughThePrefix) {
    namespace fs = std::filesystem;
    const std::string prefix = scratchDir("metafile_start_prefix");
    fs::create_directories(prefix + "/drive_c/JWW");
    const std::string jww = fs::canonical(prefix + "/drive_c/JWW").string();
    EXPECT_EQ(MetafileToolStartFolder("C:\\jww", prefix).toStdString(), jww);
    EXPECT_EQ(MetafileToolStartFolder("/srv/plans", prefix), QStringLiteral("/srv/plans"));
    EXPECT_EQ(MetafileToolStartFolder("", prefix), QDir::homePath());
    EXPECT_EQ(MetafileToolStartFolder("Q:\\nowhere", prefix), QDir::homePath());
}

QByteArray sceneMetafile() {
    EmfTarget emf(FittedMetafileFrame(120, 80), "scene");
    PenSpec pen;
    pen.color = 0x0000FF;
    pen.width = 2;
    emf.setPen(pen);
    const DevicePoint points[] = {{0, 0}, {60, 40}, {119, 10}};
    emf.polyline(points, 3);
    emf.ellipse(10, 10, 50, 50);
    FontSpec font;
    font.face = "ＭＳ ゴシック";
    font.height = 12;
    font.width = 6;
    emf.setFont(font);
    emf.textOut(5, 60, U"図面 A");
    RasterImage picture;
    picture.width = 2;
    picture.height = 2;
    picture.pixels = {0x000000, 0xFFFFFF, 0xFFFFFF, 0x000000};
    emf.stretchPicture(70, 40, 110, 70, picture);
    std::vector<uint8_t> bytes;
    std::string error;
    EXPECT_TRUE(emf.finish(bytes, error)) << error;
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}

using MetafilePictureTest = WindowTest;

// Other programs' metafiles are read by C code; damaged ones must never take the program down.
// Text drawn with glyph indices also makes the converter look fonts up behind Qt's back.
TEST_F(MetafilePictureTest, DamagedMetafilesAreRefusedOrDrawnNeverCrash) {
    const QByteArray good = sceneMetafile();
    EmfPicture picture;
    ASSERT_TRUE(picture.load(good));
    const QImage reference = picture.render(QSize(120, 80));
    ASSERT_FALSE(reference.isNull());

    QByteArray glyphs = good;
    for (size_t at = 0; at + 8 <= static_cast<size_t>(glyphs.size());) {
        uint32_t type, size;
        std::memcpy(&type, glyphs.constData() + at, 4);
        std::memcpy(&size, glyphs.constData() + at + 4, 4);
        if (type == 84 && size >= 56) glyphs[static_cast<qsizetype>(at + 52)] |= 0x10;  // ETO_GLYPH_INDEX
        if (type == 14 || size < 8) break;
        at += size;
    }
    EXPECT_TRUE(picture.load(glyphs));
    EXPECT_FALSE(picture.render(QSize(60, 40)).isNull());

    std::mt19937 random(20261208);
    int drawn = 0;
    for (int round = 0; round < 400; ++round) {
        QByteArray damaged = good;
        const int flips = 1 + static_cast<int>(random() % 8);
        for (int k = 0; k < flips; ++k)
            damaged[static_cast<qsizetype>(88 + random() % (damaged.size() - 88))] = static_cast<char>(random());
        if (picture.load(damaged)) {
            ++drawn;
            picture.render(QSize(60, 40));
        }
    }
    EXPECT_GT(drawn, 0);
    // Qt's own text still works after all that.
    QImage text(80, 30, QImage::Format_RGB32);
    text.fill(Qt::white);
    QPainter painter(&text);
    painter.setFont(QFont(QStringLiteral("IPAGothic"), 14));
    painter.drawText(4, 22, QStringLiteral("図面"));
    painter.end();
    int inked = 0;
    for (int y = 0; y < text.height(); ++y)
        for (int x = 0; x < text.width(); ++x) inked += text.pixel(x, y) != qRgb(255, 255, 255);
    EXPECT_GT(inked, 20);
}

}  // namespace
}  // namespace korvel::test
