// The clipboard-metafile tool's rules that need no clipboard, and metafiles that other programs
// might hand over damaged.
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

TEST(MetafileTool, MagnificationEntryAndText) {
    const std::pair<const char*, double> entries[] = {
        {"7", 5.0}, {"1e1", 5.0}, {" 2.5 ", 2.5}, {"0", 0.0}, {"-3", -3.0},  // kept as entered
        {"x", 1.0}, {"", 1.0},    {"2,5", 1.0}, {"inf", 1.0}, {"１", 1.0}};
    for (auto [text, m] : entries) EXPECT_EQ(ParseMagnification(QString::fromUtf8(text)), m) << text;
    const std::pair<double, const char*> texts[] = {{1.0, "×1.0"}, {2.25, "×2.3"}, {0.5, "×.5"},
                                                    {-0.04, "×.0"}, {-2.0, "×-2.0"}};
    for (auto [m, text] : texts) EXPECT_EQ(MagnificationText(m), QString::fromUtf8(text)) << m;
}

TEST(MetafileTool, HeightRatioIsCutToFourDecimalsAndWrittenShortest) {
    EXPECT_EQ(HeightRatio(491, 368), 74.949);
    EXPECT_EQ(HeightRatio(3, 2), 66.6666);  // cut, not rounded
    EXPECT_EQ(HeightRatio(0, 368), 0.0);
    EXPECT_EQ(ImageReferenceText(QStringLiteral("Z:\\w\\_Grp_.bmp"), 74.949), QStringLiteral("^@BMZ:\\w\\_Grp_.bmp,100,74.949"));
    EXPECT_EQ(ImageReferenceText(QStringLiteral("C:\\_Grp_.bmp"), HeightRatio(400, 300)), QStringLiteral("^@BMC:\\_Grp_.bmp,100,75"));
}

TEST(MetafileTool, StartFolderFollowsJwWinsFolderThroughThePrefix) {
    const std::string prefix = scratchDir("metafile_start_prefix");
    std::filesystem::create_directories(prefix + "/drive_c/JWW");
    EXPECT_EQ(MetafileToolStartFolder("C:\\jww", prefix).toStdString(),
              std::filesystem::canonical(prefix + "/drive_c/JWW").string());
    EXPECT_EQ(MetafileToolStartFolder("/srv/plans/../x", prefix), QStringLiteral("/srv/x"));
    EXPECT_EQ(MetafileToolStartFolder("", prefix), QDir::homePath());
    EXPECT_EQ(MetafileToolStartFolder("Q:\\nowhere", prefix), QDir::homePath());
}

QByteArray sceneMetafile() {
    EmfTarget emf(FittedMetafileFrame(120, 80), "scene");
    const DevicePoint points[] = {{0, 0}, {60, 40}, {119, 10}};
    emf.polyline(points, 3, PenSpec{});
    TextStyle text;
    text.font.face = "ＭＳ ゴシック";
    text.font.height = 12;
    emf.text({5, 60}, U"図面 A", text);
    emf.image({70, 40, 110, 70}, RasterImage{2, 2, {0x000000, 0xFFFFFF, 0xFFFFFF, 0x000000}});
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
    QByteArray glyphs = good;
    for (size_t at = 0; at + 56 <= static_cast<size_t>(glyphs.size());) {
        uint32_t type, size;
        std::memcpy(&type, glyphs.constData() + at, 4);
        std::memcpy(&size, glyphs.constData() + at + 4, 4);
        if (type == 84) glyphs[static_cast<qsizetype>(at + 52)] |= 0x10;  // ETO_GLYPH_INDEX
        if (type == 14 || size < 8) break;
        at += size;
    }
    ASSERT_TRUE(picture.load(glyphs));
    EXPECT_FALSE(picture.render(QSize(60, 40)).isNull());

    std::mt19937 random(20261208);
    int drawn = 0;
    for (int round = 0; round < 400; ++round) {
        QByteArray damaged = good;
        for (int k = 1 + static_cast<int>(random() % 8); k > 0; --k)
            damaged[static_cast<qsizetype>(88 + random() % (damaged.size() - 88))] = static_cast<char>(random());
        if (picture.load(damaged)) drawn += !picture.render(QSize(60, 40)).isNull();
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
