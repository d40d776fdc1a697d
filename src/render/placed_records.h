// Every record of a drawing where the picture puts it: the top-level records, and the members
// of block inserts through their inserts' transforms (nested inserts composed, as the renderer
// draws them). Used by tools that look at the drawing in drawing millimetres: search, snapping.
#pragma once

#include <cstddef>

#include "drawing/drawing.h"
#include "render/render_context.h"

namespace korvel {

// Where a record lies: its transform into the drawing and the top-level record it belongs to.
struct Placement {
    const BlockTransform* block = nullptr;  // null at the top level
    const TJwData* owner = nullptr;         // the top-level record (the outermost insert)
    uint32_t ownerIndex = 0;                // position of the owner in the top-level sequence
    // Set by a visitor for the members of an insert that does not draw (its layer hidden), and
    // kept for everything nested inside it.
    bool insideHidden = false;

    Point2 apply(Point2 p) const { return block ? block->apply(p) : p; }
};

class PlacedRecordVisitor {
public:
    virtual ~PlacedRecordVisitor() = default;
    // A record that is not an insert.
    virtual void record(const RecordSet& set, const RecordRef& ref, const Placement& place) = 0;
    // Whether the members of this insert are visited; `members` is where they will lie, for the
    // visitor to mark.
    virtual bool enter([[maybe_unused]] const TDataBlock& insert, [[maybe_unused]] Placement& members) {
        return true;
    }
};

struct PlacedWalkResult {
    size_t visited = 0;     // records handed to the visitor
    bool complete = true;   // false: the budget ran out before the last record
};

// Visits top-level records in stream order; an insert's members follow the insert. Nesting stops
// where the renderer stops; at most `budget` records are visited, so that blocks nested into
// each other many times over cost bounded work.
PlacedWalkResult WalkPlacedRecords(const Drawing& drawing, PlacedRecordVisitor& visitor, size_t budget);

}  // namespace korvel
