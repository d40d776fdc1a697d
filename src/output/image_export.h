// Renders the drawing afresh onto an image or metafile canvas of the output size and encodes it:
// the work behind saving an image file, `korvel convert` and the clipboard picture.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "drawing/drawing.h"
#include "output/export_options.h"
#include "output/metafile_frame.h"

namespace korvel {

struct ExportResult {
    bool ok = false;
    std::string error;                  // plain English; empty on success
    std::vector<std::string> warnings;  // from the render (pictures not found...) and limits
    int width = 0;                      // pixels, or metafile device units
    int height = 0;
};

// Raster size: the width (at most 5000 unless in two-colour mode) and round(width / aspect).
void RasterExportSize(const Drawing& drawing, const ExportOptions& options, int& width,
                      int& height, std::vector<std::string>* warnings = nullptr);
// Metafile size: fitted to the width, or the real-scale frame.
MetafileFrame MetafileExportFrame(const Drawing& drawing, const ExportOptions& options);

// Appends the encoded file to `out`. Fails without writing when the drawing has no records.
// False, with `error` saying so, when the output width is no number of pixels (0 or less, as a
// settings file can hold): a picture of 1 x 1 would be no answer.
bool CheckExportWidth(const ExportOptions& options, std::string& error);

ExportResult ExportImage(const Drawing& drawing, ImageFormat format, const ExportOptions& options,
                         std::vector<uint8_t>& out);

}  // namespace korvel
