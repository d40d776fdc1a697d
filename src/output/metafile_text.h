// Text for metafile records: UTF-16 for EMF, CP932 bytes for WMF's Shift-JIS fonts.
#pragma once

#include <cstdint>
#include <string>

namespace korvel {

std::u16string Utf8ToUtf16(const std::string& utf8);
std::u16string CodePointsToUtf16(const std::u32string& text);
// CP932 bytes (through the drawing layer's conversion); a character CP932 lacks becomes "？".
std::string CodePointsToCp932(const std::u32string& text);

}  // namespace korvel
