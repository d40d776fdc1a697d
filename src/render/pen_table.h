// The pens and line types a render draws with: colours, widths, printer pens and the line-type
// table, resolved once before a render from the settings or the drawing, and never written back.
#pragma once

#include <array>
#include <cstdint>

#include "drawing/drawing_header.h"

namespace korvel {

class Drawing;
struct RenderOptions;

// The header's pen and line-type fields by the same names, apart from the drawing.
struct PenTable {
    std::array<uint32_t, kPenColors> PenColor{};  // 0x00BBGGRR; 0 is the background
    std::array<uint32_t, kPenColors> PenWidth{};
    std::array<uint32_t, kPenColors> PrtPenColor{};
    std::array<uint32_t, kPenColors> PrtPenWidth{};
    std::array<double, kPenColors> PointRadius{};
    std::array<uint32_t, kLineTypes> LineTypePattern{};
    std::array<uint32_t, kLineTypes> LineTypeUnit{};
    std::array<uint32_t, kLineTypes> LineTypePitch{};
    std::array<uint32_t, kLineTypes> PrtLineTypePitch{};
    std::array<uint32_t, kLineTypes> RandomLineWidth{};
    std::array<uint32_t, kLineTypes> PrtRandomLineWidth{};

    bool operator==(const PenTable& o) const;
    bool operator!=(const PenTable& o) const { return !(*this == o); }
};

// The table a header holds. A dashed or random line type without a pattern (Jw_win data and JWS
// data carry no line types, nor does a header that was never filled) takes the built-in one of
// a new drawing: a zero pattern would draw those lines as nothing.
PenTable PenTableOf(const DrawingHeader& header);
// Copies the table into a header's fields (for settings that are kept in header form).
void PutPenTable(const PenTable& table, DrawingHeader& header);

// True when the header holds a pattern for any dashed or random line type.
bool HasOwnLineTypes(const DrawingHeader& header);

// What a render of `drawing` with `options` draws with: the options' table when the caller
// resolved one, otherwise the drawing's own.
PenTable RenderPens(const Drawing& drawing, const RenderOptions& options);
// Colour 0 of those pens: what the picture's background is filled with.
uint32_t BackgroundColor(const Drawing& drawing, const RenderOptions& options);

}  // namespace korvel
