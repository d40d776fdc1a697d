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
    OptionParser p("save", args);
    std::string output, version, memo, paper, as;
    bool recover = false, memoGiven = false;
    std::vector<std::string> memos;
    p.value("-o|--output", output);
    p.value("--jww-version", version);
    p.values("--memo", memos);
    p.value("--paper", paper);
    p.value("--as", as);
    p.flag("--recover", recover);
    const char* usage = "usage: korvel save FILE -o OUT.jww|OUT.jwz [--jww-version 351|300|230|225|223|220] [--memo TEXT] "
                        "[--paper N] [--recover] [--as jww|jws|jwz]\n";
    if (!p.parse()) return std::fputs(usage, stderr), kExitUsage;
    if (p.files().size() != 1 || output.empty()) {
        PrintError(p.files().size() != 1 ? "save: give exactly one drawing" : "save: give the output file with -o");
        std::fputs(usage, stderr);
        return kExitUsage;
    }
    long v = 0;
    if (!version.empty()) {
        static const long kVersions[] = {351, 300, 230, 225, 223, 220};
        bool known = ParseInt(version, 0, 1000, v);
        known = known && std::find(std::begin(kVersions), std::end(kVersions), v) != std::end(kVersions);
        if (!known) {
            PrintError("save: --jww-version takes 351, 300, 230, 225, 223 or 220, not '" + version + "'");
            return kExitUsage;
        }
    }
    const bool jwWinData = namesJwWinData(output);
    if (jwWinData && v != 0 && v != 351) {
        PrintError("save: Jw_win data (.jwz) always holds version 351 records; --jww-version " + version +
                   " applies to JWW files only");
        return kExitUsage;
    }
    long paperIndex = -1;
    if (!paper.empty() && !ParseInt(paper, 0, 11, paperIndex)) {
        PrintError("save: --paper takes a paper size index from 0 (A0) to 11 (100m), not '" + paper + "'");
        return kExitUsage;
    }
    DataKind forced{};
    if (!as.empty() && !ParseDataKind(as, forced)) {
        PrintError("save: --as takes jww, jws or jwz, not '" + as + "'");
        return kExitUsage;
    }
    memoGiven = !memos.empty();
    if (memoGiven) memo = memos.back();

    Drawing d;
    LoadResult r = LoadFile(d, p.files()[0], recover, as.empty() ? nullptr : &forced);
    if (!r.ok) {
        PrintError(r.error);
        return kExitFailed;
    }
    if (d.ExpectedCount == 0 && d.RecordCount() == 0) {
        PrintError(p.files()[0] + ": the drawing holds no records; nothing is saved");
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
                           runSave);

}  // namespace

}  // namespace korvel::cli
