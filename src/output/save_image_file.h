// Saving the drawing as an image file whose format follows the name's extension.
#pragma once

#include <string>

#include "drawing/drawing.h"
#include "output/export_options.h"
#include "output/image_export.h"

namespace korvel {

// The name the file is written under: the folder of `fileName`, its file name up to the first
// ".", and the format's extension (".BMP", ".JPG", ".PNG", ".GIF", ".emf", ".wmf").
std::string ImageFileName(const std::string& fileName, ImageFormat format);

struct SaveImageResult : ExportResult {
    std::string writtenPath;  // empty when nothing was written
};

// Renders, encodes and writes through a temporary file and a rename. Writes nothing when the
// name is empty, its extension names no image format, or the drawing has no records; the
// result says which.
SaveImageResult SaveImageFile(const Drawing& drawing, const std::string& fileName,
                              const ExportOptions& options);

}  // namespace korvel
