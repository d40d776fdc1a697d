// The file is written section by section: the tables, blocks and objects that entities refer
// to are planned from the records first, so that every name and handle is known before the
// entity that uses it. The header goes last into the file's front, once the handle seed is known.
#include "output/dxf_export.h"

#include <algorithm>
#include <cmath>

#include "output/dxf_blocks.h"
#include "output/dxf_entities.h"
#include "output/dxf_tables.h"
#include "output/dxf_writer.h"
#include "render/picture_reference.h"

namespace korvel {

namespace {

// Handles of the fixed objects every file carries.
struct FixedObjects {
    DxfHandle root = 0, groups = 0, layouts = 0, mlineStyles = 0, mlineStandard = 0,
              plotSettings = 0, plotStyles = 0, plotStyleNormal = 0, modelLayout = 0,
              paperLayout = 0, modelRecord = 0, paperRecord = 0;
};

// Marks what the records use: layers, line types, text styles and pictures.
void planTables(const Drawing& drawing, DxfTables& tables, DxfPictures& pictures) {
    for (const RecordSet* set : {&drawing.top, &drawing.members}) {
        auto attributes = [&tables](const TJwData& a) { tables.useLayer(a.layerGroup, a.layer); };
        for (const TDataSen& r : set->lines) {
            attributes(r);
            tables.useLineType(r.penStyle);
        }
        for (const TDataEnko& r : set->circles) {
            attributes(r);
            tables.useLineType(r.penStyle);
        }
        for (const TDataTen& r : set->points) attributes(r);
        for (const TDataMoji& r : set->texts) {
            if (IsJwcadSettingsText(r)) continue;
            attributes(r);
            if (IsImageReference(r.text)) pictures.use(r.text);
            else tables.useTextStyle(r.fontName, r.textType);
        }
        for (const TDataSunpou& r : set->dimensions) {
            attributes(r);
            attributes(r.line);
            attributes(r.text);
            tables.useLineType(r.line.penStyle);
            tables.useTextStyle(r.text.fontName, r.text.textType);
        }
        for (const TDataSolid& r : set->solids) attributes(r);
        for (const TDataBlock& r : set->inserts) attributes(r);
    }
}

void writeHeader(DxfWriter& w, const Drawing& drawing, DxfVersion version, const DxfTables& tables,
                 DxfHandle seed) {
    w.beginSection("HEADER");
    auto variable = [&w](const char* name) { w.text(9, name); };
    variable("$ACADVER");
    w.text(1, version == DxfVersion::R2000 ? "AC1015" : "AC1027");
    variable("$ACADMAINTVER");
    w.integer(70, version == DxfVersion::R2000 ? 6 : 105);
    // Both flavours name Jw_cad's code page; the 2000 flavour's texts are in it.
    variable("$DWGCODEPAGE");
    w.text(3, "ANSI_932");
    variable("$INSBASE");
    w.point3(10, 0.0, 0.0, 0.0);
    const Extents& e = drawing.extents;
    // The drawing's extents without the margin the view adds.
    const bool known = e.MaxX - e.MinX >= 2.0 && e.MaxY - e.MinY >= 2.0;
    variable("$EXTMIN");
    w.point3(10, known ? e.MinX + 1.0 : 0.0, known ? e.MinY + 1.0 : 0.0, 0.0);
    variable("$EXTMAX");
    w.point3(10, known ? e.MaxX - 1.0 : 0.0, known ? e.MaxY - 1.0 : 0.0, 0.0);
    // The drawing's sheet, landscape, where programs look for the paper to print on.
    static const double kSheets[5][2] = {{1189, 841}, {841, 594}, {594, 420}, {420, 297}, {297, 210}};
    const uint32_t paper = drawing.header.PaperSize;
    const double* sheet = kSheets[paper < 5 ? paper : 3];
    for (const char* limit : {"$LIMMIN", "$PLIMMIN"}) {
        variable(limit);
        w.real(10, 0.0);
        w.real(20, 0.0);
    }
    for (const char* limit : {"$LIMMAX", "$PLIMMAX"}) {
        variable(limit);
        w.real(10, sheet[0]);
        w.real(20, sheet[1]);
    }
    variable("$LTSCALE");
    w.real(40, 1.0);
    variable("$MIRRTEXT");
    w.integer(70, 0);
    variable("$TEXTSTYLE");
    w.text(7, tables.standardStyleName());
    variable("$CLAYER");
    w.text(8, tables.currentLayer());
    variable("$CELTYPE");
    w.text(6, "ByLayer");
    variable("$CECOLOR");
    w.integer(62, 256);
    variable("$DIMSTYLE");
    w.text(2, "Standard");
    variable("$LUNITS");
    w.integer(70, 2);
    variable("$LUPREC");
    w.integer(70, 4);
    variable("$MEASUREMENT");
    w.integer(70, 1);
    variable("$INSUNITS");
    w.integer(70, 4);  // millimetres
    variable("$LWDISPLAY");
    w.integer(290, 1);
    variable("$CELWEIGHT");
    w.integer(370, -1);
    variable("$PDMODE");
    w.integer(70, 0);
    variable("$PSLTSCALE");
    w.integer(70, 1);
    variable("$PSTYLEMODE");
    w.integer(290, 1);
    variable("$TILEMODE");
    w.integer(70, 1);
    variable("$HANDSEED");
    w.handle(5, seed);
    w.endSection();
}

void writeClass(DxfWriter& w, DxfVersion version, const char* name, const char* cppName,
                const char* app, int flags, bool entity) {
    w.text(0, "CLASS");
    w.text(1, name);
    w.text(2, cppName);
    w.text(3, app);
    w.integer(90, flags);
    if (version == DxfVersion::R2013) w.integer(91, 0);
    w.integer(280, 0);
    w.integer(281, entity ? 1 : 0);
}

void writeClasses(DxfWriter& w, DxfVersion version, bool pictures) {
    w.beginSection("CLASSES");
    writeClass(w, version, "ACDBDICTIONARYWDFLT", "AcDbDictionaryWithDefault", "ObjectDBX Classes", 0, false);
    writeClass(w, version, "ACDBPLACEHOLDER", "AcDbPlaceHolder", "ObjectDBX Classes", 0, false);
    writeClass(w, version, "LAYOUT", "AcDbLayout", "ObjectDBX Classes", 0, false);
    if (pictures) {
        writeClass(w, version, "IMAGE", "AcDbRasterImage", "ISM", 127, true);
        writeClass(w, version, "IMAGEDEF", "AcDbRasterImageDef", "ISM", 0, false);
        writeClass(w, version, "IMAGEDEF_REACTOR", "AcDbRasterImageDefReactor", "ISM", 1, false);
        writeClass(w, version, "RASTERVARIABLES", "AcDbRasterVariables", "ISM", 0, false);
    }
    w.endSection();
}

void blockBegin(DxfWriter& w, DxfHandles& handles, DxfHandle record, const std::string& name,
                bool anonymous) {
    w.object("BLOCK", handles.take(), record);
    w.text(100, "AcDbEntity");
    w.text(8, "0");
    w.text(100, "AcDbBlockBegin");
    w.text(2, name);
    w.integer(70, anonymous ? 1 : 0);
    w.point(10, 0.0, 0.0);
    w.text(3, name);
    w.text(1, "");
}

void blockEnd(DxfWriter& w, DxfHandles& handles, DxfHandle record) {
    w.object("ENDBLK", handles.take(), record);
    w.text(100, "AcDbEntity");
    w.text(8, "0");
    w.text(100, "AcDbBlockEnd");
}

void writeDictionary(DxfWriter& w, DxfHandle own, DxfHandle owner,
                     const std::vector<std::pair<const char*, DxfHandle>>& entries) {
    w.object("DICTIONARY", own, owner);
    w.text(100, "AcDbDictionary");
    w.integer(281, 1);
    for (const auto& [name, handle] : entries) {
        w.text(3, name);
        w.handle(350, handle);
    }
}

// A layout with its plot settings: an A3 sheet in millimetres, at 1:1.
void writeLayout(DxfWriter& w, DxfHandle own, DxfHandle owner, const char* name, int order,
                 DxfHandle record) {
    w.object("LAYOUT", own, owner);
    w.text(100, "AcDbPlotSettings");
    w.text(1, "");
    w.text(2, "none_device");
    w.text(4, "ISO_A3_(420.00_x_297.00_MM)");
    w.text(6, "");
    for (int code : {40, 41, 42, 43}) w.real(code, 0.0);
    w.real(44, 420.0);
    w.real(45, 297.0);
    for (int code : {46, 47, 48, 49, 140, 141}) w.real(code, 0.0);
    w.real(142, 1.0);
    w.real(143, 1.0);
    w.integer(70, order == 0 ? 1024 : 0);
    w.integer(72, 1);  // millimetres
    w.integer(73, 0);
    w.integer(74, 5);
    w.text(7, "");
    w.integer(75, 16);
    w.integer(76, 0);
    w.integer(77, 2);
    w.integer(78, 300);
    w.real(147, 1.0);
    w.real(148, 0.0);
    w.real(149, 0.0);
    w.text(100, "AcDbLayout");
    w.text(1, name);
    w.integer(70, 1);
    w.integer(71, order);
    w.real(10, 0.0);
    w.real(20, 0.0);
    w.real(11, 420.0);
    w.real(21, 297.0);
    w.point(12, 0.0, 0.0);
    w.point(14, 1e20, 1e20);
    w.point(15, -1e20, -1e20);
    w.real(146, 0.0);
    w.point(13, 0.0, 0.0);
    w.point(16, 1.0, 0.0);
    w.point(17, 0.0, 1.0);
    w.integer(76, 1);
    w.handle(330, record);
}

void writeObjects(DxfWriter& w, const FixedObjects& f, const DxfPictures& pictures,
                  const DxfEntities& entities) {
    w.beginSection("OBJECTS");
    std::vector<std::pair<const char*, DxfHandle>> root = {
        {"ACAD_GROUP", f.groups},           {"ACAD_LAYOUT", f.layouts},
        {"ACAD_MLINESTYLE", f.mlineStyles}, {"ACAD_PLOTSETTINGS", f.plotSettings},
        {"ACAD_PLOTSTYLENAME", f.plotStyles}};
    if (!pictures.empty()) {
        root.emplace_back("ACAD_IMAGE_DICT", pictures.dictionary());
        root.emplace_back("ACAD_IMAGE_VARS", pictures.variables());
    }
    writeDictionary(w, f.root, 0, root);
    writeDictionary(w, f.groups, f.root, {});
    writeDictionary(w, f.layouts, f.root, {{"Model", f.modelLayout}, {"Layout1", f.paperLayout}});
    writeDictionary(w, f.mlineStyles, f.root, {{"Standard", f.mlineStandard}});
    writeDictionary(w, f.plotSettings, f.root, {});
    w.object("ACDBDICTIONARYWDFLT", f.plotStyles, f.root);
    w.text(100, "AcDbDictionary");
    w.integer(281, 1);
    w.text(3, "Normal");
    w.handle(350, f.plotStyleNormal);
    w.text(100, "AcDbDictionaryWithDefault");
    w.handle(340, f.plotStyleNormal);
    w.object("ACDBPLACEHOLDER", f.plotStyleNormal, f.plotStyles);
    w.object("MLINESTYLE", f.mlineStandard, f.mlineStyles);
    w.text(100, "AcDbMlineStyle");
    w.text(2, "Standard");
    w.integer(70, 0);
    w.text(3, "");
    w.integer(62, 256);
    w.real(51, 90.0);
    w.real(52, 90.0);
    w.integer(71, 2);
    w.real(49, 0.5);
    w.integer(62, 256);
    w.text(6, "BYLAYER");
    w.real(49, -0.5);
    w.integer(62, 256);
    w.text(6, "BYLAYER");
    writeLayout(w, f.modelLayout, f.layouts, "Model", 0, f.modelRecord);
    writeLayout(w, f.paperLayout, f.layouts, "Layout1", 1, f.paperRecord);
    pictures.writeObjects(w, f.root, entities.imageReactors());
    w.endSection();
}

std::string count(size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

void reportLosses(const DxfLosses& l, const DxfStrings& strings, const RenderOptions& render,
                  std::vector<std::string>& warnings) {
    if (l.badCoordinates)
        warnings.push_back(count(l.badCoordinates, "record was", "records were") +
                           " left out of the DXF: coordinates or sizes not finite or beyond 10,000 km");
    if (l.missingBlocks)
        warnings.push_back(count(l.missingBlocks, "block insert refers", "block inserts refer") +
                           " to a block that has no definition; left out of the DXF");
    if (l.cyclicInserts)
        warnings.push_back(count(l.cyclicInserts, "block insert", "block inserts") +
                           " would make a block contain itself; left out of the DXF");
    if (l.zeroScales)
        warnings.push_back(count(l.zeroScales, "block scale of 0 was", "block scales of 0 were") +
                           " written as 1");
    if (l.unknownArcSolids)
        warnings.push_back(count(l.unknownArcSolids, "arc solid has no known shape and, as in the picture, was",
                                 "arc solids have no known shape and, as in the picture, were") +
                           " left out");
    if (l.randomLines)
        warnings.push_back(count(l.randomLines, "random line (line types 11 to 15) is",
                                 "random lines (line types 11 to 15) are") +
                           " written with dashed line types named JW_RANDOM_n; DXF has no zig-zag lines");
    if (l.verticalTexts)
        warnings.push_back(count(l.verticalTexts, "vertical text is", "vertical texts are") +
                           " written one character per line; brackets and dashes that Jw_cad turns "
                           "along the column stay upright");
    if (l.styledTexts)
        warnings.push_back(count(l.styledTexts, "text uses", "texts use") +
                           " ^ codes for weight, slant, underline, colour, face, scripts or overlays; "
                           "the DXF shows its characters plainly");
    if (strings.replaced())
        warnings.push_back(count(strings.replaced(), "character that is", "characters that are") +
                           " not CP932 written as \xEF\xBC\x9F");
    if (render.hatchOn)
        warnings.push_back("solids are written filled; the hatching setting shapes only pictures");
}

}  // namespace

bool DxfVersionFromName(const std::string& name, DxfVersion& version) {
    std::string n;
    for (char c : name) n.push_back(static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c));
    if (n == "2000" || n == "R2000" || n == "AC1015") version = DxfVersion::R2000;
    else if (n == "2013" || n == "R2013" || n == "AC1027") version = DxfVersion::R2013;
    else return false;
    return true;
}

DxfExportResult ExportDxf(const Drawing& drawing, const RenderOptions& render, DxfVersion version,
                          const std::string& companionStem, std::vector<uint8_t>& out) {
    DxfExportResult result;
    DxfStrings strings(version);
    DxfHandles handles;
    RenderContext context(drawing, render);

    FixedObjects fixed;
    for (DxfHandle* h : {&fixed.root, &fixed.groups, &fixed.layouts, &fixed.mlineStyles,
                         &fixed.mlineStandard, &fixed.plotSettings, &fixed.plotStyles,
                         &fixed.plotStyleNormal, &fixed.modelLayout, &fixed.paperLayout}) {
        *h = handles.take();
    }
    DxfTables tables(drawing, context.pens, strings, handles, render.layers);
    DxfPictures pictures(drawing, strings, render.builtInDecodersOnly, companionStem);
    planTables(drawing, tables, pictures);
    tables.finish();
    tables.setPlotStylePlaceholder(fixed.plotStyleNormal);
    pictures.finish(handles);
    const DxfBlockPlan plan = PlanDxfBlocks(drawing, strings);

    fixed.modelRecord = tables.addBlockRecord("*Model_Space", false, fixed.modelLayout);
    fixed.paperRecord = tables.addBlockRecord("*Paper_Space", false, fixed.paperLayout);
    std::vector<DxfHandle> symbolRecords, dimensionRecords, definitionRecords;
    for (int code : plan.symbolCodes)
        symbolRecords.push_back(tables.addBlockRecord(plan.names.symbols[code + 32], false));
    for (const auto& [set, index] : plan.dimensions)
        dimensionRecords.push_back(tables.addBlockRecord(plan.names.dimensions[set][index], true));
    for (const std::string& name : plan.names.definitions)
        definitionRecords.push_back(name.empty() ? 0 : tables.addBlockRecord(name, false));

    // The body goes straight into `out`; the header, known last, is moved in before it. Room is
    // kept for both, so nothing of a large file is copied to a new place.
    const size_t start = out.size();
    out.reserve(start + 65536 + (drawing.top.size() + drawing.members.size()) * 240);
    DxfWriter w(out);
    writeClasses(w, version, !pictures.empty());
    tables.write(w);

    DxfEntities entities(context, w, handles, tables, plan.names, pictures, strings);
    w.beginSection("BLOCKS");
    for (const auto& [record, name] : {std::make_pair(fixed.modelRecord, "*Model_Space"),
                                       std::make_pair(fixed.paperRecord, "*Paper_Space")}) {
        blockBegin(w, handles, record, name, false);
        blockEnd(w, handles, record);
    }
    for (size_t i = 0; i < plan.symbolCodes.size(); ++i) {
        blockBegin(w, handles, symbolRecords[i], plan.names.symbols[plan.symbolCodes[i] + 32], false);
        entities.symbolContent(plan.symbolCodes[i], symbolRecords[i]);
        blockEnd(w, handles, symbolRecords[i]);
    }
    for (size_t i = 0; i < plan.dimensions.size(); ++i) {
        const auto& [set, index] = plan.dimensions[i];
        const RecordSet& records = set == 0 ? drawing.top : drawing.members;
        blockBegin(w, handles, dimensionRecords[i], plan.names.dimensions[set][index], true);
        entities.dimensionContent(records.dimensions[index], dimensionRecords[i]);
        blockEnd(w, handles, dimensionRecords[i]);
    }
    for (uint32_t d = 0; d < plan.names.definitions.size(); ++d) {
        size_t first = 0, n = 0;
        if (plan.names.definitions[d].empty() || !drawing.blockMembers(d, first, n)) continue;
        blockBegin(w, handles, definitionRecords[d], plan.names.definitions[d], false);
        for (size_t i = first; i < first + n; ++i)
            entities.record(drawing.members, 1, drawing.members.sequence[i], definitionRecords[d]);
        blockEnd(w, handles, definitionRecords[d]);
    }
    w.endSection();

    w.beginSection("ENTITIES");
    for (const RecordRef& ref : drawing.top.sequence) entities.record(drawing.top, 0, ref, fixed.modelRecord);
    w.endSection();
    writeObjects(w, fixed, pictures, entities);
    w.text(0, "EOF");

    std::vector<uint8_t> head;
    DxfWriter h(head);
    writeHeader(h, drawing, version, tables, handles.next());
    out.insert(out.begin() + static_cast<std::ptrdiff_t>(start), head.begin(), head.end());

    result.warnings = pictures.warnings();
    reportLosses(entities.losses(), strings, render, result.warnings);
    result.companions = pictures.takeCompanions();
    result.ok = true;
    return result;
}

}  // namespace korvel
