// The render driver: fit rule, background, pre-passes and the walk over the records.
#include "render/render_driver.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

#include "drawing/coordinate_range.h"
#include "drawing/extents.h"
#include "render/budgeted_target.h"
#include "render/line_style.h"
#include "render/record_index.h"
#include "render/record_drawers.h"
#include "render/text_record.h"

namespace korvel {

namespace {
constexpr double kSmallestExtent = 1e-100;

// Which records the walk visits and which record each visit draws. Every record kind hands out
// its records one after the other, from the first or, with the reverse-order switch, from the
// last; the kinds still interleave in stored order. The n-th reference of a kind in the stream
// draws the n-th record of that kind from the start (or from the end), also when an index leaves
// the references in between out.
class RecordWalk {
public:
    RecordWalk(const RecordSet& records, bool reverse, const RecordIndex* index)
        : records_(records), reverse_(reverse), index_(index) {
        for (int c = 0; c < kRecordClassCount; ++c) count_[c] = static_cast<long>(records.countOf(static_cast<RecordClass>(c)));
    }
    // The record stream position `p` draws; -1 for none. Without an index, positions must come
    // in stream order, each once.
    long recordAt(size_t p, RecordClass cls) {
        const int c = static_cast<int>(cls);
        const long ordinal = index_ ? long(index_->ordinalAt(p)) : seen_[c]++;
        return reverse_ ? count_[c] - 1 - ordinal : ordinal;
    }
    // With an index the positions are spread over the whole stream and each visit misses the
    // cache three times (the reference, its ordinal, the record): asked for ahead, they come in
    // while the records before them are drawn. This gives the addresses only: GCC takes a
    // function that does nothing but prefetch for one without effect and drops its calls.
    // The record position `p` draws, and the byte past it; null for none.
    std::pair<const char*, const char*> recordBytes(size_t p) const {
        const RecordClass cls = records_.sequence[p].cls;
        const long ordinal = index_ ? long(index_->ordinalAt(p)) : seen_[static_cast<int>(cls)];
        const long i = reverse_ ? count_[static_cast<int>(cls)] - 1 - ordinal : ordinal;
        if (i < 0 || i >= count_[static_cast<int>(cls)]) return {nullptr, nullptr};
        const size_t j = size_t(i);
        const auto bytes = [](const auto* r) {
            return std::make_pair(reinterpret_cast<const char*>(r), reinterpret_cast<const char*>(r + 1));
        };
        switch (cls) {
            case RecordClass::Sen: return bytes(records_.lines.data() + j);
            case RecordClass::Enko: return bytes(records_.circles.data() + j);
            case RecordClass::Ten: return bytes(records_.points.data() + j);
            case RecordClass::Moji: return bytes(records_.texts.data() + j);
            case RecordClass::Sunpou: return bytes(records_.dimensions.data() + j);
            case RecordClass::Solid: return bytes(records_.solids.data() + j);
            case RecordClass::Block: return bytes(records_.inserts.data() + j);
            case RecordClass::List: break;
        }
        return {nullptr, nullptr};
    }
    // Without an index: as if positions [0, p) had been visited, for a walk taken up there.
    void skipTo(size_t p) {
        const auto& sequence = records_.sequence;
        for (size_t q = 0; q < std::min(p, sequence.size()); ++q) ++seen_[static_cast<int>(sequence[q].cls)];
    }
    // The record the n-th visit of a walk by kind draws (the draw-first pre-passes).
    long nthOfKind(RecordClass cls, long n) const { return reverse_ ? count_[static_cast<int>(cls)] - 1 - n : n; }
    const RecordSet& records() const { return records_; }

private:
    const RecordSet& records_;
    bool reverse_;
    const RecordIndex* index_;
    std::array<long, kRecordClassCount> count_{};
    std::array<long, kRecordClassCount> seen_{};
};

void drawAt(RenderContext& context, RenderTarget& target, long i, RecordClass cls) {
    if (i >= 0) DrawRecordOf(context, target, context.drawing.top, cls, static_cast<size_t>(i));
}

void fillBackground(RenderTarget& target, uint32_t color, int width, int height) {
    // The whole area: starting at (1, 1) would leave the first row and column as they were.
    target.fillRect({0, 0, width, height}, {BrushStyle::Solid, color});
}

// Draws every record of a kind in walk order, those the flags allow (all when there are none).
void DrawKindFirst(RenderContext& context, RenderTarget& target, const RecordWalk& walk, RecordClass cls,
                   const std::vector<uint8_t>* shown) {
    const long n = static_cast<long>(walk.records().countOf(cls));
    for (long k = 0; k < n; ++k) {
        const long i = walk.nthOfKind(cls, k);
        if (i >= 0 && (!shown || (*shown)[size_t(i)])) drawAt(context, target, i, cls);
    }
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
    result.recordsDrawn = context.budget.recordsDrawn();
    result.piecesDrawn = context.budget.piecesDrawn();
    result.picturePixelsDecoded = context.budget.picturePixelsDecoded();
    if (context.skippedOutOfRange)
        result.warnings.push_back(OutOfRangeWarning(CountOutOfRangeRecords(context.drawing)));
}

// Ends the render: the target ended, the warnings of what was left out added.
RenderResult& finishRender(RenderContext& context, RenderTarget& target, RenderResult& result) {
    target.end();
    addLimitWarnings(context, result);
    return result;
}

// The drawing-millimetre box of the device area the target shows, widened by what records can
// draw past their boxes; false when it cannot be worked out (the render then walks everything).
bool ShownArea(const RenderContext& context, const RenderRequest& request, DrawingArea& area) {
    const DeviceRect& asked = request.shown;
    const bool whole = asked.right <= asked.left || asked.bottom <= asked.top;
    const DeviceRect shown = whole ? DeviceRect{0, 0, request.width, request.height} : asked;
    const double reach = DeviceReach(context, !request.index || request.index->hasRandomLines());
    const double s = context.view.scale;
    if (!(s > 0.0) || !std::isfinite(s)) return false;
    // Text backgrounds reach out by the expansion, in millimetres whatever the scale.
    const double room = std::fabs(context.options.outLineExpansion);
    area.minX = context.view.MinX + (shown.left - reach) / s - room;
    area.maxX = context.view.MinX + (shown.right + reach) / s + room;
    area.maxY = context.view.MaxY - (shown.top - reach) / s + room;
    area.minY = context.view.MaxY - (shown.bottom + reach) / s - room;
    return std::isfinite(area.minX) && std::isfinite(area.maxX) && std::isfinite(area.minY) && std::isfinite(area.maxY);
}

class Progress {
public:
    Progress(const RenderProgress& callback, size_t total, size_t done = 0)
        : callback_(callback), total_(total), done_(done) {}
    // False when the caller asked to stop.
    bool step() { return !callback_ || callback_(++done_, total_); }

private:
    const RenderProgress& callback_;
    size_t total_;
    size_t done_;
};
}  // namespace

RenderLimits LimitsFor(const RenderLimits& limits, const Drawing& drawing) {
    RenderLimits out = limits;
    const uint64_t records = drawing.top.sequence.size() + drawing.members.sequence.size();
    const uint64_t room = UINT64_MAX - out.maxPieces;
    const uint64_t extra = limits.piecesPerRecord == 0 ? 0
                           : records > room / limits.piecesPerRecord ? room
                                                                    : records * limits.piecesPerRecord;
    // In whole millions, as the warning of a cut render names the limit.
    out.maxPieces += extra - extra % 1'000'000;
    out.piecesPerRecord = 0;
    return out;
}

int DeviceReach(const RenderContext& context, bool randomLines) {
    // Rounding of points and of symbol sizes, the cosmetic pen's pixel, the smallest glyphs.
    double reach = 8.0;
    uint32_t widest = 0;
    for (uint32_t w : context.pens.PenWidth) widest = std::max(widest, std::min(w, 1000u));
    reach += widest;
    // A random line steps up to its amplitude off the line, and its last step may pass its end.
    double randomReach = 0.0;
    for (int t = 11; randomLines && t <= 15 && t < kLineTypes; ++t) {
        const double pitch = context.pens.LineTypePitch[t] == 0 ? 1.0 : context.pens.LineTypePitch[t];
        const double amplitude = context.pens.RandomLineWidth[t] == 0 ? 1.0 : context.pens.RandomLineWidth[t];
        randomReach = std::max(randomReach, 2.0 * (pitch + amplitude) * std::fabs(context.options.dotSize));
    }
    reach += randomReach;
    return reach < 1e8 ? static_cast<int>(reach) : 100000000;
}

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
    context.budget = RenderBudget(LimitsFor(request.limits, drawing));
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
    // The part shown, and as far past it as the index looks and the passing-over goes: pens,
    // dashes and random lines, and text backgrounds. Narrowed when rows are given away.
    const double reach = DeviceReach(context, true) + std::fabs(options.outLineExpansion) * context.view.scale;
    const auto passOutside = [&](const DeviceRect& shown) {
        if (shown.right <= shown.left || shown.bottom <= shown.top) return;
        context.shownLeft = shown.left;
        context.shownTop = shown.top;
        context.shownRight = shown.right;
        context.shownBottom = shown.bottom;
        context.passOverLines = std::isfinite(reach);
        context.passLeft = shown.left - reach;
        context.passTop = shown.top - reach;
        context.passRight = shown.right + reach;
        context.passBottom = shown.bottom + reach;
    };
    passOutside(request.shown);
    const WalkPoint resumeAt = request.resumeAt ? *request.resumeAt : WalkPoint{};
    const bool resuming = request.resumeAt != nullptr;
    if (request.clearBackground && !resuming) fillBackground(target, background, request.width, request.height);

    const bool reverse = drawing.header.DisplayOption[3] != 0;
    // A walk taken up goes by the steps of the walk it was given by, which used no index.
    const RecordIndex* index =
        request.index && !request.resumeAt && request.index->fits(drawing) ? request.index : nullptr;
    DrawingArea area;
    if (index && !ShownArea(context, request, area)) index = nullptr;
    RecordWalk walk(drawing.top, reverse, index);
    const int mode = drawFirstMode(drawing, options);
    // Rows are given away between records of the walk, which uses no index.
    const RowGiving* giving = index ? nullptr : request.giving;
    const auto giveRows = [&](int pass, size_t step) {
        if (!giving || !giving->asked->load(std::memory_order_relaxed)) return;
        target.flush();
        passOutside(giving->give(WalkPoint{pass, step}));
    };
    if (mode != 0 && !resuming) {
        context.prePass = true;
        const bool solids = drawing.SolidCount() > 0, texts = drawing.TextCount() > 0;
        std::vector<uint8_t> solidsShown, textsShown;
        if (index && solids) index->recordsIn(RecordClass::Solid, area, solidsShown);
        if (index && texts) index->recordsIn(RecordClass::Moji, area, textsShown);
        const std::vector<uint8_t>* solidFlags = index ? &solidsShown : nullptr;
        const std::vector<uint8_t>* textFlags = index ? &textsShown : nullptr;
        if (mode == 1) {
            if (solids) DrawKindFirst(context, target, walk, RecordClass::Solid, solidFlags);
            if (texts) DrawKindFirst(context, target, walk, RecordClass::Moji, textFlags);
        } else {
            if (texts) DrawKindFirst(context, target, walk, RecordClass::Moji, textFlags);
            if (solids) DrawKindFirst(context, target, walk, RecordClass::Solid, solidFlags);
        }
        context.prePass = false;
    }

    const auto& sequence = drawing.top.sequence;
    std::vector<uint32_t> positions;
    if (index) index->positionsIn(drawing, area, reverse, positions);
    const size_t walked = index ? positions.size() : sequence.size();
    const auto positionAt = [&](size_t k) -> size_t { return index ? positions[k] : k; };

    const bool textsLast = options.lastDraw == 1;
    const size_t firstStep = std::min(resumeAt.step, walked);
    Progress progress(request.progress, walked * (textsLast ? 2 : 1), resumeAt.pass == 0 ? firstStep : walked + firstStep);
    if (resuming && resumeAt.pass == 0) walk.skipTo(firstStep);
    for (size_t k = resumeAt.pass == 0 ? firstStep : walked; k < walked; ++k) {
        if (index) {
            if (k + 16 < walked) {
                __builtin_prefetch(&sequence[positions[k + 16]]);
                __builtin_prefetch(index->ordinalAddress(positions[k + 16]));
            }
            if (k + 8 < walked) {
                // A record may straddle two cache lines; its first and last bytes cover both.
                const auto [first, past] = walk.recordBytes(positions[k + 8]);
                if (first) {
                    __builtin_prefetch(first);
                    __builtin_prefetch(past - 1);
                }
            }
        }
        const size_t p = positionAt(k);
        const RecordClass cls = sequence[p].cls;
        if (cls != RecordClass::List) {
            const long i = walk.recordAt(p, cls);
            const bool drawn = cls == RecordClass::Moji ? !textsLast : cls == RecordClass::Solid ? mode == 0 : true;
            if (drawn) drawAt(context, target, i, cls);
        }
        if (!progress.step()) {
            result.completed = false;
            return finishRender(context, target, result);
        }
        // Nothing more can be drawn; the rest of the walk would only be refused record by record.
        if (context.budget.recordsExhausted()) return finishRender(context, target, result);
        giveRows(0, k + 1);
    }
    if (textsLast) {
        RecordWalk texts(drawing.top, reverse, index);
        if (resuming && resumeAt.pass == 1) texts.skipTo(firstStep);
        for (size_t k = resumeAt.pass == 1 ? firstStep : 0; k < walked; ++k) {
            const size_t p = positionAt(k);
            if (sequence[p].cls == RecordClass::Moji) drawAt(context, target, texts.recordAt(p, RecordClass::Moji), RecordClass::Moji);
            if (!progress.step()) {
                result.completed = false;
                return finishRender(context, target, result);
            }
            giveRows(1, k + 1);
        }
    }
    return finishRender(context, target, result);
}

}  // namespace korvel
