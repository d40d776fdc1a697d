// The one drawing: the record store (per-kind lists in stream order, block members, flags and
// extents) and its header. The application owns one and keeps it across loads.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "drawing/drawing_header.h"
#include "drawing/records.h"

namespace korvel {

struct Extents {
    double MinX = 999999999.9;
    double MinY = 999999999.9;
    double MaxX = -999999999.9;
    double MaxY = -999999999.9;
    double CenterX = 0.0;
    double CenterY = 0.0;
    double Aspect = 1.0;
};

// One entry of a class sequence: the record's kind and its position in that kind's list.
struct RecordRef {
    RecordClass cls;
    uint32_t index;
};

// Records of every kind, each kind in its own list, plus the sequence that interleaves them in
// stream order. Used for the top-level records and, separately, for all block members.
struct RecordSet {
    std::vector<TDataSen> lines;
    std::vector<TDataEnko> circles;
    std::vector<TDataTen> points;
    std::vector<TDataMoji> texts;
    std::vector<TDataSunpou> dimensions;
    std::vector<TDataSolid> solids;
    std::vector<TDataBlock> inserts;
    std::vector<TDataList> definitions;
    std::vector<RecordRef> sequence;

    void clear();
    size_t size() const { return sequence.size(); }
    size_t countOf(RecordClass cls) const;
};

// Which header a drawing was read with. A drawing read without a JWW header of its own (JWS
// data, Jw_win data, damaged data) starts from a fresh header, and saving writes that.
enum class HeaderKind { Jww, Jws, JwWin, None };

// How far reading the record stream got. Whenever it read less than the data holds, `complete`
// is false and a load says so, with the counts and the byte offset.
struct ReadCompleteness {
    bool complete = true;
    uint32_t announced = 0;  // top-level records the header announced
    uint32_t read = 0;       // top-level records read, block definitions not counted
    size_t endedAt = 0;      // byte offset at which reading ended
    size_t dataSize = 0;
    bool damaged = false;    // data that does not fit a record stream was met...
    size_t damagedAt = 0;    // ...first at this byte offset
    std::string reason;      // what ended reading early, for people
    // Recovery only: damaged stretches passed over and their bytes.
    bool recovered = false;
    size_t skippedStretches = 0;
    size_t skippedBytes = 0;
    size_t droppedRecords = 0;  // read whole but with values no drawing holds
};

// "read incomplete: 1686 records announced, 1 read; ..." or, after a recovery, what it passed
// over; empty for a drawing read whole.
std::string DescribeIncompleteRead(const ReadCompleteness& c);

// An embedded picture of a Jw_cad 8 drawing, as stored ("name.gz" entries still compressed).
struct EmbeddedPicture {
    std::string name;  // CP932, as stored
    std::vector<uint8_t> bytes;
};

class Drawing {
public:
    DrawingHeader header;

    RecordSet top;      // Lines, Circles, ... and RecordClasses
    RecordSet members;  // BlockMembers and BlockMemberClasses, one flat list
    // Index into `members.sequence` where each top-level block definition's members begin, and
    // how many definitions were read to their last member.
    std::vector<uint32_t> memberStart;
    uint32_t completedDefinitions = 0;

    uint32_t ExpectedCount = 0;
    uint32_t StreamBlockDefinitionCount = 0;
    size_t RecordsStart = 0;
    bool AllLayers = false;
    bool Truncated = false;
    bool Stopped = false;
    HeaderKind headerKind = HeaderKind::Jww;
    ReadCompleteness completeness;

    Extents extents;

    std::vector<EmbeddedPicture> embeddedPictures;

    // Where text variables and picture references say the drawing lives. DrawingFolder is a
    // file system path (UTF-8) that relative picture references start from; DrawingName and
    // DrawingPath are CP932, like the texts that show them.
    std::string DrawingFolder;
    std::string DrawingName;
    std::string DrawingPath;
    // The loaded file's modification time (seconds since the Unix epoch, 0 when unknown) and
    // name (CP932), for the "_"/"=" date codes and "&f" of texts.
    int64_t fileTime = 0;
    std::string fileName;

    // Counts as the status bar and info show them.
    uint32_t RecordCount() const { return static_cast<uint32_t>(top.size()); }
    uint32_t LineCount() const { return static_cast<uint32_t>(top.lines.size()); }
    uint32_t CircleCount() const { return static_cast<uint32_t>(top.circles.size()); }
    uint32_t TextCount() const { return static_cast<uint32_t>(top.texts.size()); }
    uint32_t PointCount() const { return static_cast<uint32_t>(top.points.size()); }
    uint32_t DimensionCount() const { return static_cast<uint32_t>(top.dimensions.size()); }
    uint32_t SolidCount() const { return static_cast<uint32_t>(top.solids.size()); }
    uint32_t BlockInsertCount() const { return static_cast<uint32_t>(top.inserts.size()); }
    uint32_t BlockDefinitionCount() const { return static_cast<uint32_t>(top.definitions.size()); }

    // The members of block definition `d` (by position): a range of `members.sequence`.
    // Returns false when that definition was never read to its last member.
    bool blockMembers(uint32_t d, size_t& first, size_t& count) const;

    // True when (layerGroup, layer) is shown (state above 0 for both); AllLayers is not applied.
    bool layerVisible(uint16_t layerGroup, uint16_t layer) const {
        if (layerGroup >= kLayerGroups || layer >= kLayers) return false;
        return header.LayerGroupState[layerGroup] > 0 && header.LayerState[layerGroup][layer] > 0;
    }
    // Shown only, greyed: either state is exactly 1.
    bool layerGreyed(uint16_t layerGroup, uint16_t layer) const;

    // Empties the store for a new load; the header is kept.
    void ResetStore();
};

}  // namespace korvel
