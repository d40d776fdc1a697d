// The drawing as a DXF file that other CAD programs open and edit: layers, line types, text
// styles, blocks, dimensions and pictures kept as such, in millimetres. Two flavours: AutoCAD
// 2000 with CP932 texts (what older AutoCAD, ZWCAD and Jw_cad's own reader expect) and AutoCAD
// 2013 with UTF-8 texts and true colours.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "drawing/drawing.h"
#include "output/dxf_pictures.h"
#include "output/dxf_strings.h"
#include "render/render_options.h"

namespace korvel {

struct DxfExportResult {
    bool ok = false;
    std::string error;
    std::vector<std::string> warnings;  // what the DXF holds less faithfully than the drawing
    // Files that belong beside the DXF: pictures embedded in the drawing, which the DXF names.
    std::vector<DxfCompanionFile> companions;
};

// Appends the DXF to `out`. `render` supplies the pen rules the renderer applies (monochrome
// modes, thin lines); `companionStem` begins the names of companion files (usually the DXF
// file's name without its extension), empty when none can be written.
DxfExportResult ExportDxf(const Drawing& drawing, const RenderOptions& render, DxfVersion version,
                          const std::string& companionStem, std::vector<uint8_t>& out);

// "2000" and "2013" (also "R2000", "AC1015", "R2013", "AC1027"), any case.
bool DxfVersionFromName(const std::string& name, DxfVersion& version);

}  // namespace korvel
