#include "drawing/text_conversion.h"

namespace korvel {

namespace {

constexpr char32_t kReplacementCharacter = 0xFFFD;

}  // namespace

IconvConverter& ThreadConverter(Conversion conversion) {
    // Renders and exports run in parallel threads; a descriptor must not be shared between them.
    thread_local IconvConverter utf16ToCp932("CP932", "UTF-16LE");
    thread_local IconvConverter utf8ToCp932("CP932", "UTF-8");
    thread_local IconvConverter cp932ToUtf8("UTF-8", "CP932");
    thread_local IconvConverter cp932ToUtf32("UTF-32LE", "CP932");
    thread_local IconvConverter cp932ToUtf16("UTF-16LE", "CP932");
    switch (conversion) {
    case Conversion::Utf16ToCp932: return utf16ToCp932;
    case Conversion::Utf8ToCp932: return utf8ToCp932;
    case Conversion::Cp932ToUtf8: return cp932ToUtf8;
    case Conversion::Cp932ToUtf32: return cp932ToUtf32;
    case Conversion::Cp932ToUtf16: break;
    }
    return cp932ToUtf16;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = kReplacementCharacter;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::string CodePointsToUtf8(const std::u32string& text) {
    std::string out;
    out.reserve(text.size());
    for (char32_t c : text) AppendUtf8(out, c);
    return out;
}

std::u32string Utf8ToCodePoints(const std::string& s) {
    std::u32string out;
    size_t i = 0;
    while (i < s.size()) {
        const uint8_t b = static_cast<uint8_t>(s[i]);
        const int extra = b < 0x80 ? 0 : (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2 : (b & 0xF8) == 0xF0 ? 3 : -1;
        if (extra < 0 || (extra > 0 && i + extra >= s.size())) {
            out.push_back(kReplacementCharacter);
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
            out.push_back(kReplacementCharacter);
            ++i;
            continue;
        }
        out.push_back(c);
        i += extra + 1;
    }
    return out;
}

bool IsUtf8(std::string_view s) {
    for (size_t i = 0; i < s.size();) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        const size_t n = c < 0x80 ? 0 : (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : 4;
        if (n == 4 || s.size() - i <= n) return false;
        for (size_t k = 1; k <= n; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += n + 1;
    }
    return true;
}

void Utf8Builder::unit(uint16_t u) {
    if (u >= 0xD800 && u <= 0xDBFF) {
        flush();
        high_ = u;
        return;
    }
    if (u >= 0xDC00 && u <= 0xDFFF && high_) {
        AppendUtf8(out_, 0x10000 + ((char32_t(high_) - 0xD800) << 10) + (u - 0xDC00));
        high_ = 0;
        return;
    }
    flush();
    AppendUtf8(out_, u);  // a lone low surrogate becomes U+FFFD there
}

void Utf8Builder::byte(char c) {
    flush();
    out_ += c;
}

std::string Utf8Builder::take() {
    flush();
    return std::move(out_);
}

void Utf8Builder::flush() {
    if (high_) AppendUtf8(out_, kReplacementCharacter);
    high_ = 0;
}

std::string Utf16LeToUtf8(const uint8_t* p, size_t n) {
    Utf8Builder b;
    for (size_t i = 0; i + 1 < n; i += 2) b.unit(static_cast<uint16_t>(p[i] | (p[i + 1] << 8)));
    return b.take();
}

std::string AsciiLowerCase(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::string AnsiToUtf8(std::string_view text) {
    if (IsUtf8(text)) return std::string(text);
    IconvConverter& cv = ThreadConverter(Conversion::Cp932ToUtf8);
    if (!cv.ok()) return std::string(text);
    return cv.run(text.data(), text.size(), [](const uint8_t*, size_t) {
        return std::make_pair(std::string("\xEF\xBF\xBD"), size_t{1});
    });
}

}  // namespace korvel
