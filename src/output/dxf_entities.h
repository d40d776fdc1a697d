// Drawing records as DXF entities, each straight from its record: lines, circles, arcs and
// ellipses, points and special points, texts and pictures, dimensions, solids and inserts.
// Colours, widths and line types go through the renderer's own rules, so the DXF shows what
// Korvel draws.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "drawing/drawing.h"
#include "output/dxf_pictures.h"
#include "output/dxf_strings.h"
#include "output/dxf_tables.h"
#include "output/dxf_writer.h"
#include "render/render_context.h"
#include "render/text_macros.h"

namespace korvel {

// What the entities need to know about blocks: names and which inserts may be written.
struct DxfBlockNames {
    std::vector<std::string> definitions;    // encoded; empty: the definition is not written
    std::vector<bool> cyclicMembers;         // per member insert: it would close a cycle
    std::array<std::string, 64> symbols;     // special-point symbol blocks by code + 32
    // The anonymous block of each dimension written as a DIMENSION: [0] top level, [1]
    // block members, by dimension index; empty when it is written as plain entities.
    std::array<std::vector<std::string>, 2> dimensions;
};

// Things written less faithfully than Jw_cad has them, counted for the warnings.
struct DxfLosses {
    size_t badCoordinates = 0;   // left out: not finite, or beyond any drawing
    size_t styledTexts = 0;      // "^" codes for weight, colour, scripts... shown plainly
    size_t verticalTexts = 0;    // one character per line, all upright
    size_t randomLines = 0;      // zig-zag lines as dashes
    size_t missingBlocks = 0;    // inserts of a block that has no definition
    size_t cyclicInserts = 0;    // inserts that would make a block contain itself
    size_t zeroScales = 0;       // insert scales of 0 written as 1
    size_t unknownArcSolids = 0; // arc solids of no known shape
};

class DxfEntities {
public:
    DxfEntities(const RenderContext& context, DxfWriter& writer, DxfHandles& handles,
                const DxfTables& tables, const DxfBlockNames& blocks, DxfPictures& pictures,
                const DxfStrings& strings);

    // Record `ref` of `set` (`member` tells which set: 0 top level, 1 block members), owned by
    // the block record `owner`; `definition` is the block being written (-1 at the top level).
    void record(const RecordSet& set, int member, const RecordRef& ref, DxfHandle owner);
    // A dimension's line and text as they go into its anonymous block.
    void dimensionContent(const TDataSunpou& d, DxfHandle owner);
    // The symbol of a special point, in colours and widths of the insert.
    void symbolContent(int code, DxfHandle owner);

    const DxfLosses& losses() const { return losses_; }
    // (image, reactor) pairs for the objects section.
    const std::vector<std::pair<DxfHandle, DxfHandle>>& imageReactors() const { return reactors_; }

private:
    struct Look {
        const std::string* layer;
        const std::string* lineType;
        uint32_t color;      // 0x00BBGGRR
        int lineweight;      // hundredths of a millimetre; -2 by block
        bool byBlock = false;
    };
    Look lookOf(const TJwData& a) const;
    Look lookWithColor(const TJwData& a, uint32_t color) const;
    Look byBlock() const;
    Look dimensionTextLook(const TDataMoji& t) const;
    DxfHandle begin(std::string_view type, DxfHandle owner, const Look& look);

    void line(const TDataSen& r, DxfHandle owner);
    void circle(const TDataEnko& r, DxfHandle owner);
    void point(const TDataTen& r, DxfHandle owner);
    void text(const TDataMoji& r, DxfHandle owner, const Look& look, bool pictures);
    void picture(const TDataMoji& r, DxfHandle owner);
    void dimension(const TDataSunpou& r, int member, uint32_t index, DxfHandle owner);
    void solid(const TDataSolid& r, DxfHandle owner);
    void arcSolid(const TDataSolid& r, DxfHandle owner);
    void insert(const TDataBlock& r, DxfHandle owner, bool cyclic);

    void segment(const Look& look, Point2 a, Point2 b, DxfHandle owner);
    void polyline(const Look& look, const std::vector<Point2>& points, bool closed, DxfHandle owner);
    void hatch(const Look& look, const std::vector<std::vector<Point2>>& loops,
               const std::vector<std::vector<double>>& bulges, DxfHandle owner);
    void mtext(const Look& look, const TDataMoji& r, const std::string& content, int attach,
               double directionDegrees, double width, double lineSpacing, DxfHandle owner);
    void color(uint32_t bgr);
    int aciOf(uint32_t bgr) const;

    // The characters a text shows, CP932, glyph by glyph.
    std::vector<std::string> shownGlyphs(const TDataMoji& r);

    const RenderContext& ctx_;
    DxfWriter& w_;
    DxfHandles& handles_;
    const DxfTables& tables_;
    const DxfBlockNames& blocks_;
    DxfPictures& pictures_;
    const DxfStrings& strings_;
    TextMacroValues macros_;
    DxfLosses losses_;
    std::vector<std::pair<DxfHandle, DxfHandle>> reactors_;
    mutable std::unordered_map<uint32_t, int> aciCache_;
    mutable std::array<int, 1001> lineweights_{};  // by pen width; 0 until first asked
    std::string byBlock_ = "ByBlock", layerZero_ = "0";
};

// True when every coordinate of a record is finite and within any drawing's reach.
bool DxfCoordinatesUsable(const TDataSen& r);

}  // namespace korvel
