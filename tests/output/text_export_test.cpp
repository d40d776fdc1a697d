// Text rows for the clipboard and `korvel text`.
#include <gtest/gtest.h>

#include "drawing_builder.h"
#include "output/text_export.h"

namespace korvel::test {
namespace {

Drawing threeTexts() {
    DrawingBuilder b;
    b.extents(0, 0, 200, 200);
    b.text(50, 100.4, "B");
    b.text(20, 95.0, "C");
    b.text(10, 100.0, "A");
    return b.drawing;
}

TEST(TextExport, NearHeightsFormRowsOrderedLeftToRight) {
    EXPECT_EQ(TextExport(threeTexts(), 0, 1), "A\tB\t\r\nC\t\r\n");
    EXPECT_EQ(TextExport(threeTexts(), 2, 1), "A,B,\r\nC,\r\n");
    EXPECT_EQ(TextExport(threeTexts(), 1, 1), "A B \r\nC \r\n");
    EXPECT_EQ(TextExport(threeTexts(), 3, 1), "A;B;\r\nC;\r\n");
    EXPECT_EQ(TextExport(threeTexts(), 9, 1), "A\tB\t\r\nC\t\r\n") << "other values are a tab";
    EXPECT_EQ(TextExport(threeTexts(), 2, 5), "A,B,\r\nC,\r\n") << "95.0 lies just outside 100.4 - 5";
    EXPECT_EQ(TextExport(threeTexts(), 2, 6), "A,C,B,\r\n");
}

TEST(TextExport, ZeroToleranceGivesEveryTextItsOwnRow) {
    DrawingBuilder b;
    b.extents(0, 0, 100, 100);
    b.text(30, 50, "R");
    b.text(10, 50, "L");
    EXPECT_EQ(TextExport(b.drawing, 2, 0), "R,\r\nL,\r\n") << "equal heights keep the drawing's order";
}

TEST(TextExport, TheRowKeepsItsFirstTextsHeight) {
    DrawingBuilder b;
    b.extents(0, 0, 100, 100);
    b.text(0, 100.0, "a");
    b.text(1, 99.1, "b");
    b.text(2, 98.2, "c");  // within 1 mm of b, not of a
    b.text(3, 99.0, "d");  // the lower bound belongs to the row
    EXPECT_EQ(TextExport(b.drawing, 2, 1), "a,b,d,\r\nc,\r\n");
}

TEST(TextExport, EmptyDrawingAndLongTexts) {
    DrawingBuilder b;
    EXPECT_EQ(TextExport(b.drawing, 0, 1), "");
    b.extents(0, 0, 10, 10);
    b.text(0, 0, std::string(300, 'x'));
    EXPECT_EQ(TextExport(b.drawing, 0, 1), std::string(255, 'x') + "\t\r\n");
}

TEST(TextExport, LongTextsAreCutBeforeTheCharacterThatCrossesTheLimit) {
    // 254 single bytes and then "図" (0x90 0x7D): byte 255 is its lead byte, which alone would
    // be no character (and in UTF-8 would swallow the delimiter).
    const std::string zu = "\x90\x7D";
    for (size_t singles : {253u, 254u}) {
        DrawingBuilder b;
        b.extents(0, 0, 10, 10);
        b.text(0, 0, std::string(singles, 'x') + zu + zu);
        const std::string kept = singles == 253 ? std::string(253, 'x') + zu : std::string(254, 'x');
        EXPECT_EQ(TextExport(b.drawing, 2, 1), kept + ",\r\n") << singles;
    }
}

TEST(TextExport, JwcadSettingsTextsAreNotExported) {
    DrawingBuilder b;
    b.extents(0, -1001, 100, 100);
    b.text(10, 50, "A");
    TDataMoji& settings = b.text(0, -1000, "Printer_Orientation = 0");
    settings.end = settings.start;
    settings.penColor = 9;
    settings.penStyle = 9;
    EXPECT_EQ(TextExport(b.drawing, 2, 1), "A,\r\n");
}

TEST(TextExport, ToleranceInDecimalMillimetres) {
    // 100.4 opens the row; 100.0 lies within 0.4 mm of it, 99.6 within 0.8 mm.
    DrawingBuilder b;
    b.extents(0, 0, 200, 200);
    b.text(10, 100.0, "A");
    b.text(20, 100.4, "B");
    b.text(30, 99.6, "C");
    EXPECT_EQ(TextExport(b.drawing, 2, 0.5), "A,B,\r\nC,\r\n");
    EXPECT_EQ(TextExport(b.drawing, 2, 0.3), "B,\r\nA,\r\nC,\r\n");
    EXPECT_EQ(TextExport(b.drawing, 2, 0.81), "A,B,C,\r\n");
}

TEST(TextExport, PositionsAreTenthsFromTheExtents) {
    DrawingBuilder b;
    b.extents(-10, 5, 100, 100);
    b.text(2.26, 5.04, "t");
    const auto rows = TextRows(b.drawing, 1);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0].x, 123);
    EXPECT_EQ(rows[0][0].y, 0);
}

}  // namespace
}  // namespace korvel::test
