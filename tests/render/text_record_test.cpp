#include <gtest/gtest.h>

#include <cmath>

#include "render/text_record.h"
#include "text_fixture.h"

namespace korvel {
namespace {

using test::sj;

struct TextRecordTest : ::testing::Test, test::TextFixture {
    TDataMoji text(const std::string& s, uint16_t penColor = 2) {
        TDataMoji t;
        t.penColor = penColor;
        t.layerGroup = 1;
        t.layer = 3;
        t.start = {10.0, 50.0};  // device (20, 100) at scale 2
        t.end = {40.0, 50.0};
        t.sizeX = 3.0;
        t.sizeY = 4.0;
        t.spacing = 1.0;
        t.fontName = sj("ＭＳ 明朝");
        t.text = s;
        return t;
    }
    void drawText(const TDataMoji& t) {
        target.clear();
        DrawTextRecord(context, target, t);
    }
    uint32_t firstColour() const { return colours().at(0); }
};

TEST_F(TextRecordTest, DrawsAtTheMappedStartInTheScreenColour) {
    drawText(text("AB"));
    EXPECT_EQ(drawnText(), U"AB");
    EXPECT_EQ(positions()[0], (DevicePoint{20, 92}));
    EXPECT_EQ(firstColour(), drawing.header.PenColor[2]);
    EXPECT_EQ(fonts()[0].face, "ＭＳ 明朝");
    EXPECT_EQ(fonts()[0].height, 8);
}

TEST_F(TextRecordTest, Gate) {
    options.auxLineHidden = true;
    drawText(text("A", 9));
    EXPECT_TRUE(target.calls.empty());
    options.auxLineHidden = false;
    drawText(text("A", 9));
    EXPECT_EQ(firstColour(), drawing.header.PenColor[9]);

    drawing.header.LayerState[1][3] = 0;
    drawText(text("A"));
    EXPECT_TRUE(target.calls.empty());
    drawing.AllLayers = true;
    drawText(text("A"));
    EXPECT_EQ(target.count(CallKind::Text), 1u);
    drawing.AllLayers = false;
    drawing.header.LayerState[1][3] = 2;
    drawing.header.LayerGroupState[1] = 0;
    drawText(text("A"));
    EXPECT_TRUE(target.calls.empty());

    // Jw_cad 8 keeps settings in texts; they are never drawn.
    drawing.header.LayerGroupState[1] = 2;
    TDataMoji settings = text("View_Direct2d = 1", 9);
    settings.penStyle = 9;
    settings.start = settings.end = {0.0, -1000.0};
    drawText(settings);
    EXPECT_TRUE(target.calls.empty());
}

TEST_F(TextRecordTest, ColourRule) {
    context.pens.PenColor[2] = 0x0000FF;
    options.bwPlot = true;
    options.bw2Grey = false;
    drawText(text("A"));
    EXPECT_EQ(firstColour(), 0x555555u);
    options.bw2Grey = true;
    drawText(text("A"));
    EXPECT_EQ(firstColour(), 0x000000u);  // light background: black
    context.pens.PenColor[0] = 0x404040;
    drawText(text("A"));
    EXPECT_EQ(firstColour(), 0xFFFFFFu);
    drawing.header.LayerState[1][3] = 1;  // display only: grey whatever the mode
    drawText(text("A"));
    EXPECT_EQ(firstColour(), 0xC0C0C0u);
    options.bwPlot = false;
    drawText(text("A", 12));
    EXPECT_EQ(firstColour(), 0xC0C0C0u);
    drawing.header.LayerState[1][3] = 2;
    drawText(text("A", 12));  // beyond the table: black, as for lines
    EXPECT_EQ(firstColour(), 0u);
    drawText(text("^$4A"));
    EXPECT_EQ(firstColour(), context.pens.PenColor[4]);
    // A colour code follows the monochrome modes and the greyed layer like the record colour.
    options.bwPlot = true;
    options.bw2Grey = true;
    drawText(text("^$4A"));
    EXPECT_EQ(firstColour(), 0xFFFFFFu);  // the background is dark here
    options.bwPlot = false;
    drawing.header.LayerState[1][3] = 1;
    drawText(text("^$4A"));
    EXPECT_EQ(firstColour(), 0xC0C0C0u);
}

TEST_F(TextRecordTest, DrawFirstModesSplitImagesFromTexts) {
    const TDataMoji picture = text("^@BMlogo.png,10,10");
    const TDataMoji plain = text("A");
    drawing.header.DisplayOption[2] = 1;
    context.prePass = true;
    drawText(plain);
    EXPECT_TRUE(target.calls.empty());
    context.prePass = false;
    drawText(plain);
    EXPECT_EQ(target.count(CallKind::Text), 1u);
    drawText(picture);  // never drawn as text, whatever the pass
    EXPECT_TRUE(target.calls.empty());
    context.prePass = true;
    drawText(picture);
    EXPECT_EQ(target.count(CallKind::Text), 0u);

    // A texts inside a block is only met in the main walk and is drawn there.
    context.prePass = false;
    context.block.expandingBlock = true;
    drawText(plain);
    EXPECT_EQ(target.count(CallKind::Text), 1u);

    // The settings override the drawing's mode.
    context.block.expandingBlock = false;
    options.drawOrder = 0;
    context.prePass = false;
    drawText(plain);
    EXPECT_EQ(target.count(CallKind::Text), 1u);
}

TEST_F(TextRecordTest, BlockTransformMovesAndTurnsTheText) {
    context.block = BlockTransform{5.0, 10.0, 2.0, 2.0, M_PI / 2.0, true};
    TDataMoji t = text("A");
    t.start = {0.0, 0.0};
    t.angle = 30.0;
    drawText(t);
    // (5, 10) in the drawing is device (10, 180); the text turns with the block's points.
    EXPECT_EQ(fonts()[0].escapement, 1200);
    // First cell at 120 degrees: (10 - 6 * 0.866, 180 + 8 * 0.5).
    EXPECT_EQ(positions()[0], (DevicePoint{5, 184}));
}

struct DimensionTextTest : TextRecordTest {
    TDataSunpou dimension() {
        TDataSunpou d;
        d.line.penColor = 3;
        d.text = text("1,820", 5);
        return d;
    }
    void drawDimension(const TDataSunpou& d) {
        target.clear();
        DrawDimensionText(context, target, d);
    }
};

TEST_F(DimensionTextTest, UsesThePrinterColour) {
    drawDimension(dimension());
    EXPECT_EQ(drawnText(), U"1,820");
    EXPECT_EQ(firstColour(), drawing.header.PrtPenColor[5]);
    EXPECT_NE(drawing.header.PrtPenColor[5], drawing.header.PenColor[5]);
    options.bwPlot = true;
    options.bw2Grey = false;
    drawDimension(dimension());
    const uint32_t c = drawing.header.PrtPenColor[5];
    EXPECT_EQ(firstColour(), ((c & 0xFF) + ((c >> 8) & 0xFF) + (c >> 16)) / 3 * 0x010101u);
}

TEST_F(DimensionTextTest, GateOfBothHalves) {
    TDataSunpou d = dimension();
    d.line.layer = 7;
    drawing.header.LayerState[0][7] = 0;  // the line's layer is hidden: the text still shows
    drawDimension(d);
    EXPECT_EQ(target.count(CallKind::Text), 5u);

    options.auxLineHidden = true;
    d.line.penColor = 9;  // an auxiliary line hides the whole dimension
    drawDimension(d);
    EXPECT_TRUE(target.calls.empty());
    d.line.penColor = 3;
    d.text.penColor = 9;
    drawDimension(d);
    EXPECT_TRUE(target.calls.empty());
    d.text.penColor = 5;
    drawing.header.LayerState[1][3] = 0;
    drawDimension(d);
    EXPECT_TRUE(target.calls.empty());
}

TEST_F(DimensionTextTest, ImageReferenceIsDrawnAsText) {
    TDataSunpou d = dimension();
    d.text.text = "^@BMa";
    drawing.header.DisplayOption[2] = 1;
    context.prePass = false;
    drawDimension(d);
    EXPECT_EQ(drawnText(), U"^@BMa");
}

}  // namespace
}  // namespace korvel
