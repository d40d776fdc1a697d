// The settings of one run, set up as the main window does at start: Jw_cad's settings imported
// (the built-in pens when absent), the settings file read, then the command line's overrides.
// Commands take each drawing's starting header, pens and render options from it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/app_settings.h"
#include "app/pen_preparation.h"
#include "app/settings_options.h"
#include "drawing/drawing.h"
#include "drawing/drawing_name.h"
#include "output/batch_convert.h"
#include "output/export_options.h"
#include "render/render_options.h"

namespace korvel {

class SettingsSession {
public:
    // Never fails: problems with the files become warnings and the run goes on with defaults,
    // as the window would.
    static SettingsSession start(const SettingsOptions& options);

    AppSettings settings;
    // The pen table as start-up leaves it (own pens, Jw_cad's line types and text sizes); the
    // application's one header, from which every drawing starts.
    DrawingHeader header;
    JwCadTextOptions jwcadText;
    SettingsOptions options;
    SettingsLoadReport load;
    JwCadImportResult import;
    std::string registryPath;         // empty with --jwcad-registry none
    std::string registryDescription;  // which source was used, for people
    std::vector<std::string> warnings;

    const RegistrySource& registry() const { return *registry_; }

    // Before a load: the drawing starts from the application's header, "SolidFlag" included.
    void prepareDrawing(Drawing& drawing) const;
    // After a load: the chosen pens. Returns what went wrong with them; the drawing keeps the
    // pens it has then. Safe to call from several threads at once.
    std::vector<std::string> applyPens(Drawing& drawing) const;
    RenderOptions renderOptions() const;
    bool clearBackground() const { return ExportClearsBackground(settings); }
    // The export options as the settings give them ("Graphic", "Form", "PenColorFlag").
    ExportOptions exportOptions() const;
    // prepareDrawing and applyPens for batch conversion.
    DrawingPreparation drawingPreparation() const;

    // Writes the settings file (what the window does at close).
    SettingsSaveResult save();

private:
    std::shared_ptr<RegistrySource> registry_;
};

}  // namespace korvel
