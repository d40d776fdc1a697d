// Filing records into the store as a reader reads them: top-level records and block members,
// the end of each definition, the stop at a definition that nothing inserts, and the extents.
// The stream reader and the recovery reader share it.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "drawing/extents.h"
#include "drawing/huge_pages.h"
#include "drawing/page_warmer.h"
#include "drawing/record_kinds.h"
#include "drawing/record_stream.h"

namespace korvel {

class RecordFiler {
public:
    // `dataBytes` bounds what is reserved ahead for the announced count. With `stopRule`, a
    // definition numbered beyond every insert read so far (at the top level or inside a kept
    // definition) is dropped together with everything after it, as Jw_cad keeps definitions in
    // insert order.
    RecordFiler(Drawing& d, StreamReport& report, size_t dataBytes, bool stopRule);
    ~RecordFiler();

    template <class T> void file(T&& record);
    // After every record read whole (filed or dropped): counts down the members of the open
    // definition. True when that ends the last definition the stream announced.
    bool afterRecord();
    bool inDefinition() const { return inBlockDefinition_; }
    // Ends the open definition with the members read so far (damaged data lost the rest).
    // Returns how many members it was short of.
    uint32_t closeDefinitionShort();
    // Top-level records filed, definitions not counted.
    uint32_t recordsFiled() const { return static_cast<uint32_t>(d_.top.size() - d_.top.definitions.size()); }
    // The block extents pass and the margin; says what the stop rule dropped.
    void finish();

private:
    template <class T> void reserveFor(std::vector<T>& list);

    Drawing& d_;
    StreamReport& report_;
    ExtentsBuilder extents_;
    size_t dataBytes_;
    bool stopRule_;
    bool inBlockDefinition_ = false;
    uint32_t membersLeft_ = 0;
    uint32_t highestBlockNumber_ = 0;
    uint32_t definitionsEnded_ = 0;
    // After a stop: what was read past it is dropped, but reading goes on to the end of the data.
    uint32_t stoppedAtNumber_ = 0;
    size_t droppedAfterStop_ = 0;
    // Only for data large enough that fresh pages cost more than a thread (the top-level lists).
    std::unique_ptr<PageWarmer> warmer_;
    std::array<ListWarmth, kRecordClassCount> listWarmth_{};
    ListWarmth sequenceWarmth_;
};

// Data from this size on has its top-level lists warmed ahead of the reader.
constexpr size_t kWarmedDataBytes = size_t(8) << 20;

template <class T>
void RecordFiler::reserveFor(std::vector<T>& list) {
    if (!list.empty() || list.capacity() > 0) return;
    // Enough for the announced count, but never more than the data could hold.
    const size_t byBytes = dataBytes_ / minimumRecordBytes(classOf<T>(), 0);
    list.reserve(std::min<size_t>(std::max<size_t>(d_.ExpectedCount, 16), byBytes + 1));
    AdviseHugePages(list.data(), list.capacity() * sizeof(T));
}

template <class T>
void RecordFiler::file(T&& record) {
    using R = std::decay_t<T>;
    constexpr RecordClass cls = classOf<R>();
    if (d_.Stopped) {
        ++droppedAfterStop_;
        if constexpr (cls == RecordClass::List) {
            membersLeft_ = static_cast<uint32_t>(record.count) + 1;
            inBlockDefinition_ = true;
        }
        return;
    }
    if constexpr (cls == RecordClass::List) {
        if (stopRule_ && record.number > highestBlockNumber_) {
            d_.Stopped = true;
            stoppedAtNumber_ = record.number;
            ++droppedAfterStop_;
            membersLeft_ = static_cast<uint32_t>(record.count) + 1;
            inBlockDefinition_ = true;
            return;
        }
    }
    // Inserts inside kept definitions count too: an inner block that only an outer block uses
    // is still needed.
    if constexpr (cls == RecordClass::Block) highestBlockNumber_ = std::max(highestBlockNumber_, record.blockNumber);
    RecordSet& set = inBlockDefinition_ ? d_.members : d_.top;
    auto& list = listOf<R>(set);
    if (!inBlockDefinition_) {
        reserveFor(list);
        if (set.sequence.capacity() == 0) {
            set.sequence.reserve(std::min<size_t>(d_.ExpectedCount, dataBytes_ / 16) + 1);
            AdviseHugePages(set.sequence.data(), set.sequence.capacity() * sizeof(set.sequence[0]));
        }
        extents_.AddToExtents(record);
    }
    set.sequence.push_back({cls, static_cast<uint32_t>(list.size())});
    if (warmer_ && !inBlockDefinition_) {
        listWarmth_[static_cast<size_t>(cls)].ahead(*warmer_, list);
        sequenceWarmth_.ahead(*warmer_, set.sequence);
    }
    if constexpr (cls == RecordClass::List) {
        if (!inBlockDefinition_) d_.memberStart.push_back(static_cast<uint32_t>(d_.members.sequence.size()));
        membersLeft_ = static_cast<uint32_t>(record.count) + 1;
        inBlockDefinition_ = true;
    }
    list.push_back(std::forward<T>(record));
}

}  // namespace korvel
