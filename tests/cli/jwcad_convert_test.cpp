// korvel convert draws with Jw_cad's settings from a Wine user.reg or a .reg export, and a broken
// Jw_cad setting is reported without failing the conversion.
#include <gtest/gtest.h>

#include <QImage>
#include <cstdio>
#include <string>

#include "../app/jwcad_fixture.h"
#include "drawing/drawing_builder.h"
#include "drawing/loaders.h"
#include "run_korvel.h"
#include "test_support.h"

namespace {

using korvel::test::JwCadRegistryFixture;


// Colour 2 solid at y = 0, colour 3 in line type 2 at y = 50; two points widen the extents to
// -10..110 x -20..70, so that 480 pixels wide is 4 pixels per millimetre: line A on row 280, B on
// row 80, both from x = 40 to 440. The drawing's own pens: light grey background, dark grey and
// red lines, line type 2 solid.
std::string writeDrawing(const std::string& dir) {
    using namespace korvel;
    Drawing d;
    d.header = NewDrawingHeader();
    d.header.PenColor.fill(0x404040);
    d.header.PenColor[0] = 0xEEEEEE;
    d.header.PenColor[3] = 0x0000C0;
    d.header.PenWidth.fill(1);
    d.header.LineTypePattern[2] = 0xFFFFFFFF;
    DrawingBuilder b(d);
    TDataSen a;
    a.penColor = 2;
    a.penStyle = 1;
    a.start = {0, 0};
    a.end = {100, 0};
    b.add(a);
    TDataSen l = a;
    l.penColor = 3;
    l.penStyle = 2;
    l.start = {0, 50};
    l.end = {100, 50};
    b.add(l);
    for (Point2 corner : {Point2{-10, -20}, Point2{110, 70}}) {
        TDataTen p;
        p.penColor = 1;
        p.point = corner;
        b.add(p);
    }
    b.finish();
    SaveResult saved;
    std::vector<uint8_t> bytes = SaveJwwBytes(d, 351, saved);
    std::string error;
    const std::string path = dir + "/two_lines.jww";
    EXPECT_TRUE(WriteFileAtomically(path, bytes, error)) << error;
    return path;
}

QImage png(const std::string& path) { return QImage(QString::fromStdString(path)).convertToFormat(QImage::Format_RGB32); }
uint32_t at(const QImage& img, int x, int y) { return img.pixel(x, y) & 0xFFFFFF; }

int longestGap(const QImage& img, int row, uint32_t background) {
    int longest = 0, run = 0;
    for (int x = 44; x <= 436; ++x) {
        run = at(img, x, row) == background ? run + 1 : 0;
        longest = std::max(longest, run);
    }
    return longest;
}

// The row of the line nearest `row` (the points widen the extents a little, so rows shift).
int lineRow(const QImage& img, int row, uint32_t background) {
    for (int d = 0; d <= 6; ++d)
        for (int r : {row - d, row + d})
            for (int x = 236; x <= 252; ++x)
                if (r >= 0 && r < img.height() && at(img, x, r) != background) return r;
    return row;
}

TEST(ConvertWithJwCadSettings, UserRegAndRegExportChangeColoursAndLineTypes) {
    const std::string dir = korvel::test::scratchDir("convert_jwcad");
    const std::string drawing = writeDrawing(dir);
    JwCadRegistryFixture f = JwCadRegistryFixture::typical();
    f.setString("Pen", "Color00", "000000");
    f.setString("Pen", "Color02", "00ffff");  // yellow
    f.setString("Pen", "Color03", "ff0000");  // blue
    f.setString("Pen", "Width03", "1");
    f.setString("Line", "Type_02", "ff00ff00");
    std::string wine = f.wineUserReg();
    korvel::test::writeFileBytes(dir + "/user.reg", {wine.begin(), wine.end()});
    korvel::test::writeFileBytes(dir + "/jw_win.reg", f.regedit5());
    for (const char* ini : {"/a.INI", "/b.INI", "/c.INI", "/d.INI"}) korvel::test::writeFileBytes(dir + ini, {});
    const std::string common = drawing + " --width 480 --jwcad-registry ";

    korvel::test::RunResult r = korvel::test::runKorvelIsolated("convert " + common + dir + "/user.reg --settings " + dir + "/a.INI -o " + dir + "/wine.png");
    ASSERT_EQ(r.status, 0) << r.out;
    QImage wineImage = png(dir + "/wine.png");
    ASSERT_EQ(wineImage.width(), 480);
    ASSERT_NEAR(wineImage.height(), 360, 4);
    EXPECT_EQ(at(wineImage, 240, 200), 0x000000u);
    EXPECT_EQ(at(wineImage, 240, lineRow(wineImage, 280, 0)), 0xFFFF00u);
    const int rowB = lineRow(wineImage, 80, 0);
    int blue = 0;
    for (int x = 236; x <= 252; ++x) blue += at(wineImage, x, rowB) == 0x0000FFu;
    EXPECT_GT(blue, 0);
    EXPECT_GE(longestGap(wineImage, rowB, 0), 6);

    r = korvel::test::runKorvelIsolated("convert " + common + dir + "/jw_win.reg --settings " + dir + "/b.INI -o " + dir + "/reg5.png");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(korvel::test::readFileBytes(dir + "/reg5.png"), korvel::test::readFileBytes(dir + "/wine.png"));

    // No Jw_cad: the built-in pens; the drawing's own line type 2 is solid.
    r = korvel::test::runKorvelIsolated("convert " + common + "none --settings " + dir + "/c.INI -o " + dir + "/builtin.png");
    ASSERT_EQ(r.status, 0) << r.out;
    QImage builtin = png(dir + "/builtin.png");
    EXPECT_EQ(at(builtin, 240, 200), 0xFFFFFFu);
    EXPECT_EQ(at(builtin, 240, lineRow(builtin, 280, 0xFFFFFF)), 0x000000u);
    EXPECT_EQ(at(builtin, 240, lineRow(builtin, 80, 0xFFFFFF)), 0x00C000u);
    EXPECT_LE(longestGap(builtin, lineRow(builtin, 80, 0xFFFFFF), 0xFFFFFF), 1);

    // --pens drawing: the drawing's own table as loaded.
    r = korvel::test::runKorvelIsolated("convert " + common + dir + "/user.reg --pens drawing --settings " + dir + "/d.INI -o " + dir +
                  "/drawing.png");
    ASSERT_EQ(r.status, 0) << r.out;
    QImage own = png(dir + "/drawing.png");
    EXPECT_EQ(at(own, 240, 200), 0xEEEEEEu);
    EXPECT_EQ(at(own, 240, lineRow(own, 280, 0xEEEEEE)), 0x404040u);
    EXPECT_EQ(at(own, 240, lineRow(own, 80, 0xEEEEEE)), 0xC00000u);
}

TEST(ConvertWithJwCadSettings, SettingsFileGivesTheDefaultsAndOptionsBeatIt) {
    const std::string dir = korvel::test::scratchDir("convert_settings_file");
    const std::string drawing = writeDrawing(dir);
    const std::string ini = dir + "/Korvel.INI";
    korvel::test::writeFileBytes(ini, {'[', 'F', 'o', 'r', 'm', ']', '\n', 'o', 'u', 't', 'W', 's', 'i', 'z', 'e', '=', '2',
                                       '0', '0', '\n'});
    const std::string common = "convert " + drawing + " --jwcad-registry none --settings " + ini;
    korvel::test::RunResult r = korvel::test::runKorvelIsolated(common + " -o " + dir + "/a.png");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(png(dir + "/a.png").width(), 200);
    r = korvel::test::runKorvelIsolated(common + " --set Form/outWsize=300 -o " + dir + "/b.png");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(png(dir + "/b.png").width(), 300);
    r = korvel::test::runKorvelIsolated(common + " --set Form/outWsize=300 --width 250 -o " + dir + "/c.png");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(png(dir + "/c.png").width(), 250);
    r = korvel::test::runKorvelIsolated(common + " --pens mine -o " + dir + "/d.png");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "korvel: convert: --pens mine: must be window, own, jwcad or drawing (korvel convert --help lists the options)\n");
}

TEST(ConvertWithJwCadSettings, BrokenValueIsReportedAndTheConversionGoesOn) {
    const std::string dir = korvel::test::scratchDir("convert_jwcad_broken");
    const std::string drawing = writeDrawing(dir);
    JwCadRegistryFixture f = JwCadRegistryFixture::typical();
    f.setString("Pen", "Color00", "000000");
    f.remove("Line", "Unit_03");
    std::string wine = f.wineUserReg();
    korvel::test::writeFileBytes(dir + "/user.reg", {wine.begin(), wine.end()});
    korvel::test::writeFileBytes(dir + "/a.INI", {});
    korvel::test::RunResult r = korvel::test::runKorvelIsolated("convert " + drawing + " --jwcad-registry " + dir + "/user.reg --settings " + dir +
                         "/a.INI -o " + dir + "/out.png");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("korvel: warning: Jw_cad setting Software\\Jw_cad\\jw_win\\Line \"Unit_03\" is missing; a DWORD was "
                         "expected; going on with the pens read so far"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("korvel: warning: " + drawing + ": Jw_cad setting Software\\Jw_cad\\jw_win\\Line \"Unit_03\" is missing"),
              std::string::npos)
        << r.out;
    QImage out = png(dir + "/out.png");
    EXPECT_EQ(at(out, 240, 200), 0x000000u);  // the pens before the failing value are Jw_cad's
}

}  // namespace

namespace {

// Jw_win data carries no pens and no line types: its dashes are drawn with the built-in line
// types, and info says whose pens are drawn with.
TEST(ConvertWithJwCadSettings, JwWinDataWithoutJwCadDrawsItsDashes) {
    using namespace korvel;
    const std::string dir = test::scratchDir("convert_jwz_dashes");
    Drawing d;
    d.header = NewDrawingHeader();
    DrawingBuilder b(d);
    TDataSen dashed;
    dashed.penColor = 2;
    dashed.penStyle = 3;  // built in: 0xF0F0F0F0, dashes of 4
    dashed.start = {0, 0};
    dashed.end = {100, 0};
    b.add(dashed);
    for (Point2 corner : {Point2{-10, -20}, Point2{110, 20}}) {
        TDataTen p;
        p.penColor = 1;
        p.point = corner;
        b.add(p);
    }
    b.finish();
    SaveResult saved;
    test::writeFileBytes(dir + "/copy.jwz", SaveJwWinBytes(d, saved));
    ASSERT_TRUE(saved.ok) << saved.error;

    test::writeFileBytes(dir + "/a.INI", {});
    const std::string common = dir + "/copy.jwz --jwcad-registry none --settings " + dir + "/a.INI";
    test::RunResult r = test::runKorvelIsolated("convert " + common + " --width 480 -o " + dir + "/copy.png");
    ASSERT_EQ(r.status, 0) << r.out;
    const QImage image = png(dir + "/copy.png");
    const int row = lineRow(image, image.height() / 2, 0xFFFFFF);
    int inked = 0, runs = 0;
    for (int x = 44; x <= 436; ++x) {
        const bool ink = at(image, x, row) != 0xFFFFFFu;
        if (ink && (x == 44 || at(image, x - 1, row) == 0xFFFFFFu)) ++runs;
        inked += ink;
    }
    EXPECT_GT(inked, 100);  // about half of the 392 pixels
    EXPECT_LT(inked, 300);
    EXPECT_GT(runs, 20);    // dashes, not one line and not nothing

    r = test::runKorvelIsolated("info " + common);
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("  pens of the drawing: none (Jw_win data carries no pens or line types)\n"), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("  pens drawn with, Korvel's own pens (Jw_cad's settings absent): 0 #FFFFFF/"), std::string::npos)
        << r.out;
    r = test::runKorvelIsolated("info --json " + common);
    EXPECT_NE(r.out.find("\"pen_colors\":null"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"pens_drawn_with\":{\"source\":\"Korvel's own pens (Jw_cad's settings absent)\""),
              std::string::npos)
        << r.out;
}

// A JWW file's own pens are shown as its own, apart from the pens it is drawn with.
TEST(ConvertWithJwCadSettings, InfoShowsTheDrawingsPensAndThePensInEffect) {
    const std::string dir = korvel::test::scratchDir("info_pens");
    const std::string drawing = writeDrawing(dir);
    JwCadRegistryFixture f = JwCadRegistryFixture::typical();
    const std::string wine = f.wineUserReg();
    korvel::test::writeFileBytes(dir + "/user.reg", {wine.begin(), wine.end()});
    korvel::test::writeFileBytes(dir + "/a.INI", {});
    const korvel::test::RunResult r = korvel::test::runKorvelIsolated(
        "info " + drawing + " --jwcad-registry " + dir + "/user.reg --settings " + dir + "/a.INI");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("  pens of the drawing (colour/width): 0 #EEEEEE/1 1 #404040/1 2 #404040/1 3 #C00000/1"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("  pens drawn with, Jw_cad's pens: 0 #000000/"), std::string::npos) << r.out;
}

}  // namespace
