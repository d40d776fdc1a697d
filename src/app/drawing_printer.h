// Printing a drawing: on the printer's paper and orientation, at real scale about the paper's
// centre or scaled to fit it, by the same page rules as the PDF export.
#pragma once

#include <QPrinter>
#include <string>
#include <vector>

#include "drawing/drawing.h"
#include "output/export_options.h"

namespace korvel {

// Sets the printer's paper to the drawing's page (the paper it names, landscape; a custom size
// for a page made to its extents), for the dialog to start from.
void PreparePrinter(QPrinter& printer, const Drawing& drawing, const ExportOptions& options);

// Prints the drawing as one page onto the printer's paper as it is set now; `fit` scales the
// drawing's page to the paper. Warnings of the render (records off the paper...) are returned.
// False, with `error`, when the printer could not be started.
bool PrintDrawing(QPrinter& printer, const Drawing& drawing, const ExportOptions& options, bool fit,
                  std::vector<std::string>& warnings, std::string& error);

}  // namespace korvel
