// korvel info: what a drawing holds, for people or (with --json) for programs.
#include <array>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "app/settings_session.h"
#include "cli/command.h"
#include "cli/options.h"
#include "drawing/colour.h"
#include "drawing/cp932.h"
#include "drawing/loaders.h"
#include "drawing/printable_text.h"
#include "render/pen_table.h"
#include "render/picture_references.h"

namespace korvel::cli {

namespace {

std::string jsonString(const std::string& utf8) {
    std::string out = "\"";
    for (unsigned char c : utf8) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20) {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\u%04x", c);
                    out += buf;
                } else {
                    out.push_back(static_cast<char>(c));
                }
        }
    }
    return out + "\"";
}

// "#RRGGBB" for a 0x00BBGGRR pen colour.
std::string rgbText(uint32_t c) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "#%02X%02X%02X", RedOf(c), GreenOf(c), BlueOf(c));
    return buf;
}

std::string jsonNumber(double v) {
    if (!std::isfinite(v)) return "null";
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.17g", v);
    return buf;
}

const char* kindName(DataKind k) {
    switch (k) {
        case DataKind::Jww: return "jww";
        case DataKind::Jws: return "jws";
        case DataKind::Jwz: return "jwz";
    }
    return "jww";
}

// "Ver : 6.00", as the status bar shows the version.
std::string versionText(uint32_t v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "Ver : %u.%02u", v / 100, v % 100);
    return buf;
}

std::string paperName(uint32_t paper) {
    return paper < 12 ? kPaperSizeNames[paper] : "(" + std::to_string(paper) + ")";
}

// Block names without the compound-figure mark that Jw_cad 4.10 and later append.
std::string displayBlockName(const std::string& cp932) {
    const std::string mark = "@@SfigorgFlag@@";
    size_t at = cp932.find(mark);
    std::string shown = at == std::string::npos ? cp932 : cp932.substr(0, at);
    return Cp932ToUtf8(shown);
}

// The drawing's own pens (JWS and Jw_win data carry none: theirs are the settings' the load
// started from) and those a conversion draws it with.
struct Pens {
    std::string missing;  // why the drawing has no pens of its own; empty when it has
    PenTable inEffect;
    std::string source;
};

std::string whyNoPens(const LoadResult& r) {
    if (r.kind == DataKind::Jws) return "JWS data carries no pens or line types";
    if (r.kind == DataKind::Jwz) return "Jw_win data carries no pens or line types";
    if (r.recovered) return "not read: the records were recovered by scanning";
    return {};
}

std::string penList(const std::array<uint32_t, kPenColors>& colors, const std::array<uint32_t, kPenColors>& widths) {
    std::string s;
    for (int n = 0; n < kPenColors; ++n) s += " " + std::to_string(n) + " " + rgbText(colors[n]) + "/" + std::to_string(widths[n]);
    return s;
}

std::string jsonPens(const std::array<uint32_t, kPenColors>& colors, const std::array<uint32_t, kPenColors>& widths) {
    std::string s = "\"colors\":[";
    for (int n = 0; n < kPenColors; ++n) s += (n ? ",\"" : "\"") + rgbText(colors[n]) + "\"";
    s += "],\"widths\":[";
    for (int n = 0; n < kPenColors; ++n) s += (n ? "," : "") + std::to_string(widths[n]);
    return s + "]";
}

// The load's warnings, and what saving would drop, which is worth knowing about a drawing.
std::vector<std::string> warningsOf(const LoadResult& r) {
    std::vector<std::string> all = r.warnings;
    if (!r.droppedOnSave.empty()) all.push_back(r.droppedOnSave);
    return all;
}

// What a load read less than the data holds, for programs: null when it read it whole.
std::string incompleteJson(const ReadCompleteness& c) {
    if (c.complete) return "null";
    std::string s = "{\"announced\":" + std::to_string(c.announced) + ",\"read\":" + std::to_string(c.read) +
                    ",\"ended_at\":" + std::to_string(c.endedAt) + ",\"data_size\":" + std::to_string(c.dataSize);
    if (c.damaged) s += ",\"damaged_at\":" + std::to_string(c.damagedAt);
    if (c.recovered) {
        s += ",\"skipped_stretches\":" + std::to_string(c.skippedStretches) +
             ",\"skipped_bytes\":" + std::to_string(c.skippedBytes) +
             ",\"dropped_records\":" + std::to_string(c.droppedRecords);
    }
    return s + ",\"description\":" + jsonString(DescribeIncompleteRead(c)) + "}";
}

void printJson(const std::string& file, DataKind kind, const Drawing& d, const LoadResult& r, const Pens& pens) {
    const Extents& e = d.extents;
    std::string s = "{\"file\":" + jsonString(file) + ",\"kind\":\"" + kindName(kind) + "\"";
    s += ",\"version\":" + std::to_string(d.header.Version);
    s += ",\"expected_count\":" + std::to_string(d.ExpectedCount);
    s += ",\"memo\":" + jsonString(Cp932ToUtf8(d.header.Memo));
    s += ",\"paper_size\":" + std::to_string(d.header.PaperSize);
    s += ",\"counts\":{\"lines\":" + std::to_string(d.LineCount()) + ",\"circles\":" + std::to_string(d.CircleCount()) +
         ",\"texts\":" + std::to_string(d.TextCount()) + ",\"points\":" + std::to_string(d.PointCount()) +
         ",\"dimensions\":" + std::to_string(d.DimensionCount()) + ",\"solids\":" + std::to_string(d.SolidCount()) +
         ",\"block_inserts\":" + std::to_string(d.BlockInsertCount()) +
         ",\"block_definitions\":" + std::to_string(d.BlockDefinitionCount()) + "}";
    s += ",\"block_members\":" + std::to_string(d.members.size());
    s += std::string(",\"truncated\":") + (d.Truncated ? "true" : "false");
    s += ",\"read_incomplete\":" + incompleteJson(d.completeness);
    s += std::string(",\"stopped\":") + (d.Stopped ? "true" : "false");
    s += std::string(",\"all_layers\":") + (d.AllLayers ? "true" : "false");
    s += ",\"extents\":{\"min_x\":" + jsonNumber(e.MinX) + ",\"min_y\":" + jsonNumber(e.MinY) +
         ",\"max_x\":" + jsonNumber(e.MaxX) + ",\"max_y\":" + jsonNumber(e.MaxY) +
         ",\"center_x\":" + jsonNumber(e.CenterX) + ",\"center_y\":" + jsonNumber(e.CenterY) +
         ",\"aspect\":" + jsonNumber(e.Aspect) + "}";
    s += ",\"embedded_pictures\":" + std::to_string(d.embeddedPictures.size());
    s += ",\"pictures\":[";
    const std::vector<PictureReferenceStatus> pictures = ListPictureReferences(d);
    for (size_t i = 0; i < pictures.size(); ++i) {
        s += std::string(i ? "," : "") + "{\"reference\":" + jsonString(pictures[i].reference) +
             ",\"resolves\":" + (pictures[i].resolves ? "true" : "false") + "}";
    }
    s += "]";
    if (pens.missing.empty()) {
        s += ",\"pen_colors\":[";
        for (int n = 0; n < kPenColors; ++n) s += (n ? ",\"" : "\"") + rgbText(d.header.PenColor[n]) + "\"";
        s += "],\"pen_widths\":[";
        for (int n = 0; n < kPenColors; ++n) s += (n ? "," : "") + std::to_string(d.header.PenWidth[n]);
        s += "]";
    } else {
        s += ",\"pen_colors\":null,\"pen_widths\":null";
    }
    s += std::string(",\"own_line_types\":") + (pens.missing.empty() && HasOwnLineTypes(d.header) ? "true" : "false");
    s += ",\"pens_drawn_with\":{\"source\":" + jsonString(pens.source) + "," +
         jsonPens(pens.inEffect.PenColor, pens.inEffect.PenWidth) + "}";
    s += ",\"recovered\":" + std::string(r.recovered ? "true" : "false");
    s += ",\"warnings\":[";
    const std::vector<std::string> warnings = warningsOf(r);
    for (size_t i = 0; i < warnings.size(); ++i) s += (i ? "," : "") + jsonString(warnings[i]);
    s += "]}";
    std::printf("%s\n", s.c_str());
}

const char* layerStateName(uint32_t state) {
    switch (state) {
        case 0: return "hidden";
        case 1: return "shown only";
        case 2: return "editable";
        case 3: return "write layer";
        default: return "shown";
    }
}

// Every string that comes from the drawing or its name is printed with its control characters
// escaped: text output goes to terminals, where they would act instead of showing.
void printHuman(const std::string& file, DataKind kind, const Drawing& d, const LoadResult& r, const Pens& pens) {
    const auto shown = [](const std::string& utf8) { return EscapeControlCharacters(utf8); };
    const DrawingHeader& h = d.header;
    std::printf("%s (%s%s)\n", shown(file).c_str(), kindName(kind), r.recovered ? ", recovered by scanning" : "");
    std::printf("  %s\n", versionText(h.Version).c_str());
    std::string memo = Cp932ToUtf8(h.Memo);
    for (size_t at; (at = memo.find("\r\n")) != std::string::npos;) memo.replace(at, 2, " / ");
    std::printf("  memo: %s\n", shown(memo).c_str());
    std::printf("  paper: %s\n", paperName(h.PaperSize).c_str());
    std::printf("  records: %u announced, %u read\n", d.ExpectedCount, d.RecordCount());
    std::printf("    lines %u, circles %u, texts %u, points %u, dimensions %u, solids %u, block inserts %u\n",
                d.LineCount(), d.CircleCount(), d.TextCount(), d.PointCount(), d.DimensionCount(), d.SolidCount(),
                d.BlockInsertCount());
    std::printf("  block definitions: %u (%zu members)\n", d.BlockDefinitionCount(), d.members.size());
    for (uint32_t k = 0; k < d.BlockDefinitionCount(); ++k) {
        const TDataList& def = d.top.definitions[k];
        std::printf("    %u: %s (%u members)\n", k, shown(displayBlockName(def.name)).c_str(), def.count);
    }
    const Extents& e = d.extents;
    std::printf("  extents: x %.6f .. %.6f, y %.6f .. %.6f (aspect %.6f)\n", e.MinX, e.MaxX, e.MinY, e.MaxY, e.Aspect);
    if (!d.embeddedPictures.empty()) std::printf("  embedded pictures: %zu\n", d.embeddedPictures.size());
    const std::vector<PictureReferenceStatus> pictures = ListPictureReferences(d);
    if (!pictures.empty()) std::printf("  picture references: %zu\n", pictures.size());
    for (const PictureReferenceStatus& p : pictures)
        std::printf("    %s (%s)\n", shown(p.reference).c_str(), p.resolves ? "found" : "not found");
    std::printf("  layer groups:%s\n", d.AllLayers ? " (all layers are drawn for this kind of data)" : "");
    for (int g = 0; g < kLayerGroups; ++g) {
        std::string name = shown(Cp932ToUtf8(h.LayerGroupName[g]));
        std::printf("    %X %-20s %s, scale 1/%g", g, name.empty() ? "-" : name.c_str(), layerStateName(h.LayerGroupState[g]),
                    h.LayerGroupScale[g]);
        int hidden = 0;
        for (int l = 0; l < kLayers; ++l) hidden += h.LayerState[g][l] == 0;
        if (hidden) std::printf(", %d hidden layer(s)", hidden);
        std::printf("\n");
    }
    if (pens.missing.empty()) {
        std::printf("  pens of the drawing (colour/width):%s\n", penList(h.PenColor, h.PenWidth).c_str());
        if (!HasOwnLineTypes(h)) std::printf("  line types: none in the drawing; the built-in ones are drawn\n");
    } else {
        std::printf("  pens of the drawing: none (%s)\n", pens.missing.c_str());
    }
    std::printf("  pens drawn with, %s:%s\n", pens.source.c_str(),
                penList(pens.inEffect.PenColor, pens.inEffect.PenWidth).c_str());
    if (d.Truncated) std::printf("  the data is truncated\n");
    if (d.Stopped) std::printf("  reading stopped at a block definition\n");
    for (const std::string& w : warningsOf(r)) std::printf("  warning: %s\n", shown(w).c_str());
}

int runInfo(const std::vector<std::string>& args) {
    CommandLine line;
    if (!ParseArguments("info", kInfoCommand, args, line)) return kExitUsage;
    if (line.files.empty()) {
        PrintError("info: no drawing given (korvel info --help lists the options)");
        return kExitUsage;
    }
    const bool json = line.flags.count("--json") != 0, recover = line.flags.count("--recover") != 0;
    const bool forced = line.has("--as");
    const DataKind forcedKind = forced ? DataKindOf(line.number.at("--as")) : DataKind::Jww;
    if (!NamedSettingsFilesExist("info", line.settings)) return kExitUsage;
    // The pens shown besides the drawing's own are those a conversion would draw with.
    const SettingsSession settings = SettingsSession::start(line.settings);
    for (const std::string& warning : settings.warnings) PrintError(warning);
    int status = kExitOk;
    for (const std::string& file : line.files) {
        Drawing d;
        settings.prepareDrawing(d);
        LoadResult r = LoadFile(d, file, recover, forced ? &forcedKind : nullptr);
        if (!r.ok) {
            status = kExitFailed;
            if (json) std::printf("{\"file\":%s,\"error\":%s}\n", jsonString(file).c_str(), jsonString(r.error).c_str());
            else PrintError(r.error);
            continue;
        }
        std::vector<std::string> problems;
        const Pens pens{whyNoPens(r), settings.pensFor(d, &problems), settings.pensDescription()};
        for (const std::string& problem : problems) r.warnings.push_back(problem);
        if (json) printJson(file, r.kind, d, r, pens);
        else printHuman(file, r.kind, d, r, pens);
    }
    return status;
}

CommandRegistrar registrar("info", "info [--json] [--recover] [--as jww|jws|jwz] FILE...",
                           "Tells what a drawing holds: version, memo, paper, record counts, blocks, extents,\n"
                           "layers, pictures, its pens and the pens it is drawn with, and any warnings.",
                           kInfoCommand, runInfo);

}  // namespace

}  // namespace korvel::cli
