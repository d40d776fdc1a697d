// korvel convert: drawings to image files (BMP, JPEG, PNG, GIF) and metafiles (EMF, WMF), many
// files at a time.
#include <algorithm>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "app/settings_session.h"
#include "cli/command.h"
#include "drawing/file_extension.h"
#include "drawing/printable_text.h"
#include "output/batch_convert.h"
#include "output/export_options.h"
#include "output/save_image_file.h"
#include "platform/headless_app.h"
#include "render/layer_choice.h"

namespace korvel::cli {

namespace {

constexpr const char* kName = "convert";

bool usageError(const std::string& message) {
    PrintError(std::string(kName) + ": " + message);
    return false;
}

bool parseFormats(const std::string& text, std::vector<ImageFormat>& formats) {
    size_t start = 0;
    while (start <= text.size()) {
        const size_t comma = text.find(',', start);
        const std::string name = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        ImageFormat f;
        if (!ImageFormatFromName(name, f))
            return usageError("--format takes bmp, jpeg, png, gif, emf, wmf or dxf, not '" + name + "'");
        formats.push_back(f);
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return true;
}

// One job per input file: with -o the given path exactly, with -d the image-file naming rule in
// that folder. Inputs whose outputs would collide are refused rather than overwrite each other.
bool planJobs(const CommandLine& line, std::vector<ConvertJob>& jobs) {
    const std::vector<std::string>& inputs = line.files;
    const std::string output = line.value("--output"), directory = line.value("--directory");
    std::vector<ImageFormat> formats;
    if (line.has("--format") && !parseFormats(line.value("--format"), formats)) return false;
    if (!output.empty()) {
        if (inputs.size() != 1) return usageError("-o takes one input file; use -d DIR for several");
        ImageFormat format = ImageFormat::Png;
        if (formats.size() > 1) return usageError("-o writes one file; give one --format");
        if (!formats.empty()) format = formats[0];
        else if (output != "-" && !ImageFormatFromExtension(FileExtension(output), format))
            return usageError("cannot tell the output format of '" + output +
                              "' from its extension; give --format");
        jobs.push_back({inputs[0], {{format, output}}});
        return true;
    }
    if (formats.empty()) formats.push_back(ImageFormat::Png);
    std::set<std::string> seen;
    for (const std::string& input : inputs) {
        ConvertJob job{input, {}};
        const std::string base = (std::filesystem::path(directory) /
                                  std::filesystem::path(input).filename()).string();
        for (ImageFormat f : formats) {
            const std::string path = ImageFileName(base, f);
            if (!seen.insert(path).second)
                return usageError(input + ": its image " + path + " would overwrite another input's");
            job.targets.push_back({f, path});
        }
        jobs.push_back(std::move(job));
    }
    return true;
}

void showProgress(size_t done, size_t total, const std::string& input) {
    const std::string name = EscapeControlCharacters(std::filesystem::path(input).filename().string());
    std::fprintf(stderr, "\r\033[Kkorvel convert: %zu/%zu %s", done, total, name.c_str());
    if (done == total) std::fprintf(stderr, "\r\033[K");
    std::fflush(stderr);
}

// A layer list that leaves a drawing nothing to draw makes an empty picture; that is said.
std::function<std::vector<std::string>(const Drawing&, ExportOptions&)> sayWhenLayersShowNothing(
    std::function<std::vector<std::string>(const Drawing&, ExportOptions&)> then) {
    return [then = std::move(then)](const Drawing& drawing, ExportOptions& options) {
        std::vector<std::string> warnings = then ? then(drawing, options) : std::vector<std::string>();
        if (!drawing.top.sequence.empty() && CountShownRecords(drawing, options.render.layers) == 0)
            warnings.push_back("--layers shows none of the drawing's records: the picture is empty");
        return warnings;
    };
}

int run(const std::vector<std::string>& args) {
    CommandLine line;
    if (!ParseArguments(kName, kConvertCommand, args, line)) return kExitUsage;
    if (line.files.empty()) {
        usageError("no input file");
        return kExitUsage;
    }
    const std::string output = line.value("--output"), directory = line.value("--directory");
    if (output.empty() == directory.empty()) {
        usageError("give either -o OUT or -d DIR");
        return kExitUsage;
    }
    std::vector<ConvertJob> jobs;
    if (!planJobs(line, jobs)) return kExitUsage;
    const bool quiet = line.flags.count("--quiet") != 0, verbose = line.flags.count("--verbose") != 0;
    if (!NamedSettingsFilesExist(kName, line.settings)) return kExitUsage;
    const SettingsSession settings = SettingsSession::start(line.settings);
    for (const std::string& w : settings.warnings) PrintError("warning: " + w);
    // Everything the options said is in the settings now; the pens follow each drawing.
    ExportOptions options = settings.exportOptions();
    if (line.flags.count("--clear-background")) options.clearBackground = true;
    if (line.has("--layers")) {
        std::string error;  // checked when parsed
        ApplyLayerSpec(line.value("--layers"), options.render.layers, error);
    }
    if (line.number.count("--dxf-version"))
        options.dxfVersion = line.number.at("--dxf-version") == 2013 ? DxfVersion::R2013 : DxfVersion::R2000;
    if (!directory.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(directory, ec);
        if (ec) {
            PrintError(directory + ": cannot create the folder: " + ec.message());
            return kExitFailed;
        }
    }

    EnsureHeadlessGuiApplication();
    const bool showing = !quiet && jobs.size() > 1 && isatty(STDERR_FILENO);
    const int threads = line.number.count("--jobs") ? static_cast<int>(line.number.at("--jobs")) : 1;
    DrawingPreparation prepare = settings.drawingPreparation();
    if (line.has("--layers")) prepare.afterLoad = sayWhenLayersShowNothing(std::move(prepare.afterLoad));
    const std::vector<ConvertOutcome> outcomes =
        ConvertFiles(jobs, options, threads, showing ? showProgress : ConvertProgress(), prepare);
    int status = kExitOk;
    for (const ConvertOutcome& o : outcomes) {
        // Quiet (the thumbnailer) drops the progress only: errors and warnings always show, above
        // all that a drawing was read incomplete or drawn in part.
        // The load and the render may both notice the same thing (records out of range); say it once.
        std::vector<std::string> said;
        for (const auto* list : {&o.loadWarnings, &o.warnings})
            for (const std::string& w : *list)
                if (std::find(said.begin(), said.end(), w) == said.end()) {
                    said.push_back(w);
                    PrintError("warning: " + w);
                }
        for (const std::string& e : o.errors) PrintError(e);
        if (verbose)
            for (const std::string& path : o.written) std::fprintf(stderr, "korvel convert: wrote %s\n", path.c_str());
        if (!o.ok) status = kExitFailed;
        if (!o.standardOutput.empty() &&
            std::fwrite(o.standardOutput.data(), 1, o.standardOutput.size(), stdout) != o.standardOutput.size()) {
            PrintError("standard output: write failed");
            status = kExitFailed;
        }
    }
    if (std::fflush(stdout) != 0) {
        PrintError("standard output: write failed");
        status = kExitFailed;
    }
    return status;
}

const CommandRegistrar registrar(
    kName, "convert FILE... (-o OUT | -d DIR) [options]",
    "Renders drawings into image files (PNG, JPEG, GIF, BMP) and metafiles (EMF, WMF), with the settings the\n"
    "window uses and these options over them, or writes their records as DXF for other CAD programs. One\n"
    "file that fails does not stop the others.",
    kConvertCommand, run);

}  // namespace

}  // namespace korvel::cli
