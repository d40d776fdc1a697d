// One record of any kind, drawn by its kind's drawing.
#include "render/record_drawers.h"

#include "drawing/coordinate_range.h"
#include "render/text_record.h"

namespace korvel {

namespace {
// Out-of-range records and records past the render's budget are left out here, in one place for
// every kind and every level of block nesting.
template <typename T, typename Draw>
void drawChecked(RenderContext& context, RenderTarget& target, const std::vector<T>& list, size_t index,
                 Draw draw) {
    if (index >= list.size()) return;
    const T& record = list[index];
    if (!InDrawableRange(record)) {
        context.skippedOutOfRange = true;
        return;
    }
    if (!context.budget.takeRecord()) {
        if (context.budget.wantsCutPlace()) NoteBudgetCutPlace(context);
        return;
    }
    draw(context, target, record);
}
}  // namespace

void DrawRecordOf(RenderContext& context, RenderTarget& target, const RecordSet& records,
                  RecordClass cls, size_t index) {
    switch (cls) {
        case RecordClass::Sen: return drawChecked(context, target, records.lines, index, DrawLineRecord);
        case RecordClass::Enko: return drawChecked(context, target, records.circles, index, DrawCircleRecord);
        case RecordClass::Ten: return drawChecked(context, target, records.points, index, DrawPointRecord);
        case RecordClass::Moji: return drawChecked(context, target, records.texts, index, DrawTextRecord);
        case RecordClass::Sunpou:
            return drawChecked(context, target, records.dimensions, index, DrawDimensionRecord);
        case RecordClass::Solid: return drawChecked(context, target, records.solids, index, DrawSolidRecord);
        case RecordClass::Block: return drawChecked(context, target, records.inserts, index, DrawBlockInsert);
        case RecordClass::List: return;
    }
}

}  // namespace korvel
