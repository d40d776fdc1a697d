// CP932 (Windows Japanese) characters as the text engine counts them: a double-byte character is
// one character. Each character converts to one Unicode code point for the targets.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "drawing/cp932.h"  // IsCp932LeadByte, Utf8ToCp932, Cp932ToUtf8

namespace korvel {

// One CP932 character: a single byte, or a lead and trail byte packed as (lead << 8) | trail.
struct Cp932Char {
    uint16_t code = 0;
    bool doubleByte = false;

    int bytes() const { return doubleByte ? 2 : 1; }
    bool is(char ascii) const { return !doubleByte && code == static_cast<unsigned char>(ascii); }
    bool operator==(const Cp932Char& o) const { return code == o.code && doubleByte == o.doubleByte; }
};

// Splits CP932 bytes into characters. A lead byte at the very end stands alone.
std::vector<Cp932Char> SplitCp932(const std::string& bytes);
std::string JoinCp932(const std::vector<Cp932Char>& chars, size_t first = 0, size_t count = SIZE_MAX);

// The Unicode code point of a character; U+FFFD when code page 932 has none for it.
char32_t Cp932ToUnicode(Cp932Char c);
std::u32string Cp932ToU32(const std::vector<Cp932Char>& chars);

}  // namespace korvel
