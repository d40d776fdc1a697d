// korvel save: writes a drawing back as a JWW file of a chosen version, with the fields the
// drawing information dialog edits, or as Jw_win clipboard data (.jwz) to hand to Jw_win.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

#include "app/settings_session.h"
#include "cli/command.h"
#include "cli/options.h"
#include "drawing/cp932.h"
#include "drawing/loaders.h"
#include "render/pen_table.h"

namespace korvel::cli {

namespace {

constexpr size_t kMemoLimit = 64;  // bytes, as the information dialog keeps it

// An output ending in ".jwz" (any case) asks for Jw_win clipboard data instead of a JWW file.
bool namesJwWinData(const std::string& output) {
    if (output.size() < 4) return false;
    std::string ext = output.substr(output.size() - 4);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext == ".jwz";
}

int runSave(const std::vector<std::string>& args) {
    CommandLine line;
    if (!ParseArguments("save", kSaveCommand, args, line)) return kExitUsage;
    const std::string output = line.value("--output");
    if (line.files.size() != 1 || output.empty()) {
        PrintError(line.files.size() != 1 ? "save: give exactly one drawing (korvel save --help)"
                                          : "save: give the output file with -o (korvel save --help)");
        return kExitUsage;
    }
    const long v = line.number.count("--jww-version") ? line.number.at("--jww-version") : 0;
    const bool jwWinData = namesJwWinData(output);
    if (jwWinData && v != 0 && v != 351) {
        PrintError("save: Jw_win data (.jwz) always holds version 351 records; --jww-version " + std::to_string(v) +
                   " applies to JWW files only");
        return kExitUsage;
    }
    const long paperIndex = line.number.count("--paper") ? line.number.at("--paper") : -1;
    const bool forced = line.has("--as");
    const DataKind forcedKind = forced ? DataKindOf(line.number.at("--as")) : DataKind::Jww;
    const bool recover = line.flags.count("--recover") != 0;
    const bool memoGiven = line.has("--memo");
    const std::string memo = line.value("--memo");
    const std::string input = line.files[0];

    // A drawing read without a JWW header of its own is saved with the pens it was read with:
    // the settings' pens, as the window has them.
    if (!NamedSettingsFilesExist("save", line.settings)) return kExitUsage;
    const SettingsSession settings = SettingsSession::start(line.settings);
    Drawing d;
    settings.prepareDrawing(d);
    LoadResult r = LoadFile(d, input, recover, forced ? &forcedKind : nullptr);
    if (!r.ok) {
        PrintError(r.error);
        return kExitFailed;
    }
    if (d.headerKind != HeaderKind::Jww) {
        // No header of its own: the file gets the pens a conversion would draw it with.
        std::vector<std::string> problems;
        PutPenTable(settings.pensFor(d, &problems), d.header);
        for (const std::string& w : problems) PrintError("save: " + w);
    }
    // What the load met; that it read less than the file holds is said with the save's warnings.
    const std::string incomplete = DescribeIncompleteRead(d.completeness);
    for (const std::string& w : r.warnings)
        if (w != incomplete) PrintError("save: " + input + ": " + w);
    if (d.ExpectedCount == 0 && d.RecordCount() == 0) {
        PrintError(input + ": the drawing holds no records; nothing is saved");
        return kExitFailed;
    }
    if (memoGiven) {
        // Lines of the memo are joined with CR LF, as the dialog's edit box gives them.
        std::string joined;
        for (char c : memo) {
            if (c == '\n') joined += "\r\n";
            else if (c != '\r') joined.push_back(c);
        }
        size_t replaced = 0;
        d.header.Memo = CutCp932(Utf8ToCp932(joined, &replaced), kMemoLimit);
        if (replaced) PrintError("save: " + std::to_string(replaced) + " memo character(s) replaced by \"？\"");
    }
    if (paperIndex >= 0) d.header.PaperSize = static_cast<uint32_t>(paperIndex);

    SaveResult saved;
    std::vector<uint8_t> bytes =
        jwWinData ? SaveJwWinBytes(d, saved) : SaveJwwBytes(d, static_cast<uint32_t>(v), saved);
    for (const std::string& w : saved.warnings) PrintError("save: " + w);
    std::string error;
    if (!saved.ok || !WriteFileAtomically(output, bytes, error)) {
        PrintError(error.empty() ? saved.error : error);
        return kExitFailed;
    }
    return kExitOk;
}

CommandRegistrar registrar("save", "save FILE -o OUT.jww|OUT.jwz [--jww-version N] [--memo TEXT] [--paper N] [--recover] [--as KIND] [--settings FILE] [--jwcad-registry FILE|none] [--pens SOURCE]",
                           "Writes the drawing back as a JWW file of the chosen version, or as Jw_win clipboard data\n"
                           "(.jwz) to hand to Jw_win; through a temporary name, so a failed save damages nothing.",
                           kSaveCommand, runSave);

}  // namespace

}  // namespace korvel::cli
