// The state of one render: view and block transforms, walk state, and what the record drawings
// share. Every render builds its own, so renders can run side by side.
#pragma once

#include <cmath>
#include <cstdint>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "drawing/drawing.h"
#include "render/pen_table.h"
#include "render/render_budget.h"
#include "render/render_options.h"
#include "render/render_target.h"

namespace korvel {

class PictureCache;  // decoded pictures, once per file per render (render/pictures)
class BlockBoxes;    // the measured box of each block definition (render_blocks)

// Drawing millimetres (y up) to device units (y down): the top-left of the extents lands at (0, 0).
struct ViewTransform {
    double MinX = 0.0;
    double MaxY = 0.0;
    double scale = 1.0;  // device units per millimetre

    // Rounded half to even; values far outside the int range are clamped so that no overflowed
    // integer ever reaches a target.
    DevicePoint toDevice(double x, double y) const;
    double toDeviceX(double x) const { return (x - MinX) * scale; }
    double toDeviceY(double y) const { return (MaxY - y) * scale; }
};

// The transform of the block insert being drawn (or measured): scale, then offset, then a turn
// about the insertion point.
struct BlockTransform {
    double OffsetX = 0.0;
    double OffsetY = 0.0;
    double ScaleX = 1.0;
    double ScaleY = 1.0;
    double Angle = 0.0;  // radians
    bool expandingBlock = false;
    // The insert this one is a member of, applied after this one's own transform; null at the
    // top level. Nested inserts compose this way instead of replacing the outer transform.
    const BlockTransform* outer = nullptr;

    Point2 apply(Point2 p) const;
    // The same through one matrix made once per insert (see compose()), in constant time however
    // deep the nesting: for measuring, where the last bits of rounding do not matter.
    Point2 applyComposed(Point2 p) const {
        return {m[0] * p.x + m[1] * p.y + m[2], m[3] * p.x + m[4] * p.y + m[5]};
    }
    // Makes the matrix of this insert and all inserts around it; `outer` must be composed.
    void compose();
    double m[6] = {1, 0, 0, 0, 1, 0};
    // The rotation and scales of this insert and all inserts around it together.
    double totalAngle() const;
    double totalScaleX() const;
    double totalScaleY() const;
};

// The clock that text date codes read; tests fix it.
struct TextClock {
    virtual ~TextClock() = default;
    virtual std::time_t now() const = 0;
};

// How deep inserts nest before drawing (or any walk over placed records) stops: a block that
// inserts itself, directly or through others, ends there.
constexpr int kMaxBlockDepth = 32;

struct RenderContext {
    RenderContext(const Drawing& d, const RenderOptions& o) : drawing(d), options(o), pens(RenderPens(d, o)) {}

    const Drawing& drawing;
    const RenderOptions& options;
    // Every colour, width and line type of this render comes from here, never from the header.
    PenTable pens;
    ViewTransform view;
    BlockTransform block;

    bool prePass = false;
    uint32_t currentBlock = 0;
    int blockDepth = 0;  // nesting of inserts being drawn; bounded against self-inserting blocks
    // The area being drawn, in device units; dashes and curves far outside it are skipped
    // without being walked. 0 means unknown: nothing is skipped.
    int targetWidth = 0;
    int targetHeight = 0;
    // The part of that area the target shows (a zoomed view, one band), right and bottom
    // excluded; empty: all of it. What is drawn inside it is what a render of all would draw.
    int shownLeft = 0;
    int shownTop = 0;
    int shownRight = 0;
    int shownBottom = 0;
    // With a part shown: lines, curves and texts that lie wholly outside this box (the part widened
    // by the farthest any pen, dash or random line reaches) draw nothing in it and are passed over.
    bool passOverLines = false;
    double passLeft = 0.0, passTop = 0.0, passRight = 0.0, passBottom = 0.0;
    // Whether a top-level box of drawing millimetres lies wholly outside that box, with a pixel
    // to spare for rounding: asked before any point of a record is mapped, which in a band of a
    // big drawing is most of the cost of the records it passes over. Never inside a block.
    bool passesOver(double minX, double minY, double maxX, double maxY) const;

    PictureCache* pictures = nullptr;
    // The cache this render made for itself when none was handed in (see DrawImageReference).
    std::shared_ptr<PictureCache> ownPictures;
    const TextClock* clock = nullptr;  // null: the system clock
    std::vector<std::string>* warnings = nullptr;  // render warnings (undecodable pictures...)

    RenderBudget budget;
    bool skippedOutOfRange = false;  // a record out of the drawable range was left out
    // Measured on the first insert that needs them (see DrawBlockInsert).
    std::shared_ptr<BlockBoxes> blockBoxes;

    // A record point to device units: through the block transform while a block is drawn, then
    // the view.
    DevicePoint map(Point2 p) const {
        if (block.expandingBlock) p = block.apply(p);
        return view.toDevice(p.x, p.y);
    }
    double scale() const { return view.scale; }
    void warn(std::string message) const {
        if (warnings) warnings->push_back(std::move(message));
    }
};

// Far beyond any canvas, yet with room for targets to add widths and offsets without overflow.
constexpr double kDeviceLimit = 1.0e8;

// Rounds half to even and clamps to a range that targets can still add to without overflow.
// Every dash's ends come through here: inline, and without a call into the maths library.
inline int RoundDevice(double v) {
    if (std::isnan(v)) return 0;
    if (v > kDeviceLimit) v = kDeviceLimit;
    if (v < -kDeviceLimit) v = -kDeviceLimit;
#if defined(__SSE2__)
    return _mm_cvtsd_si32(_mm_set_sd(v));  // the current rounding mode: half to even, as lrint
#else
    return static_cast<int>(std::lrint(v));
#endif
}

}  // namespace korvel
