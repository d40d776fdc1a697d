// korvel text: the drawing's texts as delimited rows on standard output (or in a file), as the
// window copies them to the clipboard. A file or a pipe gets the texts exactly; a terminal gets
// them with control characters escaped, so that a text cannot clear the screen or hide a row.
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "cli/command.h"
#include "cli/options.h"
#include "drawing/cp932.h"
#include "drawing/loaders.h"
#include "drawing/output_file.h"
#include "drawing/printable_text.h"
#include "output/text_export.h"

namespace korvel::cli {

namespace {

constexpr const char* kName = "text";

bool usageError(const std::string& message) {
    PrintError(std::string(kName) + ": " + message);
    return false;
}

bool parseDelimiter(const std::string& text, int& delimit) {
    const char* const names[4] = {"tab", "space", "comma", "semicolon"};
    for (int i = 0; i < 4; ++i)
        if (text == names[i]) {
            delimit = i;
            return true;
        }
    return usageError("--delimiter is tab, space, comma or semicolon, not '" + text + "'");
}

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
    std::string delimiter, tolerance, encoding, output;
    OptionParser parser(kName, args);
    parser.value("-o|--output", output);
    parser.value("--delimiter", delimiter);
    parser.value("--tolerance", tolerance);
    parser.value("--encoding", encoding);
    if (!parser.parse()) return kExitUsage;
    if (parser.files().size() != 1) {
        usageError("give one drawing file");
        return kExitUsage;
    }
    int delimit = 0;
    if (!delimiter.empty() && !parseDelimiter(delimiter, delimit)) return kExitUsage;
    long shiftY = 1;
    if (!tolerance.empty() && !ParseInt(tolerance, 0, 10, shiftY)) {
        usageError("--tolerance wants millimetres from 0 to 10, not '" + tolerance + "'");
        return kExitUsage;
    }
    bool utf8 = true;
    if (encoding == "cp932" || encoding == "shift_jis" || encoding == "sjis") utf8 = false;
    else if (!encoding.empty() && encoding != "utf-8" && encoding != "utf8") {
        usageError("--encoding is utf-8 or cp932, not '" + encoding + "'");
        return kExitUsage;
    }

    const std::string& file = parser.files()[0];
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
    run);

}  // namespace

}  // namespace korvel::cli
