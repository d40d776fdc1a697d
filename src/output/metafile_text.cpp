// Malformed UTF-8 turns into U+FFFD rather than stopping the export.
#include "output/metafile_text.h"

#include "drawing/cp932.h"
#include "drawing/text_conversion.h"

namespace korvel {

std::u16string CodePointsToUtf16(const std::u32string& text) {
    std::u16string out;
    for (char32_t c : text) {
        if (c >= 0x10000 && c <= 0x10FFFF) {
            c -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
        } else {
            out.push_back(c > 0x10FFFF ? u'\uFFFD' : static_cast<char16_t>(c));
        }
    }
    return out;
}

std::u16string Utf8ToUtf16(const std::string& utf8) { return CodePointsToUtf16(Utf8ToCodePoints(utf8)); }

std::string CodePointsToCp932(const std::u32string& text) { return Utf8ToCp932(CodePointsToUtf8(text)); }

}  // namespace korvel
