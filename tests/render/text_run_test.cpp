#include <gtest/gtest.h>

#include <cmath>

#include "text_fixture.h"

namespace korvel {
namespace {

using test::sj;
using P = DevicePoint;
using Points = std::vector<DevicePoint>;

struct TextRunTest : ::testing::Test, test::TextFixture {};

// W = 6, W2 = 3, H = 8, G = 2 at device (100, 200): the first cell's top-left is (100, 192);
// a half-width character advances W2 + G/2 = 4, a full-width one W + G = 8.
TEST_F(TextRunTest, HorizontalCellsAndFonts) {
    draw(run("AB" + sj("漢") + "C"));
    EXPECT_EQ(positions(), (Points{{100, 192}, {104, 192}, {108, 192}, {116, 192}}));
    EXPECT_EQ(drawnText(), U"AB漢C");
    for (const auto& f : fonts()) {
        EXPECT_EQ(f.height, 8);
        EXPECT_EQ(f.width, 3);  // the average width: a full-width glyph is twice that
        EXPECT_EQ(f.escapement, 0);
        EXPECT_EQ(f.face, "ＭＳ ゴシック");
    }
    EXPECT_EQ(colours(), (std::vector<uint32_t>(4, 0x123456u)));
    EXPECT_EQ(ToText(texts()[2]), "text \"漢\" at (108,192) font(\"ＭＳ ゴシック\" h8 w3 e0 o0) #563412");
}

TEST_F(TextRunTest, RotatedCellsFollowTheWritingDirection) {
    // 90 degrees: the first cell steps sideways by the cell width, then writing goes up.
    draw(run("AB" + sj("漢") + "C", 90.0));
    EXPECT_EQ(positions(), (Points{{94, 200}, {94, 196}, {94, 192}, {94, 184}}));
    EXPECT_EQ(fonts()[0].escapement, 900);
    EXPECT_EQ(fonts()[0].orientation, 900);

    // 30 degrees: (100 - 6 sin 30, 200 - 8 cos 30) = (97, 193.07), then steps of 4 and 8.
    draw(run("AB" + sj("漢") + "C", 30.0));
    EXPECT_EQ(positions(), (Points{{97, 193}, {100, 191}, {104, 189}, {111, 185}}));
    EXPECT_EQ(fonts()[0].escapement, 300);

    // -90 is 270: writing goes down the page.
    draw(run("AB", -90.0));
    EXPECT_EQ(positions(), (Points{{106, 200}, {106, 204}}));
    EXPECT_EQ(fonts()[0].escapement, 2700);
}

TEST_F(TextRunTest, VerticalTextKeepsGlyphsUprightAndTurnsBrackets) {
    // Angle 270 with the vertical flag: cells go down from the start point, glyph baseline at 0.
    draw(run(sj("漢字"), 270.0, 0x20));
    EXPECT_EQ(positions(), (Points{{100, 200}, {100, 208}}));
    EXPECT_EQ(fonts()[0].escapement, 0);

    // "（" lies along the writing line and moves W + G along the baseline; "、" moves up and
    // right by W + G at 45 degrees.
    draw(run(sj("（、ーa"), 270.0, 0x20));
    EXPECT_EQ(positions(), (Points{{108, 200}, {106, 202}, {108, 216}, {100, 224}}));
    const auto f = fonts();
    EXPECT_EQ(f[0].escapement, 2700);
    EXPECT_EQ(f[1].escapement, 0);
    EXPECT_EQ(f[2].escapement, 2700);
    EXPECT_EQ(f[3].escapement, 0);

    // The half-width forms are in the tables too.
    draw(run(sj("(｢,"), 270.0, 0x20));
    EXPECT_EQ(positions(), (Points{{108, 200}, {108, 204}, {106, 202}}));

    // Vertical text at angle 0 writes along 0 with glyphs turned to 90.
    draw(run("AB", 0.0, 0x20));
    EXPECT_EQ(positions(), (Points{{100, 200}, {104, 200}}));
    EXPECT_EQ(fonts()[0].escapement, 900);

    // Without the vertical bit the same text is horizontal: no turning, no shifting.
    draw(run(sj("（、"), 270.0, 0x10));
    EXPECT_EQ(positions(), (Points{{106, 200}, {106, 208}}));
    EXPECT_EQ(fonts()[0].escapement, 2700);
}

TEST_F(TextRunTest, TrailingMiddleDotsSpreadTheText) {
    // Two "・": k = 2 spread over 2 gaps, G = (4 * 2 + 6 * 2) / 2 = 10; the step is 3 + 5.
    draw(run("ABC" + sj("・・")));
    EXPECT_EQ(drawnText(), U"ABC");
    EXPECT_EQ(positions(), (Points{{100, 192}, {108, 192}, {116, 192}}));

    // One "･" is half a cell: G = (2.5 * 2 + 3) / 2 = 4, step 5.
    draw(run("ABC" + sj("･")));
    EXPECT_EQ(positions(), (Points{{100, 192}, {105, 192}, {110, 192}}));

    // A "･" before the last removed mark stays in the text.
    draw(run("AB" + sj("･･")));
    EXPECT_EQ(drawnText(), U"AB･");
    // "･" before "・" stays as well; k = 1 over three characters: G = (3 * 2 + 6) / 2 = 6.
    draw(run("AB" + sj("･・")));
    EXPECT_EQ(drawnText(), U"AB･");
    EXPECT_EQ(positions(), (Points{{100, 192}, {106, 192}, {112, 192}}));

    // One visible character has no gap to spread into.
    draw(run("A" + sj("・")));
    EXPECT_EQ(positions(), (Points{{100, 192}}));
}

TEST_F(TextRunTest, TrailingSqueezeCode) {
    // ^2 on six characters: W, W2 and G times 4/6, step 2 + 2/3.
    draw(run("ABCDEF^2"));
    EXPECT_EQ(drawnText(), U"ABCDEF");
    EXPECT_EQ(positions(),
              (Points{{100, 192}, {103, 192}, {105, 192}, {108, 192}, {111, 192}, {113, 192}}));
    EXPECT_EQ(fonts()[0].width, 2);

    // Four characters are just long enough to give up two cells: steps of 2; three are not.
    draw(run("ABCD^2"));
    EXPECT_EQ(positions(), (Points{{100, 192}, {102, 192}, {104, 192}, {106, 192}}));
    draw(run("ABC^2"));
    EXPECT_EQ(drawnText(), U"ABC");
    EXPECT_EQ(positions(), (Points{{100, 192}, {104, 192}, {108, 192}}));
    draw(run("AB^2"));
    EXPECT_EQ(positions(), (Points{{100, 192}, {104, 192}}));

    // A non-digit after the "^" is dropped too, and cancels a spread.
    draw(run("AB" + sj("・") + "^x"));
    EXPECT_EQ(drawnText(), U"AB・");

    // Codes do not count as width: "^!" leaves u = 6, so ^3 gives f = 3/6.
    draw(run("^!ABCDEF^3"));
    EXPECT_EQ(fonts()[0].width, 2);  // 1.5 rounded half to even
    EXPECT_EQ(positions()[1], (P{102, 192}));

    // A text that is nearly all codes keeps its size rather than collapsing.
    draw(run("^!^!A^4"));
    EXPECT_EQ(positions(), (Points{{100, 192}}));
    EXPECT_EQ(fonts()[0].width, 3);
    // Long enough in bytes to give up two cells, but with "^!" left out exactly two remain.
    draw(run("^!AB^2"));
    EXPECT_EQ(positions(), (Points{{100, 192}, {104, 192}}));
    EXPECT_EQ(fonts()[0].width, 3);
}

TEST_F(TextRunTest, SpreadCountsOnlyVisibleCharacters) {
    // "^!" is not a character of the spread: 3 visible, 2 gaps, as without it.
    draw(run("^!ABC" + sj("・・")));
    EXPECT_EQ(positions(), (Points{{100, 192}, {108, 192}, {116, 192}}));
    // A text ending in "^" is not pre-counted: the codes count as characters (5 visible).
    draw(run("^!ABC^" + sj("・・")));
    EXPECT_EQ(drawnText(), U"ABC^");
    // G = (7 * 2 + 6 * 2) / 5 = 5.2: steps of 3 + 2.6.
    EXPECT_EQ(positions(), (Points{{100, 192}, {106, 192}, {111, 192}, {117, 192}}));
}

TEST_F(TextRunTest, StyleCodes) {
    draw(run("^!A^/B^_C^-D^#E^\\F^&G"));
    EXPECT_EQ(drawnText(), U"ABCDEFG");
    const auto f = fonts();
    EXPECT_EQ(f[0].weight, 700);
    EXPECT_FALSE(f[0].italic);
    EXPECT_TRUE(f[1].italic);
    EXPECT_TRUE(f[2].underline);
    EXPECT_FALSE(f[2].strikeOut);
    EXPECT_TRUE(f[3].strikeOut);
    EXPECT_EQ(f[3].weight, 700);
    EXPECT_EQ(f[4].weight, 0);
    EXPECT_FALSE(f[4].italic || f[4].underline || f[4].strikeOut);
    EXPECT_EQ(f[5].face, "ＭＳゴシック");
    EXPECT_EQ(f[6].face, "ＭＳ ゴシック");
    // Codes take no cell: the seven letters sit in seven consecutive half cells.
    EXPECT_EQ(positions()[6], (P{124, 192}));
}

TEST_F(TextRunTest, FontStyleFromTextType) {
    const struct { uint32_t type; int weight; bool italic; } cases[] = {
        {3, 0, false}, {15003, 0, true}, {25003, 700, false}, {35003, 700, true}};
    for (const auto& c : cases) {
        auto r = run("A^!B^#C^%D");
        r.textType = c.type;
        draw(r);
        const auto f = fonts();
        SCOPED_TRACE(c.type);
        EXPECT_EQ(f[0].weight, c.weight);
        EXPECT_EQ(f[0].italic, c.italic);
        EXPECT_EQ(f[1].weight, 700);
        EXPECT_EQ(f[2].weight, c.weight);  // "^#" goes back to the text type
        EXPECT_EQ(f[2].italic, c.italic);
        EXPECT_EQ(f[3].weight, 0);  // "^%" turns everything off
        EXPECT_FALSE(f[3].italic);
    }
}

TEST_F(TextRunTest, CodesCanBeDisabledAndEnabled) {
    draw(run("^*^!A"));
    EXPECT_EQ(drawnText(), U"^!A");
    EXPECT_EQ(fonts()[2].weight, 0);

    draw(run("^*^!A^^^!B"));
    EXPECT_EQ(drawnText(), U"^!AB");
    EXPECT_EQ(fonts()[2].weight, 0);
    EXPECT_EQ(fonts()[3].weight, 700);

    // "^%" always acts: it enables codes and resets style, colour and face.
    draw(run("^$2^\\^!^*A^%^$3B"));
    EXPECT_EQ(drawnText(), U"AB");
    EXPECT_EQ(colours()[0], drawing.header.PenColor[2]);
    EXPECT_EQ(fonts()[0].face, "ＭＳゴシック");
    EXPECT_EQ(colours()[1], drawing.header.PenColor[3]);
    EXPECT_EQ(fonts()[1].face, "ＭＳ ゴシック");
    EXPECT_EQ(fonts()[1].weight, 0);

    // Disabled codes are drawn; so are unknown pairs.
    draw(run("^*^uX^oY^$1"));
    EXPECT_EQ(drawnText(), U"^uX^oY^$1");
    draw(run("A^zB"));
    EXPECT_EQ(drawnText(), U"A^zB");
    EXPECT_EQ(positions()[3], (P{112, 192}));
}

TEST_F(TextRunTest, ColourCode) {
    draw(run("^$3A" + sj("漢")));
    EXPECT_EQ(drawnText(), U"A漢");
    EXPECT_EQ(colours(), (std::vector<uint32_t>(2, drawing.header.PenColor[3])));
    EXPECT_EQ(positions()[0], (P{100, 192}));

    draw(run("^$xA"));
    EXPECT_EQ(drawnText(), U"^$xA");
    EXPECT_EQ(colours(), (std::vector<uint32_t>(4, 0x123456u)));

    draw(run("^$0A"));  // colour 0 is the background, not a code
    EXPECT_EQ(drawnText(), U"^$0A");
}

TEST_F(TextRunTest, ScriptCodes) {
    // Raised: half height at the top of the cell after X, advancing half a cell.
    draw(run("X^uYZ"));
    EXPECT_EQ(drawnText(), U"XYZ");
    EXPECT_EQ(positions(), (Points{{100, 192}, {104, 192}, {108, 192}}));
    EXPECT_EQ(fonts()[1].height, 4);
    EXPECT_EQ(fonts()[1].width, 3);
    EXPECT_EQ(fonts()[2].height, 8);

    // Centred and double-byte: moved H/3 towards 250 degrees, width halved, half-cell advance.
    draw(run("X^c" + sj("漢") + "Z"));
    EXPECT_EQ(positions(), (Points{{100, 192}, {103, 195}, {108, 192}}));
    EXPECT_EQ(fonts()[1].width, 2);  // 1.5, half to even

    // Lowered: moved H/2 towards 250 degrees.
    draw(run("X^dY"));
    EXPECT_EQ(positions()[1], (P{103, 196}));

    // A script code as the last pair of the text is the squeeze code, dropped.
    draw(run("XY^u"));
    EXPECT_EQ(drawnText(), U"XY");
}

TEST_F(TextRunTest, OverlayCodes) {
    // "^o": a reduced character over the last one; the next character follows the 1 as if
    // nothing were there.
    draw(run("1^o" + sj("○") + "Z"));
    EXPECT_EQ(drawnText(), U"1○Z");
    EXPECT_EQ(positions(), (Points{{100, 192}, {101, 193}, {104, 192}}));
    EXPECT_EQ(fonts()[1].height, 4);
    EXPECT_EQ(fonts()[1].width, 1);

    // After a double-byte character the offset is 2.7 widths in both directions.
    draw(run(sj("漢") + "^o" + sj("○")));
    EXPECT_EQ(positions()[1], (P{102, 193}));

    // "^b" and "^B": moved along the writing direction, more after a double-byte character.
    draw(run(sj("漢") + "^bA"));
    EXPECT_EQ(positions()[1], (P{102, 192}));
    draw(run("A^bA"));
    EXPECT_EQ(positions()[1], (P{101, 192}));
    draw(run(sj("漢") + "^BA"));
    EXPECT_EQ(positions()[1], (P{102, 192}));
    draw(run("A^B" + sj("漢")));
    EXPECT_EQ(positions()[1], (P{101, 192}));
    EXPECT_EQ(fonts()[1].height, 8);

    // "^n" moves only in vertical text; "^O" never.
    draw(run("A^nB"));
    EXPECT_EQ(positions()[1], (P{100, 192}));
    draw(run("A^nB", 270.0, 0x20));
    EXPECT_EQ(positions()[1], (P{103, 200}));
    draw(run("A^OBC"));
    EXPECT_EQ(positions(), (Points{{100, 192}, {100, 192}, {104, 192}}));
}

TEST_F(TextRunTest, TwoCharacterOverlay) {
    // Two single-byte characters: drawn as one string, reduced, down and right of the last cell.
    draw(run("A^w12B"));
    EXPECT_EQ(texts()[1].text, U"12");
    EXPECT_EQ(positions(), (Points{{100, 192}, {101, 194}, {104, 192}}));
    EXPECT_EQ(fonts()[1].width, 2);
    EXPECT_EQ(fonts()[1].height, 4);

    // A single-byte then a double-byte character: the first alone in mode 1.
    draw(run("A^w1" + sj("漢")));
    EXPECT_EQ(drawnText(), U"A1漢");
    EXPECT_EQ(positions(), (Points{{100, 192}, {101, 193}, {104, 192}}));

    // A double-byte character first: not a code.
    draw(run("A^w" + sj("漢") + "1"));
    EXPECT_EQ(drawnText(), U"A^w漢1");
}

TEST_F(TextRunTest, OverlayAtTheFirstPositionIsText) {
    draw(run("^oX"));
    EXPECT_EQ(drawnText(), U"^oX");
    EXPECT_EQ(positions(), (Points{{100, 192}, {104, 192}, {108, 192}}));
    draw(run("^w12"));
    EXPECT_EQ(drawnText(), U"^w12");
}

TEST_F(TextRunTest, OutlineModeDrawsAHaloUnderEachGlyph) {
    options.drawOutLine = 1;
    draw(run("^$3A" + sj("漢")));
    // Each glyph: first its halo, the outline three units wide and the inside, both in the
    // background colour; then the glyph on top in the record's colour, whatever "^$" asked for.
    EXPECT_EQ(target.listing(),
              "text \"A\" at (100,192) font(\"ＭＳ ゴシック\" h8 w3 e0 o0) #563412 outline "
              "pen(#ffffff w3) brush(solid #ffffff)\n"
              "text \"A\" at (100,192) font(\"ＭＳ ゴシック\" h8 w3 e0 o0) #563412\n"
              "text \"漢\" at (104,192) font(\"ＭＳ ゴシック\" h8 w3 e0 o0) #563412 outline "
              "pen(#ffffff w3) brush(solid #ffffff)\n"
              "text \"漢\" at (104,192) font(\"ＭＳ ゴシック\" h8 w3 e0 o0) #563412\n");
}

TEST_F(TextRunTest, BackgroundBoxMode) {
    options.drawOutLine = 2;
    options.outLineExpansion = 0.0;
    draw(run("AB"));
    // From the start point to the end point and up by the text height.
    ASSERT_EQ(target.calls.size(), 3u);
    EXPECT_EQ(ToText(target.calls[0]),
              "polygon pen(#ffffff w0) brush(solid #ffffff) (100,200) (160,200) (160,192) (100,192)");
    EXPECT_EQ(target.count(CallKind::Text), 2u);

    // Expansion in millimetres (times the scale 2), and the height turned with the baseline.
    options.outLineExpansion = 1.0;
    auto r = run("AB", 90.0);
    r.endX = 100;
    r.endY = 140;
    draw(r);
    ASSERT_EQ(target.calls[0].kind, CallKind::Polygon);
    EXPECT_EQ(target.calls[0].points, (Points{{98, 202}, {102, 142}, {94, 138}, {90, 198}}));
}

TEST_F(TextRunTest, MacrosAreExpandedBeforeLayout) {
    draw(run("%y" + sj("年")));
    EXPECT_EQ(drawnText(), U"26年");
    EXPECT_EQ(positions()[2], (P{108, 192}));
}

TEST_F(TextRunTest, DegenerateTexts) {
    draw(run(""));
    EXPECT_TRUE(target.calls.empty());
    draw(run("^"));
    EXPECT_EQ(drawnText(), U"^");
    draw(run(sj("・")));
    EXPECT_TRUE(texts().empty());
    std::string broken = "A";
    broken += '\x82';  // a lead byte with nothing after it
    draw(run(broken));
    EXPECT_EQ(texts().size(), 2u);
    auto r = run("AB");
    r.angle = std::nan("");
    draw(r);
    EXPECT_EQ(fonts()[0].escapement, 0);
}

}  // namespace
}  // namespace korvel
