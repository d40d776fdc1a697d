// korvel text: the drawing's texts as delimited rows on standard output, as the window copies
// them to the clipboard.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/command.h"
#include "drawing/cp932.h"
#include "drawing/loaders.h"
#include "output/text_export.h"

namespace korvel::cli {

namespace {

constexpr const char* kName = "text";

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

    const std::string& file = line.files[0];
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
    "Writes the drawing's texts as rows on standard output, as the window copies them to the clipboard:\n"
    "texts at about the same height share a row, left to right; rows end in CR LF.",
    kTextCommand, run);

}  // namespace

}  // namespace korvel::cli
