// Reading damaged data. The records are found wherever they lie: every class entry in the data,
// then the class of every known-class tag, learned from the records that follow it, so that a
// stream whose front is cut away (its class entries gone with it) is still understood. Reading
// then walks from record to record; where the data stops making sense it passes over the damage
// to the next record that reads whole under a tag it knows, or to a record of a class it has to
// guess where further records bear the guess out.
#include <algorithm>
#include <array>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <unordered_map>

#include "drawing/record_filer.h"
#include "drawing/record_kinds.h"
#include "drawing/record_stream.h"

namespace korvel {

namespace {

constexpr uint32_t kHighestSchema = 1000;  // no Jw_cad version comes near it
constexpr double kLargestValue = 1e9;      // millimetres; no drawing holds coordinates beyond
constexpr int kSyncRecords = 4;            // records in a row that prove a place in the stream
constexpr size_t kLearnWindow = size_t{2} << 20;  // classes show within a few megabytes
// Where damage is dense, fewer records lie between its stretches: past damage, a known-class
// tag before one record that reads whole with sane values is taken.
constexpr int kResyncRecords = 1;
constexpr size_t kUnreadTailNotice = 35;   // fewer bytes cannot hold a record (clipboard padding)
constexpr uint16_t kHighestPenColor = 356;  // SXF colours end there
// Kinds a record under a tag known nowhere else may be taken for. Never a block definition:
// one taken wrongly would make the records after it its members.
constexpr int kGuessedKinds = static_cast<int>(RecordClass::List);
static_assert(static_cast<int>(RecordClass::List) == kRecordClassCount - 1, "definitions come last");

// Values a drawing can hold: finite, within 1,000 km, not denormal (data read out of step with
// its fields gives such numbers; real drawings never do).
bool sane(double v) { return v == 0.0 || (std::fabs(v) <= kLargestValue && std::fabs(v) >= DBL_MIN); }
bool sane(const Point2& p) { return sane(p.x) && sane(p.y); }
bool sane(const TJwData& a) { return a.layer < 16 && a.layerGroup < 16 && a.penColor <= kHighestPenColor; }

bool plausible(const TDataSen& r) { return sane(r) && sane(r.start) && sane(r.end); }
bool plausible(const TDataEnko& r) {
    return sane(r) && sane(r.center) && sane(r.radius) && sane(r.startAngle) && sane(r.arcAngle) &&
           sane(r.tiltAngle) && sane(r.flatness);
}
bool plausible(const TDataTen& r) { return sane(r) && sane(r.point) && sane(r.angle) && sane(r.scale); }
bool plausible(const TDataMoji& r) {
    return sane(r) && sane(r.start) && sane(r.end) && sane(r.sizeX) && sane(r.sizeY) && sane(r.spacing) &&
           sane(r.angle);
}
bool plausible(const TDataSunpou& r) {
    if (!sane(r) || !plausible(r.line) || !plausible(r.text)) return false;
    if (!r.hasSxf) return true;
    for (const TDataSen& l : r.auxLine)
        if (!plausible(l)) return false;
    for (const SunpouPoint& p : r.sxfPoint)
        if (!sane(p) || !sane(p.point)) return false;
    return true;
}
bool plausible(const TDataSolid& r) {
    return sane(r) && sane(r.corner1) && sane(r.corner2) && sane(r.corner3) && sane(r.corner4);
}
bool plausible(const TDataBlock& r) {
    return sane(r) && sane(r.origin) && sane(r.scaleX) && sane(r.scaleY) && sane(r.rotation);
}
// A definition's number is its place among at most 0x7FFE definitions.
bool plausible(const TDataList& r) { return sane(r) && r.number < 0x7FFF; }

struct ClassEntry {
    size_t at;        // the 0xFFFF tag
    size_t recordAt;  // the record that follows the name
    RecordClass cls;
    uint16_t schema;
};

// Who says which class an index names: an entry counted from where reading began may be wrong
// after damage, so it gives way to what the records themselves show.
enum class Source : int8_t { Counted, Learned };

struct IndexClass {
    RecordClass cls;
    Source source;
};

class RecoveryReader {
public:
    // `knownStart`: where a header that reads says the records begin (SIZE_MAX when unknown).
    RecoveryReader(Drawing& d, ByteReader& in, StreamReport& report, size_t knownStart)
        : d_(d), data_(in.data()), size_(in.size()), report_(report), filer_(d, report, in.size(), false),
          knownStart_(knownStart), workLeft_(in.size() * 64 + (size_t{16} << 20)) {}

    // False when no record was found at all.
    bool run();

private:
    uint16_t u16At(size_t at) const { return static_cast<uint16_t>(data_[at] | (data_[at + 1] << 8)); }
    uint32_t u32At(size_t at) const {
        uint32_t v;
        std::memcpy(&v, data_ + at, 4);
        return v;
    }

    void findClassEntries();
    const ClassEntry* entryAt(size_t at) const;
    uint32_t versionAt(size_t at) const;
    void learnIndices(size_t from, size_t to);
    uint32_t layoutWithoutEntries() const;
    bool followedByRecord(size_t at) const;
    bool tagLikeAt(size_t at) const;
    bool fixedEnd(RecordClass cls, size_t body, uint32_t version, size_t& end) const;
    // Learning is a pass over the data, needed only where counting from the class entries does
    // not tell: done over a window from where an unknown class index is first met, once for
    // every part of the data.
    bool learnAround(size_t at) {
        for (const auto& [from, to] : learned_)
            if (at >= from && at < to) return false;
        const size_t to = std::min(size_, at + kLearnWindow);
        learned_.push_back({at, to});
        learnIndices(at, to);
        return true;
    }
    bool recordsIn(size_t from, size_t limit) const;
    bool beginsWithMagic() const {
        return size_ >= 8 && (std::memcmp(data_, "JwwData.", 8) == 0 || std::memcmp(data_, "JwsData.", 8) == 0);
    }
    // Past damage: the next place records follow. Where that passes over what looks like
    // records under tags not known yet, their classes are learned first.
    size_t resyncLearning(size_t from) {
        size_t at = resync(from);
        if (recordsIn(from, std::min(at, from + kLearnWindow)) && learnAround(from)) at = resync(from);
        return at;
    }
    bool attributesFit(size_t body, uint32_t version) const;

    // Reads one record at `body` (through Ar: ReadArchive, or SkimArchive to try it without its
    // texts); false when it does not fit in the data or the work is spent.
    template <class Ar, class T>
    bool parse(size_t body, uint32_t version, T& record, size_t& end, size_t* replaced = nullptr) const;
    // Whether a record of `cls` fits at `body` with values a drawing can hold; its end.
    bool fits(RecordClass cls, size_t body, uint32_t version, size_t& end) const;

    // What a tag at `at` says: the class of the record and where its fields begin.
    struct Tag {
        enum Kind { Record, End, ListCount, Garbage } kind = Garbage;
        RecordClass cls{};
        bool known = false;  // the class is known (for records)
        uint64_t index = 0;  // the class index a known-class tag names
        size_t body = 0;
        const ClassEntry* entry = nullptr;
    };
    Tag readTag(size_t at) const;
    bool lookup(uint64_t index, RecordClass& cls) const;

    // How many records follow each other whole from `at`, up to `depth`; reaching the end of
    // the data (or an end tag that ends it) counts as the rest. `assumed` (when not null) adds
    // a class for one index not known yet.
    struct Assumption {
        uint64_t index;
        RecordClass cls;
    };
    int follow(size_t at, int depth, const Assumption* assumed = nullptr) const;
    bool endTagEndsData(size_t at) const;
    bool onlyPaddingFrom(size_t at) const;
    bool picturesEndData(size_t at, std::vector<EmbeddedPicture>* pictures) const;
    size_t resync(size_t from, size_t limit = SIZE_MAX) const;

    // Reads the record or entry at `at` into the store; returns where the next tag is, or 0
    // when the data stops making sense there.
    size_t step(size_t at);
    size_t stepRecord(size_t at);
    RecordClass guessClass(const Tag& t, size_t at, bool& found, size_t* recordEnd = nullptr) const;
    bool onlyKindAt(const Tag& t, size_t at, RecordClass& cls) const;
    template <class T> size_t readAndFile(const Tag& tag, size_t tagAt);
    void remember(uint64_t index, RecordClass cls, Source source);

    Drawing& d_;
    const uint8_t* data_;
    size_t size_;
    StreamReport& report_;
    RecordFiler filer_;
    uint32_t fallbackVersion_ = 600;  // the layout without any class entry to tell it
    size_t knownStart_;
    mutable size_t workLeft_;  // bytes all trial readings together may still read

    std::vector<ClassEntry> entries_;
    std::vector<uint32_t> versionUpTo_;  // the highest usable schema of entries 0..i
    std::unordered_map<uint64_t, IndexClass> indices_;
    int64_t counted_ = 0;  // records and classes since reading began, by the archive rule
    size_t recordsRead_ = 0;
    size_t replacedCharacters_ = 0;
    bool done_ = false;
    std::vector<std::pair<size_t, size_t>> learned_;  // windows learned from
    uint32_t shortDefinitions_ = 0;
};

void RecoveryReader::findClassEntries() {
    static const uint8_t kStem[] = {'C', 'D', 'a', 't', 'a'};
    for (size_t p = 6; p + 8 <= size_; ++p) {
        const void* hit = std::memchr(data_ + p, 'C', size_ - 7 - p);
        if (!hit) break;
        p = static_cast<size_t>(static_cast<const uint8_t*>(hit) - data_);
        if (std::memcmp(data_ + p, kStem, 5) != 0 || u16At(p - 6) != 0xFFFF) continue;
        const size_t length = u16At(p - 2) & 0xFF;
        if (length < 8 || length > size_ - p) continue;
        RecordClass cls{};
        if (!RecogniseClass(std::string(reinterpret_cast<const char*>(data_ + p), 8), cls)) continue;
        entries_.push_back({p - 6, p + length, cls, u16At(p - 4)});
    }
    uint32_t highest = 0;
    for (const ClassEntry& e : entries_) {
        if (e.schema <= kHighestSchema) highest = std::max<uint32_t>(highest, e.schema);
        versionUpTo_.push_back(highest);
    }
}

const ClassEntry* RecoveryReader::entryAt(size_t at) const {
    auto it = std::lower_bound(entries_.begin(), entries_.end(), at,
                               [](const ClassEntry& e, size_t a) { return e.at < a; });
    return it != entries_.end() && it->at == at ? &*it : nullptr;
}

// Records follow the schemas of the class entries before them (Jw_cad names every class with
// its own version); before the first usable entry, that entry's.
uint32_t RecoveryReader::versionAt(size_t at) const {
    auto it = std::upper_bound(entries_.begin(), entries_.end(), at,
                               [](size_t a, const ClassEntry& e) { return a < e.at; });
    const size_t before = static_cast<size_t>(it - entries_.begin());
    if (before > 0 && versionUpTo_[before - 1] != 0) return versionUpTo_[before - 1];
    for (size_t i = before; i < entries_.size(); ++i)
        if (versionUpTo_[i] != 0) return versionUpTo_[i];
    return fallbackVersion_;
}

// The attribute block's layer, layer group and pen colour, the cheapest test of a record.
bool RecoveryReader::attributesFit(size_t body, uint32_t version) const {
    const size_t layerAt = body + (version >= 351 ? 9 : 7);
    if (layerAt + 4 > size_) return false;
    return u16At(layerAt) < 16 && u16At(layerAt + 2) < 16 && u16At(body + 5) <= kHighestPenColor;
}

template <class Ar, class T>
bool RecoveryReader::parse(size_t body, uint32_t version, T& record, size_t& end, size_t* replaced) const {
    if (body > size_ || size_ - body < minimumRecordBytes(classOf<T>(), version)) return false;
    ByteReader in(data_, size_);
    in.seek(body);
    Ar ar(in);
    archiveAny(ar, record, version);
    const size_t read = in.position() - body;
    if (read > workLeft_) {
        workLeft_ = 0;
        return false;
    }
    workLeft_ -= read;
    if (in.failed()) return false;
    end = in.position();
    if constexpr (std::is_same_v<Ar, ReadArchive>) {
        if (replaced) *replaced = ar.replacedCharacters;
    }
    return true;
}

bool RecoveryReader::fits(RecordClass cls, size_t body, uint32_t version, size_t& end) const {
    if (!attributesFit(body, version)) return false;
    bool ok = false;
    withKind(cls, [&](auto kind) {
        decltype(kind) record;
        ok = parse<SkimArchive>(body, version, record, end) && plausible(record);
    });
    return ok;
}

bool RecoveryReader::lookup(uint64_t index, RecordClass& cls) const {
    auto it = indices_.find(index);
    if (it == indices_.end()) return false;
    cls = it->second.cls;
    return true;
}

RecoveryReader::Tag RecoveryReader::readTag(size_t at) const {
    Tag t;
    if (at + 2 > size_) return t;
    const uint16_t v = u16At(at);
    if (v == 0xFFFF) {
        t.entry = entryAt(at);
        if (!t.entry) return t;
        t.kind = Tag::Record;
        t.cls = t.entry->cls;
        t.known = true;
        t.body = t.entry->recordAt;
    } else if (v == 0) {
        t.kind = Tag::End;
    } else if (v <= 0x7FFE) {
        t.kind = Tag::ListCount;
    } else if (v == 0x7FFF) {
        if (at + 6 > size_) return t;
        const uint32_t big = u32At(at + 2);
        if (big < 0x80000000u) return t;
        t.kind = Tag::Record;
        t.index = big - 0x80000000u;
        t.body = at + 6;
        t.known = lookup(t.index, t.cls);
    } else {
        t.kind = Tag::Record;
        t.index = v - 0x8000u;
        t.body = at + 2;
        t.known = lookup(t.index, t.cls);
    }
    return t;
}

// Jw_cad 8's embedded pictures end the data exactly; anything else at `at` is not them.
bool RecoveryReader::picturesEndData(size_t at, std::vector<EmbeddedPicture>* pictures) const {
    ByteReader in(data_, size_);
    if (!in.seek(at) || in.remaining() < 4) return false;
    ReadArchive ar(in);
    const uint32_t count = in.u32();
    for (uint32_t i = 0; i < count && !in.failed(); ++i) {
        EmbeddedPicture p;
        ar.str(p.name);
        const uint32_t size = in.u32();
        const uint8_t* bytes = in.view(size);
        if (!bytes) break;
        if (pictures) pictures->push_back({std::move(p.name), std::vector<uint8_t>(bytes, bytes + size)});
    }
    return !in.failed() && onlyPaddingFrom(in.position());
}

// Nothing but a few zero bytes (clipboard data is handed over in rounded-up blocks) to the end.
bool RecoveryReader::onlyPaddingFrom(size_t at) const {
    if (at > size_ || size_ - at >= kUnreadTailNotice) return false;
    for (size_t i = at; i < size_; ++i)
        if (data_[i] != 0) return false;
    return true;
}

bool RecoveryReader::endTagEndsData(size_t at) const {
    return onlyPaddingFrom(at + 2) || (versionAt(at) >= 700 && picturesEndData(at + 2, nullptr));
}

int RecoveryReader::follow(size_t at, int depth, const Assumption* assumed) const {
    int n = 0;
    while (n < depth) {
        if (at == size_) return depth;
        Tag t = readTag(at);
        if (assumed && t.kind == Tag::Record && !t.known && !t.entry && t.index == assumed->index) {
            t.cls = assumed->cls;
            t.known = true;
        }
        if (t.kind == Tag::End && endTagEndsData(at)) return depth;
        if (t.kind == Tag::ListCount) {
            const Tag next = readTag(at + 2);
            if (next.kind == Tag::Record && next.known && next.cls == RecordClass::List) {
                at += 2;
                continue;
            }
        }
        size_t end = 0;
        if (t.kind == Tag::Record && t.known && fits(t.cls, t.body, versionAt(at), end)) {
            // A class entry with its record whole is as sure a place in the stream as any.
            if (t.entry) return depth;
            at = end;
            ++n;
            continue;
        }
        // The chain breaks here, unless Jw_cad 8's pictures (which follow the last definition
        // without a tag) end the data from here.
        return versionAt(at) >= 700 && picturesEndData(at, nullptr) ? depth : n;
    }
    return n;
}

// Whether a record seems to begin at `at`: a class entry, a known-class tag before a record of
// some kind, a list count before a class entry, or the end of the data.
bool RecoveryReader::followedByRecord(size_t at) const {
    if (at == size_) return true;
    if (at + 2 > size_) return false;
    const uint16_t v = u16At(at);
    if (v == 0) return endTagEndsData(at);
    if (v <= 0x7FFE) return at + 4 <= size_ && entryAt(at + 2) != nullptr;
    if (v == 0xFFFF) return entryAt(at) != nullptr;
    size_t body = at + 2;
    if (v == 0x7FFF) {
        if (at + 6 > size_ || u32At(at + 2) < 0x80000000u) return false;
        body = at + 6;
    }
    const uint32_t version = versionAt(at);
    if (!attributesFit(body, version)) return false;
    for (int c = 0; c < kRecordClassCount; ++c) {
        size_t end = 0;
        if (fits(static_cast<RecordClass>(c), body, version, end)) return true;
    }
    return false;
}

// The end of a record of a kind without strings, from its attribute block alone.
bool RecoveryReader::fixedEnd(RecordClass cls, size_t body, uint32_t version, size_t& end) const {
    const size_t attributes = version >= 351 ? 15 : 13;
    if (body + attributes > size_) return false;
    size_t fields = 0;
    switch (cls) {
        case RecordClass::Sen: fields = 32; break;
        case RecordClass::Enko: fields = 60; break;
        case RecordClass::Ten: fields = version >= 300 && data_[body + 4] == 100 ? 40 : 20; break;
        case RecordClass::Solid: fields = u16At(body + 5) == 10 ? 68 : 64; break;
        case RecordClass::Block: fields = 44; break;
        default: return false;
    }
    end = body + attributes + fields;
    return true;
}

// Whether what lies at `at` could begin the next record, judged without reading one.
bool RecoveryReader::tagLikeAt(size_t at) const {
    if (at == size_) return true;
    if (at + 2 > size_) return false;
    const uint16_t v = u16At(at);
    if (v == 0) return endTagEndsData(at);
    if (v == 0xFFFF) return entryAt(at) != nullptr;
    if (v <= 0x7FFE) return entryAt(at + 2) != nullptr;
    if (v == 0x7FFF) return at + 6 <= size_ && u32At(at + 2) >= 0x80000000u && attributesFit(at + 6, versionAt(at));
    return attributesFit(at + 2, versionAt(at));
}

// Every known-class tag names the class of the record after it. Where the class entries are
// gone, the records show it: a tag value that many times comes before a whole record of one
// kind, itself followed by another tag, names that kind.
void RecoveryReader::learnIndices(size_t from, size_t to) {
    std::unordered_map<uint64_t, std::array<uint32_t, kRecordClassCount>> votes;
    for (size_t at = std::max(from, knownStart_ <= size_ ? knownStart_ : 0); at + 2 <= to && workLeft_ > 0; ++at) {
        const uint16_t v = u16At(at);
        if (v < 0x7FFF || v == 0xFFFF) continue;
        uint64_t index = v - 0x8000u;
        size_t body = at + 2;
        if (v == 0x7FFF) {
            if (at + 6 > size_ || u32At(at + 2) < 0x80000000u) continue;
            index = u32At(at + 2) - 0x80000000u;
            body = at + 6;
        }
        if (index > size_) continue;
        const uint32_t version = versionAt(at);
        if (!attributesFit(body, version)) continue;
        for (int c = 0; c < kRecordClassCount; ++c) {
            const RecordClass cls = static_cast<RecordClass>(c);
            size_t end = 0;
            // Kinds of fixed size tell where they end without being read: most places fail there.
            if (fixedEnd(cls, body, version, end) && !tagLikeAt(end)) continue;
            if (!fits(cls, body, version, end) || !followedByRecord(end)) continue;
            ++votes[index][c];
        }
    }
    // Data read out of step with its records repeats with them where they repeat, and its
    // "tags" (bytes of coordinates) gather a few votes each; real classes gather many more.
    uint32_t most = 0;
    for (const auto& entry : votes) most = std::max(most, *std::max_element(entry.second.begin(), entry.second.end()));
    for (const auto& [index, count] : votes) {
        const auto best = std::max_element(count.begin(), count.end());
        uint32_t second = 0;
        for (auto it = count.begin(); it != count.end(); ++it)
            if (it != best) second = std::max(second, *it);
        if (*best >= 2 && *best >= 3 * second && *best >= most / 20)
            indices_[index] = {static_cast<RecordClass>(best - count.begin()), Source::Learned};
    }
}

// Whether records seem to lie between `from` and `limit`: somewhere there two records of one
// kind follow each other under the same known-class tag, as runs of records do. A wrong guess
// costs a learning pass, nothing else.
bool RecoveryReader::recordsIn(size_t from, size_t limit) const {
    for (size_t at = from; at + 2 <= limit && at + 2 <= size_; ++at) {
        const uint16_t tag = u16At(at);
        if (tag < 0x8000 || tag == 0xFFFF) continue;
        const uint32_t version = versionAt(at);
        if (!attributesFit(at + 2, version)) continue;
        for (int c = 0; c < kRecordClassCount; ++c) {
            const RecordClass cls = static_cast<RecordClass>(c);
            size_t end = 0, second = 0;
            if (!fits(cls, at + 2, version, end) || end + 2 > size_ || u16At(end) != tag) continue;
            if (fits(cls, end + 2, version, second)) return true;
        }
    }
    return false;
}

// No class entry says which attribute block the records have. Drawings of today have the
// longer one; the shorter is taken only where clearly more records read whole with it.
uint32_t RecoveryReader::layoutWithoutEntries() const {
    size_t newer = 0, older = 0;
    for (size_t at = 0; at + 2 <= std::min(size_, kLearnWindow); ++at) {
        const uint16_t v = u16At(at);
        if (v < 0x8000 || v == 0xFFFF) continue;
        for (int c = 0; c < kGuessedKinds; ++c) {
            size_t end = 0;
            newer += fits(static_cast<RecordClass>(c), at + 2, 600, end) && followedByRecord(end);
            older += fits(static_cast<RecordClass>(c), at + 2, 300, end) && followedByRecord(end);
        }
    }
    return older > 2 * newer ? 300 : 600;
}

void RecoveryReader::remember(uint64_t index, RecordClass cls, Source source) {
    if (index > size_) return;  // cannot be referred to
    auto it = indices_.find(index);
    if (it != indices_.end() && it->second.source == Source::Learned && source == Source::Counted) return;
    indices_[index] = {cls, source};
}

size_t RecoveryReader::resync(size_t from, size_t limit) const {
    limit = std::min(limit, size_);
    // A drawing file's own beginning without a single class entry holds no record to find.
    if (entries_.empty() && indices_.empty() && beginsWithMagic()) return size_;
    size_t known = limit;
    if (indices_.empty()) {
        // Only class entries are known places.
        auto e = std::lower_bound(entries_.begin(), entries_.end(), from,
                                  [](const ClassEntry& entry, size_t a) { return entry.at < a; });
        for (; e != entries_.end() && e->at + 2 <= limit && workLeft_ > 0; ++e) {
            if (follow(e->at, kResyncRecords) >= kResyncRecords) {
                known = e->at;
                break;
            }
        }
    }
    for (size_t at = from; !indices_.empty() && at + 2 <= limit && workLeft_ > 0; ++at) {
        if (u16At(at) < 0x7FFF) continue;
        const Tag t = readTag(at);
        if (t.kind == Tag::Record && t.known && follow(at, kResyncRecords) >= kResyncRecords) {
            known = at;
            break;
        }
    }
    // Before that place, a tag of a class known nowhere else: taken when a record of some kind
    // reads whole after it, ends before that place, and further records follow it. Real class
    // indices count the records before them, so they are small for the data; bytes out of step
    // (parts of coordinates) seldom are.
    const size_t largestIndex = size_ / 29;
    for (size_t at = from; at + 2 <= known && workLeft_ > 0; ++at) {
        const uint16_t v = u16At(at);
        if (v < 0x7FFF || (v != 0xFFFF && v != 0x7FFF && v - 0x8000u > largestIndex)) continue;
        const Tag t = readTag(at);
        if (t.kind != Tag::Record || t.known || t.index > size_ / 29 || !attributesFit(t.body, versionAt(at))) continue;
        bool found = false;
        size_t end = 0;
        guessClass(t, at, found, &end);
        if (found && end <= known) return at;
        // A lone record between stretches of damage: taken where exactly one kind reads whole.
        RecordClass cls{};
        if (onlyKindAt(t, at, cls) && fits(cls, t.body, versionAt(at), end) && end <= known)
            return at;
    }
    return known < limit ? known : size_;
}

template <class T>
size_t RecoveryReader::readAndFile(const Tag& tag, size_t tagAt) {
    const uint32_t version = versionAt(tagAt);
    T record;
    size_t end = 0, replaced = 0;
    if (!parse<ReadArchive>(tag.body, version, record, end, &replaced)) return 0;
    if (!attributesFit(tag.body, version) || !plausible(record)) {
        // Whole, but with values no drawing holds: when the records after it follow on, only
        // its values were damaged, and it alone is left out.
        if (follow(end, kSyncRecords - 1) < kSyncRecords - 1) return 0;
        ++d_.completeness.droppedRecords;
        filer_.afterRecord();
        return end;
    }
    if constexpr (std::is_same_v<T, TDataMoji> || std::is_same_v<T, TDataSunpou> || std::is_same_v<T, TDataList>) {
        // A damaged string length swallows the records after it: when nothing follows the
        // record and whole records begin inside it, it is not what it seems.
        if (!followedByRecord(end) && resync(tag.body, end) < end) return 0;
    }
    if constexpr (std::is_same_v<T, TDataList>) {
        // A definition while another is open: damage took the rest of that one's members.
        if (filer_.inDefinition() && filer_.closeDefinitionShort() > 0) ++shortDefinitions_;
    }
    replacedCharacters_ += replaced;
    if (report_.spans) report_.spans->push_back({classOf<T>(), tagAt, tag.body, end});
    filer_.file(std::move(record));
    ++recordsRead_;
    if (filer_.afterRecord() && version >= 700) {
        std::vector<EmbeddedPicture> pictures;
        if (picturesEndData(end, &pictures)) {
            d_.embeddedPictures = std::move(pictures);
            done_ = true;
            return size_;
        }
    }
    return end;
}

// Where reading stands at a record's tag (the record before it read whole), a lone record of
// a class known nowhere else is read when one kind reads whole there and, if several do, only
// one of them ends where another record begins. Its tag is not taken as a name for that kind,
// since damage may have changed it.
bool RecoveryReader::onlyKindAt(const Tag& t, size_t at, RecordClass& cls) const {
    int kinds = 0, followed = 0;
    RecordClass any{}, before{};
    for (int c = 0; c < kGuessedKinds; ++c) {
        size_t end = 0;
        if (!fits(static_cast<RecordClass>(c), t.body, versionAt(at), end)) continue;
        any = static_cast<RecordClass>(c);
        ++kinds;
        const bool sameTagAgain = end + 2 <= size_ && u16At(end) == u16At(at);
        if (sameTagAgain || followedByRecord(end)) {
            before = any;
            ++followed;
        }
    }
    if (kinds == 1) cls = any;
    else if (followed == 1) cls = before;
    else return false;
    return true;
}

// A class whose entry is gone and whose records were too few to learn it from: the kind
// under which it and the records after it read whole.
RecordClass RecoveryReader::guessClass(const Tag& t, size_t at, bool& found, size_t* recordEnd) const {
    found = false;
    for (int c = 0; c < kGuessedKinds; ++c) {
        size_t end = 0;
        if (!fits(static_cast<RecordClass>(c), t.body, versionAt(at), end)) continue;
        // Records of one kind come in runs: the same tag after it names the same kind.
        const Assumption same{t.index, static_cast<RecordClass>(c)};
        if (follow(end, kSyncRecords - 1, &same) < kSyncRecords - 1) continue;
        found = true;
        if (recordEnd) *recordEnd = end;
        return static_cast<RecordClass>(c);
    }
    return RecordClass::Sen;
}

size_t RecoveryReader::step(size_t at) {
    const size_t next = stepRecord(at);
    if (next != 0) return next;
    std::vector<EmbeddedPicture> pictures;
    if (versionAt(at) < 700 || !picturesEndData(at, &pictures)) return 0;
    d_.embeddedPictures = std::move(pictures);
    done_ = true;
    return size_;
}

size_t RecoveryReader::stepRecord(size_t at) {
    Tag t = readTag(at);
    switch (t.kind) {
        case Tag::End: {
            std::vector<EmbeddedPicture> pictures;
            if (versionAt(at) >= 700 && picturesEndData(at + 2, &pictures)) d_.embeddedPictures = std::move(pictures);
            else if (!endTagEndsData(at)) return 0;
            done_ = true;
            return size_;
        }
        case Tag::ListCount: {
            const Tag next = readTag(at + 2);
            if (next.kind != Tag::Record || !next.known || next.cls != RecordClass::List) return 0;
            d_.StreamBlockDefinitionCount = u16At(at);
            counted_ -= 1;
            return at + 2;
        }
        case Tag::Garbage:
            return 0;
        case Tag::Record:
            break;
    }
    if (!t.known && learnAround(at)) t = readTag(at);
    if (t.known && !t.entry && indices_.at(t.index).source == Source::Counted) {
        // An index counted from where reading began holds only if the stream began there: it
        // is taken once a record of its class reads whole and records follow it.
        size_t end = 0;
        if (fits(t.cls, t.body, versionAt(at), end) && follow(end, kSyncRecords - 1) >= kSyncRecords - 1) {
            indices_[t.index].source = Source::Learned;
        } else {
            indices_.erase(t.index);
            t.known = false;
        }
    }
    if (!t.known) {
        bool found = false;
        t.cls = guessClass(t, at, found);
        if (found) {
            remember(t.index, t.cls, Source::Learned);
        } else if (!onlyKindAt(t, at, t.cls)) {
            return 0;
        }
        t.known = true;
    }
    if (t.entry) {
        // The entry names its class whether or not the record after it survived.
        const int64_t extra = t.cls == RecordClass::List ? 2 : 1;
        remember(static_cast<uint64_t>(std::max<int64_t>(counted_ + extra, 0)), t.cls, Source::Counted);
        counted_ += extra;
    }
    size_t next = 0;
    withKind(t.cls, [&](auto kind) { next = readAndFile<decltype(kind)>(t, at); });
    if (next == 0) return 0;
    counted_ += 1;
    return next;
}

bool RecoveryReader::run() {
    findClassEntries();
    // A header that reads holds no records: the search begins where it ends.
    const size_t begin = knownStart_ <= size_ ? knownStart_ : 0;
    // Without any class entry, records can only be told by learning their tags, unless the data
    // is a drawing file's own beginning: its records would begin with class entries.
    if (entries_.empty() && (knownStart_ <= size_ || !beginsWithMagic())) {
        fallbackVersion_ = layoutWithoutEntries();
        learnAround(begin);
    }
    ReadCompleteness& c = d_.completeness;
    c = ReadCompleteness{};
    c.recovered = true;
    c.dataSize = size_;
    // Reading begins at the first class entry or the first place where records follow each
    // other whole, whichever comes first.
    auto firstEntry = std::lower_bound(entries_.begin(), entries_.end(), begin,
                                       [](const ClassEntry& e, size_t a) { return e.at < a; });
    size_t at = firstEntry == entries_.end() ? resync(begin) : firstEntry->at;
    if (firstEntry != entries_.end() && firstEntry->at != begin) {
        // Records may lie before the first class entry (a stream whose front is cut away):
        // they are read once their classes are learned.
        learnAround(begin);
        at = std::min(at, resync(begin));
    }
    d_.RecordsStart = std::min(at, size_);
    if (at > begin && at < size_) {
        // What lies before the first record is no header that reads: say it was passed over.
        c.skippedStretches = 1;
        c.skippedBytes = at - begin;
        c.damagedAt = begin;
    }
    while (at < size_ && !done_) {
        const size_t next = step(at);
        if (next > at) {
            at = next;
            continue;
        }
        const size_t resumed = resyncLearning(at + 1);
        if (c.skippedStretches++ == 0) c.damagedAt = at;
        c.skippedBytes += resumed - at;
        at = resumed;
    }
    if (filer_.inDefinition() && filer_.closeDefinitionShort() > 0) ++shortDefinitions_;
    d_.header.Version = std::max(d_.header.Version, versionAt(size_));
    report_.replacedCharacters += replacedCharacters_;
    filer_.finish();
    c.read = filer_.recordsFiled();
    c.announced = c.read;
    c.endedAt = std::min(at, size_);
    c.damaged = c.skippedStretches > 0;
    c.complete = c.skippedStretches == 0 && c.droppedRecords == 0;
    if (workLeft_ == 0) {
        report_.warnings.push_back("the search for records was cut short: the data is too damaged to search "
                                   "all of it");
    }
    if (shortDefinitions_ > 0) {
        report_.warnings.push_back(std::to_string(shortDefinitions_) +
                                   " block definition(s) lost members to the damage; they keep the members found");
    }
    return recordsRead_ > 0;
}

}  // namespace

namespace {
// Where the records begin by the data's own JWW header, when it has one that reads.
size_t recordsStartByHeader(const ByteReader& data) {
    Drawing probe;
    ByteReader in(data.data(), data.size());
    StreamReport report;
    return ReadJwwHeader(probe, in, report) ? probe.RecordsStart : SIZE_MAX;
}
}  // namespace

bool ScanAndReadRecords(Drawing& d, ByteReader& in, StreamReport& report) {
    return ScanAndReadRecords(d, in, report, recordsStartByHeader(in));
}

bool ScanAndReadRecords(Drawing& d, ByteReader& in, StreamReport& report, size_t knownStart) {
    d.ResetStore();
    d.AllLayers = true;
    d.header.Version = 0;
    RecoveryReader reader(d, in, report, knownStart);
    const bool ok = reader.run();
    if (!ok) {
        report.error = "no Jw_cad record was found in the data";
        report.errorOffset = in.size();
        return false;
    }
    if (d.ExpectedCount == 0 || d.ExpectedCount > d.RecordCount()) d.ExpectedCount = d.RecordCount();
    if (d.LineCount() + d.CircleCount() + d.TextCount() + d.PointCount() == 0) {
        report.error = "no line, circle, text or point could be recovered";
        report.errorOffset = std::min(d.RecordsStart, in.size());
        return false;
    }
    const std::string said = DescribeIncompleteRead(d.completeness);
    if (!said.empty()) report.warnings.push_back(said);
    return true;
}

}  // namespace korvel
