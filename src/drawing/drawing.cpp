// The drawing store: resetting it, counting it, and finding block members.
#include "drawing/drawing.h"

#include <algorithm>

namespace korvel {

void RecordSet::clear() {
    lines.clear();
    circles.clear();
    points.clear();
    texts.clear();
    dimensions.clear();
    solids.clear();
    inserts.clear();
    definitions.clear();
    sequence.clear();
}

size_t RecordSet::countOf(RecordClass cls) const {
    switch (cls) {
        case RecordClass::Sen: return lines.size();
        case RecordClass::Enko: return circles.size();
        case RecordClass::Ten: return points.size();
        case RecordClass::Moji: return texts.size();
        case RecordClass::Sunpou: return dimensions.size();
        case RecordClass::Solid: return solids.size();
        case RecordClass::Block: return inserts.size();
        case RecordClass::List: return definitions.size();
    }
    return 0;
}

bool Drawing::blockMembers(uint32_t d, size_t& first, size_t& count) const {
    if (d >= completedDefinitions || d >= memberStart.size() || d >= top.definitions.size()) return false;
    first = memberStart[d];
    count = top.definitions[d].count;
    if (first > members.sequence.size()) return false;
    count = std::min(count, members.sequence.size() - first);
    return true;
}

bool Drawing::layerGreyed(uint16_t layerGroup, uint16_t layer) const {
    if (layerGroup >= kLayerGroups || layer >= kLayers) return false;
    return header.LayerGroupState[layerGroup] == 1 || header.LayerState[layerGroup][layer] == 1;
}

void Drawing::ResetStore() {
    top.clear();
    members.clear();
    memberStart.clear();
    completedDefinitions = 0;
    embeddedPictures.clear();
    ExpectedCount = 0;
    StreamBlockDefinitionCount = 0;
    RecordsStart = 0;
    AllLayers = false;
    Truncated = false;
    Stopped = false;
    extents = Extents{};
}

}  // namespace korvel
