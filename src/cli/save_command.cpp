// korvel save: writes a drawing back as a JWW file of a chosen version, with the fields the
// drawing information dialog edits, or as Jw_win clipboard data (.jwz) to hand to Jw_win.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

#include "cli/command.h"
#include "cli/options.h"
#include "drawing/cp932.h"
#include "drawing/loaders.h"

namespace korvel::cli {

namespace {

constexpr size_t kMemoLimit = 64;  // bytes, as the information dialog keeps it

// Cuts a CP932 memo to 64 bytes without splitting a double-byte character.
std::string cutMemo(const std::string& cp932) {
    if (cp932.size() <= kMemoLimit) return cp932;
    size_t end = 0;
    while (end < cp932.size()) {
        size_t step = IsCp932LeadByte(static_cast<uint8_t>(cp932[end])) ? 2 : 1;
        if (end + step > kMemoLimit) break;
        end += step;
    }
    return cp932.substr(0, end);
}

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

    Drawing d;
    LoadResult r = LoadFile(d, input, recover, forced ? &forcedKind : nullptr);
    if (!r.ok) {
        PrintError(r.error);
        return kExitFailed;
    }
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
        d.header.Memo = cutMemo(Utf8ToCp932(joined, &replaced));
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

CommandRegistrar registrar("save", "save FILE -o OUT.jww|OUT.jwz [--jww-version N] [--memo TEXT] [--paper N] [--recover] [--as KIND]",
                           "Writes the drawing back as a JWW file of the chosen version, or as Jw_win clipboard data\n"
                           "(.jwz) to hand to Jw_win; through a temporary name, so a failed save damages nothing.",
                           kSaveCommand, runSave);

}  // namespace

}  // namespace korvel::cli
