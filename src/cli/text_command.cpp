// korvel text: the drawing's texts as delimited rows on standard output (or in a file), as the
// window copies them to the clipboard, with the window's text-export settings unless options say
// otherwise. A file or a pipe gets the texts exactly; a terminal gets them with control
// characters escaped, so that a text cannot clear the screen or hide a row.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/settings_session.h"
#include "cli/command.h"
#include "drawing/cp932.h"
#include "drawing/loaders.h"
#include "drawing/output_file.h"
#include "drawing/printable_text.h"
#include "output/text_export.h"

namespace korvel::cli {

namespace {

constexpr const char* kName = "text";
constexpr double kLargestTolerance = 10.0;  // millimetres, as the options dialog offers

std::string shownUtf8(const std::string& cp932) { return EscapeControlCharacters(Cp932ToUtf8(cp932)); }
std::string shownCp932(const std::string& cp932) { return EscapeCp932ControlCharacters(cp932); }

// What the export is made with: the settings file's "TextClip" values, then the options.
struct TextSettings {
    int delimit = 0;
    double shiftY = 1.0;
    bool utf8 = true;
};

bool parseEncoding(const std::string& text, bool& utf8) {
    if (text == "utf-8" || text == "utf8" || text == "UTF-8") utf8 = true;
    else if (text == "cp932" || text == "shift_jis" || text == "sjis" || text == "CP932") utf8 = false;
    else return false;
    return true;
}

// Decimal millimetres from 0 to 10, written plainly ("0.5", "2", "1.25").
bool parseTolerance(const std::string& text, double& mm) {
    if (text.empty() || text.find_first_not_of("0123456789.") != std::string::npos) return false;
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size() || !(v >= 0.0 && v <= kLargestTolerance)) return false;
    mm = v;
    return true;
}

// The window's settings for the export; a value the file holds that makes no sense is said and
// left at its default.
TextSettings settingsOf(const AppSettings& s) {
    TextSettings t;
    t.delimit = s.textDelimiter >= 0 && s.textDelimiter <= 3 ? s.textDelimiter : 0;
    t.shiftY = s.textShiftY >= 0 && s.textShiftY <= kLargestTolerance ? s.textShiftY : 1.0;
    if (!parseEncoding(s.textEncoding, t.utf8))
        PrintError(std::string(kName) + ": warning: the settings' TextClip/Encoding \"" + s.textEncoding +
                   "\" is neither utf-8 nor cp932; writing UTF-8");
    return t;
}

std::string rowsFor(const Drawing& drawing, const TextSettings& t, bool terminal) {
    if (terminal) return TextExport(drawing, t.delimit, t.shiftY, t.utf8 ? shownUtf8 : shownCp932);
    const std::string rows = TextExport(drawing, t.delimit, t.shiftY);
    return t.utf8 ? Cp932ToUtf8(rows) : rows;
}

bool writeRows(const Drawing& drawing, const TextSettings& t, const std::string& output) {
    if (output.empty() || output == "-") {
        const std::string out = rowsFor(drawing, t, ::isatty(STDOUT_FILENO) == 1);
        if (std::fwrite(out.data(), 1, out.size(), stdout) == out.size() && std::fflush(stdout) == 0) return true;
        PrintError("standard output: write failed");
        return false;
    }
    OutputFile file;
    std::string error;
    bool ok = file.open(output, error);
    if (ok) {
        const std::string out = rowsFor(drawing, t, file.terminal());
        ok = file.write(out.data(), out.size(), error) && file.finish(true, error) && file.commit(error);
    }
    if (!ok) PrintError(error);
    return ok;
}

int run(const std::vector<std::string>& args) {
    CommandLine line;
    if (!ParseArguments(kName, kTextCommand, args, line)) return kExitUsage;
    if (line.files.size() != 1) {
        PrintError(std::string(kName) + ": give one drawing file (korvel text --help)");
        return kExitUsage;
    }
    double tolerance = 0.0;
    const bool toleranceGiven = line.has("--tolerance");
    if (toleranceGiven && !parseTolerance(line.value("--tolerance"), tolerance)) {
        PrintError(std::string(kName) + ": --tolerance wants millimetres from 0 to 10 (such as 0.5), not '" +
                   line.value("--tolerance") + "' (korvel text --help)");
        return kExitUsage;
    }
    if (!NamedSettingsFilesExist(kName, line.settings)) return kExitUsage;
    const SettingsSession settings = SettingsSession::start(line.settings);
    for (const std::string& w : settings.warnings) PrintError("warning: " + w);
    TextSettings t = settingsOf(settings.settings);
    if (line.number.count("--delimiter")) t.delimit = static_cast<int>(line.number.at("--delimiter"));
    if (toleranceGiven) t.shiftY = tolerance;
    if (line.number.count("--encoding")) t.utf8 = line.number.at("--encoding") == 0;
    const std::string output = line.value("--output");
    const std::string& file = line.files[0];

    Drawing drawing;
    const LoadResult loaded = LoadFile(drawing, file);
    if (!loaded.ok) {
        PrintError(loaded.error);
        return kExitFailed;
    }
    for (const std::string& w : loaded.warnings) PrintError("warning: " + file + ": " + w);
    return writeRows(drawing, t, output) ? kExitOk : kExitFailed;
}

const CommandRegistrar registrar(
    kName,
    "text FILE [-o OUT] [--delimiter tab|space|comma|semicolon] [--tolerance MM] [--encoding utf-8|cp932] "
    "[--settings FILE] [--set TextClip/KEY=VALUE]",
    "Writes the drawing's texts as rows, as the window copies them to the clipboard: texts at about the\n"
    "same height share a row, left to right; rows end in CR LF. The window's text settings apply\n"
    "unless the options say otherwise.",
    kTextCommand, run);

}  // namespace

}  // namespace korvel::cli
