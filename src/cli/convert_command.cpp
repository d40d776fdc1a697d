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
#include "output/vector_page.h"
#include "drawing/loaders.h"
#include "drawing/output_file.h"
#include "platform/headless_app.h"
#include "platform/qt_text.h"
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
            return usageError("--format takes bmp, jpeg, png, gif, emf, wmf, dxf, pdf or svg, not '" + name + "'");
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
        ImageFormat format = ImageFormat::Png;
        if (formats.size() > 1) return usageError("-o writes one file; give one --format");
        if (!formats.empty()) format = formats[0];
        else if (output != "-" && !ImageFormatFromExtension(FileExtension(output), format))
            return usageError("cannot tell the output format of '" + output +
                              "' from its extension; give --format");
        // A PDF holds a page per drawing; every other format holds one drawing.
        if (inputs.size() != 1 && format != ImageFormat::Pdf)
            return usageError("-o takes one input file, or several into one PDF; use -d DIR for several");
        for (const std::string& input : inputs) jobs.push_back({input, {{format, output}}});
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

// The page options: the paper and the pen widths on it.
void applyPageOptions(const CommandLine& line, ExportOptions& options) {
    if (line.number.count("--page")) {
        const long page = line.number.at("--page");
        if (page == -1) options.page = {PageRule::DrawingPaper, 0};
        else if (page == -2) options.page = {PageRule::Fit, 0};
        else options.page = {PageRule::Paper, static_cast<uint32_t>(page)};
    }
    // Checked when parsed.
    if (line.text.count("--pen-width")) options.penWidthMm = std::strtod(line.value("--pen-width").c_str(), nullptr);
    if (line.text.count("--min-pen-width"))
        options.minPenWidthMm = std::strtod(line.value("--min-pen-width").c_str(), nullptr);
}

void printWarnings(const std::vector<std::string>& said) {
    for (const std::string& w : said) PrintError("warning: " + w);
}

// Several drawings into one PDF: loaded one after another, each drawn on a page of its own and
// let go before the next; the file is written only when every page is.
int convertIntoOnePdf(const std::vector<ConvertJob>& jobs, const ExportOptions& options,
                      const DrawingPreparation& prepare, bool verbose) {
    PdfDocument document;
    int status = kExitOk;
    for (const ConvertJob& job : jobs) {
        Drawing drawing;
        if (prepare.beforeLoad) prepare.beforeLoad(drawing);
        const LoadResult loaded = LoadFile(drawing, job.input);
        std::vector<std::string> warnings;
        for (const std::string& w : loaded.warnings) warnings.push_back(job.input + ": " + w);
        if (!loaded.ok) {
            printWarnings(warnings);
            PrintError(loaded.error);
            status = kExitFailed;
            continue;
        }
        ExportOptions drawingOptions = options;
        if (prepare.afterLoad)
            for (const std::string& w : prepare.afterLoad(drawing, drawingOptions)) warnings.push_back(job.input + ": " + w);
        std::vector<std::string> pageWarnings;
        std::string error;
        if (drawing.ExpectedCount == 0) error = "the drawing has no data";
        else document.addPage(drawing, drawingOptions, PageTitle(drawing), pageWarnings, error);
        for (const std::string& w : pageWarnings) warnings.push_back(job.input + ": " + w);
        printWarnings(warnings);
        if (!error.empty()) {
            PrintError(job.input + ": " + error);
            status = kExitFailed;
        }
    }
    // A set with a page missing is not the set that was asked for.
    const std::string& output = jobs.front().targets.front().path;
    if (status != kExitOk) {
        PrintError(output + ": not written, as not every drawing could be put on a page");
        return status;
    }
    std::vector<uint8_t> bytes;
    std::vector<std::string> warnings;
    std::string error;
    if (!document.finish(bytes, warnings, error)) {
        PrintError(output + ": " + error);
        return kExitFailed;
    }
    printWarnings(warnings);
    if (output == "-") {
        if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size() || std::fflush(stdout) != 0) {
            PrintError("standard output: write failed");
            return kExitFailed;
        }
        return kExitOk;
    }
    if (!WriteFileAtomically(output, bytes, error)) {
        PrintError(error);
        return kExitFailed;
    }
    if (verbose) std::fprintf(stderr, "korvel convert: wrote %s\n", output.c_str());
    return kExitOk;
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
    applyPageOptions(line, options);
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
    const FontListReader fonts;  // while the first drawing loads
    const bool showing = !quiet && jobs.size() > 1 && isatty(STDERR_FILENO);
    const int threads = line.number.count("--jobs") ? static_cast<int>(line.number.at("--jobs")) : 1;
    DrawingPreparation prepare = settings.drawingPreparation();
    if (line.has("--layers")) prepare.afterLoad = sayWhenLayersShowNothing(std::move(prepare.afterLoad));
    if (jobs.size() > 1 && !output.empty()) return convertIntoOnePdf(jobs, options, prepare, verbose);
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
    "Renders drawings into image files (PNG, JPEG, GIF, BMP), metafiles (EMF, WMF) and pages on paper\n"
    "(PDF, SVG: at real scale on the drawing's paper, texts kept as texts), with the settings the window uses\n"
    "and these options over them, or writes their records as DXF for other CAD programs. One file that fails\n"
    "does not stop the others; several drawings into one PDF give a page each.",
    kConvertCommand, run);

}  // namespace

}  // namespace korvel::cli
