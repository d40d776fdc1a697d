#include "render/block_boxes.h"

#include <algorithm>

#include "drawing/extents.h"
#include "render/render_context.h"

namespace korvel {

namespace {
// Deeper than drawing goes (see render_blocks.cpp), for blocks measured from inside others; the
// bound keeps the recursion's stack small.
constexpr int kMaxMeasuredDepth = 256;

bool empty(const Extents& e) { return !(e.MinX <= e.MaxX && e.MinY <= e.MaxY); }

// Records whose drawn size is not bounded by their stored points.
bool unboundedBySize(const RecordSet& set, const RecordRef& ref) {
    if (ref.cls == RecordClass::Sunpou) return true;
    return ref.cls == RecordClass::Ten && ref.index < set.points.size() && set.points[ref.index].penStyle == 100;
}
}  // namespace

BlockBoxes::BlockBoxes(const Drawing& drawing)
    : drawing_(drawing),
      states_(drawing.top.definitions.size(), State::Unmeasured),
      boxes_(drawing.top.definitions.size()) {}

bool BlockBoxes::boxOf(uint32_t block, Extents& box) {
    if (!measure(block, 0)) return false;
    box = boxes_[block];
    return true;
}

bool BlockBoxes::measure(uint32_t block, int depth) {
    if (block >= states_.size()) return false;
    if (states_[block] == State::Known) return true;
    // Unknown stays unknown; a block met again while it is measured inserts itself.
    if (states_[block] != State::Unmeasured || depth >= kMaxMeasuredDepth) return false;
    size_t first = 0, count = 0;
    if (!drawing_.blockMembers(block, first, count)) {
        states_[block] = State::Unknown;
        return false;
    }
    states_[block] = State::Measuring;
    Extents box;
    ExtentsBuilder builder(drawing_, box);
    bool known = true;
    const RecordSet& members = drawing_.members;
    for (size_t i = first; known && i < first + count; ++i) {
        const RecordRef& ref = members.sequence[i];
        if (unboundedBySize(members, ref)) known = false;
        else if (ref.cls != RecordClass::Block) builder.AddRecord(members, ref);
        else if (ref.index < members.inserts.size()) known = addInsert(members.inserts[ref.index], box, depth);
    }
    known = known && !empty(box);
    states_[block] = known ? State::Known : State::Unknown;
    if (known) boxes_[block] = box;
    return known;
}

bool BlockBoxes::addInsert(const TDataBlock& insert, Extents& box, int depth) {
    // Inserts that draw nothing add nothing.
    if (insert.penColor >= 10 || !InDrawableRange(insert)) return true;
    if (!drawing_.AllLayers && !drawing_.layerVisible(insert.layerGroup, insert.layer)) return true;
    if (!measure(insert.blockNumber, depth + 1)) return false;
    const Extents& inner = boxes_[insert.blockNumber];
    BlockTransform t;
    t.OffsetX = insert.origin.x;
    t.OffsetY = insert.origin.y;
    t.ScaleX = insert.scaleX;
    t.ScaleY = insert.scaleY;
    t.Angle = insert.rotation;
    for (const Point2 corner : {Point2{inner.MinX, inner.MinY}, Point2{inner.MaxX, inner.MinY},
                                Point2{inner.MinX, inner.MaxY}, Point2{inner.MaxX, inner.MaxY}}) {
        const Point2 p = t.apply(corner);
        box.MinX = std::min(box.MinX, p.x);
        box.MaxX = std::max(box.MaxX, p.x);
        box.MinY = std::min(box.MinY, p.y);
        box.MaxY = std::max(box.MaxY, p.y);
    }
    return true;
}

}  // namespace korvel
