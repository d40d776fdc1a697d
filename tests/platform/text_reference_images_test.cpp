// Texts rendered with the IPA fonts through the Qt painter target, against reference images
// (tests/platform/references/texts/<case>.png; UPDATE_REFS=1 regenerates them).
#include <gtest/gtest.h>

#include "drawing/cp932.h"
#include "drawing_builder.h"
#include "ref_image.h"

namespace korvel::test {
namespace {

struct TextReferences : ::testing::Test {
    DrawingBuilder b;

    // Cells of w x h millimetres with a gap of 0.5; the end point where Jw_cad would put it.
    TDataMoji& text(double x, double y, const char* utf8, double w = 5.0, double h = 5.0,
                    double angle = 0.0, uint16_t flags = 0, const char* face = "ＭＳ ゴシック") {
        TDataMoji& t = b.text(x, y, Utf8ToCp932(utf8));
        t.fontName = Utf8ToCp932(face);
        t.sizeX = w;
        t.sizeY = h;
        t.spacing = 0.5;
        t.angle = angle;
        t.flags = flags;
        t.penColor = 2;
        return t;
    }
    QImage render(const RenderOptions& options = RenderOptions{}) {
        return RenderForReference(b.drawing, 400, 300, options);
    }
};

TEST_F(TextReferences, Horizontal) {
    b.extents(0, 0, 100, 75);
    text(5, 62, "平面図 Plan-1 (ｶﾀｶﾅ)");
    text(5, 50, "明朝体の文字 ABCabc", 5, 5, 0, 0, "ＭＳ 明朝");
    text(5, 38, "幅広い文字", 8, 4);
    text(5, 28, "細長い文字", 3, 6, 0, 0, "ＭＳ Ｐゴシック");
    text(5, 15, "太字と斜体", 5, 5).textType = 35000;
    text(55, 15, "ABC・・", 4, 4).end = {95, 15};
    EXPECT_TRUE(MatchesReference(render(), "texts", "horizontal", 2, 40));
}

TEST_F(TextReferences, VerticalAndRotated) {
    b.extents(0, 0, 100, 75);
    text(85, 70, "縦書き（括弧）、句読点。ー", 5, 5, 270, 0x20);
    text(70, 70, "ABCｱｲｳ", 5, 5, 270, 0x20);
    text(10, 10, "回転３０度の文字", 5, 5, 30);
    text(10, 60, "逆さ", 5, 5, 180);
    text(50, 10, "上向き", 5, 5, 90);
    EXPECT_TRUE(MatchesReference(render(), "texts", "vertical_rotated", 2, 40));
}

TEST_F(TextReferences, ControlCodes) {
    b.extents(0, 0, 100, 75);
    text(5, 65, "^!太字^#^/斜体^%^$6赤^_下線^%^-取消^#");
    text(5, 52, "X^uY^cZ^dW m^u2 1^o○ 2^w10");
    text(5, 39, "^\\ゴシック^&明朝に戻る", 5, 5, 0, 0, "ＭＳ 明朝");
    text(5, 26, "^*^!そのまま^^^!太く");
    text(5, 13, "ABCDEF^2", 5, 5);
    EXPECT_TRUE(MatchesReference(render(), "texts", "codes", 2, 40));
}

TEST_F(TextReferences, BoldAtLargeSizes) {
    // Glyphs of 80 and 120 pixels, plain above bold, upright and turned: bold must show at
    // sizes where font engines stop emboldening.
    b.extents(0, 0, 100, 50);
    text(2, 34, "平面図 Ab", 10, 10);
    text(2, 20, "平面図 Ab", 10, 10).textType = 25000;
    text(2, 2, "太字", 15, 15).textType = 25000;
    text(85, 2, "縦", 10, 10, 90).textType = 25000;
    EXPECT_TRUE(MatchesReference(RenderForReference(b.drawing, 800, 400), "texts", "bold_large", 2, 40));
}

TEST_F(TextReferences, OutlineModes) {
    b.extents(0, 0, 100, 75);
    // Lines behind the texts show what the halo and the box cover.
    for (double y = 5; y < 75; y += 4) b.line(0, y, 100, y, 3);
    text(5, 50, "袋文字 Outline", 8, 10).end = {5 + 8 * 7.5 + 0.5 * 10, 50};
    RenderOptions halo;
    halo.drawOutLine = 1;
    EXPECT_TRUE(MatchesReference(render(halo), "texts", "outline_halo", 2, 40));

    TDataMoji& boxed = text(5, 20, "背景 Box", 6, 8);
    boxed.end = {5 + 6 * 4 + 0.5 * 3, 20};
    RenderOptions box;
    box.drawOutLine = 2;
    box.outLineExpansion = 1.0;
    EXPECT_TRUE(MatchesReference(render(box), "texts", "outline_box", 2, 40));
}

}  // namespace
}  // namespace korvel::test
