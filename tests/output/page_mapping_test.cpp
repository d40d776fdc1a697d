// Where drawings land on paper: the papers by their header index, the origin at the paper's
// centre, pages made to the extents, other papers, sheets of a printer, and records off the page.
#include <gtest/gtest.h>

#include <cmath>

#include "drawing_builder.h"
#include "output/page_mapping.h"

namespace korvel {
namespace {

Extents extentsOf(double minX, double minY, double maxX, double maxY) {
    Extents e;
    e.MinX = minX;
    e.MinY = minY;
    e.MaxX = maxX;
    e.MaxY = maxY;
    return e;
}

std::array<bool, kLayerGroups * kLayers> everyLayer() {
    std::array<bool, kLayerGroups * kLayers> shown;
    shown.fill(true);
    return shown;
}

TEST(PageMapping, PapersByHeaderIndexAreLandscapeMillimetres) {
    const struct {
        uint32_t index;
        const char* name;
        double width, height;
    } papers[] = {{0, "A0", 1189, 841}, {1, "A1", 841, 594},   {2, "A2", 594, 420},
                  {3, "A3", 420, 297},  {4, "A4", 297, 210},   {5, "2A", 1682, 1189},
                  {6, "3A", 2378, 1682}, {7, "4A", 3364, 2378}, {8, "5A", 4756, 3364}};
    for (const auto& p : papers) {
        double w = 0, h = 0;
        ASSERT_TRUE(PaperSizeMm(p.index, w, h)) << p.name;
        EXPECT_EQ(w, p.width) << p.name;
        EXPECT_EQ(h, p.height) << p.name;
        EXPECT_EQ(PaperName(p.index), p.name);
    }
    // 10m, 50m, 100m and nonsense have no sheet.
    for (uint32_t index : {9u, 10u, 11u, 12u, 0xFFFFFFFFu}) {
        double w = -1, h = -1;
        EXPECT_FALSE(PaperSizeMm(index, w, h)) << index;
        EXPECT_EQ(PaperName(index), "");
    }
}

TEST(PageMapping, TheDrawingsPaperIsCentredOnTheOriginAtRealScale) {
    Drawing drawing;
    drawing.header.PaperSize = 3;  // A3
    const PageLayout page = LayoutPage(drawing, extentsOf(-100, -50, 120, 80), PageChoice{});
    EXPECT_EQ(page.paper, "A3");
    EXPECT_EQ(page.widthMm, 420);
    EXPECT_EQ(page.heightMm, 297);
    EXPECT_EQ(page.scale, 1.0);
    EXPECT_EQ(page.frame.MinX, -210);
    EXPECT_EQ(page.frame.MaxX, 210);
    EXPECT_EQ(page.frame.MinY, -148.5);
    EXPECT_EQ(page.frame.MaxY, 148.5);
}

TEST(PageMapping, LargeSheetsAndFitGetTheExtentsWithAMargin) {
    Drawing drawing;
    const Extents extents = extentsOf(1000, -2000, 31000, 18000);
    for (uint32_t sheet : {9u, 10u, 11u, 77u}) {  // 10m, 50m, 100m, unknown
        drawing.header.PaperSize = sheet;
        const PageLayout page = LayoutPage(drawing, extents, PageChoice{});
        EXPECT_EQ(page.paper, "fit") << sheet;
        EXPECT_EQ(page.widthMm, 30000 + 2 * kFitPageMargin) << sheet;
        EXPECT_EQ(page.heightMm, 20000 + 2 * kFitPageMargin) << sheet;
        EXPECT_EQ(page.frame.MinX, 990) << sheet;
        EXPECT_EQ(page.frame.MaxY, 18010) << sheet;
        EXPECT_EQ(page.scale, 1.0) << sheet;
    }
    // --page fit on a drawing that names a paper.
    drawing.header.PaperSize = 4;
    const PageLayout fit = LayoutPage(drawing, extentsOf(-10, -20, 30, 40), PageChoice{PageRule::Fit, 0});
    EXPECT_EQ(fit.widthMm, 60);
    EXPECT_EQ(fit.heightMm, 80);
    EXPECT_EQ(fit.frame.MinX, -20);
    EXPECT_EQ(fit.frame.MinY, -30);
    // Nothing to measure still gives a page to open.
    const PageLayout empty = LayoutPage(drawing, Extents{}, PageChoice{PageRule::Fit, 0});
    EXPECT_EQ(empty.widthMm, 297);
    EXPECT_EQ(empty.heightMm, 210);
}

TEST(PageMapping, AnotherPaperScalesTheDrawingsPageToFitAndCentresIt) {
    Drawing drawing;
    drawing.header.PaperSize = 1;  // A1 onto A4: 297 / 841 across is less than 210 / 594 down
    PageChoice choice;
    ASSERT_TRUE(ParsePageChoice("a4", choice));
    const PageLayout page = LayoutPage(drawing, extentsOf(-300, -200, 300, 200), choice);
    EXPECT_EQ(page.paper, "A4");
    EXPECT_EQ(page.widthMm, 297);
    EXPECT_EQ(page.heightMm, 210);
    EXPECT_DOUBLE_EQ(page.scale, 297.0 / 841.0);
    // The A1 sheet's width fills the page; its height has room above and below.
    EXPECT_DOUBLE_EQ(page.frame.MaxX, 420.5);
    EXPECT_DOUBLE_EQ(page.frame.MinX, -420.5);
    EXPECT_DOUBLE_EQ(page.frame.MaxY, 105.0 * 841.0 / 297.0);
    EXPECT_DOUBLE_EQ(page.frame.MinY + page.frame.MaxY, 0.0);

    // A page made to the extents goes onto the paper about the extents' centre, scaled up.
    ASSERT_TRUE(ParsePageChoice("Ａ-３", choice));
    drawing.header.PaperSize = 10;
    const PageLayout up = LayoutPage(drawing, extentsOf(90, 90, 110, 100), choice);
    EXPECT_EQ(up.paper, "A3");
    EXPECT_DOUBLE_EQ(up.scale, 297.0 / 30.0);
    EXPECT_DOUBLE_EQ((up.frame.MinX + up.frame.MaxX) / 2, 100.0);
    EXPECT_DOUBLE_EQ((up.frame.MinY + up.frame.MaxY) / 2, 95.0);
}

TEST(PageMapping, PageNamesAreReadInEveryUsualSpelling) {
    PageChoice c;
    ASSERT_TRUE(ParsePageChoice("paper", c));
    EXPECT_EQ(c.rule, PageRule::DrawingPaper);
    ASSERT_TRUE(ParsePageChoice("FIT", c));
    EXPECT_EQ(c.rule, PageRule::Fit);
    ASSERT_TRUE(ParsePageChoice("5a", c));
    EXPECT_EQ(c.rule, PageRule::Paper);
    EXPECT_EQ(c.paper, 8u);
    ASSERT_TRUE(ParsePageChoice("２Ａ", c));
    EXPECT_EQ(c.paper, 5u);
    for (const char* bad : {"", "A5", "B4", "10m", "A 3", "letter"}) EXPECT_FALSE(ParsePageChoice(bad, c)) << bad;
}

TEST(PageMapping, APrintersSheetTakesThePageAtRealScaleOrFitted) {
    Drawing drawing;
    drawing.header.PaperSize = 2;  // A2 onto an A3 sheet
    const PageLayout own = LayoutPage(drawing, extentsOf(-1, -1, 1, 1), PageChoice{});
    const PageLayout real = PlaceOnSheet(own, 420, 297, false);
    EXPECT_EQ(real.scale, 1.0);
    EXPECT_EQ(real.frame.MinX, -210);
    EXPECT_EQ(real.frame.MaxY, 148.5);
    const PageLayout fitted = PlaceOnSheet(own, 297, 420, true);  // portrait
    EXPECT_DOUBLE_EQ(fitted.scale, 297.0 / 594.0);
    EXPECT_DOUBLE_EQ(fitted.frame.MaxX, 297.0);
    EXPECT_DOUBLE_EQ(fitted.frame.MaxY, 420.0);
    // A page of no usable scale goes on the sheet at real scale.
    for (double scale : {0.0, -2.0, std::nan(""), HUGE_VAL}) {
        PageLayout odd = own;
        odd.scale = scale;
        const PageLayout placed = PlaceOnSheet(odd, 420, 297, false);
        EXPECT_EQ(placed.scale, 1.0) << scale;
        EXPECT_EQ(placed.frame.MinX, -210) << scale;
    }
}

TEST(PageMapping, RecordsReachingBeyondThePageAreCountedAndNamed) {
    test::DrawingBuilder b;
    b.drawing.header.PaperSize = 4;  // A4: x within ±148.5, y within ±105
    b.line(-100, -50, 100, 50);      // on the page
    b.line(140, 0, 160, 0);          // overhangs the right edge
    b.circle(0, 100, 10);            // overhangs the top
    b.line(-148.5, -105, 148.5, 105);  // corner to corner: on the page
    TDataSen& hidden = b.line(500, 500, 600, 600);
    hidden.layer = 3;
    const PageLayout page = LayoutPage(b.drawing, b.drawing.extents, PageChoice{});
    auto shown = everyLayer();
    EXPECT_EQ(CountRecordsOffPage(b.drawing, page, shown), 3u);
    shown[3] = false;  // group 0, layer 3 hidden: it is not drawn, so not cut off
    EXPECT_EQ(CountRecordsOffPage(b.drawing, page, shown), 2u);
    EXPECT_EQ(OffPageWarning(2, page), "2 records reach beyond the A4 page (297 x 210 mm) and are cut off at its edge");
    EXPECT_EQ(OffPageWarning(1, page), "1 record reaches beyond the A4 page (297 x 210 mm) and is cut off at its edge");
    EXPECT_EQ(OffPageWarning(0, page), "");
}

}  // namespace
}  // namespace korvel
