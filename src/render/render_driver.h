// The render driver: fits the drawing to the target, clears the background and walks the
// records in Jw_cad's order, each record drawing itself through the target.
#pragma once

#include <string>
#include <vector>

#include "drawing/drawing.h"
#include "render/render_context.h"
#include "render/render_options.h"
#include "render/render_target.h"

namespace korvel {

struct RenderRequest {
    int width = 0;    // device units of the area to draw in
    int height = 0;
    bool clearBackground = true;
    double scale = 0.0;  // 0 asks for the fit rule
    RenderProgress progress;  // may be empty; returning false cancels
    PictureCache* pictures = nullptr;  // shared decoded pictures; null: one cache per render
    const TextClock* clock = nullptr;
    RenderLimits limits;  // the work this render may do; past it the rest is skipped with a warning
};

struct RenderResult {
    bool completed = true;   // false when the progress callback cancelled
    bool cutShort = false;   // a limit of the render's work left part of the drawing undrawn
    double scale = 0.0;      // device units per millimetre that were used
    std::vector<std::string> warnings;
};

RenderResult RenderDrawing(RenderTarget& target, const Drawing& drawing,
                           const RenderOptions& options, const RenderRequest& request);

}  // namespace korvel
