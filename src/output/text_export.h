// The drawing's texts as delimited rows: texts at nearly the same height form one row, ordered
// left to right; rows run from top to bottom. The work behind copying text to the clipboard and
// `korvel text`.
#pragma once

#include <string>
#include <vector>

#include "drawing/drawing.h"

namespace korvel {

// "Delimit": 0 tab, 1 space, 2 comma, 3 semicolon; any other value is a tab.
char TextDelimiter(int delimit);

// Longest text taken, in bytes; a longer one is cut before the character that would cross it.
constexpr size_t kExportTextBytes = 255;

struct ExportedText {
    long x = 0;  // tenths of a millimetre from the extents' minimum
    long y = 0;
    std::string text;  // CP932, at most kExportTextBytes
};

// The rows, top to bottom, each left to right. Texts whose height lies in [R - d, R + d) of the
// row's first text R join it, d being `shiftY` millimetres; 0 puts every text in a row of its own.
// Only the drawing's own top-level texts take part: not Jw_cad 8's settings texts.
std::vector<std::vector<ExportedText>> TextRows(const Drawing& drawing, double shiftY);

// Every text followed by the delimiter, each row ended by CR LF; CP932 bytes, or each text as
// `field` gives it (converted, or made safe to show on a terminal).
std::string TextExport(const Drawing& drawing, int delimit, double shiftY,
                       std::string (*field)(const std::string& cp932) = nullptr);

}  // namespace korvel
