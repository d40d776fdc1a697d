// Conversions between the character encodings Korvel meets: CP932 in drawings and Jw_cad's
// exports, UTF-16 in Wine's registry and in metafiles, UTF-8 everywhere else. The iconv calls
// live here and nowhere else, so every layer turns a bad byte into the same replacement.
#pragma once

#include <iconv.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

namespace korvel {

// One iconv descriptor, reset before each conversion. Descriptors carry state, so each thread
// needs its own (ThreadConverter below).
class IconvConverter {
public:
    IconvConverter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~IconvConverter() {
        if (ok()) iconv_close(cd_);
    }
    IconvConverter(const IconvConverter&) = delete;
    IconvConverter& operator=(const IconvConverter&) = delete;
    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts the whole input; on an unconvertible, invalid or cut-off sequence calls
    // `onBad(bytes, left)`, which returns the replacement and how many input bytes to step over
    // (at least one is stepped over). Empty when iconv lacks the pair of encodings.
    template <class OnBad>
    std::string run(const char* in, size_t inLen, OnBad onBad) {
        std::string out;
        if (!ok()) return out;
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        out.resize(inLen * 2 + 16);
        char* inp = const_cast<char*>(in);
        size_t inLeft = inLen;
        size_t used = 0;
        while (inLeft > 0) {
            char* outp = &out[used];
            size_t outLeft = out.size() - used;
            const size_t r = iconv(cd_, &inp, &inLeft, &outp, &outLeft);
            used = out.size() - outLeft;
            if (r != static_cast<size_t>(-1)) break;
            if (errno == E2BIG) {
                out.resize(out.size() * 2);
                continue;
            }
            auto [repl, step] = onBad(reinterpret_cast<const uint8_t*>(inp), inLeft);
            if (out.size() - used < repl.size() + 8) out.resize(out.size() * 2 + repl.size());
            out.replace(used, repl.size(), repl);
            used += repl.size();
            if (step == 0) step = 1;
            if (step > inLeft) step = inLeft;
            inp += step;
            inLeft -= step;
            iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        }
        out.resize(used);
        return out;
    }

private:
    iconv_t cd_;
};

// The encodings converted between; each thread has one converter per pair.
enum class Conversion { Utf16ToCp932, Utf8ToCp932, Cp932ToUtf8, Cp932ToUtf32, Cp932ToUtf16 };
IconvConverter& ThreadConverter(Conversion conversion);

// UTF-8 bytes of one code point; surrogates and values past U+10FFFF become U+FFFD.
void AppendUtf8(std::string& out, char32_t c);
std::string CodePointsToUtf8(const std::u32string& text);
// Code points of UTF-8 text; each malformed or cut-off byte becomes one U+FFFD.
std::u32string Utf8ToCodePoints(const std::string& utf8);
// Well-formed UTF-8 by its lead and continuation bytes (overlong forms are not looked for).
bool IsUtf8(std::string_view s);

// Gathers UTF-16 code units and plain bytes into UTF-8: a surrogate pair becomes one character,
// a lone surrogate U+FFFD; bytes pass through as they are.
class Utf8Builder {
public:
    void unit(uint16_t u);
    void byte(char c);
    std::string take();

private:
    void flush();
    std::string out_;
    uint16_t high_ = 0;
};

// UTF-16LE bytes (an odd last byte is dropped) to UTF-8, surrogates paired as above.
std::string Utf16LeToUtf8(const uint8_t* bytes, size_t size);

// Only A-Z change: bytes above 0x7F are parts of multibyte characters and stay as they are.
std::string AsciiLowerCase(std::string_view s);

// Text that is UTF-8 already stays as it is; otherwise it is read as CP932 (a Japanese Windows's
// ANSI code page), each byte CP932 does not know becoming U+FFFD.
std::string AnsiToUtf8(std::string_view text);

}  // namespace korvel
