// Which blocks a DXF export writes and under which names: every completed block definition,
// one block per special-point symbol used, one anonymous block per dimension; and which
// inserts inside blocks would make a block contain itself (never written).
#pragma once

#include <vector>

#include "drawing/drawing.h"
#include "output/dxf_entities.h"
#include "output/dxf_strings.h"

namespace korvel {

struct DxfBlockPlan {
    DxfBlockNames names;
    std::vector<int> symbolCodes;  // codes that have a symbol block, in order
    // Each dimension written as a DIMENSION, with its anonymous block: [0] top level, [1]
    // block members, by dimension index, in the order the blocks are named.
    std::vector<std::pair<int, uint32_t>> dimensions;
};

DxfBlockPlan PlanDxfBlocks(const Drawing& drawing, const DxfStrings& strings);

}  // namespace korvel
