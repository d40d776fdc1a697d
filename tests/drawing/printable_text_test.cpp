#include "drawing/printable_text.h"

#include <gtest/gtest.h>

namespace korvel {
namespace {

TEST(PrintableText, ControlCharactersAreShownNotSent) {
    EXPECT_EQ(EscapeControlCharacters("平面図"), "平面図");
    EXPECT_EQ(EscapeControlCharacters("C:\\図面\\logo.bmp"), "C:\\図面\\logo.bmp");  // paths keep their backslashes
    EXPECT_EQ(EscapeControlCharacters("\x1b]0;owned\x07memo"), "\\x1B]0;owned\\x07memo");
    EXPECT_EQ(EscapeControlCharacters("\x1b[2J\x1b[H"), "\\x1B[2J\\x1B[H");
    EXPECT_EQ(EscapeControlCharacters("a\tb\r\nc\x7f"), "a\\tb\\r\\nc\\x7F");
    EXPECT_EQ(EscapeControlCharacters(std::string("nul\0end", 7)), "nul\\x00end");
    // C1 controls as UTF-8 (U+009B is a one-character CSI), and bytes that are no UTF-8 at all.
    EXPECT_EQ(EscapeControlCharacters("\xc2\x9b" "31m\xc2\x85\xc2\xa0"), "\\u009B31m\\u0085\xc2\xa0");
    EXPECT_EQ(EscapeControlCharacters("\x9b" "2J \xe5\xb9 \xed\xa0\x80 \xf4\x90\x80\x80 \xc0\xaf"),
              "\\x9B2J \\xE5\\xB9 \\xED\\xA0\\x80 \\xF4\\x90\\x80\\x80 \\xC0\\xAF");
    EXPECT_EQ(EscapeControlCharacters("\xf0\x9f\x93\x90"), "\xf0\x9f\x93\x90");
    // The first and last characters each lead byte of two, three and four bytes can start.
    for (const char* shown : {"\xc2\xa0", "\xdf\xbf", "\xe0\xa0\x80", "\xe0\xbf\xbf", "\xed\x9f\xbf", "\xee\x80\x80",
                              "\xef\xbf\xbd", "\xf0\x90\x80\x80", "\xf3\xbf\xbf\xbf", "\xf4\x8f\xbf\xbf"})
        EXPECT_EQ(EscapeControlCharacters(shown), shown);
    // Overlong forms and bytes past the last code point are escaped.
    EXPECT_EQ(EscapeControlCharacters("\xe0\x9f\xbf"), "\\xE0\\x9F\\xBF");
    EXPECT_EQ(EscapeControlCharacters("\xf0\x8f\xbf\xbf"), "\\xF0\\x8F\\xBF\\xBF");
    EXPECT_EQ(EscapeControlCharacters("\xf5\x80\x80\x80"), "\\xF5\\x80\\x80\\x80");
}

TEST(PrintableText, Cp932KeepsItsDoubleByteCharacters) {
    // "表" is 0x95 0x5C: its trail byte is a backslash and stays one.
    EXPECT_EQ(EscapeCp932ControlCharacters("\x95\x5c\x1b[2J\x8c\xba"), "\x95\x5c\\x1B[2J\x8c\xba");
    EXPECT_EQ(EscapeCp932ControlCharacters("\x7f\t\xfc\x40"), "\\x7F\\t\xfc\x40");
}

}  // namespace
}  // namespace korvel
