// korvel text: the drawing's texts as delimited rows on standard output, as the window copies
// them to the clipboard.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/command.h"
#include "cli/options.h"
#include "drawing/cp932.h"
#include "drawing/loaders.h"
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

int run(const std::vector<std::string>& args) {
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
    const std::string rows = TextExport(drawing, delimit, static_cast<int>(shiftY));
    const std::string out = utf8 ? Cp932ToUtf8(rows) : rows;
    if (std::fwrite(out.data(), 1, out.size(), stdout) != out.size() || std::fflush(stdout) != 0) {
        PrintError("standard output: write failed");
        return kExitFailed;
    }
    return kExitOk;
}

const CommandRegistrar registrar(
    kName, "text FILE [--delimiter tab|space|comma|semicolon] [--tolerance MM] [--encoding utf-8|cp932]",
    run);

}  // namespace

}  // namespace korvel::cli
