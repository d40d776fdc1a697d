// The box each block definition's members cover, in the block's own coordinates, measured once
// per render and only for the blocks that are inserted. A nested insert adds its block's box
// through its transform, so the cost stays linear however deep or wide the nesting is.
#pragma once

#include <cstdint>
#include <vector>

#include "drawing/drawing.h"

namespace korvel {

class BlockBoxes {
public:
    explicit BlockBoxes(const Drawing& drawing);

    // False when the box is not known: no complete definition, nothing measurable, members whose
    // drawn size the box cannot bound (special points, dimensions), or nesting too deep to follow.
    bool boxOf(uint32_t block, Extents& box);

private:
    enum class State : uint8_t { Unmeasured, Measuring, Known, Unknown };
    bool measure(uint32_t block, int depth);
    bool addInsert(const TDataBlock& insert, Extents& box, int depth);

    const Drawing& drawing_;
    std::vector<State> states_;
    std::vector<Extents> boxes_;
};

}  // namespace korvel
