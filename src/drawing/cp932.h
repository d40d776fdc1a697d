// Conversions between the Windows Japanese code page (CP932), in which the drawing keeps its
// strings, and Unicode. CP932 is more than plain Shift_JIS: it holds the NEC and IBM rows
// (①, ㎡ ...) that Japanese drawings use, so iconv's "CP932" does the work.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace korvel {

// The full-width question mark that stands for a character CP932 cannot hold.
constexpr const char* kCp932Replacement = "\x81\x48";

inline bool IsCp932LeadByte(uint8_t b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// The longest beginning of a CP932 string that fits in `limit` bytes and ends on a character
// boundary, never inside a double-byte character.
std::string CutCp932(const std::string& cp932, size_t limit);

// UTF-16LE code units (2 × count bytes) to CP932; characters CP932 lacks become "？" and are
// counted in `replaced`.
std::string Utf16ToCp932(const uint8_t* utf16le, size_t count, size_t* replaced = nullptr);
std::string Utf8ToCp932(const std::string& utf8, size_t* replaced = nullptr);
// CP932 to UTF-8; bytes that are not CP932 become U+FFFD.
std::string Cp932ToUtf8(const std::string& cp932);
// One code point per CP932 character (a double-byte character is one).
std::u32string Cp932ToUtf32(const std::string& cp932);
// CP932 to UTF-16LE bytes (for writers of Unicode formats).
std::u16string Cp932ToUtf16(const std::string& cp932);

}  // namespace korvel
