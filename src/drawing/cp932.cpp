#include "drawing/cp932.h"

#include <utility>

#include "drawing/text_conversion.h"

namespace korvel {

namespace {

size_t utf16Step(const uint8_t* p, size_t left) {
    if (left >= 4) {
        uint16_t u = static_cast<uint16_t>(p[0] | (p[1] << 8));
        if (u >= 0xD800 && u <= 0xDBFF) return 4;  // a surrogate pair is one character
    }
    return 2;
}

size_t utf8Step(const uint8_t* p, size_t left) {
    size_t n = 1;
    if ((p[0] & 0xE0) == 0xC0) n = 2;
    else if ((p[0] & 0xF0) == 0xE0) n = 3;
    else if ((p[0] & 0xF8) == 0xF0) n = 4;
    for (size_t i = 1; i < n; ++i) {
        if (i >= left || (p[i] & 0xC0) != 0x80) return i;
    }
    return n;
}

size_t cp932Step(const uint8_t* p, size_t left) {
    return IsCp932LeadByte(p[0]) && left >= 2 ? 2 : 1;
}

}  // namespace

std::string CutCp932(const std::string& cp932, size_t limit) {
    if (cp932.size() <= limit) return cp932;
    size_t end = 0;
    while (end < cp932.size()) {
        const size_t step = IsCp932LeadByte(static_cast<uint8_t>(cp932[end])) ? 2 : 1;
        if (end + step > limit) break;
        end += step;
    }
    return cp932.substr(0, end);
}

std::string Utf16ToCp932(const uint8_t* utf16le, size_t count, size_t* replaced) {
    size_t bad = 0;
    std::string s = ThreadConverter(Conversion::Utf16ToCp932).run(reinterpret_cast<const char*>(utf16le), count * 2,
                                       [&](const uint8_t* p, size_t left) {
                                           ++bad;
                                           return std::make_pair(std::string(kCp932Replacement), utf16Step(p, left));
                                       });
    if (replaced) *replaced += bad;
    return s;
}

std::string Utf8ToCp932(const std::string& utf8, size_t* replaced) {
    size_t bad = 0;
    std::string s = ThreadConverter(Conversion::Utf8ToCp932).run(utf8.data(), utf8.size(), [&](const uint8_t* p, size_t left) {
        ++bad;
        return std::make_pair(std::string(kCp932Replacement), utf8Step(p, left));
    });
    if (replaced) *replaced += bad;
    return s;
}

std::string Cp932ToUtf8(const std::string& cp932) {
    return ThreadConverter(Conversion::Cp932ToUtf8).run(cp932.data(), cp932.size(), [](const uint8_t* p, size_t left) {
        return std::make_pair(std::string("\xEF\xBF\xBD"), cp932Step(p, left));
    });
}

std::u32string Cp932ToUtf32(const std::string& cp932) {
    std::string raw = ThreadConverter(Conversion::Cp932ToUtf32).run(cp932.data(), cp932.size(), [](const uint8_t* p, size_t left) {
        const char fffd[4] = {'\xFD', '\xFF', 0, 0};
        return std::make_pair(std::string(fffd, 4), cp932Step(p, left));
    });
    std::u32string out(raw.size() / 4, U'\0');
    for (size_t i = 0; i < out.size(); ++i) {
        const uint8_t* b = reinterpret_cast<const uint8_t*>(raw.data()) + 4 * i;
        out[i] = static_cast<char32_t>(b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<uint32_t>(b[3]) << 24));
    }
    return out;
}

std::u16string Cp932ToUtf16(const std::string& cp932) {
    std::string raw = ThreadConverter(Conversion::Cp932ToUtf16).run(cp932.data(), cp932.size(), [](const uint8_t* p, size_t left) {
        const char fffd[2] = {'\xFD', '\xFF'};
        return std::make_pair(std::string(fffd, 2), cp932Step(p, left));
    });
    std::u16string out(raw.size() / 2, u'\0');
    for (size_t i = 0; i < out.size(); ++i) {
        out[i] = static_cast<char16_t>(static_cast<uint8_t>(raw[2 * i]) |
                                       (static_cast<uint8_t>(raw[2 * i + 1]) << 8));
    }
    return out;
}

}  // namespace korvel
