// The program's own settings: the key table, load and save, and the own pens.
#include "app/app_settings.h"

#include <cstdlib>
#include <filesystem>

#include "app/option_table.h"
#include "platform/ini_file.h"

namespace korvel {

namespace {

std::string numbered(const char* family, int n) { return std::string(family) + std::to_string(n); }

// A value written by name where the file keeps a number ("PNGComp=best", "JpegPrgrs=on"), as
// the command line takes it; false for anything else.
bool namedValue(const IniFile& ini, const char* section, const std::string& key, long& number) {
    const std::optional<std::string> text = ini.value(section, key);
    int plain = 0;
    if (!text || ParseIniInteger(*text, plain)) return false;
    const OptionSpec* option = OptionForKey(section, key);
    std::string why;
    return option && ParseOptionValue(*option, *text, number, why);
}

// Reads each value with the value in memory as its default.
class IniReader : public SettingsVisitor {
public:
    explicit IniReader(const IniFile& ini) : ini_(ini) {}
    void integer(const char* s, const std::string& k, int& v) override {
        long named = 0;
        v = namedValue(ini_, s, k, named) ? static_cast<int>(named) : ini_.readInteger(s, k, v);
    }
    void boolean(const char* s, const std::string& k, bool& v) override {
        long named = 0;
        v = namedValue(ini_, s, k, named) ? named != 0 : ini_.readBool(s, k, v);
    }
    void byte(const char* s, const std::string& k, uint8_t& v) override {
        v = static_cast<uint8_t>(ini_.readInteger(s, k, v) & 0xFF);
    }
    void pen(const char* s, const std::string& k, uint32_t& v) override {
        v = static_cast<uint32_t>(ini_.readInteger(s, k, static_cast<int>(v)));
    }
    void text(const char* s, const std::string& k, std::string& v) override { v = ini_.readString(s, k, v); }

private:
    const IniFile& ini_;
};

class IniWriter : public SettingsVisitor {
public:
    IniWriter(IniFile& ini, const SettingsKeyFilter& only) : ini_(ini), only_(only) {}
    void integer(const char* s, const std::string& k, int& v) override {
        if (wanted(s, k)) ini_.setInteger(s, k, v);
    }
    void boolean(const char* s, const std::string& k, bool& v) override {
        if (wanted(s, k)) ini_.setInteger(s, k, v ? 1 : 0);
    }
    void byte(const char* s, const std::string& k, uint8_t& v) override {
        if (wanted(s, k)) ini_.setInteger(s, k, v);
    }
    // Written as the signed 32-bit integer the file has always held.
    void pen(const char* s, const std::string& k, uint32_t& v) override {
        if (wanted(s, k)) ini_.setInteger(s, k, static_cast<int32_t>(v));
    }
    void text(const char* s, const std::string& k, std::string& v) override {
        if (wanted(s, k)) ini_.set(s, k, v);
    }

private:
    bool wanted(const char* s, const std::string& k) const { return !only_ || only_(s, k); }
    IniFile& ini_;
    const SettingsKeyFilter& only_;
};

}  // namespace

OwnPenSet BuiltInPens() {
    OwnPenSet p;
    p.color = {0xFFFFFF, 0x00C0C0, 0x000000, 0x00C000, 0xC0C000,
               0xC000C0, 0x0000FF, 0x008080, 0xFF0080, 0xFF80FF};
    p.width = {0, 1, 1, 1, 1, 1, 2, 3, 5, 1};
    return p;
}

void SetBuiltInPens(DrawingHeader& penTable) {
    OwnPenSet p = BuiltInPens();
    penTable.PenColor = p.color;
    for (int n = 1; n < kPenColors; ++n) penTable.PenWidth[n] = p.width[n];
}

void SaveOwnPens(AppSettings& settings, const DrawingHeader& penTable) {
    settings.ownPens.color = penTable.PenColor;
    for (int n = 1; n < kPenColors; ++n) settings.ownPens.width[n] = penTable.PenWidth[n];
}

void RestoreOwnPens(const AppSettings& settings, DrawingHeader& penTable) {
    penTable.PenColor = settings.ownPens.color;
    for (int n = 1; n < kPenColors; ++n) penTable.PenWidth[n] = settings.ownPens.width[n];
}

void VisitSettings(AppSettings& s, DrawingHeader& t, SettingsVisitor& v) {
    GraphicOptions& g = s.graphic;
    v.integer("Graphic", "JpegValue", g.jpegValue);
    v.boolean("Graphic", "JpegPrgrs", g.jpegProgressive);
    v.integer("Graphic", "PNGComp", g.pngCompression);
    v.boolean("Graphic", "PNGInlc", g.pngInterlaced);
    v.boolean("Graphic", "PNGTrans", g.pngTransparent);
    v.boolean("Graphic", "GIFComp", g.gifLzw);
    v.integer("Graphic", "GIFDith", g.gifDither);
    v.integer("Graphic", "GIFSubColor", g.gifSubColor);
    v.boolean("Graphic", "GIFTrans", g.gifTransparent);
    v.integer("Graphic", "SolidFlag", s.solidFlag);
    v.boolean("Graphic", "BwPlotFlg", g.bwPlot);
    v.boolean("Graphic", "Bw2GFlg", g.bw2Grey);
    v.boolean("Graphic", "GrpFlg", g.picturesHidden);
    v.boolean("Graphic", "SPIFlg", g.builtInDecodersOnly);
    v.boolean("Graphic", "SenFlg", g.thinLines);
    v.boolean("Graphic", "AuxLineFlg", g.auxLineHidden);
    v.boolean("Graphic", "RealScaleFlg", g.realScale);

    v.integer("Form", "outWsizeF", s.outputSizeChoice);
    v.integer("Form", "outWsize", s.outputWidth);
    v.boolean("Form", "CBmonitorFlg", s.clipboardWatching);

    v.boolean("JwwSStyle", "LSolidStyleFlg", s.hatchByLineColor);
    v.boolean("JwwSStyle", "CSolidStyleFlg", s.hatchByColorFamily);
    v.boolean("JwwSStyle", "JSolidStyleFlg", s.hatchOn);
    for (int n = 0; n < 10; ++n) v.byte("JwwSStyle", numbered(" LSolidStyle", n), s.lineColorHatch[n]);
    for (int n = 0; n < 9; ++n) v.byte("JwwSStyle", numbered(" CSolidStyle", n), s.colorFamilyHatch[n]);
    for (int n = 1; n < kPenColors; ++n) v.pen("JwwSStyle", numbered(" KVLSenWidth", n), t.PenWidth[n]);

    v.boolean("PenColor", "PenColorFlag", s.penColorFlag);
    for (int n = 0; n < kPenColors; ++n) v.pen("PenColor", numbered(" PenColorData", n), t.PenColor[n]);

    v.integer("TextClip", "ShiftY", s.textShiftY);
    v.integer("TextClip", "Delimit", s.textDelimiter);
    v.boolean("TextClip", "DataOutFlag", s.textToClipboard);
    v.text("TextClip", "Encoding", s.textEncoding);

    v.text("Folder", "name", s.folderName);
}

SettingsLoadReport LoadSettings(const std::string& path, AppSettings& settings, DrawingHeader& penTable,
                                const std::string& defaultFolder) {
    SettingsLoadReport report;
    report.path = path;
    report.attempted = true;
    IniFile ini;
    IniFile::ReadResult read = IniFile::read(path, ini);
    report.fileExisted = read.exists;
    report.complete = read.complete;
    report.problem = read.error;

    // The keys' defaults are those of a fresh start; the pen keys default to the table.
    OwnPenSet keep = settings.ownPens;
    BrushStyle brush = settings.solidBrushStyle;
    settings = AppSettings{};
    settings.ownPens = keep;
    settings.solidBrushStyle = brush;
    settings.folderName = defaultFolder;

    IniReader reader(ini);
    VisitSettings(settings, penTable, reader);
    SaveOwnPens(settings, penTable);
    return report;
}

void ApplySettingsValues(const IniFile& values, AppSettings& settings, DrawingHeader& penTable) {
    RestoreOwnPens(settings, penTable);
    IniReader reader(values);
    VisitSettings(settings, penTable, reader);
    SaveOwnPens(settings, penTable);
}

SettingsSaveResult SaveSettings(const std::string& path, AppSettings& settings, DrawingHeader& penTable,
                                const SettingsLoadReport& load, const SettingsKeyFilter& only) {
    SettingsSaveResult result;
    IniFile ini;
    IniFile::ReadResult now = IniFile::read(path, ini);
    const bool readAtStart = load.attempted && load.path == path && load.complete;
    if (now.exists && !readAtStart) {
        result.error = path + ": not written, to keep the values it holds: ";
        result.error += !load.attempted || load.path != path ? "it was not read at start"
                        : load.problem.empty()                ? "it was not read completely at start"
                                                              : load.problem;
        return result;
    }
    if (now.exists && !now.complete) {
        result.error = path + ": not written, to keep the values it holds: " + now.error;
        return result;
    }
    RestoreOwnPens(settings, penTable);
    IniWriter writer(ini, only);
    VisitSettings(settings, penTable, writer);
    result.written = ini.write(path, result.error);
    return result;
}

std::string DefaultSettingsPath() {
    namespace fs = std::filesystem;
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    fs::path base;
    if (xdg && *xdg && fs::path(xdg).is_absolute()) {
        base = xdg;
    } else {
        const char* home = std::getenv("HOME");
        base = fs::path(home && *home ? home : ".") / ".config";
    }
    return (base / "korvel" / "Korvel.INI").string();
}

std::string DefaultFolderName() {
    const char* home = std::getenv("HOME");
    std::string folder = home && *home ? home : "/";
    if (folder.back() != '/') folder += '/';
    return folder;
}

RenderOptions MakeRenderOptions(const AppSettings& s, const JwCadTextOptions& jwcad) {
    RenderOptions o;
    o.bwPlot = s.graphic.bwPlot;
    o.bw2Grey = s.graphic.bw2Grey;
    o.auxLineHidden = s.graphic.auxLineHidden;
    o.thinLines = s.graphic.thinLines;
    o.hatchOn = s.hatchOn;
    o.hatchByLineColor = s.hatchByLineColor;
    o.hatchByColorFamily = s.hatchByColorFamily;
    o.lineColorHatch = s.lineColorHatch;
    o.colorFamilyHatch = s.colorFamilyHatch;
    o.solidBrushStyle = s.solidBrushStyle;
    o.picturesHidden = s.graphic.picturesHidden;
    o.builtInDecodersOnly = s.graphic.builtInDecodersOnly;
    o.lastDraw = jwcad.lastDraw;
    o.drawOutLine = jwcad.drawOutLine;
    o.outLineExpansion = jwcad.outLineExpansion;
    o.drawOrder = -1;
    return o;
}

void SeedDrawingHeader(const AppSettings& settings, DrawingHeader& header) {
    header.DisplayOption[2] = static_cast<uint32_t>(settings.solidFlag);
}

}  // namespace korvel
