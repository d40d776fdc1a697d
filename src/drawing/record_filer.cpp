// The end of block definitions, definitions cut short, and the finish of a read.
#include "drawing/record_filer.h"

namespace korvel {

RecordFiler::RecordFiler(Drawing& d, StreamReport& report, size_t dataBytes, bool stopRule)
    : d_(d), report_(report), extents_(d), dataBytes_(dataBytes), stopRule_(stopRule) {
    if (dataBytes >= kWarmedDataBytes) warmer_ = std::make_unique<PageWarmer>();
}

RecordFiler::~RecordFiler() = default;

bool RecordFiler::afterRecord() {
    if (!inBlockDefinition_) return false;
    if (--membersLeft_ > 0) return false;
    inBlockDefinition_ = false;
    if (!d_.Stopped) d_.completedDefinitions = static_cast<uint32_t>(d_.memberStart.size());
    ++definitionsEnded_;
    return d_.StreamBlockDefinitionCount > 0 && definitionsEnded_ >= d_.StreamBlockDefinitionCount;
}

uint32_t RecordFiler::closeDefinitionShort() {
    if (!inBlockDefinition_) return 0;
    // The definition's own record has been counted off already: what is left is members.
    const uint32_t missing = membersLeft_;
    inBlockDefinition_ = false;
    membersLeft_ = 0;
    ++definitionsEnded_;
    if (d_.Stopped || d_.memberStart.empty() || d_.top.definitions.size() != d_.memberStart.size()) return missing;
    TDataList& open = d_.top.definitions.back();
    open.count = static_cast<uint16_t>(d_.members.sequence.size() - d_.memberStart.back());
    d_.completedDefinitions = static_cast<uint32_t>(d_.memberStart.size());
    return missing;
}

void RecordFiler::finish() {
    if (d_.BlockInsertCount() > 0) extents_.ExpandBlockInserts(report_.warnings);
    extents_.FinishExtents();
    if (d_.Stopped) {
        report_.warnings.push_back("block definition " + std::to_string(stoppedAtNumber_) +
                                   " is inserted nowhere: it and the " + std::to_string(droppedAfterStop_ - 1) +
                                   " record(s) after it were left out");
    }
}

}  // namespace korvel
