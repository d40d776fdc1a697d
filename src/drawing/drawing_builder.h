// Building drawings in code: a new drawing's header as Jw_cad starts one, and a builder that
// files records, block definitions and their members, then measures the extents. Used by the
// "new drawing" command, the demo drawing, the benchmarks' synthetic drawings and tests.
#pragma once

#include <cstdint>
#include <string>

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
    DrawingBuilder(const DrawingBuilder&) = delete;
    DrawingBuilder& operator=(const DrawingBuilder&) = delete;

    // Each record goes to the block being defined between beginBlock and endBlock, else to the
    // drawing itself; the reference stays good until the next record of its kind is added.
    TDataSen& add(const TDataSen& r);
    TDataEnko& add(const TDataEnko& r);
    TDataTen& add(const TDataTen& r);
    TDataMoji& add(const TDataMoji& r);
    TDataSunpou& add(const TDataSunpou& r);
    TDataSolid& add(const TDataSolid& r);
    TDataBlock& add(const TDataBlock& r);

    // Records from their main values, the rest as a new record has them; each leaves
    // ExpectedCount at the records filed so far, so that the drawing counts as loaded.
    TDataSen& line(double x1, double y1, double x2, double y2, int penColor = 2, int penStyle = 1);
    TDataEnko& circle(double cx, double cy, double radius, int penColor = 2, int penStyle = 1);
    TDataEnko& arc(double cx, double cy, double radius, double start, double sweep, int penColor = 2,
                   int penStyle = 1);
    TDataTen& point(double x, double y, int penColor = 2);
    // A Jw_cad special point: `code` picks the figure, drawn `scale` times its size.
    TDataTen& specialPoint(double x, double y, int code, double scale, double angle = 0.0);
    TDataSolid& solid(Point2 a, Point2 b, Point2 c, Point2 d, int penColor = 2);
    // CP932 text of size 3, from (x, y) to (x + 10, y).
    TDataMoji& text(double x, double y, const std::string& cp932);
    // A dimension line of pen 2 with the text "10".
    TDataSunpou& dimension(double x1, double y1, double x2, double y2);
    TDataBlock& insert(uint32_t blockNumber, double x, double y, double rotation = 0.0, double sx = 1.0,
                       double sy = 1.0);

    // Starts a block definition; members added until endBlock belong to it, and its `count`
    // is set from them. Definitions are numbered by position.
    void beginBlock(const TDataList& definition = TDataList{});
    void endBlock();

    // Extents as a load leaves them (already widened), without measuring.
    DrawingBuilder& extents(double minX, double minY, double maxX, double maxY);
    // Sets ExpectedCount and measures the extents as a load would.
    void finish();

protected:
    // The state of `other`, building on `drawing` (a copy of other's drawing).
    DrawingBuilder(const DrawingBuilder& other, Drawing& drawing) : d_(drawing), inBlock_(other.inBlock_) {}

private:
    template <class R> R& file(const R& r);
    template <class R> R& counted(const R& r);
    Drawing& d_;
    bool inBlock_ = false;
};

}  // namespace korvel
