#include "drawing/printable_text.h"

#include <cstdint>
#include <cstdio>

namespace korvel {

namespace {

bool isControl(uint8_t c) { return c < 0x20 || c == 0x7F; }

void appendEscape(std::string& out, uint8_t c, const char* format = "\\x%02X") {
    switch (c) {
        case '\t': out += "\\t"; return;
        case '\n': out += "\\n"; return;
        case '\r': out += "\\r"; return;
        default: break;
    }
    char buf[8];
    std::snprintf(buf, sizeof buf, format, c);
    out += buf;
}

// The length of the well-formed UTF-8 sequence at `at`, or 0.
size_t sequenceLength(const std::string& s, size_t at) {
    const auto byte = [&](size_t i) { return static_cast<uint8_t>(s[i]); };
    const uint8_t lead = byte(at);
    size_t length = 0;
    uint8_t low = 0x80, high = 0xBF;  // the second byte's range
    if (lead >= 0xC2 && lead <= 0xDF) length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF) length = 3, low = lead == 0xE0 ? 0xA0 : 0x80, high = lead == 0xED ? 0x9F : 0xBF;
    else if (lead >= 0xF0 && lead <= 0xF4) length = 4, low = lead == 0xF0 ? 0x90 : 0x80, high = lead == 0xF4 ? 0x8F : 0xBF;
    if (length == 0 || at + length > s.size()) return 0;
    if (byte(at + 1) < low || byte(at + 1) > high) return 0;
    for (size_t i = 2; i < length; ++i)
        if ((byte(at + i) & 0xC0) != 0x80) return 0;
    return length;
}

}  // namespace

std::string EscapeControlCharacters(const std::string& utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (size_t at = 0; at < utf8.size();) {
        const uint8_t c = static_cast<uint8_t>(utf8[at]);
        if (c < 0x80) {
            if (isControl(c)) appendEscape(out, c);
            else out.push_back(static_cast<char>(c));
            ++at;
            continue;
        }
        const size_t length = sequenceLength(utf8, at);
        if (length == 0) {
            appendEscape(out, c);
            ++at;
        } else if (c == 0xC2 && static_cast<uint8_t>(utf8[at + 1]) < 0xA0) {
            appendEscape(out, static_cast<uint8_t>(utf8[at + 1]), "\\u%04X");  // U+0080..U+009F
            at += 2;
        } else {
            out.append(utf8, at, length);
            at += length;
        }
    }
    return out;
}

std::string EscapeCp932ControlCharacters(const std::string& cp932) {
    std::string out;
    out.reserve(cp932.size());
    for (char ch : cp932) {
        const uint8_t c = static_cast<uint8_t>(ch);
        if (isControl(c)) appendEscape(out, c);
        else out.push_back(ch);
    }
    return out;
}

}  // namespace korvel
