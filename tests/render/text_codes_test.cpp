// The "^" code reader on its own: which characters a text shows and whether codes restyle it,
// as exports that keep texts as texts read them.
#include <gtest/gtest.h>

#include "drawing/cp932.h"
#include "render/text_codes.h"
#include "render/text_run_layout.h"

namespace korvel {
namespace {

std::string shown(const std::string& utf8, uint32_t textType = 0, bool* styled = nullptr) {
    const ShownText s = ShowText(SplitCp932(Utf8ToCp932(utf8)), textType);
    if (styled) *styled = s.styled;
    std::vector<Cp932Char> chars;
    for (const TextGlyph& g : s.glyphs) {
        chars.push_back(g.first);
        if (g.pair) chars.push_back(g.second);
    }
    return Cp932ToUtf8(JoinCp932(chars));
}

// How many characters the codes of a text take, which the layout leaves out of its cells:
// codes at the very start and end of a text, and the ones whose arguments are cut off.
// Characters at the ends of the lead and trail ranges and of the single bytes, as code page 932
// maps them; a lead byte with nothing after it, or a trail below the range, has no character.
TEST(Cp932Characters, EndsOfTheRangesConvert) {
    const auto unicode = [](const std::string& bytes) {
        const std::vector<Cp932Char> chars = SplitCp932(bytes);
        EXPECT_EQ(chars.size(), 1u) << bytes;
        return chars.empty() ? U'\0' : Cp932ToUnicode(chars[0]);
    };
    EXPECT_EQ(unicode("\x81\x40"), U'\u3000');
    EXPECT_EQ(unicode("\x81\x7E"), U'\u00D7');
    EXPECT_EQ(unicode("\x81\x80"), U'\u00F7');
    EXPECT_EQ(unicode("\x81\xFC"), U'\u25EF');
    EXPECT_EQ(unicode("\x87\x40"), U'\u2460');
    EXPECT_EQ(unicode("\x88\x9F"), U'\u4E9C');
    EXPECT_EQ(unicode("\xFC\x4B"), U'\u9ED1');
    EXPECT_EQ(unicode("\xA1"), U'\uFF61');
    EXPECT_EQ(unicode("\xDF"), U'\uFF9F');
    EXPECT_EQ(unicode("\x7F"), U'\u007F');
    EXPECT_EQ(unicode("\x82"), U'\uFFFD');
    EXPECT_EQ(Cp932ToUnicode({0x8120, true}), U'\uFFFD');
    EXPECT_EQ(SplitCp932("a\x82\xA0\x82"), (std::vector<Cp932Char>{{'a', false}, {0x82A0, true}, {0x82, false}}));
}

TEST(TextCodes, CharactersTheCodesTake) {
    const auto count = [](const char* utf8) { return CountCodes(SplitCp932(Utf8ToCp932(utf8))); };
    const struct {
        const char* text;
        size_t codeChars;
        size_t halfWidthScripts;
    } cases[] = {
        {"平面図", 0, 0},
        {"^!A^#", 4, 0},
        {"A^$3", 3, 0},       // a colour code ending the text
        {"^$3", 3, 0},
        {"A^$", 0, 0},        // no digit follows
        {"A^$0B", 0, 0},      // 0 is no pen colour
        {"^$9^$1", 6, 0},
        {"A^uBC", 2, 0},      // a script takes the code, the scripted character stays
        {"A^u", 0, 0},
        {"A^u漢B", 2, 1},     // a double-byte script is drawn half a cell
        {"A^bB", 3, 0},
        {"^bB", 0, 0},        // an overlay needs a character before it
        {"A^b", 0, 0},
        {"A^wXB", 4, 0},
        {"A^wX漢", 3, 0},
        {"A^wX", 0, 0},
        {"^*^!A^%^!", 6, 0},  // the ^! between ^* and ^% is drawn; ^* and ^% always count
    };
    for (const auto& c : cases) {
        const CodeCount n = count(c.text);
        EXPECT_EQ(n.codeChars, c.codeChars) << c.text;
        EXPECT_EQ(n.halfWidthScripts, c.halfWidthScripts) << c.text;
    }
}

// The text type's ten-thousands: 1 italic, 2 bold, 3 both; each from its first value on.
TEST(TextCodes, TextTypesStartBoldAndItalicAtTheirThresholds) {
    const struct {
        uint32_t type;
        bool bold, italic;
    } cases[] = {{0, false, false},     {9999, false, false}, {10000, false, true}, {19999, false, true},
                 {20000, true, false},  {29999, true, false}, {30000, true, true},  {65535, true, true}};
    for (const auto& c : cases) {
        const TextCodeState st(c.type);
        EXPECT_EQ(st.bold, c.bold) << c.type;
        EXPECT_EQ(st.italic, c.italic) << c.type;
        EXPECT_FALSE(st.underline || st.strikeOut) << c.type;
    }
}

TEST(TextCodes, CodesVanishAndTheirCharactersStay) {
    bool styled = true;
    EXPECT_EQ(shown("平面図", 0, &styled), "平面図");
    EXPECT_FALSE(styled);
    EXPECT_EQ(shown("^!太字^#普通", 0, &styled), "太字普通");
    EXPECT_TRUE(styled);
    EXPECT_EQ(shown("^$3赤^$x", 0, &styled), "赤^$x");  // no digit: drawn as it stands
    EXPECT_TRUE(styled);
    EXPECT_EQ(shown("X^uY1^o○"), "XY1○");          // scripts and overlays keep their characters
    EXPECT_EQ(shown("^oA"), "^oA");                  // nothing to overlay at the start
    EXPECT_EQ(shown("A^wbc"), "Abc");                // mode 5 draws the two as one
    EXPECT_EQ(shown("^*^!A^^^!B", 0, &styled), "^!AB");
    EXPECT_TRUE(styled);
    EXPECT_EQ(shown("A^"), "A^");
}

TEST(TextCodes, StyleFollowsTheTextTypeUntilCodesChangeIt) {
    TextCodeState st(25003);  // bold, not italic
    EXPECT_TRUE(st.bold);
    EXPECT_FALSE(st.italic);
    TextGlyph g;
    size_t consumed = 0;
    const auto chars = SplitCp932("^/^%^\\");
    EXPECT_EQ(ReadTextCode(chars, 0, st, g, consumed), TextCodeResult::StateOnly);
    EXPECT_TRUE(st.italic);
    EXPECT_EQ(ReadTextCode(chars, 2, st, g, consumed), TextCodeResult::StateOnly);
    EXPECT_FALSE(st.bold);  // "^%" turns off even what the text type asked for
    EXPECT_FALSE(st.italic);
    EXPECT_EQ(ReadTextCode(chars, 4, st, g, consumed), TextCodeResult::StateOnly);
    EXPECT_TRUE(st.gothicFace);
    EXPECT_EQ(consumed, 2u);
    bool styled = false;
    shown("漢字", 35003, &styled);
    EXPECT_FALSE(styled);  // the text type's own style is the record's, not a code's
}

}  // namespace
}  // namespace korvel
