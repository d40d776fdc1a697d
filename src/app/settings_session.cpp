// One run's settings, set up in the main window's start-up order.
#include "app/settings_session.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "drawing/drawing_builder.h"
#include "platform/registry_source.h"

namespace korvel {

namespace {

// Empty when `path` can be opened for reading, else why not.
std::string whyNotReadable(const std::string& path) {
    if (::access(path.c_str(), F_OK) != 0) return errno == ENOENT ? "no such file" : std::strerror(errno);
    if (::access(path.c_str(), R_OK) != 0) return std::string("cannot be read (") + std::strerror(errno) + ")";
    return {};
}

std::shared_ptr<RegistrySource> openRegistry(SettingsSession& s) {
    if (s.options.registryPath == "none") {
        s.registryDescription = "none (--jwcad-registry none)";
        return std::make_shared<EmptyRegistrySource>();
    }
    s.registryPath = s.options.registryPath.empty() ? DefaultWineUserRegistry() : s.options.registryPath;
    auto file = std::make_shared<RegistryFile>();
    RegistryFile::LoadResult r = RegistryFile::load(s.registryPath, *file);
    for (const std::string& w : r.warnings) s.warnings.push_back(w);
    if (!r.exists) {
        s.registryDescription = s.registryPath + " (absent)";
    } else if (!r.ok) {
        s.warnings.push_back(r.error + "; Jw_cad's settings not read");
        s.registryDescription = s.registryPath + " (unreadable)";
    } else {
        s.registryDescription = s.registryPath;
    }
    return file;
}

// Every key with its value, in the settings file's form, and which keys are pens.
class ValueCollector : public SettingsVisitor {
public:
    IniFile ini;
    std::vector<std::pair<std::string, std::string>> penKeys;
    void integer(const char* s, const std::string& k, int& v) override { ini.setInteger(s, k, v); }
    void boolean(const char* s, const std::string& k, bool& v) override { ini.setInteger(s, k, v); }
    void byte(const char* s, const std::string& k, uint8_t& v) override { ini.setInteger(s, k, v); }
    void pen(const char* s, const std::string& k, uint32_t& v) override {
        ini.setInteger(s, k, static_cast<int32_t>(v));
        penKeys.emplace_back(s, k);
    }
    void text(const char* s, const std::string& k, std::string& v) override { ini.set(s, k, v); }
};

ValueCollector valuesOf(AppSettings settings, DrawingHeader table) {
    RestoreOwnPens(settings, table);
    ValueCollector c;
    VisitSettings(settings, table, c);
    return c;
}

}  // namespace

bool NamedSettingsFilesExist(const SettingsOptions& options, bool creating, std::string& error) {
    if (!options.settingsPath.empty() && !creating) {
        if (const std::string why = whyNotReadable(options.settingsPath); !why.empty())
            return error = "--settings " + options.settingsPath + ": " + why, false;
    }
    if (!options.registryPath.empty() && options.registryPath != "none") {
        if (const std::string why = whyNotReadable(options.registryPath); !why.empty())
            return error = "--jwcad-registry " + options.registryPath + ": " + why, false;
    }
    return true;
}

SettingsSession SettingsSession::start(const SettingsOptions& options) {
    SettingsSession s;
    s.options = options;
    s.registry_ = openRegistry(s);

    // The built-in pens first: an import that stops part-way leaves them in place of the pens it
    // never reached, rather than black pens of width 0.
    SetBuiltInPens(s.header);
    SetBuiltInLineTypes(s.header);
    s.import = ImportJwCadSettings(*s.registry_, s.header, s.jwcadText);
    if (!s.import.ok) s.warnings.push_back(s.import.error + "; going on with the pens read so far");
    if (!s.import.found) SetBuiltInPens(s.header);
    if (s.registryDescription == s.registryPath && !s.import.found)
        s.registryDescription += " (no Jw_cad settings in it)";

    const std::string path = options.settingsPath.empty() ? DefaultSettingsPath() : options.settingsPath;
    s.load = LoadSettings(path, s.settings, s.header, DefaultFolderName());
    if (!s.load.complete) s.warnings.push_back(s.load.problem + "; its other values are defaults and it will not be written");

    ApplySettingsValues(options.overrides, s.settings, s.header);
    SeedDrawingHeader(s.settings, s.header);

    const ValueCollector start = valuesOf(s.settings, s.header);
    s.startValues_ = start.ini;
    IniFile::read(s.load.path, s.fileKeys_);
    // Keys whose starting value the run's options gave: those they set, and the own pens the file
    // lacks, which take their defaults from the Jw_cad settings named for this run.
    s.runOnly_ = options.overrides;
    if (!options.registryPath.empty())
        for (const auto& [section, key] : start.penKeys) s.runOnly_.set(section, key, "");
    return s;
}

void SettingsSession::prepareDrawing(Drawing& drawing) const {
    drawing.header = header;
    SeedDrawingHeader(settings, drawing.header);
}

PenTable SettingsSession::pensFor(const Drawing& drawing, std::vector<std::string>* problems) const {
    return ResolvePens(options.pens, settings, *registry_, drawing.header, problems);
}

RenderOptions SettingsSession::renderOptions(const Drawing& drawing, std::vector<std::string>* problems) const {
    RenderOptions o = MakeRenderOptions(settings, jwcadText);
    o.drawOrder = options.drawOrder;
    o.pens = pensFor(drawing, problems);
    return o;
}

std::string SettingsSession::pensDescription() const { return DescribePens(options.pens, settings, *registry_); }

ExportOptions SettingsSession::exportOptions() const {
    const GraphicOptions& g = settings.graphic;
    ExportOptions o;
    o.width = settings.outputWidth;
    o.jpegQuality = g.jpegValue;
    o.jpegProgressive = g.jpegProgressive;
    o.pngCompression = g.pngCompression;
    o.pngInterlaced = g.pngInterlaced;
    o.pngTransparent = g.pngTransparent;
    o.gifLzw = g.gifLzw;
    o.gifDither = g.gifDither;
    o.gifReduction = g.gifSubColor;
    o.gifTransparent = g.gifTransparent;
    o.realScale = g.realScale;
    o.clearBackground = clearBackground();
    o.render = MakeRenderOptions(settings, jwcadText);
    o.render.drawOrder = options.drawOrder;
    return o;
}

ExportOptions SettingsSession::exportOptions(const Drawing& drawing, std::vector<std::string>* problems) const {
    ExportOptions o = exportOptions();
    o.render.pens = pensFor(drawing, problems);
    return o;
}

DrawingPreparation SettingsSession::drawingPreparation() const {
    DrawingPreparation p;
    p.beforeLoad = [this](Drawing& d) { prepareDrawing(d); };
    p.afterLoad = [this](const Drawing& d, ExportOptions& o) {
        std::vector<std::string> problems;
        o.render.pens = pensFor(d, &problems);
        return problems;
    };
    return p;
}

SettingsSaveResult SettingsSession::save() { return SaveSettings(load.path, settings, header, load); }

SettingsSaveResult SettingsSession::saveWindowChanges() {
    const IniFile now = valuesOf(settings, header).ini;
    return SaveSettings(load.path, settings, header, load, [&](const char* section, const std::string& key) {
        if (now.value(section, key) != startValues_.value(section, key)) return true;  // changed in the window
        if (fileKeys_.value(section, key)) return false;  // the file's own value stays
        return !runOnly_.value(section, key).has_value();
    });
}

}  // namespace korvel
