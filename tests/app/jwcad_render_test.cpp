// Jw_cad's settings from a Wine user.reg, or from a version-5 .reg export, change the colours and
// line types of a rendered picture; without them the built-in pens draw.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <string>

#include "app/settings_session.h"
#include "jwcad_fixture.h"
#include "platform/qt_colour.h"
#include "platform/qt_painter_target.h"
#include "render/render_driver.h"
#include "test_support.h"

namespace korvel {
namespace {

using test::JwCadRegistryFixture;

// Line A: colour 2, solid, at y = 0. Line B: colour 3, line type 2, at y = 50. The extents leave
// a margin, so that at 480 x 360 (4 pixels per millimetre) A is row 280 and B row 80, both from
// x = 40 to 440.
Drawing twoLines() {
    Drawing d;
    d.header.LayerGroupState.fill(2);
    for (auto& g : d.header.LayerState) g.fill(2);
    d.header.LayerGroupScale.fill(1.0);
    // The drawing's own table: pens of its own and line type 2 drawn solid.
    d.header.PenColor.fill(0x404040);
    d.header.PenColor[0] = 0xEEEEEE;
    d.header.PenColor[3] = 0x0000C0;  // RGB C0 00 00
    d.header.PenWidth.fill(1);
    d.header.LineTypePattern.fill(0xFFFFFFFF);
    TDataSen a;
    a.penColor = 2;
    a.penStyle = 1;
    a.start = {0, 0};
    a.end = {100, 0};
    TDataSen b = a;
    b.penColor = 3;
    b.penStyle = 2;
    b.start = {0, 50};
    b.end = {100, 50};
    d.top.lines = {a, b};
    d.top.sequence = {{RecordClass::Sen, 0}, {RecordClass::Sen, 1}};
    d.ExpectedCount = 2;
    d.extents.MinX = -10;
    d.extents.MaxX = 110;
    d.extents.MinY = -20;
    d.extents.MaxY = 70;
    d.extents.CenterX = 50;
    d.extents.CenterY = 25;
    d.extents.Aspect = 120.0 / 90.0;
    return d;
}

// Renders as an export does: a canvas of the background colour, the session's pens and options.
QImage render(const std::vector<std::string>& args, const std::string& pngPath) {
    std::vector<std::string> rest = args;
    SettingsOptions options;
    std::string error;
    EXPECT_TRUE(TakeSettingsOptions(rest, options, error)) << error;
    SettingsSession session = SettingsSession::start(options);
    EXPECT_TRUE(session.warnings.empty()) << session.warnings[0];
    Drawing loaded = twoLines();
    Drawing d;
    session.prepareDrawing(d);
    d.header = loaded.header;  // as a JWW load replaces the pen table
    d.top = loaded.top;
    d.ExpectedCount = loaded.ExpectedCount;
    d.extents = loaded.extents;
    std::vector<std::string> problems;
    const RenderOptions renderOptions = session.renderOptions(d, &problems);
    EXPECT_TRUE(problems.empty());

    QImage image(480, 360, QImage::Format_RGB32);
    image.fill(QtColorOf(BackgroundColor(d, renderOptions)));
    {
        QPainter painter(&image);
        QtPainterTarget target(painter);
        RenderRequest request;
        request.width = 480;
        request.height = 360;
        request.clearBackground = session.clearBackground();
        RenderDrawing(target, d, renderOptions, request);
    }
    EXPECT_TRUE(image.save(QString::fromStdString(pngPath), "PNG"));
    QImage png(QString::fromStdString(pngPath));
    return png.convertToFormat(QImage::Format_RGB32);
}

uint32_t at(const QImage& img, int x, int y) { return img.pixel(x, y) & 0xFFFFFF; }

// The longest run of background pixels along a row, between two x positions.
int longestGap(const QImage& img, int row, int from, int to, uint32_t background) {
    int longest = 0, run = 0;
    for (int x = from; x <= to; ++x) {
        run = at(img, x, row) == background ? run + 1 : 0;
        longest = std::max(longest, run);
    }
    return longest;
}

// Which row near `row` carries the line (rounding may put it one pixel off).
int lineRow(const QImage& img, int row, uint32_t background) {
    for (int r : {row, row - 1, row + 1})
        if (at(img, 240, r) != background || at(img, 244, r) != background) return r;
    return row;
}

TEST(JwCadRender, WineUserRegistryAndRegExportChangeColoursAndLineTypes) {
    const std::string dir = test::scratchDir("jwcad_render");
    JwCadRegistryFixture f = JwCadRegistryFixture::typical();
    f.setString("Pen", "Color00", "000000");  // black background
    f.setString("Pen", "Color02", "00ffff");  // yellow: R and G
    f.setString("Pen", "Color03", "ff0000");  // blue
    f.setString("Line", "Type_02", "ff00ff00");  // 8 on, 8 off
    const std::string userReg = dir + "/user.reg", exported = dir + "/jw_win.reg";
    std::string wine = f.wineUserReg();
    test::writeFileBytes(userReg, {wine.begin(), wine.end()});
    test::writeFileBytes(exported, f.regedit5());

    // Without Jw_cad: the built-in pens, the drawing's solid line type.
    QImage plain = render({"--settings", dir + "/a.INI", "--jwcad-registry", "none"}, dir + "/builtin.png");
    EXPECT_EQ(at(plain, 5, 5), 0xFFFFFFu);
    int rowA = lineRow(plain, 280, 0xFFFFFF), rowB = lineRow(plain, 80, 0xFFFFFF);
    EXPECT_EQ(at(plain, 240, rowA), 0x000000u);  // built-in colour 2, 0x000000
    EXPECT_EQ(at(plain, 240, rowB), 0x00C000u);  // built-in colour 3, 0x00C000 (RGB 00 C0 00)
    EXPECT_LE(longestGap(plain, rowB, 44, 436, 0xFFFFFF), 1);

    // Wine's user.reg: Jw_cad's colours and its dashed line type 2.
    QImage wineImage = render({"--settings", dir + "/b.INI", "--jwcad-registry", userReg}, dir + "/wine.png");
    EXPECT_EQ(at(wineImage, 5, 5), 0x000000u);
    rowA = lineRow(wineImage, 280, 0x000000);
    rowB = lineRow(wineImage, 80, 0x000000);
    EXPECT_EQ(at(wineImage, 240, rowA), 0xFFFF00u);  // QRgb is 0xRRGGBB: yellow
    EXPECT_EQ(longestGap(wineImage, rowA, 44, 436, 0x000000), 0);
    int bluePixels = 0;
    for (int x = 40; x <= 440; ++x) bluePixels += at(wineImage, x, rowB) == 0x0000FFu;
    EXPECT_GT(bluePixels, 150);
    EXPECT_GE(longestGap(wineImage, rowB, 44, 436, 0x000000), 6);
    EXPECT_LT(bluePixels, 330);

    // The same settings exported by Windows' registry editor draw the same picture.
    QImage regImage = render({"--settings", dir + "/c.INI", "--jwcad-registry", exported}, dir + "/reg5.png");
    EXPECT_EQ(regImage, wineImage);

    // The drawing's own pens on request; Jw_cad's line types stay out.
    QImage own = render({"--settings", dir + "/d.INI", "--jwcad-registry", userReg, "--pens", "drawing"},
                        dir + "/drawing.png");
    EXPECT_EQ(at(own, 5, 5), 0xEEEEEEu);
    EXPECT_EQ(at(own, 240, lineRow(own, 280, 0xEEEEEE)), 0x404040u);
    rowB = lineRow(own, 80, 0xEEEEEE);
    EXPECT_EQ(at(own, 240, rowB), 0xC00000u);
    EXPECT_LE(longestGap(own, rowB, 44, 436, 0xEEEEEE), 1);
}

}  // namespace
}  // namespace korvel
