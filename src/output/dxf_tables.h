// The symbol tables of a DXF export: one layer per Jw_cad layer that holds records, one line
// type per Jw_cad line type used, one text style per font (and weight and slant), and the
// fixed entries every DXF file carries.
#pragma once

#include <array>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "drawing/drawing.h"
#include "render/pen_table.h"
#include "output/dxf_strings.h"
#include "output/dxf_writer.h"

namespace korvel {

struct DxfLayer {
    std::string name;         // encoded
    std::string description;  // encoded
    int color = 7;            // ACI; written negative when the layer is off
    bool off = false;
    bool locked = false;
    DxfHandle handle = 0;
};

struct DxfLineType {
    std::string name;  // encoded
    std::string description;
    std::vector<double> elements;  // millimetres: dashes positive, gaps negative
    DxfHandle handle = 0;
};

struct DxfTextStyle {
    std::string name;  // encoded
    std::string fontFile;
    std::string family;
    bool bold = false;
    bool italic = false;
    DxfHandle handle = 0;
};

// A block record: the table entry every BLOCK needs, written with the tables.
struct DxfBlockRecord {
    std::string name;  // encoded
    bool anonymous = false;
    DxfHandle handle = 0;
    DxfHandle layout = 0;  // model and paper space only
};

class DxfTables {
public:
    // `pens` are the render's: the line types the drawing is drawn with.
    DxfTables(const Drawing& drawing, const PenTable& pens, const DxfStrings& strings, DxfHandles& handles);

    // Marks what a record uses; called for every record before anything is written.
    void useLayer(uint16_t layerGroup, uint16_t layer);
    void useLineType(int penStyle);
    // The style of a text: its font, bold and italic from the text type.
    int useTextStyle(const std::string& cp932Font, uint32_t textType);
    // The style a text was given by useTextStyle.
    int styleOf(const std::string& cp932Font, uint32_t textType) const;
    // Fixes names and handles; after this nothing more can be used.
    void finish();

    // The encoded names, as entities refer to them.
    const std::string& layerName(uint16_t layerGroup, uint16_t layer) const;
    const std::string& lineTypeName(int penStyle) const;
    const std::string& textStyleName(int style) const { return styles_[style].name; }
    const std::string& standardStyleName() const { return styles_[0].name; }
    DxfHandle textStyleHandle(int style) const { return styles_[style].handle; }

    // Block records are added by the blocks before the tables are written.
    DxfHandle addBlockRecord(const std::string& encodedName, bool anonymous, DxfHandle layout = 0);
    DxfHandle blockRecordTable() const { return blockRecordTable_; }
    DxfHandle dimStyle() const { return dimStyle_; }
    DxfHandle layerTable() const { return layerTable_; }
    DxfHandle plotStylePlaceholder() const { return plotStyle_; }
    void setPlotStylePlaceholder(DxfHandle h) { plotStyle_ = h; }
    // The layer Jw_cad writes to, when it holds records; else "0".
    std::string currentLayer() const;

    void write(DxfWriter& w) const;

private:
    void addLineType(int penStyle);
    void writeLayers(DxfWriter& w) const;
    void writeLineTypes(DxfWriter& w) const;
    void writeStyles(DxfWriter& w) const;
    void writeFixedTables(DxfWriter& w) const;

    const Drawing& drawing_;
    const PenTable& pens_;
    const DxfStrings& strings_;
    DxfHandles& handles_;

    std::array<int, kLayerGroups * kLayers> layerIndex_{};  // -1: not used
    std::vector<DxfLayer> layers_;  // [0] is "0"
    std::array<int, 256> lineTypeIndex_{};  // per penStyle; -1: not used
    std::vector<DxfLineType> lineTypes_;    // [0..2] ByBlock, ByLayer, Continuous
    std::map<std::tuple<std::string, bool, bool>, int> styleIndex_;
    std::vector<DxfTextStyle> styles_;  // [0] Standard
    std::vector<DxfBlockRecord> blockRecords_;

    DxfHandle vportTable_ = 0, vport_ = 0, ltypeTable_ = 0, layerTable_ = 0, styleTable_ = 0,
              viewTable_ = 0, ucsTable_ = 0, appidTable_ = 0, appidAcad_ = 0, appidLayer_ = 0,
              dimStyleTable_ = 0, dimStyle_ = 0, blockRecordTable_ = 0, plotStyle_ = 0;
};

}  // namespace korvel
