#include "output/dxf_strings.h"

#include <cstdint>
#include <cstring>

#include "drawing/cp932.h"

namespace korvel {

namespace {

bool isTrailByte(uint8_t b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; }
// Single bytes that CP932 leaves undefined.
bool isUndefinedSingle(uint8_t b) { return b == 0x80 || b == 0xA0 || b >= 0xFD; }
bool isAscii(const std::string& s) {
    for (char c : s)
        if (static_cast<uint8_t>(c) >= 0x80) return false;
    return true;
}
constexpr const char* kNameForbidden = "<>/\\\":;?*|=`";

}  // namespace

std::string DxfStrings::cleanCp932(const std::string& s, bool forName, bool forMtext) const {
    std::string out;
    out.reserve(s.size() + 4);
    for (size_t i = 0; i < s.size(); ++i) {
        const uint8_t b = static_cast<uint8_t>(s[i]);
        if (IsCp932LeadByte(b)) {
            if (i + 1 < s.size() && isTrailByte(static_cast<uint8_t>(s[i + 1]))) {
                out.push_back(s[i]);
                out.push_back(s[++i]);
            } else {
                out += kCp932Replacement;
                ++replaced_;
            }
            continue;
        }
        if (isUndefinedSingle(b)) {
            out += kCp932Replacement;
            ++replaced_;
            continue;
        }
        if (b < 0x20 || b == 0x7F) {
            if (forName) {
                out.push_back('_');
            } else {
                out.push_back('^');
                out.push_back(static_cast<char>(b == 0x7F ? '?' : b + 0x40));
            }
            continue;
        }
        if (b == '^' && !forName) {
            out += "^ ";  // a caret of its own, not the start of a control character
            continue;
        }
        if (forName && std::strchr(kNameForbidden, static_cast<char>(b))) {
            out.push_back('_');
            continue;
        }
        if (forMtext && (b == '\\' || b == '{' || b == '}')) out.push_back('\\');
        out.push_back(static_cast<char>(b));
    }
    return out;
}

std::string DxfStrings::finish(const std::string& clean) const {
    if (version_ == DxfVersion::R2000 || isAscii(clean)) return clean;
    return Cp932ToUtf8(clean);
}

std::string DxfStrings::value(const std::string& cp932) const {
    if (isAscii(cp932)) {
        bool plain = true;
        for (char c : cp932) plain = plain && static_cast<uint8_t>(c) >= 0x20 && c != 0x7F && c != '^';
        if (plain) return cp932;
    }
    return finish(cleanCp932(cp932, false, false));
}

std::string DxfStrings::valueFromUtf8(const std::string& utf8) const {
    size_t lost = 0;
    const std::string cp932 = Utf8ToCp932(utf8, &lost);
    if (version_ == DxfVersion::R2013) {
        std::string out;
        for (char c : utf8) {
            const uint8_t b = static_cast<uint8_t>(c);
            if (b < 0x20 || b == 0x7F) {
                out.push_back('^');
                out.push_back(static_cast<char>(b == 0x7F ? '?' : b + 0x40));
            } else if (b == '^') {
                out += "^ ";
            } else {
                out.push_back(c);
            }
        }
        return out;
    }
    replaced_ += lost;
    return cleanCp932(cp932, false, false);
}

std::string DxfStrings::name(const std::string& cp932) const {
    return finish(cleanCp932(cp932, true, false));
}

std::string DxfStrings::mtextLine(const std::string& cp932) const {
    return finish(cleanCp932(cp932, false, true));
}

}  // namespace korvel
