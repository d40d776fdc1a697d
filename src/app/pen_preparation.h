// Which pens a picture is drawn with: Jw_cad's, the program's own, or the drawing's. Resolved
// once before each render into a table of its own; the drawing is never changed by it.
#pragma once

#include <string>
#include <vector>

#include "app/app_settings.h"
#include "app/jwcad_import.h"
#include "drawing/drawing_header.h"
#include "drawing/drawing_name.h"
#include "render/pen_table.h"

namespace korvel {

// Exports draw with the pens in place; only own pens clear the background first.
inline bool ExportClearsBackground(const AppSettings& settings) { return settings.penColorFlag; }

// Where the pens come from.
enum class PenSource {
    Window,   // as the window draws: own pens with "PenColorFlag", else Jw_cad's over the own pens
    Own,      // the own pens over the drawing's table
    JwCad,    // Jw_cad's settings over the drawing's table
    Drawing,  // the drawing's own pen table as loaded
};
const char* PenSourceName(PenSource source);

// The table a render of a drawing with header `drawing` draws with. Line types that neither
// Jw_cad's settings nor the drawing give are the built-in ones. What went wrong (an import that
// stopped, Jw_cad's settings missing when they were asked for) goes to `problems`.
PenTable ResolvePens(PenSource source, const AppSettings& settings, const RegistrySource& registry,
                     const DrawingHeader& drawing, std::vector<std::string>* problems = nullptr);

// For people: which pens `source` draws with under these settings ("Jw_cad's pens", ...).
std::string DescribePens(PenSource source, const AppSettings& settings, const RegistrySource& registry);

}  // namespace korvel
