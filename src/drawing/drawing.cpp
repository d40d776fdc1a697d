// The drawing store: resetting it, counting it, and finding block members.
#include "drawing/drawing.h"

#include <algorithm>
#include <string>

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
    completeness = ReadCompleteness{};
    extents = Extents{};
}

std::string DescribeIncompleteRead(const ReadCompleteness& c) {
    if (c.recovered) {
        if (c.skippedStretches == 0 && c.droppedRecords == 0) return std::string();
        std::string s = "recovered from damaged data: " + std::to_string(c.read) + " record(s) read";
        if (c.skippedStretches > 0)
            s += "; " + std::to_string(c.skippedStretches) + " damaged stretch(es) of " + std::to_string(c.skippedBytes) +
                 " byte(s) passed over, the first at byte " + std::to_string(c.damagedAt);
        if (c.droppedRecords > 0)
            s += "; " + std::to_string(c.droppedRecords) + " record(s) with impossible values left out";
        return s;
    }
    if (c.complete) return std::string();
    std::string s = "read incomplete: " + std::to_string(c.announced) + " record(s) announced, " +
                    std::to_string(c.read) + " read";
    if (c.damaged) s += "; the record stream is damaged at byte " + std::to_string(c.damagedAt);
    if (!c.reason.empty()) s += "; " + c.reason;
    s += " (reading ended at byte " + std::to_string(c.endedAt) + " of " + std::to_string(c.dataSize) + ")";
    if (c.damaged) s += "; reading it as damaged data may recover more";
    return s;
}

}  // namespace korvel
