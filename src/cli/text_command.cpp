// korvel text: the drawing's texts as delimited rows on standard output, as the window copies
// them to the clipboard, with the window's text-export settings unless options say otherwise.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/settings_session.h"
#include "cli/command.h"
#include "cli/options.h"
#include "drawing/cp932.h"
#include "drawing/loaders.h"
#include "output/text_export.h"

namespace korvel::cli {

namespace {

constexpr const char* kName = "text";
constexpr double kLargestTolerance = 10.0;  // millimetres, as the options dialog offers

bool usageError(const std::string& message) {
    PrintError(std::string(kName) + ": " + message);
    return false;
}

// What the export is made with: the settings file's "TextClip" values, then the options.
struct TextSettings {
    int delimit = 0;
    double shiftY = 1.0;
    bool utf8 = true;
};

bool parseDelimiter(const std::string& text, int& delimit) {
    const char* const names[4] = {"tab", "space", "comma", "semicolon"};
    for (int i = 0; i < 4; ++i)
        if (text == names[i]) {
            delimit = i;
            return true;
        }
    return false;
}

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

bool applyOptions(const std::string& delimiter, const std::string& tolerance, const std::string& encoding,
                  TextSettings& t) {
    if (!delimiter.empty() && !parseDelimiter(delimiter, t.delimit))
        return usageError("--delimiter is tab, space, comma or semicolon, not '" + delimiter + "'");
    if (!tolerance.empty() && !parseTolerance(tolerance, t.shiftY))
        return usageError("--tolerance wants millimetres from 0 to 10 (such as 0.5), not '" + tolerance + "'");
    if (!encoding.empty() && !parseEncoding(encoding, t.utf8))
        return usageError("--encoding is utf-8 or cp932, not '" + encoding + "'");
    return true;
}

int run(const std::vector<std::string>& commandArgs) {
    std::vector<std::string> args = commandArgs;
    SettingsOptions settingsOptions;
    std::string settingsError;
    if (!TakeSettingsOptions(args, settingsOptions, settingsError, SettingsOptionSet::SourcesOnly)) {
        usageError(settingsError);
        return kExitUsage;
    }
    std::string delimiter, tolerance, encoding;
    OptionParser parser(kName, args);
    parser.value("--delimiter", delimiter);
    parser.value("--tolerance", tolerance);
    parser.value("--encoding", encoding);
    if (!parser.parse()) return kExitUsage;
    if (parser.files().size() != 1) {
        usageError("give one drawing file");
        return kExitUsage;
    }
    TextSettings t;
    if (!applyOptions(delimiter, tolerance, encoding, t)) return kExitUsage;
    const SettingsSession settings = SettingsSession::start(settingsOptions);
    t = settingsOf(settings.settings);
    applyOptions(delimiter, tolerance, encoding, t);

    const std::string& file = parser.files()[0];
    Drawing drawing;
    const LoadResult loaded = LoadFile(drawing, file);
    if (!loaded.ok) {
        PrintError(loaded.error);
        return kExitFailed;
    }
    for (const std::string& w : loaded.warnings) PrintError("warning: " + file + ": " + w);
    const std::string rows = TextExport(drawing, t.delimit, t.shiftY);
    const std::string out = t.utf8 ? Cp932ToUtf8(rows) : rows;
    if (std::fwrite(out.data(), 1, out.size(), stdout) != out.size() || std::fflush(stdout) != 0) {
        PrintError("standard output: write failed");
        return kExitFailed;
    }
    return kExitOk;
}

const CommandRegistrar registrar(
    kName,
    "text FILE [--delimiter tab|space|comma|semicolon] [--tolerance MM] [--encoding utf-8|cp932] "
    "[--settings FILE] [--set TextClip/KEY=VALUE]",
    run);

}  // namespace

}  // namespace korvel::cli
