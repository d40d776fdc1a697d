// Building drawings in code: a new drawing's header as Jw_cad starts one, and a builder that
// files records, block definitions and their members, then measures the extents. Used by the
// "new drawing" command, the demo drawing, the benchmarks' synthetic drawings and tests.
#pragma once

#include <cstdint>

#include "drawing/drawing.h"

namespace korvel {

// A header with every layer shown and editable, scales 1/1, the built-in pens, common line
// types and text sizes; version 351.
DrawingHeader NewDrawingHeader();
// The line types of a new drawing (2-9 dashed, 11-15 random, 16-19 double length), the ones
// drawn where neither the settings nor the drawing give any.
void SetBuiltInLineTypes(DrawingHeader& header);

// The header a load starts from: a new drawing's, with the pen table (pens, line types, point
// radii, text sizes, display options) of `previous` when it holds one, since those are what the
// drawing is drawn with until its own header says otherwise. Version 0: the data chooses it.
DrawingHeader FreshHeaderKeepingPens(const DrawingHeader& previous);

// Jw_win data read while Jw_win has a drawing open takes that drawing's header, but for what the
// data carries itself (version, reference point, layer-group scales); since the data is drawn
// on all layers, no group or layer of it stays hidden.
void LendHeader(Drawing& drawing, const DrawingHeader& lender);

class DrawingBuilder {
public:
    // Empties the store of `drawing` (the header stays as it is).
    explicit DrawingBuilder(Drawing& drawing);

    void add(const TDataSen& r);
    void add(const TDataEnko& r);
    void add(const TDataTen& r);
    void add(const TDataMoji& r);
    void add(const TDataSunpou& r);
    void add(const TDataSolid& r);
    void add(const TDataBlock& r);

    // Starts a block definition; members added until endBlock belong to it, and its `count`
    // is set from them. Definitions are numbered by position.
    void beginBlock(const TDataList& definition);
    void endBlock();

    // Sets ExpectedCount and measures the extents as a load would.
    void finish();

private:
    template <class R> void file(const R& r);
    Drawing& d_;
    bool inBlock_ = false;
};

}  // namespace korvel
