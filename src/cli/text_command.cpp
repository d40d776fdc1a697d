// korvel text: the drawing's texts as delimited rows on standard output (or in a file), as the
// window copies them to the clipboard. A file or a pipe gets the texts exactly; a terminal gets
// them with control characters escaped, so that a text cannot clear the screen or hide a row.
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "cli/command.h"
#include "drawing/cp932.h"
#include "drawing/loaders.h"
#include "drawing/output_file.h"
#include "drawing/printable_text.h"
#include "output/text_export.h"

namespace korvel::cli {

namespace {

constexpr const char* kName = "text";

std::string shownUtf8(const std::string& cp932) { return EscapeControlCharacters(Cp932ToUtf8(cp932)); }
std::string shownCp932(const std::string& cp932) { return EscapeCp932ControlCharacters(cp932); }

std::string rowsFor(const Drawing& drawing, int delimit, int shiftY, bool utf8, bool terminal) {
    if (terminal) return TextExport(drawing, delimit, shiftY, utf8 ? shownUtf8 : shownCp932);
    const std::string rows = TextExport(drawing, delimit, shiftY);
    return utf8 ? Cp932ToUtf8(rows) : rows;
}

bool writeRows(const Drawing& drawing, int delimit, int shiftY, bool utf8, const std::string& output) {
    if (output.empty() || output == "-") {
        const std::string out = rowsFor(drawing, delimit, shiftY, utf8, ::isatty(STDOUT_FILENO) == 1);
        if (std::fwrite(out.data(), 1, out.size(), stdout) == out.size() && std::fflush(stdout) == 0) return true;
        PrintError("standard output: write failed");
        return false;
    }
    OutputFile file;
    std::string error;
    bool ok = file.open(output, error);
    if (ok) {
        const std::string out = rowsFor(drawing, delimit, shiftY, utf8, file.terminal());
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
    auto numberOf = [&line](const char* name, long fallback) {
        const auto it = line.number.find(name);
        return it == line.number.end() ? fallback : it->second;
    };
    const int delimit = static_cast<int>(numberOf("--delimiter", 0));
    const long shiftY = numberOf("--tolerance", 1);
    const bool utf8 = numberOf("--encoding", 0) == 0;
    const std::string output = line.value("--output");
    const std::string& file = line.files[0];

    Drawing drawing;
    const LoadResult loaded = LoadFile(drawing, file);
    if (!loaded.ok) {
        PrintError(loaded.error);
        return kExitFailed;
    }
    return writeRows(drawing, delimit, static_cast<int>(shiftY), utf8, output) ? kExitOk : kExitFailed;
}

const CommandRegistrar registrar(
    kName, "text FILE [-o OUT] [--delimiter tab|space|comma|semicolon] [--tolerance MM] [--encoding utf-8|cp932]",
    "Writes the drawing's texts as rows, as the window copies them to the clipboard: texts at about the\n"
    "same height share a row, left to right; rows end in CR LF.",
    kTextCommand, run);

}  // namespace

}  // namespace korvel::cli
