// Malformed UTF-8 turns into U+FFFD rather than stopping the export.
#include "output/metafile_text.h"

#include <iconv.h>


namespace korvel {

namespace {

std::u32string decodeUtf8(const std::string& s) {
    std::u32string out;
    size_t i = 0;
    while (i < s.size()) {
        const uint8_t b = static_cast<uint8_t>(s[i]);
        int extra = b < 0x80 ? 0 : (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2 : (b & 0xF8) == 0xF0 ? 3 : -1;
        if (extra < 0 || (extra > 0 && i + extra >= s.size())) {
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        char32_t c = extra == 0 ? b : b & (0x3F >> extra);
        bool ok = true;
        for (int k = 1; k <= extra; ++k) {
            const uint8_t n = static_cast<uint8_t>(s[i + k]);
            if ((n & 0xC0) != 0x80) ok = false;
            c = (c << 6) | (n & 0x3F);
        }
        if (!ok || c > 0x10FFFF) {
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        out.push_back(c);
        i += extra + 1;
    }
    return out;
}

}  // namespace

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

std::u16string Utf8ToUtf16(const std::string& utf8) { return CodePointsToUtf16(decodeUtf8(utf8)); }

std::string CodePointsToCp932(const std::u32string& text) {
    std::string out;
    iconv_t cd = iconv_open("CP932", "UTF-32LE");
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(text.size(), '?');
    for (char32_t c : text) {
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
            continue;
        }
        char in[4] = {static_cast<char>(c & 0xFF), static_cast<char>((c >> 8) & 0xFF),
                      static_cast<char>((c >> 16) & 0xFF), static_cast<char>((c >> 24) & 0xFF)};
        char buffer[8];
        char* inPtr = in;
        char* outPtr = buffer;
        size_t inLeft = 4, outLeft = sizeof buffer;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1))
            out.push_back('?');
        else
            out.append(buffer, outPtr);
    }
    iconv_close(cd);
    return out;
}

std::string Utf8ToCp932(const std::string& utf8) { return CodePointsToCp932(decodeUtf8(utf8)); }

}  // namespace korvel
