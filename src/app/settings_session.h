// The settings of one run, set up as the main window does at start: Jw_cad's settings imported
// (the built-in pens and line types when absent), the settings file read, then the command
// line's overrides. Commands take each drawing's starting header, pens and render options from it.
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
#include "platform/ini_file.h"
#include "render/render_options.h"

namespace korvel {

// The settings file and Jw_cad registry named with --settings and --jwcad-registry must be
// there to be read: only the default places may be empty. False, with `error` naming the option
// and the file, when one is missing or cannot be opened; `creating` lets a settings file that is
// about to be written (settings --save) be new. A folder or other non-file passes here and is
// reported by the read itself, which goes on with the defaults.
bool NamedSettingsFilesExist(const SettingsOptions& options, bool creating, std::string& error);

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
    // The pens to draw a loaded drawing with (--pens, else the window's choice); what went wrong
    // with them goes to `problems`. The drawing is not changed. Safe to call from several
    // threads at once.
    PenTable pensFor(const Drawing& drawing, std::vector<std::string>* problems = nullptr) const;
    // The render options of the settings, the pens for `drawing` among them.
    RenderOptions renderOptions(const Drawing& drawing, std::vector<std::string>* problems = nullptr) const;
    bool clearBackground() const { return ExportClearsBackground(settings); }
    // The export options as the settings give them ("Graphic", "Form", "PenColorFlag"); without
    // pens, which belong to each drawing (below).
    ExportOptions exportOptions() const;
    ExportOptions exportOptions(const Drawing& drawing, std::vector<std::string>* problems = nullptr) const;
    // prepareDrawing and the pens of each drawing, for batch conversion.
    DrawingPreparation drawingPreparation() const;
    // Which pens are drawn with, for people.
    std::string pensDescription() const;

    // Writes every value in effect, the options given included (korvel settings --save).
    SettingsSaveResult save();
    // What the window does at close: writes what was changed in the window since the run began.
    // What the run's options gave (--set and the like, the pens of --jwcad-registry) is not
    // written; the file's other values stay, and keys it lacks are filled in from the settings.
    SettingsSaveResult saveWindowChanges();

private:
    std::shared_ptr<RegistrySource> registry_;
    IniFile startValues_;  // every key as the run began, options included
    IniFile fileKeys_;     // the settings file as read at start
    IniFile runOnly_;      // keys whose starting value came from the run's options
};

}  // namespace korvel
