#include "output/dxf_tables.h"

#include <cmath>

#include "drawing/cp932.h"
#include "output/dxf_colors.h"
#include "platform/qt_text.h"
#include "render/line_style.h"

namespace korvel {

namespace {

const char kHex[] = "0123456789ABCDEF";

std::string scaleText(double scale) {
    if (!(scale > 0.0) || !std::isfinite(scale)) return "unknown";
    return "1/" + RealText(scale);
}

// Jw_cad's own names of its line types, for the descriptions.
const char* lineTypeCaption(int t) {
    static const char* const kNames[] = {"", "solid", "dotted 1", "dotted 2", "dotted 3",
                                         "chain 1", "chain 2", "double chain 1", "double chain 2",
                                         "auxiliary"};
    if (t >= 0 && t <= 9) return kNames[t];
    if (t >= 16 && t <= 19) return "double length";
    return "";
}

// Dashes in millimetres on paper, beginning with a dash: a pattern that Jw_cad begins with a
// gap is turned round to begin with its first dash, which only shifts where the dashes fall.
std::vector<double> paperDashes(const PenTable& pens, int t) {
    DashPattern p = BuildDashPattern(pens, t);
    double unit = kMillimetresPerDeviceUnit;
    if (t >= 11 && t <= 15) unit *= pens.LineTypePitch[t] == 0 ? 1.0 : pens.LineTypePitch[t];
    if (p.size() >= 4 && p[0] == 0.0) {
        const double gap = p[1];
        p.erase(p.begin(), p.begin() + 2);
        p.back() += gap;
    }
    std::vector<double> out;
    for (size_t i = 0; i < p.size(); ++i) out.push_back((i % 2 == 0 ? 1.0 : -1.0) * p[i] * unit);
    return out;
}

// IPA font files as Debian installs them, by family.
const char* fontFileOf(const std::string& family) {
    if (family == "IPAPGothic") return "ipagp.ttf";
    if (family == "IPAMincho") return "ipam.ttf";
    if (family == "IPAPMincho") return "ipamp.ttf";
    return "ipag.ttf";
}

void tableStart(DxfWriter& w, const char* name, DxfHandle h, size_t count) {
    w.text(0, "TABLE");
    w.text(2, name);
    w.handle(5, h);
    w.handle(330, 0);
    w.text(100, "AcDbSymbolTable");
    w.integer(70, static_cast<int64_t>(count));
}

void entryStart(DxfWriter& w, const char* type, const char* subclass, DxfHandle h, DxfHandle table) {
    w.object(type, h, table);
    w.text(100, "AcDbSymbolTableRecord");
    w.text(100, subclass);
}

}  // namespace

DxfTables::DxfTables(const Drawing& drawing, const PenTable& pens, const DxfStrings& strings, DxfHandles& handles)
    : drawing_(drawing), pens_(pens), strings_(strings), handles_(handles) {
    layerIndex_.fill(-1);
    lineTypeIndex_.fill(-1);
    DxfLayer zero;
    zero.name = "0";
    layers_.push_back(zero);
    for (const char* n : {"ByBlock", "ByLayer", "Continuous"}) lineTypes_.push_back(DxfLineType{n, "", {}, 0});
    DxfTextStyle standard;
    standard.name = "Standard";
    standard.family = "IPAGothic";
    standard.fontFile = fontFileOf(standard.family);
    styles_.push_back(standard);
}

void DxfTables::useLayer(uint16_t g, uint16_t l) {
    if (g >= kLayerGroups || l >= kLayers) return;  // such records go on layer "0"
    layerIndex_[g * kLayers + l] = 0;
}

void DxfTables::useLineType(int t) {
    if (t < 0 || t > 255 || lineTypeIndex_[t] >= 0) return;
    lineTypeIndex_[t] = 2;  // Continuous until a pattern is found for it
    const bool patterned = t == 0 || (t >= 2 && t <= 9) || (t >= 11 && t <= 19);
    if (patterned) addLineType(t);
}

void DxfTables::addLineType(int t) {
    DxfLineType lt;
    lt.elements = paperDashes(pens_, t);
    double total = 0.0;
    for (double e : lt.elements) total += std::fabs(e);
    if (lt.elements.size() < 2 || !(total > 0.0) || !std::isfinite(total)) return;
    const bool random = t >= 11 && t <= 15;
    lt.name = (random ? "JW_RANDOM_" : "JW_LINE_") + std::to_string(t);
    lt.description = random ? "Jw_cad random line " + std::to_string(t) + ", dashed approximation"
                            : "Jw_cad line type " + std::to_string(t) + " (" + lineTypeCaption(t) + ")";
    lineTypeIndex_[t] = static_cast<int>(lineTypes_.size());
    lineTypes_.push_back(std::move(lt));
}

int DxfTables::useTextStyle(const std::string& font, uint32_t textType) {
    const bool bold = textType >= 20000;
    const bool italic = (textType >= 10000 && textType < 20000) || textType >= 30000;
    const auto key = std::make_tuple(font, bold, italic);
    const auto it = styleIndex_.find(key);
    if (it != styleIndex_.end()) return it->second;
    DxfTextStyle s;
    std::string name = font.empty() ? std::string("Standard") : font;
    if (bold) name += " Bold";
    if (italic) name += " Italic";
    s.name = strings_.name(name);
    s.family = MapFaceName(Cp932ToUtf8(font)).toStdString();
    s.fontFile = fontFileOf(s.family);
    s.bold = bold;
    s.italic = italic;
    int index = 0;
    if (s.name != styles_[0].name || bold || italic) {
        // Two fonts whose names differ only in characters a name cannot hold get one style each.
        for (const DxfTextStyle& other : styles_)
            if (other.name == s.name) s.name += "~" + std::to_string(styles_.size());
        index = static_cast<int>(styles_.size());
        styles_.push_back(std::move(s));
    }
    styleIndex_.emplace(key, index);
    return index;
}

int DxfTables::styleOf(const std::string& font, uint32_t textType) const {
    const bool bold = textType >= 20000;
    const bool italic = (textType >= 10000 && textType < 20000) || textType >= 30000;
    const auto it = styleIndex_.find(std::make_tuple(font, bold, italic));
    return it == styleIndex_.end() ? 0 : it->second;
}

void DxfTables::finish() {
    const DrawingHeader& h = drawing_.header;
    for (int g = 0; g < kLayerGroups; ++g) {
        for (int l = 0; l < kLayers; ++l) {
            int& index = layerIndex_[g * kLayers + l];
            if (index < 0) continue;
            DxfLayer layer;
            std::string name = std::string(1, kHex[g]) + "-" + kHex[l];
            if (!h.LayerName[g][l].empty()) name += " " + h.LayerName[g][l];
            layer.name = strings_.name(name);
            std::string description = "Jw_cad layer group " + std::string(1, kHex[g]);
            if (!h.LayerGroupName[g].empty()) description += " (" + h.LayerGroupName[g] + ")";
            description += ", scale " + scaleText(h.LayerGroupScale[g]);
            layer.description = strings_.value(description);
            layer.off = h.LayerGroupState[g] == 0 || h.LayerState[g][l] == 0;
            layer.color = drawing_.layerGreyed(g, l) ? NearestAci(0xC0C0C0u) : 7;
            layer.locked = h.LayerGroupProtect[g] != 0 || h.LayerProtect[g][l] != 0;
            index = static_cast<int>(layers_.size());
            layers_.push_back(std::move(layer));
        }
    }
    vportTable_ = handles_.take();
    vport_ = handles_.take();
    ltypeTable_ = handles_.take();
    for (DxfLineType& lt : lineTypes_) lt.handle = handles_.take();
    layerTable_ = handles_.take();
    for (DxfLayer& l : layers_) l.handle = handles_.take();
    styleTable_ = handles_.take();
    for (DxfTextStyle& s : styles_) s.handle = handles_.take();
    viewTable_ = handles_.take();
    ucsTable_ = handles_.take();
    appidTable_ = handles_.take();
    appidAcad_ = handles_.take();
    appidLayer_ = handles_.take();
    dimStyleTable_ = handles_.take();
    dimStyle_ = handles_.take();
    blockRecordTable_ = handles_.take();
}

const std::string& DxfTables::layerName(uint16_t g, uint16_t l) const {
    if (g >= kLayerGroups || l >= kLayers) return layers_[0].name;
    const int index = layerIndex_[g * kLayers + l];
    return layers_[index < 0 ? 0 : index].name;
}

const std::string& DxfTables::lineTypeName(int t) const {
    const int index = t >= 0 && t <= 255 ? lineTypeIndex_[t] : -1;
    return lineTypes_[index < 0 ? 2 : index].name;
}

std::string DxfTables::currentLayer() const {
    const DrawingHeader& h = drawing_.header;
    const uint32_t g = h.WriteLayerGroup;
    if (g >= static_cast<uint32_t>(kLayerGroups) || h.WriteLayer[g] >= static_cast<uint32_t>(kLayers)) return "0";
    return layerName(static_cast<uint16_t>(g), static_cast<uint16_t>(h.WriteLayer[g]));
}

DxfHandle DxfTables::addBlockRecord(const std::string& name, bool anonymous, DxfHandle layout) {
    DxfBlockRecord r{name, anonymous, handles_.take(), layout};
    blockRecords_.push_back(r);
    return r.handle;
}

void DxfTables::write(DxfWriter& w) const {
    w.beginSection("TABLES");
    tableStart(w, "VPORT", vportTable_, 1);
    entryStart(w, "VPORT", "AcDbViewportTableRecord", vport_, vportTable_);
    const Extents& e = drawing_.extents;
    const bool known = e.MaxX >= e.MinX && e.MaxY >= e.MinY;
    const double width = known ? e.MaxX - e.MinX : 420.0, height = known ? e.MaxY - e.MinY : 297.0;
    w.text(2, "*Active");
    w.integer(70, 0);
    w.point(10, 0.0, 0.0);
    w.point(11, 1.0, 1.0);
    w.point(12, known ? e.CenterX : 0.0, known ? e.CenterY : 0.0);
    w.point(13, 0.0, 0.0);
    w.point(14, 10.0, 10.0);
    w.point(15, 10.0, 10.0);
    w.point3(16, 0.0, 0.0, 1.0);
    w.point(17, 0.0, 0.0);
    w.real(40, height > 0.0 ? height : 297.0);
    w.real(41, height > 0.0 ? width / height : 1.0);
    w.real(42, 50.0);
    w.real(43, 0.0);
    w.real(44, 0.0);
    w.real(50, 0.0);
    w.real(51, 0.0);
    w.integer(71, 0);
    w.integer(72, 1000);
    w.integer(73, 1);
    w.integer(74, 3);
    w.integer(75, 0);
    w.integer(76, 0);
    w.integer(77, 0);
    w.integer(78, 0);
    w.integer(281, 0);
    w.integer(65, 1);
    w.text(0, "ENDTAB");
    writeLineTypes(w);
    writeLayers(w);
    writeStyles(w);
    writeFixedTables(w);
    w.endSection();
}

void DxfTables::writeLineTypes(DxfWriter& w) const {
    tableStart(w, "LTYPE", ltypeTable_, lineTypes_.size());
    for (const DxfLineType& lt : lineTypes_) {
        entryStart(w, "LTYPE", "AcDbLinetypeTableRecord", lt.handle, ltypeTable_);
        w.text(2, lt.name);
        w.integer(70, 0);
        w.text(3, lt.description);
        w.integer(72, 65);
        w.integer(73, static_cast<int64_t>(lt.elements.size()));
        double total = 0.0;
        for (double e : lt.elements) total += std::fabs(e);
        w.real(40, total);
        for (double e : lt.elements) {
            w.real(49, e);
            w.integer(74, 0);
        }
    }
    w.text(0, "ENDTAB");
}

void DxfTables::writeLayers(DxfWriter& w) const {
    tableStart(w, "LAYER", layerTable_, layers_.size());
    for (const DxfLayer& l : layers_) {
        entryStart(w, "LAYER", "AcDbLayerTableRecord", l.handle, layerTable_);
        w.text(2, l.name);
        w.integer(70, l.locked ? 4 : 0);
        w.integer(62, l.off ? -l.color : l.color);
        w.text(6, "Continuous");
        w.integer(370, -3);
        w.handle(390, plotStyle_);
        if (!l.description.empty()) {
            // Where AutoCAD keeps a layer's description.
            w.text(1001, "AcAecLayerStandard");
            w.text(1000, "");
            w.text(1000, l.description);
        }
    }
    w.text(0, "ENDTAB");
}

void DxfTables::writeStyles(DxfWriter& w) const {
    tableStart(w, "STYLE", styleTable_, styles_.size());
    for (const DxfTextStyle& s : styles_) {
        entryStart(w, "STYLE", "AcDbTextStyleTableRecord", s.handle, styleTable_);
        w.text(2, s.name);
        w.integer(70, 0);
        w.real(40, 0.0);
        w.real(41, 1.0);
        w.real(50, 0.0);
        w.integer(71, 0);
        w.real(42, 2.5);
        w.text(3, s.fontFile);
        w.text(4, "");
        // The TrueType family and its flags: Shift-JIS character set, fixed pitch, weight, slant.
        w.text(1001, "ACAD");
        w.text(1000, s.family);
        const bool proportional = s.family == "IPAPGothic" || s.family == "IPAPMincho";
        int64_t flags = (128 << 8) | (proportional ? 0x02 : 0x01) |
                        (s.family.find("Mincho") != std::string::npos ? 0x10 : 0x30);
        if (s.italic) flags |= 0x01000000;
        if (s.bold) flags |= 0x02000000;
        w.integer(1071, flags);
    }
    w.text(0, "ENDTAB");
}

void DxfTables::writeFixedTables(DxfWriter& w) const {
    tableStart(w, "VIEW", viewTable_, 0);
    w.text(0, "ENDTAB");
    tableStart(w, "UCS", ucsTable_, 0);
    w.text(0, "ENDTAB");
    tableStart(w, "APPID", appidTable_, 2);
    entryStart(w, "APPID", "AcDbRegAppTableRecord", appidAcad_, appidTable_);
    w.text(2, "ACAD");
    w.integer(70, 0);
    entryStart(w, "APPID", "AcDbRegAppTableRecord", appidLayer_, appidTable_);
    w.text(2, "AcAecLayerStandard");
    w.integer(70, 0);
    w.text(0, "ENDTAB");

    tableStart(w, "DIMSTYLE", dimStyleTable_, 1);
    w.text(100, "AcDbDimStyleTable");
    // Jw_cad draws a dimension as its line and its text; marks and extension lines are records
    // of their own. The style says the same, so a program that rebuilds an edited dimension
    // adds nothing.
    w.text(0, "DIMSTYLE");
    w.handle(105, dimStyle_);
    w.handle(330, dimStyleTable_);
    w.text(100, "AcDbSymbolTableRecord");
    w.text(100, "AcDbDimStyleTableRecord");
    w.text(2, "Standard");
    w.integer(70, 0);
    w.real(41, 0.0);   // arrow size
    w.real(42, 0.0);   // extension line offset
    w.real(44, 0.0);   // extension line extension
    w.real(140, 2.5);  // text height
    w.real(147, 0.5);  // gap between text and line
    w.integer(73, 0);  // text aligned with the line
    w.integer(74, 0);
    w.integer(75, 1);  // no extension lines
    w.integer(76, 1);
    w.integer(77, 1);  // text above the line
    w.handle(340, styles_[0].handle);
    w.text(0, "ENDTAB");

    tableStart(w, "BLOCK_RECORD", blockRecordTable_, blockRecords_.size());
    for (const DxfBlockRecord& b : blockRecords_) {
        entryStart(w, "BLOCK_RECORD", "AcDbBlockTableRecord", b.handle, blockRecordTable_);
        w.text(2, b.name);
        w.handle(340, b.layout);
        if (strings_.version() == DxfVersion::R2013) {
            w.integer(70, 4);  // millimetres
            w.integer(280, 1);
            w.integer(281, 0);
        }
    }
    w.text(0, "ENDTAB");
}

}  // namespace korvel
