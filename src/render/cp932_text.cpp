#include "render/cp932_text.h"

#include <iconv.h>

#include <array>
#include <memory>
#include <mutex>

namespace korvel {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// iconv descriptor that closes itself.
struct Converter {
    iconv_t cd;
    Converter(const char* to, const char* from) : cd(iconv_open(to, from)) {}
    ~Converter() {
        if (ok()) iconv_close(cd);
    }
    bool ok() const { return cd != reinterpret_cast<iconv_t>(-1); }
};

char32_t convertOne(Converter& cv, const char* in, size_t inLen) {
    iconv(cv.cd, nullptr, nullptr, nullptr, nullptr);
    char32_t out[2] = {0, 0};
    char* src = const_cast<char*>(in);
    char* dst = reinterpret_cast<char*>(out);
    size_t srcLeft = inLen, dstLeft = sizeof(out);
    if (iconv(cv.cd, &src, &srcLeft, &dst, &dstLeft) == static_cast<size_t>(-1) || srcLeft != 0 ||
        dstLeft != sizeof(out) - sizeof(char32_t)) {
        return kReplacement;
    }
    return out[0];
}

// Every CP932 code converted once: the engine asks for each glyph of every text, and a table is
// both faster than iconv per character and safe to share between render threads.
using UnicodeTable = std::array<char32_t, 65536>;

const UnicodeTable& unicodeTable() {
    static std::unique_ptr<UnicodeTable> table;
    static std::once_flag once;
    std::call_once(once, [] {
        table = std::make_unique<UnicodeTable>();
        table->fill(kReplacement);
        Converter cv("UTF-32LE", "CP932");
        for (int b = 0; b < 256; ++b) {
            if (IsCp932LeadByte(static_cast<unsigned char>(b))) continue;
            if (b < 0x80) {
                (*table)[b] = static_cast<char32_t>(b);  // control characters too
                continue;
            }
            if (!cv.ok()) continue;
            const char in[1] = {static_cast<char>(b)};
            (*table)[b] = convertOne(cv, in, 1);
        }
        if (!cv.ok()) return;
        for (int lead = 0x81; lead <= 0xFC; ++lead) {
            if (!IsCp932LeadByte(static_cast<unsigned char>(lead))) continue;
            for (int trail = 0x40; trail <= 0xFC; ++trail) {
                const char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
                (*table)[(lead << 8) | trail] = convertOne(cv, in, 2);
            }
        }
    });
    return *table;
}

}  // namespace

std::vector<Cp932Char> SplitCp932(const std::string& bytes) {
    std::vector<Cp932Char> chars;
    chars.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (IsCp932LeadByte(b) && i + 1 < bytes.size()) {
            const auto t = static_cast<unsigned char>(bytes[i + 1]);
            chars.push_back({static_cast<uint16_t>((b << 8) | t), true});
            ++i;
        } else {
            chars.push_back({b, false});
        }
    }
    return chars;
}

std::string JoinCp932(const std::vector<Cp932Char>& chars, size_t first, size_t count) {
    std::string out;
    for (size_t i = first; i < chars.size() && i - first < count; ++i) {
        if (chars[i].doubleByte) out += static_cast<char>(chars[i].code >> 8);
        out += static_cast<char>(chars[i].code & 0xFF);
    }
    return out;
}

char32_t Cp932ToUnicode(Cp932Char c) {
    if (!c.doubleByte && c.code < 0x80) return c.code;
    return unicodeTable()[c.code];
}

std::u32string Cp932ToU32(const std::vector<Cp932Char>& chars) {
    std::u32string out;
    out.reserve(chars.size());
    for (const auto& c : chars) out += Cp932ToUnicode(c);
    return out;
}

}  // namespace korvel
