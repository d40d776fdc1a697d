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
//
// Nesting multiplies: ten inserts of a block that holds ten inserts, twelve levels deep, ask for
// a trillion records from a file of a few kilobytes. The render's budget bounds the work; before
// it, three shortcuts keep the work near what can be seen:
// - an insert identical to the member just before it draws the same figures over themselves
//   (nothing else was drawn in between), so it is drawn once;
// - an insert whose measured box lies wholly off the canvas draws nothing there;
// - an insert whose box is smaller than a device unit either way draws at most a dot, and is
//   left out like any other detail below the resolution.
#include <algorithm>
#include <cmath>

#include "render/block_boxes.h"
#include "render/line_style.h"
#include "render/record_drawers.h"

namespace korvel {

namespace {
// Room around a measured box for what the box does not hold: pen widths, glyph outlines,
// italic slant, text background boxes.
constexpr double kBoxMarginDevice = 64.0;

bool sameInsert(const TDataBlock& a, const TDataBlock& b) {
    return a.blockNumber == b.blockNumber && a.origin.x == b.origin.x && a.origin.y == b.origin.y &&
           a.scaleX == b.scaleX && a.scaleY == b.scaleY && a.rotation == b.rotation &&
           a.layer == b.layer && a.layerGroup == b.layerGroup && a.penColor == b.penColor &&
           a.penStyle == b.penStyle && a.penWidth == b.penWidth && a.group == b.group && a.flags == b.flags;
}

// The member at `i` repeats the insert just before it.
bool repeatsPrevious(const RecordSet& members, size_t first, size_t i) {
    if (i == first) return false;
    const RecordRef& ref = members.sequence[i];
    const RecordRef& before = members.sequence[i - 1];
    if (ref.cls != RecordClass::Block || before.cls != RecordClass::Block) return false;
    if (ref.index >= members.inserts.size() || before.index >= members.inserts.size()) return false;
    return sameInsert(members.inserts[ref.index], members.inserts[before.index]);
}

// With the insert's transform in force: true when its members cannot show on the canvas.
bool invisibleOnCanvas(RenderContext& context, uint32_t block) {
    DeviceBox shown;
    if (!ShownBox(context, kBoxMarginDevice, shown)) return false;
    if (!context.blockBoxes) context.blockBoxes = std::make_shared<BlockBoxes>(context.drawing);
    Extents box;
    if (!context.blockBoxes->boxOf(block, box)) return false;
    double left = INFINITY, right = -INFINITY, top = INFINITY, bottom = -INFINITY;
    for (const Point2 corner : {Point2{box.MinX, box.MinY}, Point2{box.MaxX, box.MinY},
                                Point2{box.MinX, box.MaxY}, Point2{box.MaxX, box.MaxY}}) {
        const Point2 p = context.block.applyComposed(corner);
        const double x = context.view.toDeviceX(p.x), y = context.view.toDeviceY(p.y);
        left = std::min(left, x), right = std::max(right, x);
        top = std::min(top, y), bottom = std::max(bottom, y);
    }
    if (!(left <= right && top <= bottom)) return false;  // not finite: let the drawing decide
    if (right - left < 1.0 && bottom - top < 1.0) return true;
    return right < shown.left || bottom < shown.top || left > shown.right || top > shown.bottom;
}

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
        inner.compose();
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
    if (invisibleOnCanvas(context, insert.blockNumber)) return;
    for (size_t i = first; i < end; ++i) {
        if (repeatsPrevious(drawing.members, first, i)) continue;
        const RecordRef& ref = drawing.members.sequence[i];
        DrawRecordOf(context, target, drawing.members, ref.cls, ref.index);
    }
}

void NoteBudgetCutPlace(RenderContext& context) {
    const auto& definitions = context.drawing.top.definitions;
    if (context.blockDepth == 0) {
        context.budget.noteCutPlace(nullptr);
        return;
    }
    const std::string name = context.currentBlock < definitions.size()
                                 ? BlockDisplayName(definitions[context.currentBlock].name)
                                 : std::string();
    const std::string shown =
        name.empty() ? "block " + std::to_string(context.currentBlock) : "block \"" + name + "\"";
    context.budget.noteCutPlace(&shown);
}

}  // namespace korvel
