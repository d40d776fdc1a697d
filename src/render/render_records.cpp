// One record of any kind, drawn by its kind's drawing.
#include "render/record_drawers.h"
#include "render/text_record.h"

namespace korvel {

namespace {
template <typename T>
const T* at(const std::vector<T>& list, size_t index) {
    return index < list.size() ? &list[index] : nullptr;
}
}  // namespace

void DrawRecordOf(RenderContext& context, RenderTarget& target, const RecordSet& records,
                  RecordClass cls, size_t index) {
    switch (cls) {
        case RecordClass::Sen:
            if (auto* r = at(records.lines, index)) DrawLineRecord(context, target, *r);
            return;
        case RecordClass::Enko:
            if (auto* r = at(records.circles, index)) DrawCircleRecord(context, target, *r);
            return;
        case RecordClass::Ten:
            if (auto* r = at(records.points, index)) DrawPointRecord(context, target, *r);
            return;
        case RecordClass::Moji:
            if (auto* r = at(records.texts, index)) DrawTextRecord(context, target, *r);
            return;
        case RecordClass::Sunpou:
            if (auto* r = at(records.dimensions, index)) DrawDimensionRecord(context, target, *r);
            return;
        case RecordClass::Solid:
            if (auto* r = at(records.solids, index)) DrawSolidRecord(context, target, *r);
            return;
        case RecordClass::Block:
            if (auto* r = at(records.inserts, index)) DrawBlockInsert(context, target, *r);
            return;
        case RecordClass::List:
            return;
    }
}

}  // namespace korvel
