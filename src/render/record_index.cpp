#include "render/record_index.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "drawing/coordinate_range.h"
#include "drawing/huge_pages.h"
#include "render/picture_reference.h"
#include "render/render_context.h"
#include "render/text_macros.h"

namespace korvel {

namespace {

// Cells an item may cover before it is tested on its own instead: bounds the grid's memory to a
// few entries per record whatever the drawing holds.
constexpr int kMaxCellsPerItem = 8;
constexpr int kMaxGridSide = 4096;
constexpr size_t kMaxCells = size_t(1) << 20;
// Records per cell the grid aims at.
constexpr size_t kItemsPerCell = 4;
constexpr uint32_t kNoPosition = UINT32_MAX;
// Below one record found in this many, the positions are looked up record by record.
constexpr size_t kSparseShare = 16;
// Special points draw up to 7.5 times their scale from their point (arrow heads).
constexpr double kSymbolReach = 10.0;

// The box of one record in the coordinates of the set it belongs to, plus a room around it that
// keeps its size whatever transform the points go through (texts, pictures and symbols are drawn
// at their own size inside scaled blocks).
struct Measure {
    double minX = std::numeric_limits<double>::infinity();
    double minY = std::numeric_limits<double>::infinity();
    double maxX = -std::numeric_limits<double>::infinity();
    double maxY = -std::numeric_limits<double>::infinity();
    double room = 0.0;
    bool known = true;

    void add(double x, double y) {
        if (!(std::fabs(x) <= kMaxCoordinateMm * 4) || !(std::fabs(y) <= kMaxCoordinateMm * 4)) {
            known = false;
            return;
        }
        minX = std::min(minX, x);
        minY = std::min(minY, y);
        maxX = std::max(maxX, x);
        maxY = std::max(maxY, y);
    }
    void add(Point2 p) { add(p.x, p.y); }
    void addRoom(double r) {
        if (!(r >= 0.0 && r <= kMaxCoordinateMm * 4)) known = false;
        else room = std::max(room, r);
    }
    // A disk: its bounding square, which any rotation or scaling of the points keeps inside the
    // transformed square.
    void addDisk(Point2 c, double r) {
        r = std::fabs(r);
        add(c.x - r, c.y - r);
        add(c.x + r, c.y + r);
    }
    bool empty() const { return !(minX <= maxX && minY <= maxY); }
    void merge(const Measure& m) {
        if (!m.known) known = false;
        if (!m.empty()) {
            add(m.minX, m.minY);
            add(m.maxX, m.maxY);
        }
        addRoom(m.room);
    }
};

// How far a run of characters can reach from its start point, in any direction: a full-width
// character (two bytes) is a cell wide and each character adds its gap; spreading marks give up
// their own cells to the gaps, so the bytes bound them too. Two cells and the height twice over
// more for squeezed codes, slant, glyph outlines and lines above and below.
double textRoom(const TDataMoji& t) {
    const double perByte = std::fabs(t.sizeX) / 2.0 + std::fabs(t.spacing);
    return double(t.text.size()) * perByte + 2.0 * std::fabs(t.sizeX) + 2.0 * std::fabs(t.sizeY);
}

void measureText(const TDataMoji& t, Measure& m) {
    if (IsImageReference(t.text)) {
        const ImageReference ref = ParseImageReference(t.text);
        m.add(t.start);
        // A size that is no number is warned about where it is drawn.
        if (ref.sizeInvalid) m.known = false;
        if (ref.hasSize) m.addRoom(std::fabs(ref.width) + std::fabs(ref.height));
        return;
    }
    // Codes that expand into dates, file names or memos can make a text any length.
    if (MayHoldTextMacros(t.text)) m.known = false;
    m.add(t.start);
    m.add(t.end);
    m.addRoom(textRoom(t));
}

}  // namespace

bool TextDrawingArea(const TDataMoji& text, DrawingArea& area) {
    if (IsImageReference(text.text) || !InDrawableRange(text)) return false;
    Measure m;
    measureText(text, m);
    if (!m.known || m.empty()) return false;
    area = {m.minX - m.room, m.minY - m.room, m.maxX + m.room, m.maxY + m.room};
    return true;
}

namespace {

void measureArc(Point2 centre, double radius, double flatness, Measure& m) {
    m.addDisk(centre, std::fabs(radius) * std::max(1.0, std::fabs(flatness)));
    if (!std::isfinite(flatness)) m.known = false;
}

class Measurer {
public:
    explicit Measurer(const Drawing& drawing)
        : drawing_(drawing),
          states_(drawing.top.definitions.size(), State::Unmeasured),
          boxes_(drawing.top.definitions.size()) {}

    // Out-of-range records are drawn in every query: they are skipped where they are met, and
    // the render counts them for its warning.
    Measure record(const RecordSet& set, RecordClass cls, size_t i, int depth) {
        Measure m;
        switch (cls) {
            case RecordClass::Sen: {
                const TDataSen& r = set.lines[i];
                if (!InDrawableRange(r)) return unknown();
                m.add(r.start);
                m.add(r.end);
                break;
            }
            case RecordClass::Enko: {
                const TDataEnko& r = set.circles[i];
                if (!InDrawableRange(r)) return unknown();
                measureArc(r.center, r.radius, r.flatness, m);
                break;
            }
            case RecordClass::Ten: {
                const TDataTen& r = set.points[i];
                if (!InDrawableRange(r)) return unknown();
                m.add(r.point);
                if (r.penStyle == 100) m.addRoom(kSymbolReach * std::fabs(r.scale));
                break;
            }
            case RecordClass::Moji: {
                const TDataMoji& r = set.texts[i];
                if (!InDrawableRange(r)) return unknown();
                measureText(r, m);
                break;
            }
            case RecordClass::Sunpou: {
                const TDataSunpou& r = set.dimensions[i];
                if (!InDrawableRange(r)) return unknown();
                m.add(r.line.start);
                m.add(r.line.end);
                measureText(r.text, m);
                break;
            }
            case RecordClass::Solid: {
                const TDataSolid& r = set.solids[i];
                if (!InDrawableRange(r)) return unknown();
                if (r.penStyle >= 101) {
                    measureArc(r.corner1, r.corner2.x, r.corner2.y, m);
                } else {
                    m.add(r.corner1);
                    m.add(r.corner2);
                    m.add(r.corner3);
                    m.add(r.corner4);
                }
                break;
            }
            case RecordClass::Block: {
                const TDataBlock& r = set.inserts[i];
                if (!InDrawableRange(r)) return unknown();
                insert(r, m, depth);
                break;
            }
            case RecordClass::List: break;
        }
        return m;
    }

private:
    enum class State : uint8_t { Unmeasured, Measuring, Known, Unknown };

    static Measure unknown() {
        Measure m;
        m.known = false;
        return m;
    }

    // The members' box through the insert's transform: the transformed corners of the block's
    // own box hold every transformed member point.
    void insert(const TDataBlock& r, Measure& m, int depth) {
        m.add(r.origin);
        const Measure* inner = definition(r.blockNumber, depth + 1);
        if (!inner) {
            m.known = false;
            return;
        }
        if (!inner->known) m.known = false;
        m.addRoom(inner->room);
        if (inner->empty()) return;
        BlockTransform t;
        t.OffsetX = r.origin.x;
        t.OffsetY = r.origin.y;
        t.ScaleX = r.scaleX;
        t.ScaleY = r.scaleY;
        t.Angle = r.rotation;
        for (const Point2 corner : {Point2{inner->minX, inner->minY}, Point2{inner->maxX, inner->minY},
                                    Point2{inner->minX, inner->maxY}, Point2{inner->maxX, inner->maxY}}) {
            m.add(t.apply(corner));
        }
    }

    // Null when the block has no definition (its inserts draw nothing) is not told apart from a
    // block that cannot be measured: both are drawn in every query, which costs little.
    const Measure* definition(uint32_t block, int depth) {
        if (block >= states_.size() || depth > kMaxBlockDepth) return nullptr;
        switch (states_[block]) {
            case State::Known: return &boxes_[block];
            case State::Unknown:
            case State::Measuring: return nullptr;  // measuring: a block that inserts itself
            case State::Unmeasured: break;
        }
        size_t first = 0, count = 0;
        if (!drawing_.blockMembers(block, first, count)) {
            states_[block] = State::Unknown;
            return nullptr;
        }
        states_[block] = State::Measuring;
        Measure box;
        const RecordSet& members = drawing_.members;
        const size_t end = std::min(first + count, members.sequence.size());
        for (size_t i = first; i < end && box.known; ++i) {
            const RecordRef& ref = members.sequence[i];
            if (ref.index >= members.countOf(ref.cls)) continue;  // draws nothing
            box.merge(record(members, ref.cls, ref.index, depth));
        }
        states_[block] = box.known ? State::Known : State::Unknown;
        if (!box.known) return nullptr;
        boxes_[block] = box;
        return &boxes_[block];
    }

    const Drawing& drawing_;
    std::vector<State> states_;
    std::vector<Measure> boxes_;
};

float floatBelow(double v) {
    float f = static_cast<float>(v);
    if (double(f) > v) f = std::nextafter(f, -std::numeric_limits<float>::infinity());
    return f;
}

float floatAbove(double v) {
    float f = static_cast<float>(v);
    if (double(f) < v) f = std::nextafter(f, std::numeric_limits<float>::infinity());
    return f;
}

// The value `fraction` of the way through the sorted values, without sorting them all.
double quantile(std::vector<double>& values, double fraction) {
    const size_t k = std::min(values.size() - 1, static_cast<size_t>(fraction * double(values.size() - 1)));
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(k), values.end());
    return values[k];
}

}  // namespace

RecordIndex::RecordIndex(const Drawing& drawing) : RecordIndex(drawing, std::function<bool()>()) {}

RecordIndex::RecordIndex(const Drawing& drawing, const std::function<bool()>& keepGoing) {
    const RecordSet& top = drawing.top;
    size_t total = 0;
    for (int c = 0; c < kRecordClassCount; ++c) {
        const auto cls = static_cast<RecordClass>(c);
        offsets_.push_back(total);
        // Block definitions are never drawn by the walk: they take no items.
        const size_t n = cls == RecordClass::List ? 0 : top.countOf(cls);
        counts_.push_back(n);
        total += n;
    }
    boxes_.reserve(total);
    AdviseHugePages(boxes_.data(), total * sizeof(Box));
    boxes_.resize(total);
    std::vector<uint8_t> known(total, 0);
    Measurer measurer(drawing);
    for (int c = 0; c < kRecordClassCount; ++c) {
        const auto cls = static_cast<RecordClass>(c);
        for (size_t i = 0; i < counts_[c]; ++i) {
            if (keepGoing && (i & 4095) == 4095 && !keepGoing()) {
                stopped_ = true;
                return;
            }
            const Measure m = measurer.record(top, cls, i, 0);
            const size_t item = itemOf(cls, i);
            if (!m.known || m.empty()) {
                // Nothing measurable (a text of no points cannot be) draws nothing it could be
                // found by; unknown records draw everywhere.
                if (!m.known) always_.push_back(static_cast<uint32_t>(item));
                boxes_[item] = {1.0f, 1.0f, 0.0f, 0.0f};
                continue;
            }
            boxes_[item] = {floatBelow(m.minX - m.room), floatBelow(m.minY - m.room), floatAbove(m.maxX + m.room),
                            floatAbove(m.maxY + m.room)};
            known[item] = 1;
        }
    }
    const auto random = [](const TJwData& r) { return r.penStyle >= 11 && r.penStyle <= 15; };
    for (const RecordSet* set : {&drawing.top, &drawing.members}) {
        for (const TDataSen& r : set->lines) randomLines_ = randomLines_ || random(r);
        for (const TDataSunpou& r : set->dimensions) randomLines_ = randomLines_ || random(r.line);
    }
    ordinals_.resize(top.sequence.size());
    std::vector<uint32_t> seen(kRecordClassCount, 0);
    positionOf_.assign(total, kNoPosition);
    for (size_t p = 0; p < top.sequence.size(); ++p) {
        const int c = static_cast<int>(top.sequence[p].cls);
        ordinals_[p] = seen[c]++;
        if (top.sequence[p].cls != RecordClass::List && ordinals_[p] < counts_[c])
            positionOf_[offsets_[c] + ordinals_[p]] = static_cast<uint32_t>(p);
    }
    buildGrid(known);
}

void RecordIndex::buildGrid(const std::vector<uint8_t>& known) {
    std::vector<double> xs, ys;
    for (size_t i = 0; i < boxes_.size(); ++i) {
        if (!known[i]) continue;
        xs.push_back((double(boxes_[i].minX) + boxes_[i].maxX) / 2.0);
        ys.push_back((double(boxes_[i].minY) + boxes_[i].maxY) / 2.0);
    }
    if (xs.empty()) return;
    // The grid spans all but the outermost few records, so that one record far away does not
    // squeeze every other into one cell; records outside fall into the edge cells.
    const double x0 = quantile(xs, 0.001), x1 = quantile(xs, 0.999);
    const double y0 = quantile(ys, 0.001), y1 = quantile(ys, 0.999);
    const double w = std::max(x1 - x0, 1e-9), h = std::max(y1 - y0, 1e-9);
    const size_t cells = std::clamp(xs.size() / kItemsPerCell, size_t(1), kMaxCells);
    const int cols = static_cast<int>(std::clamp(std::lround(std::sqrt(double(cells) * w / h)), 1L, long(kMaxGridSide)));
    const int rows = static_cast<int>(std::clamp(long(cells) / cols, 1L, long(kMaxGridSide)));

    std::vector<uint32_t> pending;
    for (size_t i = 0; i < boxes_.size(); ++i) {
        if (known[i]) pending.push_back(static_cast<uint32_t>(i));
    }
    // Records too long for the fine cells go to coarser grids, each a quarter as many cells
    // across, up to one of a single cell; a query reads a few cells of each.
    for (int level = 0; !pending.empty(); ++level) {
        Grid g;
        g.cols = std::max(1, cols >> (2 * level));
        g.rows = std::max(1, rows >> (2 * level));
        g.x0 = x0;
        g.y0 = y0;
        g.cellW = w / g.cols;
        g.cellH = h / g.rows;
        const bool last = g.cols == 1 && g.rows == 1;
        g.start.assign(size_t(g.cols) * g.rows + 1, 0);
        std::vector<uint32_t> filed, coarser;
        for (const uint32_t i : pending) {
            int cx0, cy0, cx1, cy1;
            cellRange(g, boxes_[i], cx0, cy0, cx1, cy1);
            if (!last && (cx1 - cx0 + 1) * (cy1 - cy0 + 1) > kMaxCellsPerItem) {
                coarser.push_back(i);
                continue;
            }
            filed.push_back(i);
            for (int y = cy0; y <= cy1; ++y)
                for (int x = cx0; x <= cx1; ++x) ++g.start[size_t(y) * g.cols + x + 1];
        }
        for (size_t c = 1; c < g.start.size(); ++c) g.start[c] += g.start[c - 1];
        g.items.resize(g.start.back());
        // Each entry keeps its box beside it: a query then reads its cells' entries in one run
        // instead of jumping about the boxes of a million records.
        g.boxes.reserve(g.start.back());
        AdviseHugePages(g.boxes.data(), g.start.back() * sizeof(Box));
        g.boxes.resize(g.start.back());
        std::vector<uint32_t> fill(g.start.begin(), g.start.end() - 1);
        for (const uint32_t i : filed) {
            int cx0, cy0, cx1, cy1;
            cellRange(g, boxes_[i], cx0, cy0, cx1, cy1);
            for (int y = cy0; y <= cy1; ++y) {
                for (int x = cx0; x <= cx1; ++x) {
                    const uint32_t k = fill[size_t(y) * g.cols + x]++;
                    g.items[k] = i;
                    g.boxes[k] = boxes_[i];
                }
            }
        }
        grids_.push_back(std::move(g));
        pending.swap(coarser);
    }
}

void RecordIndex::cellRange(const Grid& g, const Box& b, int& x0, int& y0, int& x1, int& y1) {
    const auto column = [&g](double x) {
        const double c = std::floor((x - g.x0) / g.cellW);
        return static_cast<int>(std::clamp(c, 0.0, double(g.cols - 1)));
    };
    const auto row = [&g](double y) {
        const double r = std::floor((y - g.y0) / g.cellH);
        return static_cast<int>(std::clamp(r, 0.0, double(g.rows - 1)));
    };
    x0 = column(b.minX);
    x1 = column(b.maxX);
    y0 = row(b.minY);
    y1 = row(b.maxY);
}

bool RecordIndex::fits(const Drawing& drawing) const {
    if (stopped_) return false;
    if (drawing.top.sequence.size() != ordinals_.size()) return false;
    for (int c = 0; c < kRecordClassCount; ++c) {
        const auto cls = static_cast<RecordClass>(c);
        if (cls != RecordClass::List && drawing.top.countOf(cls) != counts_[c]) return false;
    }
    return true;
}

namespace {
bool Meets(const DrawingArea& area, float minX, float minY, float maxX, float maxY) {
    return minX <= area.maxX && maxX >= area.minX && minY <= area.maxY && maxY >= area.minY;
}
}  // namespace

// Calls `visit(box, item)` for every entry of the cells that `area` reaches, grid by grid; the
// cells of one row of a grid are one run of entries.
template <typename Visit>
void RecordIndex::forEachEntry(const DrawingArea& area, Visit&& visit) const {
    if (!(area.minX <= area.maxX && area.minY <= area.maxY)) return;
    const Box query{floatBelow(area.minX), floatBelow(area.minY), floatAbove(area.maxX), floatAbove(area.maxY)};
    for (const Grid& g : grids_) {
        int cx0, cy0, cx1, cy1;
        cellRange(g, query, cx0, cy0, cx1, cy1);
        for (int y = cy0; y <= cy1; ++y) {
            const size_t end = g.start[size_t(y) * g.cols + cx1 + 1];
            for (size_t k = g.start[size_t(y) * g.cols + cx0]; k < end; ++k) visit(g.boxes[k], g.items[k]);
        }
    }
}

size_t RecordIndex::entriesIn(const DrawingArea& area) const {
    size_t entries = always_.size();
    if (!(area.minX <= area.maxX && area.minY <= area.maxY)) return entries;
    const Box query{floatBelow(area.minX), floatBelow(area.minY), floatAbove(area.maxX), floatAbove(area.maxY)};
    for (const Grid& g : grids_) {
        int cx0, cy0, cx1, cy1;
        cellRange(g, query, cx0, cy0, cx1, cy1);
        for (int y = cy0; y <= cy1; ++y)
            entries += g.start[size_t(y) * g.cols + cx1 + 1] - g.start[size_t(y) * g.cols + cx0];
    }
    return entries;
}

void RecordIndex::mark(const DrawingArea& area, std::vector<uint8_t>& hits) const {
    hits.assign(boxes_.size(), 0);
    for (uint32_t item : always_) hits[item] = 1;
    forEachEntry(area, [&](const Box& b, uint32_t item) {
        if (Meets(area, b.minX, b.minY, b.maxX, b.maxY)) hits[item] = 1;
    });
}

bool RecordIndex::fewIn(const DrawingArea& area, size_t most, std::vector<uint32_t>& items) const {
    items.clear();
    if (entriesIn(area) > most) return false;
    items.insert(items.end(), always_.begin(), always_.end());
    forEachEntry(area, [&](const Box& b, uint32_t item) {
        if (Meets(area, b.minX, b.minY, b.maxX, b.maxY)) items.push_back(item);
    });
    return true;
}

void RecordIndex::positionsIn(const Drawing& drawing, const DrawingArea& area, bool reverse,
                              std::vector<uint32_t>& positions) const {
    positions.clear();
    const auto& sequence = drawing.top.sequence;
    const size_t n = std::min(sequence.size(), ordinals_.size());
    // The record the walk draws at a position is the ordinal-th of its kind from the first, or
    // from the last. A small part of the drawing: the positions of the records found, sorted.
    std::vector<uint32_t> items;
    if (fewIn(area, n / kSparseShare, items)) {
        // A record filed in several cells was found in each; each draws at one position, and the
        // positions go in stream order. A bit per position puts them in order and once each for
        // less than sorting them: its words are a sixty-fourth of the positions.
        thread_local std::vector<uint64_t> found;
        found.resize(n / 64 + 1);
        for (uint32_t& item : items) {  // each item becomes where its position is kept
            const int c = static_cast<int>(std::upper_bound(offsets_.begin(), offsets_.end(), size_t(item)) - offsets_.begin()) - 1;
            const size_t record = item - offsets_[size_t(c)];
            const size_t ordinal = reverse ? counts_[size_t(c)] - 1 - record : record;
            item = static_cast<uint32_t>(offsets_[size_t(c)] + ordinal);
        }
        // The positions of records found lie anywhere in a list of every record's: each read
        // would miss the cache, so they are asked for a few dozen ahead.
        constexpr size_t kAhead = 32;
        for (size_t i = 0; i < items.size(); ++i) {
            if (i + kAhead < items.size()) __builtin_prefetch(&positionOf_[items[i + kAhead]]);
            const uint32_t p = positionOf_[items[i]];
            if (p != kNoPosition && p < n) found[p / 64] |= uint64_t(1) << (p % 64);
        }
        for (size_t w = 0; w < found.size(); ++w) {
            for (uint64_t bits = found[w]; bits != 0; bits &= bits - 1)
                positions.push_back(static_cast<uint32_t>(w * 64 + size_t(__builtin_ctzll(bits))));
            found[w] = 0;
        }
        return;
    }
    // Much of it: a walk along the stream.
    std::vector<uint8_t> hits;
    mark(area, hits);
    for (size_t p = 0; p < n; ++p) {
        const RecordClass cls = sequence[p].cls;
        const int c = static_cast<int>(cls);
        if (cls == RecordClass::List) continue;
        const size_t ordinal = ordinals_[p];
        if (ordinal >= counts_[c]) continue;  // beyond the kind's list: draws nothing
        const size_t record = reverse ? counts_[c] - 1 - ordinal : ordinal;
        if (hits[itemOf(cls, record)]) positions.push_back(static_cast<uint32_t>(p));
    }
}

void RecordIndex::recordsIn(RecordClass cls, const DrawingArea& area, std::vector<uint8_t>& flags) const {
    const int c = static_cast<int>(cls);
    const size_t first = offsets_[c], count = counts_[c];
    std::vector<uint32_t> items;
    if (fewIn(area, count / kSparseShare, items)) {
        flags.assign(count, 0);
        for (const uint32_t item : items) {
            if (item >= first && item - first < count) flags[item - first] = 1;
        }
        return;
    }
    std::vector<uint8_t> hits;
    mark(area, hits);
    const auto from = hits.begin() + static_cast<std::ptrdiff_t>(first);
    flags.assign(from, from + static_cast<std::ptrdiff_t>(count));
}

}  // namespace korvel
