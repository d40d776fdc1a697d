// Which pens a picture is drawn with: Jw_cad's, the program's own, or the drawing's.
#pragma once

#include <string>
#include <vector>

#include "app/app_settings.h"
#include "app/jwcad_import.h"
#include "drawing/drawing_header.h"
#include "drawing/drawing_name.h"

namespace korvel {

// Before the window repaints: Jw_cad's current settings while "PenColorFlag" is off, the own
// pens while it is on. The result is the import's (ok and found stay true with own pens).
JwCadImportResult PrepareRepaintPens(const AppSettings& settings, const RegistrySource& registry,
                                     DrawingHeader& penTable, JwCadTextOptions& text);
// After the repaint: the own pens again, so that outside a repaint the table holds them.
void FinishRepaintPens(const AppSettings& settings, DrawingHeader& penTable);

// Exports draw with the pens in place; only own pens clear the background first.
inline bool ExportClearsBackground(const AppSettings& settings) { return settings.penColorFlag; }

// The command line's choice of pens for a loaded drawing.
enum class PenSource {
    Window,   // as the window leaves the table after a repaint (the default)
    Own,      // the own pens over the drawing's table
    JwCad,    // Jw_cad's settings over the drawing's table
    Drawing,  // the drawing's own pen table as loaded
};
bool ParsePenSource(const std::string& text, PenSource& source);
const char* PenSourceName(PenSource source);

// Puts the chosen pens into a loaded drawing's table. An import that stops is reported in the
// returned messages and the drawing keeps the pens it has.
std::vector<std::string> ApplyPenSource(PenSource source, const AppSettings& settings,
                                        const RegistrySource& registry, DrawingHeader& penTable);

}  // namespace korvel
