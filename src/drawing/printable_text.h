// Strings from drawings (and file names) made safe to print on a terminal: a memo, a layer name or
// a picture path holding an escape sequence could otherwise clear the screen, retitle the
// window or hide what comes before it. Control characters are shown as escapes; everything else,
// backslashes in Windows paths among it, is printed as it stands.
#pragma once

#include <string>

namespace korvel {

// UTF-8 with C0 controls and DEL shown as "\t", "\n", "\r" or "\x1B", C1 controls as "\u009B",
// and bytes that are not UTF-8 as "\xHH".
std::string EscapeControlCharacters(const std::string& utf8);
// The same for CP932 bytes, where only C0 controls and DEL are single characters (no trail
// byte falls below 0x40 or is 0x7F).
std::string EscapeCp932ControlCharacters(const std::string& cp932);

}  // namespace korvel
