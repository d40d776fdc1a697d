#include "render/cp932_text.h"

#include <array>
#include <memory>
#include <mutex>
#include <utility>

#include "drawing/text_conversion.h"

namespace korvel {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// The code point of one CP932 character, or U+FFFD when it has none or stands for more than one.
char32_t convertOne(IconvConverter& cv, const char* in, size_t inLen) {
    bool bad = false;
    const std::string out = cv.run(in, inLen, [&bad](const uint8_t*, size_t) {
        bad = true;
        return std::make_pair(std::string(), size_t{1});
    });
    if (bad || out.size() != sizeof(char32_t)) return kReplacement;
    const auto* b = reinterpret_cast<const uint8_t*>(out.data());
    return static_cast<char32_t>(b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<uint32_t>(b[3]) << 24));
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
        IconvConverter cv("UTF-32LE", "CP932");
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
