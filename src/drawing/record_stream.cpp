// The record stream: object-archive class tags, reading records into the store, and the writer.
#include <algorithm>
#include <cstring>
#include <type_traits>

#include "drawing/record_filer.h"
#include "drawing/record_kinds.h"
#include "drawing/record_stream.h"

namespace korvel {

namespace {

constexpr uint32_t kHighestSchema = 1000;  // no Jw_cad version comes near it
// Fewer bytes than this after the end tag cannot hold a record: clipboard data may be padded.
constexpr size_t kUnreadTailNotice = 35;

// One pass of the stream reader over the store.
class StreamReader {
public:
    StreamReader(Drawing& d, ByteReader& in, StreamReport& report)
        : d_(d), in_(in), report_(report), filer_(d, report, in.size(), true), ar_(in) {}

    bool run();

private:
    bool readTag();
    void readRecord(RecordClass cls);
    template <class T> void readAndFile();
    void readEmbeddedPictures();
    void truncate(size_t at, std::string why);
    void noteDamage(size_t at) {
        if (damaged_) return;
        damaged_ = true;
        damagedAt_ = at;
    }
    bool knownTagAt(size_t at) const;
    void judgeCompleteness();
    void noteSpan(RecordClass cls, size_t begin) {
        if (report_.spans) report_.spans->push_back({cls, tagAt_, begin, in_.position()});
    }
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

    Drawing& d_;
    ByteReader& in_;
    StreamReport& report_;
    RecordFiler filer_;
    ReadArchive ar_;

    std::vector<int8_t> tags_;  // class index -> kind (-1: none), by the archive rule
    int64_t records_ = 0;
    int64_t classes_ = 0;
    bool listCountSeen_ = false;
    bool done_ = false;  // the end tag, or the pictures after the last definition, was read
    bool damaged_ = false;
    size_t damagedAt_ = 0;
    size_t endedAt_ = 0;
    size_t tagAt_ = 0;
    std::string endReason_;
};

bool StreamReader::run() {
    d_.StreamBlockDefinitionCount = 0;
    d_.Stopped = false;
    d_.Truncated = false;
    if (!in_.seek(d_.RecordsStart)) {
        report_.error = "the record stream begins past the end of the data";
        report_.errorOffset = in_.size();
        return false;
    }
    while (!done_ && !d_.Truncated && in_.position() < in_.size()) {
        if (!readTag()) break;
    }
    report_.replacedCharacters += ar_.replacedCharacters;
    filer_.finish();
    judgeCompleteness();
    return true;
}

void StreamReader::truncate(size_t at, std::string why) {
    d_.Truncated = true;
    report_.truncatedInsideRecord = true;
    endedAt_ = at;
    endReason_ = std::move(why);
}

bool StreamReader::knownTagAt(size_t at) const {
    if (at + 2 > in_.size()) return false;
    const uint16_t tag = static_cast<uint16_t>(in_.data()[at] | (in_.data()[at + 1] << 8));
    RecordClass cls{};
    return tag == 0xFFFF || tag == 0x7FFF || (tag >= 0x8000 && lookup(tag - 0x8000u, cls));
}

bool StreamReader::readTag() {
    const size_t tagAt = in_.position();
    tagAt_ = tagAt;
    const uint16_t tag = in_.u16();
    if (in_.failed()) {
        truncate(tagAt, "the data ends inside a class tag at byte " + std::to_string(tagAt));
        return false;
    }
    RecordClass cls{};
    bool known = false;
    if (tag == 0xFFFF) {
        const uint16_t schema = in_.u16();
        // A class's schema is the version it was written with; later layouts follow it. A
        // schema no Jw_cad ever wrote is damage and chooses nothing.
        if (schema > kHighestSchema) noteDamage(tagAt);
        else if (schema > d_.header.Version) d_.header.Version = schema;
        const uint16_t length = in_.u16() & 0xFF;
        std::string name;
        in_.bytes(length, name);
        if (in_.failed()) {
            truncate(tagAt, "the data ends inside a class name at byte " + std::to_string(tagAt));
            return false;
        }
        known = RecogniseClass(name, cls);
        if (known) {
            const int64_t extra = cls == RecordClass::List ? 2 : 1;
            remember(records_ + classes_ + extra, cls);
            if (cls == RecordClass::List) classes_ += 1;
        } else {
            noteDamage(tagAt);
        }
        classes_ += 1;
    } else if (tag == 0) {
        done_ = true;
        if (d_.header.Version >= 700) readEmbeddedPictures();
        return false;
    } else if (tag <= 0x7FFE) {
        // One list count comes before the definitions, and a definition follows it.
        if (listCountSeen_ || !knownTagAt(in_.position())) noteDamage(tagAt);
        listCountSeen_ = true;
        d_.StreamBlockDefinitionCount = tag;
        classes_ -= 1;
        return true;
    } else if (tag == 0x7FFF) {
        // The 32-bit tag names its class by index whatever the record count (files written
        // by us switch by record count, Jw_cad's by class index).
        const uint32_t big = in_.u32();
        known = !in_.failed() && big >= 0x80000000u && lookup(big - 0x80000000u, cls);
        if (!known) noteDamage(tagAt);
    } else {
        known = lookup(tag - 0x8000u, cls);
        if (!known) noteDamage(tagAt);
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
        truncate(in_.position(), "a record at byte " + std::to_string(in_.position()) + " is cut short");
        return;
    }
    withKind(cls, [&](auto kind) { readAndFile<decltype(kind)>(); });
    if (d_.Truncated) return;
    // Jw_cad 8 puts its embedded pictures right after the last definition.
    if (filer_.afterRecord() && d_.header.Version >= 700) {
        readEmbeddedPictures();
        done_ = true;
    }
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
            noteSpan(classOf<T>(), at);
            filer_.file(std::move(record));
            return;
        }
    }
    archiveAny(ar_, record, d_.header.Version);
    if (in_.failed()) {
        // A record cut short (a string running past the end) is the same damage as a record
        // with too few bytes left: keep what came before it.
        truncate(at, "the data ends inside a record that begins at byte " + std::to_string(at));
        return;
    }
    noteSpan(classOf<T>(), at);
    filer_.file(std::move(record));
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
        // A name cut short leaves a size of 0, which any reader can view: not a picture.
        if (!bytes || in_.failed()) break;
        p.bytes.assign(bytes, bytes + size);
        pictures.push_back(std::move(p));
    }
    if (in_.failed()) {
        in_.clearFailure();
        in_.seek(in_.size());
        report_.warnings.push_back("the embedded pictures at byte " + std::to_string(at) +
                                   " are cut short; " + std::to_string(pictures.size()) + " of " +
                                   std::to_string(count) + " were read");
    }
    d_.embeddedPictures = std::move(pictures);
}

void StreamReader::judgeCompleteness() {
    ReadCompleteness& c = d_.completeness;
    c = ReadCompleteness{};
    c.announced = d_.ExpectedCount;
    c.read = filer_.recordsFiled();
    c.dataSize = in_.size();
    c.endedAt = d_.Truncated ? endedAt_ : in_.position();
    c.damaged = damaged_;
    c.damagedAt = damagedAt_;
    const size_t unread = in_.size() - std::min(in_.size(), in_.position());
    if (d_.Truncated) c.reason = endReason_;
    else if (!done_) c.reason = "the data ends before the end of the records";
    else if (unread >= kUnreadTailNotice) c.reason = std::to_string(unread) + " byte(s) after the end of the records were not read";
    c.complete = c.reason.empty() && c.read >= c.announced;
    if (!c.complete) {
        report_.warnings.push_back(DescribeIncompleteRead(c));
    } else if (damaged_) {
        report_.warnings.push_back("data that belongs to no record at byte " + std::to_string(damagedAt_) +
                                   " was passed over");
    }
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

uint32_t DefinitionsToWrite(const Drawing& d) {
    // Only definitions read to their last member can be written whole.
    return std::min<uint32_t>({d.completedDefinitions, d.BlockDefinitionCount(), 0x7FFE});
}

bool KeptByWrite(const RecordSet& set, const RecordRef& ref, uint32_t definitions) {
    return ref.cls != RecordClass::Block || set.inserts[ref.index].blockNumber < definitions;
}

uint32_t RecordsToWrite(const Drawing& d) {
    const uint32_t definitions = DefinitionsToWrite(d);
    uint32_t n = 0;
    for (const RecordRef& ref : d.top.sequence)
        if (ref.cls != RecordClass::List && KeptByWrite(d.top, ref, definitions)) ++n;
    return n;
}

size_t InsertsLeftOutByWrite(const Drawing& d, uint32_t& firstBlock) {
    const uint32_t definitions = DefinitionsToWrite(d);
    size_t n = 0;
    auto count = [&](const TDataBlock& insert) {
        if (insert.blockNumber < definitions) return;
        if (n++ == 0) firstBlock = insert.blockNumber;
    };
    for (const TDataBlock& insert : d.top.inserts) count(insert);
    for (uint32_t k = 0; k < definitions; ++k) {
        size_t first = 0, members = 0;
        if (!d.blockMembers(k, first, members)) continue;
        for (size_t i = first; i < first + members; ++i) {
            const RecordRef& ref = d.members.sequence[i];
            if (ref.cls == RecordClass::Block) count(d.members.inserts[ref.index]);
        }
    }
    return n;
}

void WriteRecords(Drawing& d, ByteWriter& out, uint32_t requestedVersion) {
    const uint32_t v = WriteVersionFor(d, requestedVersion);
    StreamWriter w(out, v);
    const uint32_t definitions = DefinitionsToWrite(d);
    for (const RecordRef& ref : d.top.sequence) {
        if (ref.cls == RecordClass::List || !KeptByWrite(d.top, ref, definitions)) continue;
        withRecord(d.top, ref, [&](const auto& r) { w.write(r); });
    }
    if (definitions > 0) {
        out.u16(static_cast<uint16_t>(definitions));
        for (uint32_t k = 0; k < definitions; ++k) {
            size_t first = 0, count = 0;
            if (!d.blockMembers(k, first, count)) count = 0;
            // Members that would insert a definition not written are left out, and the
            // definition counts only the members it carries.
            TDataList def = d.top.definitions[k];
            def.count = 0;
            for (size_t i = first; i < first + count; ++i)
                if (KeptByWrite(d.members, d.members.sequence[i], definitions)) ++def.count;
            w.write(def);
            for (size_t i = first; i < first + count; ++i) {
                const RecordRef& ref = d.members.sequence[i];
                if (KeptByWrite(d.members, ref, definitions)) withRecord(d.members, ref, [&](const auto& r) { w.write(r); });
            }
        }
    }
    out.u16(0);
}

}  // namespace korvel
