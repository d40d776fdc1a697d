// The drawing store: resetting it, counting it, and finding block members.
#include "drawing/drawing.h"

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
    if (d >= memberStart.size()) return false;
    first = memberStart[d];
    size_t end = d + 1 < memberStart.size() ? memberStart[d + 1] : members.sequence.size();
    // The stream may end inside the last definition; only whole definitions are in memberStart,
    // but a definition's own count bounds it too.
    count = end - first;
    return true;
}

bool Drawing::layerVisible(uint16_t layerGroup, uint16_t layer) const {
    if (layerGroup >= kLayerGroups || layer >= kLayers) return false;
    return header.LayerGroupState[layerGroup] > 0 && header.LayerState[layerGroup][layer] > 0;
}

bool Drawing::layerGreyed(uint16_t layerGroup, uint16_t layer) const {
    if (layerGroup >= kLayerGroups || layer >= kLayers) return false;
    return header.LayerGroupState[layerGroup] == 1 || header.LayerState[layerGroup][layer] == 1;
}

void Drawing::ResetStore() {
    top.clear();
    members.clear();
    memberStart.clear();
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
