// The walk over placed records: inserts entered depth first with their transforms chained.
#include "render/placed_records.h"

#include <algorithm>

namespace korvel {

namespace {

class Walk {
public:
    Walk(const Drawing& d, PlacedRecordVisitor& v, size_t budget) : d_(d), v_(v), budget_(budget) {}

    PlacedWalkResult run() {
        const auto& sequence = d_.top.sequence;
        for (uint32_t i = 0; i < sequence.size() && result_.complete; ++i) {
            const RecordRef& ref = sequence[i];
            if (ref.cls == RecordClass::List) continue;
            Placement place;
            place.owner = recordAt(d_.top, ref);
            place.ownerIndex = i;
            visit(d_.top, ref, place, 0);
        }
        return result_;
    }

private:
    static const TJwData* recordAt(const RecordSet& s, const RecordRef& r) {
        switch (r.cls) {
            case RecordClass::Sen: return &s.lines[r.index];
            case RecordClass::Enko: return &s.circles[r.index];
            case RecordClass::Ten: return &s.points[r.index];
            case RecordClass::Moji: return &s.texts[r.index];
            case RecordClass::Sunpou: return &s.dimensions[r.index];
            case RecordClass::Solid: return &s.solids[r.index];
            case RecordClass::Block: return &s.inserts[r.index];
            case RecordClass::List: return &s.definitions[r.index];
        }
        return nullptr;
    }

    void visit(const RecordSet& set, const RecordRef& ref, const Placement& place, int depth) {
        if (result_.visited >= budget_) {
            result_.complete = false;
            return;
        }
        if (ref.cls == RecordClass::List) return;
        if (ref.cls != RecordClass::Block) {
            ++result_.visited;
            v_.record(set, ref, place);
            return;
        }
        ++result_.visited;
        const TDataBlock& insert = set.inserts[ref.index];
        if (depth >= kMaxBlockDepth) return;
        size_t first = 0, count = 0;
        if (!d_.blockMembers(insert.blockNumber, first, count)) return;
        BlockTransform inner;
        inner.OffsetX = insert.origin.x;
        inner.OffsetY = insert.origin.y;
        inner.ScaleX = insert.scaleX;
        inner.ScaleY = insert.scaleY;
        inner.Angle = insert.rotation;
        inner.expandingBlock = true;
        inner.outer = place.block;
        Placement members = place;
        members.block = &inner;
        if (!v_.enter(insert, members)) return;
        const size_t end = std::min(first + count, d_.members.sequence.size());
        for (size_t i = first; i < end && result_.complete; ++i) visit(d_.members, d_.members.sequence[i], members, depth + 1);
    }

    const Drawing& d_;
    PlacedRecordVisitor& v_;
    size_t budget_;
    PlacedWalkResult result_;
};

}  // namespace

PlacedWalkResult WalkPlacedRecords(const Drawing& drawing, PlacedRecordVisitor& visitor, size_t budget) {
    return Walk(drawing, visitor, budget).run();
}

}  // namespace korvel
