// Where each top-level record can draw, kept in grids so that a render of part of a drawing (a
// zoomed view, one band of a picture) walks only the records that can reach that part. Built once
// per drawing; the options of a render do not change it (their margins are added to the query).
//
// A record's box holds everything the record can draw but what depends on the device: pen
// widths, dots and random-line offsets are added by the caller as a device margin. Texts, special
// points and pictures keep their size inside blocks, so their room is kept apart from the points
// that blocks move. Records whose box cannot be known (out of the drawable range, text macros that
// expand, blocks that insert themselves or nest too deep) are drawn in every query.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "drawing/drawing.h"

namespace korvel {

// An axis-aligned box in drawing millimetres (y up).
struct DrawingArea {
    double minX = 0.0;
    double minY = 0.0;
    double maxX = 0.0;
    double maxY = 0.0;
};

// The area a text record (not a picture reference) can draw in, in the coordinates of its points,
// as the index keeps it; false when that cannot be known (its codes may expand, or it is out of
// range).
bool TextDrawingArea(const TDataMoji& text, DrawingArea& area);

class RecordIndex {
public:
    // Measures every top-level record of `drawing`; time and memory are linear in its records
    // and block members.
    explicit RecordIndex(const Drawing& drawing);
    // As above, asking `keepGoing` now and then; when it says no, the building stops and the
    // index fits no drawing.
    RecordIndex(const Drawing& drawing, const std::function<bool()>& keepGoing);

    // True when built for a drawing with these records (same counts of every kind and the same
    // stream length); a render with an index that does not fit walks every record.
    bool fits(const Drawing& drawing) const;

    // Stream positions (indices into drawing.top.sequence), ascending, of the records that may
    // draw inside `area`, for a walk that hands out each kind's records from the first or, with
    // `reverse`, from the last (the drawing's reverse-order switch). Block definitions are never
    // listed. `drawing` must fit.
    void positionsIn(const Drawing& drawing, const DrawingArea& area, bool reverse,
                     std::vector<uint32_t>& positions) const;

    // One flag per record of kind `cls` (by its index in the kind's list): may it draw inside
    // `area`. For walks that go by kind rather than by stream (the draw-first pre-passes).
    void recordsIn(RecordClass cls, const DrawingArea& area, std::vector<uint8_t>& flags) const;

    // The place of stream position `p` among the references of its kind: the walk's n.
    uint32_t ordinalAt(size_t p) const { return p < ordinals_.size() ? ordinals_[p] : 0; }
    const void* ordinalAddress(size_t p) const { return p < ordinals_.size() ? &ordinals_[p] : nullptr; }

    // Whether any line or dimension, at the top level or in a block, is a random line (line
    // types 11 to 15): only those reach past their points by the random lines' amplitude.
    bool hasRandomLines() const { return randomLines_; }

    // How many entries a query of `area` reads: what the index saves over a walk of every record.
    size_t entriesIn(const DrawingArea& area) const;

    size_t recordCount() const { return boxes_.size(); }
    size_t alwaysDrawnCount() const { return always_.size(); }
    bool stopped() const { return stopped_; }

private:
    struct Box {
        float minX, minY, maxX, maxY;
    };
    size_t itemOf(RecordClass cls, size_t index) const { return offsets_[static_cast<int>(cls)] + index; }
    // Records filed by where they lie: cell (x, y) holds items[start[y * cols + x] ...
    // start[y * cols + x + 1]), each entry with its box.
    struct Grid {
        int cols = 0, rows = 0;
        double x0 = 0.0, y0 = 0.0, cellW = 1.0, cellH = 1.0;
        std::vector<uint32_t> start;
        std::vector<uint32_t> items;
        std::vector<Box> boxes;
    };
    template <typename Visit>
    void forEachEntry(const DrawingArea& area, Visit&& visit) const;
    // Flags every item that may draw inside `area`.
    void mark(const DrawingArea& area, std::vector<uint8_t>& hits) const;
    // The items that may draw inside `area`, in no order, each as often as it is found (once
    // per cell it is filed in); false, with nothing listed, when the query would read more than
    // `most` entries, for which flags cost less.
    bool fewIn(const DrawingArea& area, size_t most, std::vector<uint32_t>& items) const;
    void buildGrid(const std::vector<uint8_t>& known);
    static void cellRange(const Grid& g, const Box& b, int& x0, int& y0, int& x1, int& y1);

    bool randomLines_ = false;
    bool stopped_ = false;               // building was stopped: the index fits nothing
    std::vector<size_t> offsets_;        // first item of each record kind
    std::vector<size_t> counts_;         // records of each kind
    std::vector<uint32_t> ordinals_;     // per stream position: its place among its kind
    std::vector<uint32_t> positionOf_;   // per item: the stream position of its ordinal (or none)
    std::vector<Box> boxes_;             // per item
    std::vector<uint32_t> always_;       // items drawn in every query
    std::vector<Grid> grids_;            // finest first
};

}  // namespace korvel
