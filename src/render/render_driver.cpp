// The render driver: fit rule, background, pre-passes and the walk over the records.
#include "render/render_driver.h"

#include <array>

#include "drawing/coordinate_range.h"
#include "drawing/extents.h"
#include "render/budgeted_target.h"
#include "render/record_drawers.h"
#include "render/text_record.h"

namespace korvel {

namespace {
constexpr double kSmallestExtent = 1e-100;

// Every record kind hands out its records one after the other, from the first or, with the
// reverse-order switch, from the last; the kinds still interleave in stored order.
class RecordWalk {
public:
    RecordWalk(const RecordSet& records, bool reverse) : records_(records), step_(reverse ? -1 : 1) {
        for (int c = 0; c < kRecordClassCount; ++c) {
            const long count = static_cast<long>(records.countOf(static_cast<RecordClass>(c)));
            start_[c] = reverse ? count - 1 : 0;
            index_[c] = start_[c];
        }
    }
    // The index the next record of the kind comes from, moving on to the one after.
    long take(RecordClass cls) {
        const long i = index_[static_cast<int>(cls)];
        index_[static_cast<int>(cls)] += step_;
        return i;
    }
    void restart(RecordClass cls) { index_[static_cast<int>(cls)] = start_[static_cast<int>(cls)]; }

private:
    const RecordSet& records_;
    long step_;
    std::array<long, kRecordClassCount> start_{};
    std::array<long, kRecordClassCount> index_{};
};

void drawTaken(RenderContext& context, RenderTarget& target, RecordWalk& walk, RecordClass cls) {
    const long i = walk.take(cls);
    if (i >= 0) DrawRecordOf(context, target, context.drawing.top, cls, static_cast<size_t>(i));
}

void fillBackground(RenderTarget& target, uint32_t color, int width, int height) {
    // The whole area: starting at (1, 1) would leave the first row and column as they were.
    target.fillRect({0, 0, width, height}, {BrushStyle::Solid, color});
}

void DrawSolidsFirst(RenderContext& context, RenderTarget& target, RecordWalk& walk) {
    for (size_t n = context.drawing.SolidCount(); n > 0; --n) drawTaken(context, target, walk, RecordClass::Solid);
}

void DrawImagesFirst(RenderContext& context, RenderTarget& target, RecordWalk& walk) {
    for (size_t n = context.drawing.TextCount(); n > 0; --n) drawTaken(context, target, walk, RecordClass::Moji);
    // The main walk draws the plain texts from the beginning again.
    walk.restart(RecordClass::Moji);
}

// The draw-first mode: 0 stored order, 1 solids then images first, 2 images then solids first.
// Other values would hide every solid (the main walk skips solids in any mode but 0 while no
// pre-pass draws them), so they count as stored order.
int drawFirstMode(const Drawing& drawing, const RenderOptions& options) {
    const long mode = options.drawOrder >= 0 ? options.drawOrder : long(drawing.header.DisplayOption[2]);
    return mode == 1 || mode == 2 ? int(mode) : 0;
}

// What the render left out, told once at its end.
void addLimitWarnings(const RenderContext& context, RenderResult& result) {
    const std::vector<std::string> cut = context.budget.warnings();
    result.warnings.insert(result.warnings.end(), cut.begin(), cut.end());
    result.cutShort = !cut.empty();
    if (context.skippedOutOfRange)
        result.warnings.push_back(OutOfRangeWarning(CountOutOfRangeRecords(context.drawing)));
}

// Ends the render: the target ended, the warnings of what was left out added.
RenderResult& finishRender(RenderContext& context, RenderTarget& target, RenderResult& result) {
    target.end();
    addLimitWarnings(context, result);
    return result;
}

class Progress {
public:
    Progress(const RenderProgress& callback, size_t total) : callback_(callback), total_(total) {}
    // False when the caller asked to stop.
    bool step() { return !callback_ || callback_(++done_, total_); }

private:
    const RenderProgress& callback_;
    size_t total_;
    size_t done_ = 0;
};
}  // namespace

double FitScale(const Extents& e, int width, int height) {
    double W = e.MaxX - e.MinX, H = e.MaxY - e.MinY;
    if (!(W >= kSmallestExtent)) W = kSmallestExtent;
    if (!(H >= kSmallestExtent)) H = kSmallestExtent;
    const double drawingAspect = W / H;
    const double targetAspect = height < 1 ? 1.0 : double(width) / height;
    return drawingAspect / targetAspect <= 1.0 ? height / H : width / W;
}

Extents PictureFrame(const Drawing& drawing, const RenderOptions& options) {
    if (options.frame) return *options.frame;
    if (!options.layers.changesVisibility(drawing)) return drawing.extents;
    std::vector<std::string> ignored;  // the load has said what its blocks lack
    return MeasureExtents(drawing, options.layers.shownMask(drawing), ignored);
}

RenderResult RenderDrawing(RenderTarget& canvas, const Drawing& drawing,
                           const RenderOptions& options, const RenderRequest& request) {
    RenderResult result;
    RenderContext context(drawing, options);
    context.budget = RenderBudget(request.limits);
    BudgetedTarget target(canvas, context.budget);
    context.pictures = request.pictures;
    context.clock = request.clock;
    context.warnings = &result.warnings;
    context.targetWidth = request.width;
    context.targetHeight = request.height;
    const uint32_t background = context.pens.PenColor[0];
    target.begin();

    if (drawing.top.sequence.empty()) {
        fillBackground(target, background, request.width, request.height);
        target.end();
        return result;
    }
    const Extents e = PictureFrame(drawing, options);
    context.view.MinX = e.MinX;
    context.view.MaxY = e.MaxY;
    context.view.scale = request.scale == 0.0 ? FitScale(e, request.width, request.height) : request.scale;
    result.scale = context.view.scale;
    if (request.clearBackground) fillBackground(target, background, request.width, request.height);

    RecordWalk walk(drawing.top, drawing.header.DisplayOption[3] != 0);
    const int mode = drawFirstMode(drawing, options);
    if (mode != 0) {
        context.prePass = true;
        const bool solids = drawing.SolidCount() > 0, texts = drawing.TextCount() > 0;
        if (mode == 1) {
            if (solids) DrawSolidsFirst(context, target, walk);
            if (texts) DrawImagesFirst(context, target, walk);
        } else {
            if (texts) DrawImagesFirst(context, target, walk);
            if (solids) DrawSolidsFirst(context, target, walk);
        }
        context.prePass = false;
    }

    const bool textsLast = options.lastDraw == 1;
    const auto& sequence = drawing.top.sequence;
    Progress progress(request.progress, sequence.size() * (textsLast ? 2 : 1));
    for (const RecordRef& ref : sequence) {
        switch (ref.cls) {
            case RecordClass::Moji:
                if (!textsLast) drawTaken(context, target, walk, ref.cls);
                break;
            case RecordClass::Solid:
                if (mode == 0) drawTaken(context, target, walk, ref.cls);
                break;
            case RecordClass::List:
                break;
            default:
                drawTaken(context, target, walk, ref.cls);
                break;
        }
        if (!progress.step()) {
            result.completed = false;
            return finishRender(context, target, result);
        }
        // Nothing more can be drawn; the rest of the walk would only be refused record by record.
        if (context.budget.recordsExhausted()) return finishRender(context, target, result);
    }
    if (textsLast) {
        for (const RecordRef& ref : sequence) {
            if (ref.cls == RecordClass::Moji) drawTaken(context, target, walk, ref.cls);
            if (!progress.step()) {
                result.completed = false;
                return finishRender(context, target, result);
            }
        }
    }
    return finishRender(context, target, result);
}

}  // namespace korvel
