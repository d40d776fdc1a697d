// One run's settings, set up in the main window's start-up order.
#include "app/settings_session.h"

#include "platform/registry_source.h"

namespace korvel {

namespace {

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

}  // namespace

SettingsSession SettingsSession::start(const SettingsOptions& options) {
    SettingsSession s;
    s.options = options;
    s.registry_ = openRegistry(s);

    // The built-in pens first: an import that stops part-way leaves them in place of the pens it
    // never reached, rather than black pens of width 0.
    SetBuiltInPens(s.header);
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
    return s;
}

void SettingsSession::prepareDrawing(Drawing& drawing) const {
    drawing.header = header;
    SeedDrawingHeader(settings, drawing.header);
}

std::vector<std::string> SettingsSession::applyPens(Drawing& drawing) const {
    return ApplyPenSource(options.pens, settings, *registry_, drawing.header);
}

RenderOptions SettingsSession::renderOptions() const {
    RenderOptions o = MakeRenderOptions(settings, jwcadText);
    o.drawOrder = options.drawOrder;
    return o;
}

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
    o.render = renderOptions();
    return o;
}

DrawingPreparation SettingsSession::drawingPreparation() const {
    DrawingPreparation p;
    p.beforeLoad = [this](Drawing& d) { prepareDrawing(d); };
    p.afterLoad = [this](Drawing& d) { return applyPens(d); };
    return p;
}

SettingsSaveResult SettingsSession::save() { return SaveSettings(load.path, settings, header, load); }

}  // namespace korvel
