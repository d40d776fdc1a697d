// Block inserts: the members of a block definition drawn through the insert's transform.
//
// Choices where Jw_cad's own behaviour gives no sound answer:
// - Rotation sense: member points turn counter-clockwise for a positive rotation (y upwards),
//   as Jw_cad measures every angle and as the drawing extents are measured; circle, arc, solid,
//   text and special-point angles add the rotation (see TransformArc), so a rotated block is
//   one rigid figure.
// - Nested inserts compose: an inner insert's transform is applied first, then the outer one's,
//   and the outer transform is back in force for the remaining members.
// - An insert whose block number has no definition draws nothing; a block that inserts itself
//   (directly or through others) stops at a nesting depth of kMaxBlockDepth.
#include <algorithm>

#include "render/line_style.h"
#include "render/record_drawers.h"

namespace korvel {

namespace {

// Puts the outer transform, block number and depth back when the members are done, also when a
// member's drawing throws.
class InsertScope {
public:
    InsertScope(RenderContext& context, const TDataBlock& insert)
        : context_(context), outer_(context.block), outerBlock_(context.currentBlock) {
        BlockTransform inner;
        inner.OffsetX = insert.origin.x;
        inner.OffsetY = insert.origin.y;
        inner.ScaleX = insert.scaleX;
        inner.ScaleY = insert.scaleY;
        inner.Angle = insert.rotation;
        inner.expandingBlock = true;
        inner.outer = outer_.expandingBlock ? &outer_ : nullptr;
        context.block = inner;
        context.currentBlock = insert.blockNumber;
        ++context.blockDepth;
    }
    ~InsertScope() {
        context_.block = outer_;
        context_.currentBlock = outerBlock_;
        --context_.blockDepth;
    }
    InsertScope(const InsertScope&) = delete;
    InsertScope& operator=(const InsertScope&) = delete;

private:
    RenderContext& context_;
    const BlockTransform outer_;
    const uint32_t outerBlock_;
};
}  // namespace

void DrawBlockInsert(RenderContext& context, RenderTarget& target, const TDataBlock& insert) {
    const Drawing& drawing = context.drawing;
    if (LayerShowOf(context, insert) == LayerShow::Hidden) return;
    if (insert.penColor >= 10) return;
    if (context.blockDepth >= kMaxBlockDepth) return;
    size_t first = 0, count = 0;
    if (!drawing.blockMembers(insert.blockNumber, first, count)) return;
    const size_t end = std::min(first + count, drawing.members.sequence.size());

    InsertScope scope(context, insert);
    for (size_t i = first; i < end; ++i) {
        const RecordRef& ref = drawing.members.sequence[i];
        DrawRecordOf(context, target, drawing.members, ref.cls, ref.index);
    }
}

}  // namespace korvel
