#include "drawing/cp932.h"

#include <gtest/gtest.h>

#include <string>

namespace korvel {
namespace {

const std::string kQ = kCp932Replacement;  // ？

// Each character CP932 lacks becomes exactly one ？, whatever its length in the input, and the
// characters around it come through untouched.
TEST(Cp932Conversion, OneReplacementPerMissingCharacter) {
    struct Case {
        const char* utf8;
        std::string cp932;
        size_t replaced;
    } cases[] = {
        {"a\xC3\xA9z", "a" + kQ + "z", 1},                        // é: two bytes
        {"a\xE2\x82\xACz", "a" + kQ + "z", 1},                    // €: three bytes
        {"a\xF0\x9F\x98\x80z", "a" + kQ + "z", 1},                // 😀: four bytes
        {"\xF0\x9F\x98\x80\xF0\x9F\x98\x80", kQ + kQ, 2},         // two in a row
        {"a\xE3\x81z", "a" + kQ + "z", 1},                        // a three-byte character cut short
        {"a\xF0\x9F\x98", "a" + kQ, 1},                           // cut short at the very end
        {"\x80" "b", kQ + "b", 1},                                // a lone continuation byte
        {"\xF0\x9F\x98\x80\x80" "z", kQ + kQ + "z", 2},              // four bytes, then a stray fifth
        {"\xE5\x9B\xB3\xE2\x91\xA0", "\x90\x7D\x87\x40", 0},      // 図① (① is an NEC row)
    };
    for (const Case& c : cases) {
        size_t replaced = 0;
        EXPECT_EQ(Utf8ToCp932(c.utf8, &replaced), c.cp932) << c.utf8;
        EXPECT_EQ(replaced, c.replaced) << c.utf8;
    }
}

TEST(Cp932Conversion, Utf16SurrogatePairsAreOneCharacter) {
    // "A", U+1F600 as a surrogate pair, "B", then a high surrogate with nothing after it.
    const uint8_t pair[] = {'A', 0, 0x3D, 0xD8, 0x00, 0xDE, 'B', 0, 0x3D, 0xD8};
    size_t replaced = 0;
    EXPECT_EQ(Utf16ToCp932(pair, 5, &replaced), "A" + kQ + "B" + kQ);
    EXPECT_EQ(replaced, 2u);
    // 図 (U+56F3) converts; counts add up across calls.
    const uint8_t zu[] = {0xF3, 0x56};
    EXPECT_EQ(Utf16ToCp932(zu, 1, &replaced), "\x90\x7D");
    EXPECT_EQ(replaced, 2u);
    // The lowest and highest pairs, and a character of one unit that CP932 lacks (é) between.
    const uint8_t ends[] = {0x00, 0xD8, 0x00, 0xDC, 0xE9, 0x00, 'C', 0, 0xFF, 0xDB, 0xFF, 0xDF};
    EXPECT_EQ(Utf16ToCp932(ends, 6, &replaced), kQ + kQ + "C" + kQ);
    EXPECT_EQ(replaced, 5u);
}

TEST(Cp932Conversion, BackToUnicode) {
    EXPECT_EQ(Cp932ToUtf8("\x90\x7D\x87\x40" "A"), "\xE5\x9B\xB3\xE2\x91\xA0" "A");
    // A lead byte with no trail and a byte CP932 leaves unassigned become U+FFFD each.
    EXPECT_EQ(Cp932ToUtf8("A\xA0" "B\x81"), "A\xEF\xBF\xBD" "B\xEF\xBF\xBD");
    // A lead byte before a trail it makes no character with takes that trail along.
    EXPECT_EQ(Cp932ToUtf8("A\x85\x40"), "A\xEF\xBF\xBD");
    EXPECT_EQ(Cp932ToUtf32("\x90\x7D" "a\xB1"), (std::u32string{0x56F3, U'a', 0xFF71}));
    EXPECT_EQ(Cp932ToUtf16("\x90\x7D" "a"), (std::u16string{0x56F3, u'a'}));
}

TEST(Cp932Conversion, CutsOnCharacterBoundaries) {
    const std::string s = "a\x90\x7D" "b\x90\x7D";  // a図b図: 6 bytes
    EXPECT_EQ(CutCp932(s, 6), s);
    EXPECT_EQ(CutCp932(s, 5), "a\x90\x7D" "b");
    EXPECT_EQ(CutCp932(s, 4), "a\x90\x7D" "b");
    EXPECT_EQ(CutCp932(s, 3), "a\x90\x7D");
    EXPECT_EQ(CutCp932(s, 2), "a");
    EXPECT_EQ(CutCp932(s, 0), "");
    EXPECT_EQ(CutCp932("ab\x90", 3), "ab\x90");  // all of it fits, a lone lead byte at the end too
    // Lead bytes at both ends of both ranges.
    EXPECT_TRUE(IsCp932LeadByte(0x81) && IsCp932LeadByte(0x9F) && IsCp932LeadByte(0xE0) &&
                IsCp932LeadByte(0xFC));
    EXPECT_FALSE(IsCp932LeadByte(0x80) || IsCp932LeadByte(0xA0) || IsCp932LeadByte(0xDF) ||
                 IsCp932LeadByte(0xFD));
}

}  // namespace
}  // namespace korvel
