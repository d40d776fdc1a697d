// Finding texts: the folding of widths and cases, and where each hit lies.
#include <gtest/gtest.h>

#include "drawing/cp932.h"
#include "drawing_builder.h"
#include "render/text_search.h"

namespace korvel {
namespace {

using test::DrawingBuilder;

std::u32string fold(const std::string& utf8) { return FoldForSearch(DecodeUtf8(utf8)); }

TEST(SearchFolding, WidthsCasesAndSoundMarks) {
    EXPECT_EQ(fold("ＲＯＯＭ　１０１"), U"room 101");
    EXPECT_EQ(fold("Room 101"), U"room 101");
    EXPECT_EQ(fold("ｶﾞﾚｰｼﾞ"), U"ガレージ");
    EXPECT_EQ(fold("ﾊﾟﾝﾄﾘｰ"), U"パントリー");
    EXPECT_EQ(fold("ｳﾞｨﾗ"), U"ヴィラ");
    // A mark after a kana that takes none stays a mark of its own.
    EXPECT_EQ(fold("ｱﾞ"), U"ア゛");
    EXPECT_EQ(fold("ﾏﾟ"), U"マ゜");
    EXPECT_EQ(fold("ｷｯﾁﾝ｡"), U"キッチン。");
    EXPECT_EQ(fold("ΑΩ Ёж ＡＢｃ"), U"αω ёж abc");
    EXPECT_EQ(fold("ｆｕｌｌ～"), U"full~");
    // Already folded text comes back as it is; full-width kana are not made half-width.
    EXPECT_EQ(fold("ガレージ abc"), U"ガレージ abc");
}

// Every half-width katakana as its full-width character (as Unicode's compatibility folding
// gives them), every kana that takes a sound mark joined with it, and the ends of each range.
TEST(SearchFolding, EveryHalfWidthKanaAndEveryLetterWithACase) {
    EXPECT_EQ(fold("｡｢｣､･ｦｧｨｩｪｫｬｭｮｯｰｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃﾄﾅﾆﾇﾈﾉﾊﾋﾌﾍﾎﾏﾐﾑﾒﾓﾔﾕﾖﾗﾘﾙﾚﾛﾜﾝﾞﾟ"),
              U"。「」、・ヲァィゥェォャュョッーアイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホマミムメモヤユヨラリルレロワン゛゜");
    EXPECT_EQ(fold("ｳﾞｶﾞｷﾞｸﾞｹﾞｺﾞｻﾞｼﾞｽﾞｾﾞｿﾞﾀﾞﾁﾞﾂﾞﾃﾞﾄﾞﾊﾞﾋﾞﾌﾞﾍﾞﾎﾞ"), U"ヴガギグゲゴザジズゼゾダヂヅデドバビブベボ");
    EXPECT_EQ(fold("ﾊﾟﾋﾟﾌﾟﾍﾟﾎﾟ"), U"パピプペポ");
    EXPECT_EQ(fold("ｯﾞﾅﾞﾏﾞｶﾟﾄﾟｳﾟ"), U"ッ゛ナ゛マ゛カ゜ト゜ウ゜");
    EXPECT_EQ(fold("！｟＠［｀｛"), U"!｟@[`{");
    EXPECT_EQ(fold("ΑΒΓΔΕΖΗΘΙΚΛΜΝΞΟΠΡΣΤΥΦΧΨΩ"), U"αβγδεζηθικλμνξοπρστυφχψω");
    EXPECT_EQ(fold("АБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯЁ"), U"абвгдежзийклмнопрстуфхцчшщъыьэюяё");
    EXPECT_EQ(fold("ABCXYZ"), U"abcxyz");
}

TEST(SearchFolding, Utf8DecodingReplacesWhatIsMalformed) {
    EXPECT_EQ(DecodeUtf8("a\xC3\xA9\xE3\x81\x82\xF0\x9F\x98\x80"), std::u32string(U"aéあ\U0001F600"));
    EXPECT_EQ(DecodeUtf8("\xC3"), std::u32string(U"\uFFFD"));          // cut short
    EXPECT_EQ(DecodeUtf8("\xE3\x81"), std::u32string(U"\uFFFD\uFFFD"));  // cut short, then a lone byte
    EXPECT_EQ(DecodeUtf8("\x80x"), std::u32string(U"\uFFFDx"));
    EXPECT_EQ(DecodeUtf8("\xC3x"), std::u32string(U"\uFFFDx"));
}

TDataMoji& cp932Text(DrawingBuilder& b, double x, double y, const std::string& utf8) {
    TDataMoji& t = b.text(x, y, Utf8ToCp932(utf8));
    t.end = {x + 20, y};
    t.sizeY = 4;
    return t;
}

TEST(TextSearch, HitsInStreamOrderWithTheirBoxesAndLayers) {
    DrawingBuilder b;
    b.beginBlock();
    cp932Text(b, 0, 0, "ｷｯﾁﾝ");
    b.endBlock();
    cp932Text(b, 10, 10, "キッチン");
    cp932Text(b, 0, 50, "居間");
    TDataMoji& hidden = cp932Text(b, 100, 0, "ＫＩＴＣＨＥＮ キッチン");
    hidden.layerGroup = 3;
    b.drawing.header.LayerGroupState[3] = 0;
    b.insert(0, 200, 100, 1.5707963267948966);  // turned a quarter, counter-clockwise
    TDataSunpou& dim = b.dimension(0, 0, 30, 0);
    dim.text.text = Utf8ToCp932("ｷｯﾁﾝ幅");
    // Texts that are no texts to people.
    cp932Text(b, 0, 0, "^@BMキッチン.bmp,100,50");
    TDataMoji& setting = cp932Text(b, 0, -1000, "キッチン = 1");
    setting.penColor = 9;
    setting.penStyle = 9;
    setting.start = setting.end = {0, -1000};
    b.beginBlock();  // a definition no insert names, its members right after the first's
    cp932Text(b, 0, 0, "ｷｯﾁﾝ");
    b.endBlock();

    const TextSearchResult r = FindTexts(b.drawing, LayerChoice{}, "きっちん");
    EXPECT_TRUE(r.hits.empty());  // hiragana and katakana stay apart

    const TextSearchResult k = FindTexts(b.drawing, LayerChoice{}, "ｷｯﾁﾝ");
    ASSERT_EQ(k.hits.size(), 4u);
    EXPECT_TRUE(k.complete);
    EXPECT_FALSE(k.truncated);
    const TextHit& first = k.hits[0];
    EXPECT_EQ(Cp932ToUtf8(first.text), "キッチン");
    EXPECT_EQ(first.order, 1u);
    EXPECT_EQ(first.show, LayerShow::Shown);
    EXPECT_DOUBLE_EQ(first.minX, 10.0);
    EXPECT_DOUBLE_EQ(first.maxX, 30.0);
    EXPECT_DOUBLE_EQ(first.minY, 10.0);
    EXPECT_DOUBLE_EQ(first.maxY, 14.0);

    EXPECT_EQ(k.hits[1].show, LayerShow::Hidden);  // found, and said to be hidden
    EXPECT_EQ(k.hits[1].layerGroup, 3);

    const TextHit& member = k.hits[2];
    EXPECT_TRUE(member.inBlock);
    EXPECT_EQ(member.order, 4u);
    EXPECT_NEAR(member.at.x, 200.0, 1e-12);
    EXPECT_NEAR(member.at.y, 100.0, 1e-12);
    // The member's baseline runs up from the insert's origin, its height to the left.
    EXPECT_NEAR(member.minX, 196.0, 1e-12);
    EXPECT_NEAR(member.maxX, 200.0, 1e-12);
    EXPECT_NEAR(member.minY, 100.0, 1e-12);
    EXPECT_NEAR(member.maxY, 120.0, 1e-12);

    EXPECT_TRUE(k.hits[3].dimension);
    EXPECT_EQ(Cp932ToUtf8(k.hits[3].text), "ｷｯﾁﾝ幅");

    // A choice that hides the insert's layer hides its members; one that shows group 3 shows.
    LayerChoice c;
    c.set(0, 0, LayerShow::Greyed);
    c.set(3, 0, LayerShow::Shown);
    const TextSearchResult chosen = FindTexts(b.drawing, c, "kitchen");
    ASSERT_EQ(chosen.hits.size(), 1u);
    EXPECT_EQ(chosen.hits[0].show, LayerShow::Shown);
    c.set(0, 0, LayerShow::Hidden);
    EXPECT_EQ(FindTexts(b.drawing, c, "キッチン").hits[2].show, LayerShow::Hidden);
    EXPECT_EQ(FindTexts(b.drawing, c, "キッチン").hits[0].show, LayerShow::Hidden);
}

TEST(TextSearch, EmptyQueriesFindNothingAndTheLimitSaysSo) {
    DrawingBuilder b;
    for (int i = 0; i < 5; ++i) cp932Text(b, i, 0, "A" + std::to_string(i));
    EXPECT_TRUE(FindTexts(b.drawing, LayerChoice{}, "").hits.empty());
    const TextSearchResult all = FindTexts(b.drawing, LayerChoice{}, "a");
    EXPECT_EQ(all.hits.size(), 5u);
    EXPECT_FALSE(all.truncated);
    const TextSearchResult few = FindTexts(b.drawing, LayerChoice{}, "ａ", 3);
    ASSERT_EQ(few.hits.size(), 3u);
    EXPECT_TRUE(few.truncated);
    EXPECT_EQ(few.hits[2].text, "A2");
    EXPECT_EQ(FindTexts(b.drawing, LayerChoice{}, "A3").hits.size(), 1u);
}

}  // namespace
}  // namespace korvel
