// The record stream: object-archive class tags, reading records into the store, the scanning
// reader for damaged data, and the writer.
#include <algorithm>
#include <cstring>
#include <type_traits>

#include "drawing/extents.h"
#include "drawing/jww_layout.h"
#include "drawing/record_stream.h"

namespace korvel {

namespace {

struct ClassName {
    RecordClass cls;
    const char* written;
    const char* prefix;  // how the reader recognises it (the name contains it)
};

constexpr ClassName kClassNames[kRecordClassCount] = {
    {RecordClass::Sen, "CDataSen", "CDataSen"},      {RecordClass::Enko, "CDataEnko", "CDataEnk"},
    {RecordClass::Ten, "CDataTen", "CDataTen"},      {RecordClass::Moji, "CDataMoji", "CDataMoj"},
    {RecordClass::Sunpou, "CDataSunpou", "CDataSun"}, {RecordClass::Solid, "CDataSolid", "CDataSol"},
    {RecordClass::Block, "CDataBlock", "CDataBlo"},  {RecordClass::List, "CDataList", "CDataLis"},
};

bool recogniseClass(const std::string& name, RecordClass& cls) {
    for (const ClassName& c : kClassNames) {
        if (name.find(c.prefix) != std::string::npos) {
            cls = c.cls;
            return true;
        }
    }
    return false;
}

template <class Ar, class R>
void archiveAny(Ar& ar, R& r, uint32_t v);
template <class Ar> void archiveAny(Ar& ar, TDataSen& r, uint32_t v) { archiveSen(ar, r, v); }
template <class Ar> void archiveAny(Ar& ar, TDataEnko& r, uint32_t v) { archiveEnko(ar, r, v); }
template <class Ar> void archiveAny(Ar& ar, TDataTen& r, uint32_t v) { archiveTen(ar, r, v); }
template <class Ar> void archiveAny(Ar& ar, TDataMoji& r, uint32_t v) { archiveMoji(ar, r, v); }
template <class Ar> void archiveAny(Ar& ar, TDataSunpou& r, uint32_t v) { archiveSunpou(ar, r, v); }
template <class Ar> void archiveAny(Ar& ar, TDataSolid& r, uint32_t v) { archiveSolid(ar, r, v); }
template <class Ar> void archiveAny(Ar& ar, TDataBlock& r, uint32_t v) { archiveBlock(ar, r, v); }
template <class Ar> void archiveAny(Ar& ar, TDataList& r, uint32_t v) { archiveList(ar, r, v); }
template <class Ar> void archiveAny(Ar& ar, const TDataSen& r, uint32_t v) { archiveSen(ar, r, v); }
template <class Ar> void archiveAny(Ar& ar, const TDataEnko& r, uint32_t v) { archiveEnko(ar, r, v); }
template <class Ar> void archiveAny(Ar& ar, const TDataTen& r, uint32_t v) { archiveTen(ar, r, v); }
template <class Ar> void archiveAny(Ar& ar, const TDataMoji& r, uint32_t v) { archiveMoji(ar, r, v); }
template <class Ar> void archiveAny(Ar& ar, const TDataSunpou& r, uint32_t v) { archiveSunpou(ar, r, v); }
template <class Ar> void archiveAny(Ar& ar, const TDataSolid& r, uint32_t v) { archiveSolid(ar, r, v); }
template <class Ar> void archiveAny(Ar& ar, const TDataBlock& r, uint32_t v) { archiveBlock(ar, r, v); }
template <class Ar> void archiveAny(Ar& ar, const TDataList& r, uint32_t v) { archiveList(ar, r, v); }

template <class T> std::vector<T>& listOf(RecordSet& s);
template <> std::vector<TDataSen>& listOf(RecordSet& s) { return s.lines; }
template <> std::vector<TDataEnko>& listOf(RecordSet& s) { return s.circles; }
template <> std::vector<TDataTen>& listOf(RecordSet& s) { return s.points; }
template <> std::vector<TDataMoji>& listOf(RecordSet& s) { return s.texts; }
template <> std::vector<TDataSunpou>& listOf(RecordSet& s) { return s.dimensions; }
template <> std::vector<TDataSolid>& listOf(RecordSet& s) { return s.solids; }
template <> std::vector<TDataBlock>& listOf(RecordSet& s) { return s.inserts; }
template <> std::vector<TDataList>& listOf(RecordSet& s) { return s.definitions; }

// Calls f with the record of `ref` in `s`, typed.
template <class F>
void withRecord(const RecordSet& s, const RecordRef& ref, F&& f) {
    switch (ref.cls) {
        case RecordClass::Sen: f(s.lines[ref.index]); break;
        case RecordClass::Enko: f(s.circles[ref.index]); break;
        case RecordClass::Ten: f(s.points[ref.index]); break;
        case RecordClass::Moji: f(s.texts[ref.index]); break;
        case RecordClass::Sunpou: f(s.dimensions[ref.index]); break;
        case RecordClass::Solid: f(s.solids[ref.index]); break;
        case RecordClass::Block: f(s.inserts[ref.index]); break;
        case RecordClass::List: f(s.definitions[ref.index]); break;
    }
}

template <class T> constexpr RecordClass classOf();
template <> constexpr RecordClass classOf<TDataSen>() { return RecordClass::Sen; }
template <> constexpr RecordClass classOf<TDataEnko>() { return RecordClass::Enko; }
template <> constexpr RecordClass classOf<TDataTen>() { return RecordClass::Ten; }
template <> constexpr RecordClass classOf<TDataMoji>() { return RecordClass::Moji; }
template <> constexpr RecordClass classOf<TDataSunpou>() { return RecordClass::Sunpou; }
template <> constexpr RecordClass classOf<TDataSolid>() { return RecordClass::Solid; }
template <> constexpr RecordClass classOf<TDataBlock>() { return RecordClass::Block; }
template <> constexpr RecordClass classOf<TDataList>() { return RecordClass::List; }

// One pass of the stream reader over the store.
class StreamReader {
public:
    StreamReader(Drawing& d, ByteReader& in, StreamReport& report)
        : d_(d), in_(in), report_(report), extents_(d), ar_(in) {}

    bool run();

private:
    bool readTag();
    void readRecord(RecordClass cls);
    template <class T> void readAndFile();
    template <class T> void file(T&& record);
    void afterRecord();
    void readEmbeddedPictures();
    // Class indices are small in practice (a class is named once, near the start), so they are
    // kept in a table; a hostile file naming classes far out only grows the table to its size.
    bool lookup(uint64_t index, RecordClass& cls) const {
        if (index >= tags_.size() || tags_[index] < 0) return false;
        cls = static_cast<RecordClass>(tags_[index]);
        return true;
    }
    void remember(int64_t index, RecordClass cls) {
        if (index < 0 || static_cast<uint64_t>(index) > in_.size()) return;  // cannot be referred to
        if (static_cast<size_t>(index) >= tags_.size()) tags_.resize(static_cast<size_t>(index) + 1, -1);
        tags_[static_cast<size_t>(index)] = static_cast<int8_t>(cls);
    }
    template <class T> void reserveFor(std::vector<T>& list, RecordClass cls) {
        if (!list.empty() || list.capacity() > 0) return;
        // Enough for the announced count, but never more than the bytes left could hold.
        const size_t byBytes = in_.remaining() / minimumRecordBytes(cls, 0);
        list.reserve(std::min<size_t>(std::max<size_t>(d_.ExpectedCount, 16), byBytes + 1));
    }

    Drawing& d_;
    ByteReader& in_;
    StreamReport& report_;
    ExtentsBuilder extents_;
    ReadArchive ar_;

    std::vector<int8_t> tags_;  // class index -> kind (-1: none), by the archive rule
    int64_t records_ = 0;
    int64_t classes_ = 0;
    bool inBlockDefinition_ = false;
    uint32_t membersLeft_ = 0;
    uint32_t highestBlockNumber_ = 0;
    uint32_t definitionsRead_ = 0;
    bool done_ = false;
};

bool StreamReader::run() {
    d_.StreamBlockDefinitionCount = 0;
    d_.Stopped = false;
    d_.Truncated = false;
    if (!in_.seek(d_.RecordsStart)) {
        report_.error = "the record stream begins past the end of the data";
        report_.errorOffset = d_.RecordsStart;
        return false;
    }
    while (!done_ && !d_.Stopped && !d_.Truncated && in_.position() < in_.size()) {
        if (!readTag()) break;
    }
    report_.replacedCharacters += ar_.replacedCharacters;
    if (d_.BlockInsertCount() > 0) extents_.ExpandBlockInserts(report_.warnings);
    extents_.FinishExtents();
    return true;
}

bool StreamReader::readTag() {
    const size_t tagAt = in_.position();
    const uint16_t tag = in_.u16();
    if (in_.failed()) {
        d_.Truncated = true;
        report_.truncatedInsideRecord = true;
        report_.warnings.push_back("the data ends inside a class tag at byte " + std::to_string(tagAt) +
                                   "; the records before it were read");
        return false;
    }
    RecordClass cls{};
    bool known = false;
    if (tag == 0xFFFF) {
        const uint16_t schema = in_.u16();
        // A class's schema is the version it was written with; later layouts follow it.
        if (schema > d_.header.Version) d_.header.Version = schema;
        const uint16_t length = in_.u16() & 0xFF;
        std::string name;
        in_.bytes(length, name);
        if (in_.failed()) {
            d_.Truncated = true;
            report_.truncatedInsideRecord = true;
            report_.warnings.push_back("the data ends inside a class name at byte " + std::to_string(tagAt));
            return false;
        }
        known = recogniseClass(name, cls);
        if (known) {
            const int64_t extra = cls == RecordClass::List ? 2 : 1;
            remember(records_ + classes_ + extra, cls);
            if (cls == RecordClass::List) classes_ += 1;
        }
        classes_ += 1;
    } else if (tag == 0) {
        done_ = true;
        if (d_.header.Version >= 700) readEmbeddedPictures();
        return false;
    } else if (tag <= 0x7FFE) {
        d_.StreamBlockDefinitionCount = tag;
        classes_ -= 1;
        return true;
    } else if (tag == 0x7FFF) {
        // The 32-bit tag names its class by index whatever the record count (files written
        // by us switch by record count, Jw_cad's by class index).
        const uint32_t big = in_.u32();
        known = !in_.failed() && big >= 0x80000000u && lookup(big - 0x80000000u, cls);
    } else {
        known = lookup(tag - 0x8000u, cls);
    }
    if (known) {
        records_ += 1;
        readRecord(cls);
    }
    return true;
}

void StreamReader::readRecord(RecordClass cls) {
    const uint32_t v = d_.header.Version;
    if (in_.remaining() < minimumRecordBytes(cls, v)) {
        d_.Truncated = true;
        report_.warnings.push_back("the data is truncated: a record at byte " + std::to_string(in_.position()) +
                                   " is cut short; the records before it were read");
        return;
    }
    switch (cls) {
        case RecordClass::Sen: readAndFile<TDataSen>(); break;
        case RecordClass::Enko: readAndFile<TDataEnko>(); break;
        case RecordClass::Ten: readAndFile<TDataTen>(); break;
        case RecordClass::Moji: readAndFile<TDataMoji>(); break;
        case RecordClass::Sunpou: readAndFile<TDataSunpou>(); break;
        case RecordClass::Solid: readAndFile<TDataSolid>(); break;
        case RecordClass::Block: readAndFile<TDataBlock>(); break;
        case RecordClass::List: readAndFile<TDataList>(); break;
    }
    if (!d_.Truncated && !d_.Stopped) afterRecord();
}

// The most bytes a record of a kind without strings can take, so that it can be read without
// per-field checks once they are known to be there; 0 for kinds with strings.
template <class T> constexpr size_t largestFixedSize() {
    if constexpr (std::is_same_v<T, TDataSen>) return 15 + 32;
    else if constexpr (std::is_same_v<T, TDataEnko>) return 15 + 60;
    else if constexpr (std::is_same_v<T, TDataTen>) return 15 + 20 + 20;
    else if constexpr (std::is_same_v<T, TDataSolid>) return 15 + 64 + 4;
    else if constexpr (std::is_same_v<T, TDataBlock>) return 15 + 44;
    else return 0;
}

template <class T>
void StreamReader::readAndFile() {
    const size_t at = in_.position();
    T record;
    constexpr size_t fixed = largestFixedSize<T>();
    if constexpr (fixed > 0) {
        if (in_.fits(fixed)) {
            FittedReadArchive fast(in_);
            archiveAny(fast, record, d_.header.Version);
            file(std::move(record));
            return;
        }
    }
    archiveAny(ar_, record, d_.header.Version);
    if (in_.failed()) {
        // A record cut short (a string running past the end) is the same damage as a record
        // with too few bytes left: keep what came before it.
        d_.Truncated = true;
        report_.truncatedInsideRecord = true;
        report_.warnings.push_back("the data ends inside a record that begins at byte " + std::to_string(at) +
                                   "; the records before it were read");
        return;
    }
    file(std::move(record));
}

template <class T>
void StreamReader::file(T&& record) {
    using R = std::decay_t<T>;
    constexpr RecordClass cls = classOf<R>();
    if constexpr (cls == RecordClass::List) {
        if (record.number > highestBlockNumber_) {
            // Jw_cad keeps definitions in insert order; one beyond every insert ends the data.
            d_.Stopped = true;
            report_.warnings.push_back("reading stopped at block definition " + std::to_string(record.number) +
                                       ", which no insert refers to");
            return;
        }
    }
    if constexpr (cls == RecordClass::Block) {
        if (!inBlockDefinition_) highestBlockNumber_ = std::max(highestBlockNumber_, record.blockNumber);
    }
    RecordSet& set = inBlockDefinition_ ? d_.members : d_.top;
    auto& list = listOf<R>(set);
    if (!inBlockDefinition_) {
        reserveFor(list, cls);
        if (set.sequence.capacity() == 0) set.sequence.reserve(std::min<size_t>(d_.ExpectedCount, in_.remaining() / 16) + 1);
        extents_.AddToExtents(record);
    }
    set.sequence.push_back({cls, static_cast<uint32_t>(list.size())});
    if constexpr (cls == RecordClass::List) {
        if (!inBlockDefinition_) d_.memberStart.push_back(static_cast<uint32_t>(d_.members.sequence.size()));
        membersLeft_ = static_cast<uint32_t>(record.count) + 1;
        inBlockDefinition_ = true;
    }
    list.push_back(std::move(record));
}

void StreamReader::afterRecord() {
    if (!inBlockDefinition_) return;
    if (--membersLeft_ > 0) return;
    inBlockDefinition_ = false;
    d_.completedDefinitions = static_cast<uint32_t>(d_.memberStart.size());
    ++definitionsRead_;
    // Jw_cad 8 puts its embedded pictures right after the last definition.
    if (d_.header.Version >= 700 && d_.StreamBlockDefinitionCount > 0 &&
        definitionsRead_ >= d_.StreamBlockDefinitionCount) {
        readEmbeddedPictures();
        done_ = true;
    }
}

void StreamReader::readEmbeddedPictures() {
    const size_t at = in_.position();
    if (in_.remaining() < 4) return;  // older writers end here
    const uint32_t count = in_.u32();
    std::vector<EmbeddedPicture> pictures;
    for (uint32_t i = 0; i < count && !in_.failed(); ++i) {
        EmbeddedPicture p;
        ar_.str(p.name);
        const uint32_t size = in_.u32();
        const uint8_t* bytes = in_.view(size);
        if (!bytes) break;
        p.bytes.assign(bytes, bytes + size);
        pictures.push_back(std::move(p));
    }
    if (in_.failed()) {
        in_.clearFailure();
        report_.warnings.push_back("the embedded pictures at byte " + std::to_string(at) +
                                   " are cut short; " + std::to_string(pictures.size()) + " of " +
                                   std::to_string(count) + " were read");
    }
    d_.embeddedPictures = std::move(pictures);
}

// Writes records with their class tags by the archive rule.
class StreamWriter {
public:
    StreamWriter(ByteWriter& out, uint32_t version) : out_(out), ar_(out), v_(version) {}

    template <class R>
    void write(const R& record) {
        constexpr RecordClass cls = classOf<R>();
        const int c = static_cast<int>(cls);
        if (classIndex_[c] == 0) {
            out_.u16(0xFFFF);
            out_.u16(static_cast<uint16_t>(v_));
            const char* name = kClassNames[c].written;
            out_.u16(static_cast<uint16_t>(std::strlen(name)));
            out_.raw(name, std::strlen(name));
            classIndex_[c] = next_++;
        } else if (written_ <= 32768 && classIndex_[c] < 0x7FFF) {
            out_.u16(static_cast<uint16_t>(0x8000 + classIndex_[c]));
        } else {
            out_.u16(0x7FFF);
            out_.u32(static_cast<uint32_t>(0x80000000u + classIndex_[c]));
        }
        next_++;
        written_++;
        archiveAny(ar_, record, v_);
    }

private:
    ByteWriter& out_;
    WriteArchive ar_;
    uint32_t v_;
    uint64_t classIndex_[kRecordClassCount] = {};
    uint64_t next_ = 1;
    uint64_t written_ = 0;
};

}  // namespace

bool ReadRecords(Drawing& d, ByteReader& in, StreamReport& report) {
    StreamReader reader(d, in, report);
    return reader.run();
}

bool ScanAndReadRecords(Drawing& d, ByteReader& in, StreamReport& report) {
    static const char* const kFragments[] = {"DataSen", "DataEnk", "DataMoj", "DataTen",
                                             "DataSol", "DataSun", "DataLis", "DataBlo"};
    d.ResetStore();
    in.seek(0);
    bool found = false;
    while (in.position() + 1 < in.size()) {
        if (in.u8() != 'C') continue;
        const uint8_t* seven = in.view(7);
        if (!seven) break;
        for (const char* f : kFragments) {
            if (std::memcmp(seven, f, 7) == 0) found = true;
        }
        if (found) break;
    }
    if (!found) {
        report.error = "no Jw_cad record was found in the data";
        report.errorOffset = in.position();
        return false;
    }
    // Back over the class name's tag, schema and length to the new-class entry.
    if (in.position() < 14) {
        report.error = "the first class name sits too close to the start of the data";
        report.errorOffset = in.position() - 8;
        return false;
    }
    d.RecordsStart = in.position() - 14;
    d.AllLayers = true;
    if (!ReadRecords(d, in, report)) return false;
    if (d.ExpectedCount == 0 || d.ExpectedCount > d.RecordCount()) d.ExpectedCount = d.RecordCount();
    if (d.LineCount() + d.CircleCount() + d.TextCount() + d.PointCount() == 0) {
        report.error = "no line, circle, text or point could be recovered";
        report.errorOffset = d.RecordsStart;
        return false;
    }
    return true;
}

void WriteRecords(Drawing& d, ByteWriter& out, uint32_t requestedVersion) {
    if (d.header.Version == 0) d.header.Version = 351;
    const uint32_t v = WriteVersionFor(d, requestedVersion);
    StreamWriter w(out, v);
    for (const RecordRef& ref : d.top.sequence) {
        if (ref.cls == RecordClass::List) continue;
        withRecord(d.top, ref, [&](const auto& r) { w.write(r); });
    }
    // Only definitions that were read to their last member can be written whole.
    const uint32_t definitions = std::min<uint32_t>(d.completedDefinitions, d.BlockDefinitionCount());
    if (definitions > 0) {
        out.u16(static_cast<uint16_t>(std::min<uint32_t>(definitions, 0x7FFE)));
        size_t member = 0;
        for (uint32_t k = 0; k < definitions && k < 0x7FFE; ++k) {
            const TDataList& def = d.top.definitions[k];
            w.write(def);
            for (uint32_t m = 0; m < def.count && member < d.members.sequence.size(); ++m, ++member) {
                withRecord(d.members, d.members.sequence[member], [&](const auto& r) { w.write(r); });
            }
        }
    }
    out.u16(0);
}

}  // namespace korvel
