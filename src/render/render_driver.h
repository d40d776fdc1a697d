// The render driver: fits the drawing to the target, clears the background and walks the
// records in Jw_cad's order, each record drawing itself through the target.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "drawing/drawing.h"
#include "render/render_context.h"
#include "render/render_options.h"
#include "render/render_target.h"

namespace korvel {

class RecordIndex;

// Where a walk over the records stands: its pass (0 the records in order, 1 the texts drawn last
// when texts go last) and the steps of that pass done. Everything before it is drawn.
struct WalkPoint {
    int pass = 0;
    size_t step = 0;
};

// Lets another thread take over rows of a render in progress. Between records, once `asked` is
// set, the render flushes what its target holds back and calls `give` with where its walk
// stands; `give` returns the part the render goes on drawing (the same part when it gave none).
struct RowGiving {
    const std::atomic<bool>* asked = nullptr;
    std::function<DeviceRect(const WalkPoint&)> give;
};

struct RenderRequest {
    int width = 0;    // device units of the area to draw in
    int height = 0;
    bool clearBackground = true;
    double scale = 0.0;  // 0 asks for the fit rule
    RenderProgress progress;  // may be empty; returning false cancels
    PictureCache* pictures = nullptr;  // shared decoded pictures; null: one cache per render
    const TextClock* clock = nullptr;
    RenderLimits limits;  // the work this render may do; past it the rest is skipped with a warning
    // The boxes of the drawing's records, built once per drawing and owned by the caller; null:
    // every record is walked. An index built for other records is not used.
    const RecordIndex* index = nullptr;
    // The part of width x height the target shows (a band of a picture, the visible part of a
    // zoomed view); empty: all of it. With an index only the records that can reach it are
    // walked; without one it changes nothing. Fit rule, dashes and block culling still go by the
    // whole width x height, so each part draws exactly what a whole render draws there.
    DeviceRect shown;  // left and top included, right and bottom excluded
    // Set: the walk goes on from here on a target that holds what was drawn before it (no
    // background, no drawing first of solids or texts, which came before any point of a walk).
    const WalkPoint* resumeAt = nullptr;
    const RowGiving* giving = nullptr;  // not used with an index
};

struct RenderResult {
    bool completed = true;   // false when the progress callback cancelled
    bool cutShort = false;   // a limit of the render's work left part of the drawing undrawn
    double scale = 0.0;      // device units per millimetre that were used
    std::vector<std::string> warnings;
    // The work it did, as its limits count it.
    uint64_t recordsDrawn = 0;
    uint64_t piecesDrawn = 0;
    uint64_t picturePixelsDecoded = 0;
    // In bands: how many times a thread whose band was done took over rows of another.
    uint32_t rowsTakenOver = 0;
};

// The box a picture of the drawing is fitted to under these options: the records the layer
// choice shows, measured as a load measures them; the drawing's extents when it shows the same.
Extents PictureFrame(const Drawing& drawing, const RenderOptions& options);

// Device units per millimetre that fit `frame` into width x height, touching the right or the
// bottom edge.
double FitScale(const Extents& frame, int width, int height);

// The limits a render of `drawing` works within: the pieces allowed per record of the file, in
// whole millions, added to the fixed allowance (saturating), and piecesPerRecord then 0.
RenderLimits LimitsFor(const RenderLimits& limits, const Drawing& drawing);

// How far past its points a record can draw on this device, in device units: pen widths,
// random-line offsets (unless the drawing has no random lines) and a few units for rounding and
// the smallest glyphs.
int DeviceReach(const RenderContext& context, bool randomLines = true);

RenderResult RenderDrawing(RenderTarget& target, const Drawing& drawing,
                           const RenderOptions& options, const RenderRequest& request);

}  // namespace korvel
