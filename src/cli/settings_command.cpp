// korvel settings: where the settings come from and the values in effect, printed as the
// settings file would hold them; --save writes them to the settings file.
#include <cstdio>
#include <string>
#include <vector>

#include "app/settings_session.h"
#include "cli/command.h"
#include "platform/ini_file.h"

namespace korvel::cli {

namespace {

// Collects the values in effect into an INI file in the settings file's order.
class Collector : public SettingsVisitor {
public:
    IniFile ini;
    void integer(const char* s, const std::string& k, int& v) override { ini.setInteger(s, k, v); }
    void boolean(const char* s, const std::string& k, bool& v) override { ini.setInteger(s, k, v); }
    void byte(const char* s, const std::string& k, uint8_t& v) override { ini.setInteger(s, k, v); }
    void pen(const char* s, const std::string& k, uint32_t& v) override {
        ini.setInteger(s, k, static_cast<int32_t>(v));
    }
    void text(const char* s, const std::string& k, std::string& v) override { ini.set(s, k, v); }
};

std::string settingsFileState(const SettingsSession& s) {
    if (!s.load.fileExisted) return "absent; defaults in effect";
    if (!s.load.complete) return "not read completely: " + s.load.problem;
    return "read";
}

std::string importState(const SettingsSession& s) {
    if (!s.import.ok) return "stopped: " + s.import.error;
    return s.import.found ? "Jw_cad's settings found" : "Jw_cad's settings absent; built-in pens";
}

int run(const std::vector<std::string>& args) {
    CommandLine line;
    if (!ParseArguments("settings", kSettingsCommand, args, line)) return kExitUsage;
    if (!line.files.empty()) {
        PrintError("settings: unknown argument '" + line.files[0] + "' (korvel settings --help)");
        return kExitUsage;
    }
    const bool save = line.flags.count("--save") != 0;
    const SettingsOptions& options = line.settings;
    if (!NamedSettingsFilesExist("settings", options, save)) return kExitUsage;

    SettingsSession session = SettingsSession::start(options);
    for (const std::string& w : session.warnings) PrintError(w);

    Collector values;
    AppSettings settings = session.settings;
    DrawingHeader table = session.header;
    VisitSettings(settings, table, values);

    std::printf("; settings file: %s (%s)\n", session.load.path.c_str(), settingsFileState(session).c_str());
    std::printf("; Jw_cad settings: %s (%s)\n", session.registryDescription.c_str(), importState(session).c_str());
    std::printf("; pens: %s (--pens %s)\n", session.pensDescription().c_str(), PenSourceName(session.options.pens));
    std::printf("; Jw_cad text options: DrawOutLine=%d LastDraw=%d OutLineExpansion=%g\n",
                session.jwcadText.drawOutLine, session.jwcadText.lastDraw, session.jwcadText.outLineExpansion);
    for (const std::string& g : session.options.given) std::printf("; option: %s\n", g.c_str());
    std::fputs(values.ini.text().c_str(), stdout);

    if (save) {
        SettingsSaveResult saved = session.save();
        if (!saved.written) {
            PrintError(saved.error);
            return kExitFailed;
        }
        std::fprintf(stderr, "korvel: settings written to %s\n", session.load.path.c_str());
    }
    return kExitOk;
}

const CommandRegistrar registrar("settings", "settings [--settings FILE] [--jwcad-registry FILE|none] [options] [--save]",
                                 "Prints where the settings come from and the values in effect, as the settings file\n"
                                 "holds them; --save writes them, the options given included, to the settings file.",
                                 kSettingsCommand, run);

}  // namespace

}  // namespace korvel::cli
