// The pens a render draws with: the caller's table or the drawing's own, built-in line types
// where neither has any, and the drawing never written to.
#include <gtest/gtest.h>

#include "drawing/drawing_builder.h"
#include "drawing_builder.h"
#include "render/recording_target.h"
#include "render/render_driver.h"

namespace korvel {
namespace {

RecordingTarget render(const Drawing& d, const RenderOptions& o) {
    RecordingTarget t;
    RenderRequest r;
    r.width = 100;
    r.height = 100;
    RenderDrawing(t, d, o, r);
    return t;
}

// A drawing of one line of colour 3, line type `type`, across the middle.
test::DrawingBuilder oneLine(int type) {
    test::DrawingBuilder b;
    b.extents(0, 0, 100, 100);
    b.line(0, 50, 100, 50, 3, type);
    return b;
}

TEST(PenTable, LineTypesMissingFromTheHeaderAreBuiltIn) {
    DrawingHeader h;  // as Jw_win data leaves a header that was never filled
    h.PenColor[3] = 0x123456;
    h.LineTypePattern[1] = 0;
    PenTable t = PenTableOf(h);
    const DrawingHeader fresh = NewDrawingHeader();
    for (int type : {2, 9, 11, 15, 16, 19}) {
        EXPECT_EQ(t.LineTypePattern[type], fresh.LineTypePattern[type]) << type;
        EXPECT_NE(t.LineTypePattern[type], 0u) << type;
        EXPECT_EQ(t.LineTypePitch[type], fresh.LineTypePitch[type]) << type;
        EXPECT_EQ(t.RandomLineWidth[type], fresh.RandomLineWidth[type]) << type;
    }
    // Solid types stay as they are, and so do the pens.
    for (int type : {0, 1, 10}) EXPECT_EQ(t.LineTypePattern[type], 0u) << type;
    EXPECT_EQ(t.PenColor[3], 0x123456u);
    EXPECT_FALSE(HasOwnLineTypes(h));

    // A type the drawing has is its own; only the missing ones are filled.
    h.LineTypePattern[2] = 0x80000000;
    h.LineTypePitch[2] = 7;
    t = PenTableOf(h);
    EXPECT_EQ(t.LineTypePattern[2], 0x80000000u);
    EXPECT_EQ(t.LineTypePitch[2], 7u);
    EXPECT_EQ(t.LineTypePattern[3], fresh.LineTypePattern[3]);
    EXPECT_TRUE(HasOwnLineTypes(h));
}

TEST(PenTable, DashesOfADrawingWithoutLineTypesAreDrawn) {
    test::DrawingBuilder b = oneLine(2);
    b.drawing.header.LineTypePattern.fill(0);
    // Built-in type 2 is 0xCCCCCCCC: dashes of 2 at the render's scale of 1.
    const RecordingTarget t = render(b.drawing, RenderOptions{});
    EXPECT_GT(t.count(CallKind::Polyline), 20u);
    // A caller's table without line types gets the same built-in ones.
    RenderOptions o;
    o.pens = PenTableOf(b.drawing.header);
    EXPECT_EQ(render(b.drawing, o).count(CallKind::Polyline), t.count(CallKind::Polyline));
}

TEST(PenTable, TheCallersPensDrawAndTheDrawingStaysAsItWas) {
    test::DrawingBuilder b = oneLine(1);
    const DrawingHeader before = b.drawing.header;
    RenderOptions o;
    o.pens = PenTableOf(b.drawing.header);
    o.pens->PenColor[0] = 0x010203;
    o.pens->PenColor[3] = 0x0A0B0C;
    o.pens->PenWidth[3] = 4;
    const RecordingTarget t = render(b.drawing, o);
    ASSERT_EQ(t.count(CallKind::FillRect), 1u);
    EXPECT_EQ(t.only(CallKind::FillRect)[0].brush, (BrushSpec{BrushStyle::Solid, 0x010203}));
    ASSERT_EQ(t.count(CallKind::Polyline), 1u);
    EXPECT_EQ(t.only(CallKind::Polyline)[0].pen, (PenSpec{0x0A0B0C, 4}));
    EXPECT_EQ(BackgroundColor(b.drawing, o), 0x010203u);
    EXPECT_EQ(b.drawing.header.PenColor, before.PenColor);
    EXPECT_EQ(b.drawing.header.PenWidth, before.PenWidth);

    // Without a table of the caller's: the drawing's own pens.
    const RecordingTarget own = render(b.drawing, RenderOptions{});
    ASSERT_EQ(own.count(CallKind::Polyline), 1u);
    EXPECT_EQ(own.only(CallKind::Polyline)[0].pen, (PenSpec{0x00C000, 1}));
    EXPECT_EQ(BackgroundColor(b.drawing, RenderOptions{}), 0xFFFFFFu);
}

// Settings kept in header form go through the header and back unchanged, and a change to any
// one field makes the tables differ (a caller's table is compared to know when to redraw).
TEST(PenTable, GoesThroughAHeaderWholeAndEveryFieldCounts) {
    PenTable table = PenTableOf(oneLine(2).drawing.header);
    table.PenColor[9] = 0x123456;
    table.PrtRandomLineWidth[15] = 7;
    DrawingHeader header;
    PutPenTable(table, header);
    EXPECT_EQ(PenTableOf(header), table);
    EXPECT_EQ(header.PenColor[9], 0x123456u);
    EXPECT_EQ(header.PrtRandomLineWidth[15], 7u);
    for (int field = 0; field < 11; ++field) {
        PenTable other = table;
        switch (field) {
        case 0: other.PenColor[1] ^= 1; break;
        case 1: other.PenWidth[1] ^= 1; break;
        case 2: other.PrtPenColor[1] ^= 1; break;
        case 3: other.PrtPenWidth[1] ^= 1; break;
        case 4: other.PointRadius[1] += 1; break;
        case 5: other.LineTypePattern[1] ^= 1; break;
        case 6: other.LineTypeUnit[1] ^= 1; break;
        case 7: other.LineTypePitch[1] ^= 1; break;
        case 8: other.PrtLineTypePitch[1] ^= 1; break;
        case 9: other.RandomLineWidth[1] ^= 1; break;
        default: other.PrtRandomLineWidth[1] ^= 1; break;
        }
        EXPECT_NE(other, table) << field;
        DrawingHeader h;
        PutPenTable(other, h);
        EXPECT_EQ(PenTableOf(h), other) << field;
    }
}

}  // namespace
}  // namespace korvel
