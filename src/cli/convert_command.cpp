// korvel convert: drawings to image files (BMP, JPEG, PNG, GIF), metafiles (EMF, WMF) and DXF
// files for other CAD programs, many files at a time.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "app/settings_session.h"
#include "cli/command.h"
#include "cli/options.h"
#include "drawing/printable_text.h"
#include "output/batch_convert.h"
#include "output/color_reduction.h"
#include "output/dxf_export.h"
#include "output/export_options.h"
#include "output/save_image_file.h"
#include "platform/headless_app.h"

namespace korvel::cli {

namespace {

constexpr const char* kName = "convert";

// What the command line said, as text, before it is checked.
struct ConvertArgs {
    std::string output, directory, formats, width, jpegQuality, pngCompression, gifCompression,
        gifColors, gifDither, mono, drawOrder, jobs, dxfVersion;
    bool progressive = false, pngTransparent = false, pngInterlace = false, realScale = false,
         noAuxLines = false, thinLines = false, noPictures = false, clearBackground = false,
         quiet = false, verbose = false;
};

bool usageError(const std::string& message) {
    PrintError(std::string(kName) + ": " + message);
    return false;
}

bool parseNumber(const std::string& text, const char* option, long low, long high, long& out) {
    if (ParseInt(text, low, high, out)) return true;
    return usageError(std::string(option) + " wants a whole number from " + std::to_string(low) +
                      " to " + std::to_string(high) + ", not '" + text + "'");
}

// Applies the options that were given over the defaults (or the settings file's values).
bool applyOptions(const ConvertArgs& a, ExportOptions& o) {
    long n = 0;
    if (!a.width.empty()) {
        if (!parseNumber(a.width, "--width", 1, 1000000, n)) return false;
        o.width = static_cast<int>(n);
    }
    if (!a.jpegQuality.empty()) {
        if (!parseNumber(a.jpegQuality, "--jpeg-quality", 1, 100, n)) return false;
        o.jpegQuality = static_cast<int>(n);
    }
    if (!a.pngCompression.empty()) {
        if (!parseNumber(a.pngCompression, "--png-compression", -1, 9, n)) return false;
        o.pngCompression = static_cast<int>(n);
    }
    if (!a.gifCompression.empty()) {
        if (a.gifCompression == "lzw") o.gifLzw = true;
        else if (a.gifCompression == "rle") o.gifLzw = false;
        else return usageError("--gif-compression is lzw or rle, not '" + a.gifCompression + "'");
    }
    if (!a.gifColors.empty()) {
        ColorReduction r;
        if (ParseInt(a.gifColors, 0, kColorReductionCount - 1, n)) o.gifReduction = static_cast<int>(n);
        else if (ParseColorReduction(a.gifColors, r)) o.gifReduction = static_cast<int>(r);
        else
            return usageError("--gif-colors is 0 to 8 or one of none, windows20, halftone256, grey4, "
                              "black-white, grey256, web216, optimal-pow2, optimal256; not '" +
                              a.gifColors + "'");
    }
    if (!a.gifDither.empty()) {
        DitherMode d;
        if (ParseInt(a.gifDither, 0, kDitherModeCount - 1, n)) o.gifDither = static_cast<int>(n);
        else if (ParseDitherMode(a.gifDither, d)) o.gifDither = static_cast<int>(d);
        else
            return usageError("--gif-dither is 0 to 6 or one of nearest, floyd-steinberg, stucki, "
                              "sierra, jarvis-judice-ninke, stevenson-arce, burkes; not '" +
                              a.gifDither + "'");
    }
    if (!a.mono.empty()) {
        if (a.mono != "two-colour" && a.mono != "two-color" && a.mono != "grey" && a.mono != "gray")
            return usageError("--mono is two-colour or grey, not '" + a.mono + "'");
        o.render.bwPlot = true;
        o.render.bw2Grey = a.mono == "two-colour" || a.mono == "two-color";
    }
    if (!a.drawOrder.empty()) {
        if (a.drawOrder == "stored") o.render.drawOrder = 0;
        else if (a.drawOrder == "solids-first") o.render.drawOrder = 1;
        else if (a.drawOrder == "pictures-first") o.render.drawOrder = 2;
        else return usageError("--draw-order is stored, solids-first or pictures-first, not '" + a.drawOrder + "'");
    }
    if (!a.dxfVersion.empty() && !DxfVersionFromName(a.dxfVersion, o.dxfVersion))
        return usageError("--dxf-version is 2000 or 2013, not '" + a.dxfVersion + "'");
    if (a.progressive) o.jpegProgressive = true;
    if (a.pngTransparent) o.pngTransparent = true;
    if (a.pngInterlace) o.pngInterlaced = true;
    if (a.realScale) o.realScale = true;
    if (a.noAuxLines) o.render.auxLineHidden = true;
    if (a.thinLines) o.render.thinLines = true;
    if (a.noPictures) o.render.picturesHidden = true;
    if (a.clearBackground) o.clearBackground = true;
    return true;
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

std::string extensionOf(const std::string& path) {
    const std::string name = std::filesystem::path(path).filename().string();
    const size_t dot = name.find_last_of('.');
    return dot == std::string::npos ? std::string() : name.substr(dot);
}

// One job per input file: with -o the given path exactly, with -d the image-file naming rule in
// that folder. Inputs whose outputs would collide are refused rather than overwrite each other.
bool planJobs(const ConvertArgs& a, const std::vector<std::string>& inputs,
              std::vector<ConvertJob>& jobs) {
    std::vector<ImageFormat> formats;
    if (!a.formats.empty() && !parseFormats(a.formats, formats)) return false;
    if (!a.output.empty()) {
        if (inputs.size() != 1) return usageError("-o takes one input file; use -d DIR for several");
        ImageFormat format = ImageFormat::Png;
        if (formats.size() > 1) return usageError("-o writes one file; give one --format");
        if (!formats.empty()) format = formats[0];
        else if (a.output != "-" && !ImageFormatFromExtension(extensionOf(a.output), format))
            return usageError("cannot tell the output format of '" + a.output +
                              "' from its extension; give --format");
        jobs.push_back({inputs[0], {{format, a.output}}});
        return true;
    }
    if (formats.empty()) formats.push_back(ImageFormat::Png);
    std::set<std::string> seen;
    for (const std::string& input : inputs) {
        ConvertJob job{input, {}};
        const std::string base = (std::filesystem::path(a.directory) /
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

int run(const std::vector<std::string>& commandArgs) {
    // Where the settings come from; the export options below are laid over the settings' values.
    std::vector<std::string> args = commandArgs;
    SettingsOptions settingsOptions;
    std::string settingsError;
    if (!TakeSettingsOptions(args, settingsOptions, settingsError, SettingsOptionSet::SourcesOnly)) {
        usageError(settingsError);
        return kExitUsage;
    }
    ConvertArgs a;
    OptionParser parser(kName, args);
    parser.value("-o|--output", a.output);
    parser.value("-d|--directory", a.directory);
    parser.value("-f|--format", a.formats);
    parser.value("-w|--width", a.width);
    parser.value("--jpeg-quality", a.jpegQuality);
    parser.flag("--progressive", a.progressive);
    parser.value("--png-compression", a.pngCompression);
    parser.flag("--png-transparent", a.pngTransparent);
    parser.flag("--png-interlace", a.pngInterlace);
    parser.value("--gif-compression", a.gifCompression);
    parser.value("--gif-colors", a.gifColors);
    parser.value("--gif-dither", a.gifDither);
    parser.value("--mono", a.mono);
    parser.flag("--real-scale", a.realScale);
    parser.flag("--no-aux-lines", a.noAuxLines);
    parser.flag("--thin-lines", a.thinLines);
    parser.flag("--no-pictures", a.noPictures);
    parser.value("--draw-order", a.drawOrder);
    parser.flag("--clear-background", a.clearBackground);
    parser.value("--dxf-version", a.dxfVersion);
    parser.value("-j|--jobs", a.jobs);
    parser.flag("-q|--quiet", a.quiet);
    parser.flag("-v|--verbose", a.verbose);
    if (!parser.parse()) return kExitUsage;
    const std::vector<std::string>& inputs = parser.files();
    if (inputs.empty()) {
        usageError("no input file");
        return kExitUsage;
    }
    if (a.output.empty() == a.directory.empty()) {
        usageError("give either -o OUT or -d DIR");
        return kExitUsage;
    }
    const SettingsSession settings = SettingsSession::start(settingsOptions);
    if (!a.quiet)
        for (const std::string& w : settings.warnings) PrintError("warning: " + w);
    ExportOptions options = settings.exportOptions();
    if (!applyOptions(a, options)) return kExitUsage;
    long jobCount = 1;
    if (!a.jobs.empty() && !parseNumber(a.jobs, "-j", 1, 256, jobCount)) return kExitUsage;
    std::vector<ConvertJob> jobs;
    if (!planJobs(a, inputs, jobs)) return kExitUsage;
    if (!a.directory.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(a.directory, ec);
        if (ec) {
            PrintError(a.directory + ": cannot create the folder: " + ec.message());
            return kExitFailed;
        }
    }

    EnsureHeadlessGuiApplication();
    const bool showing = !a.quiet && jobs.size() > 1 && isatty(STDERR_FILENO);
    const std::vector<ConvertOutcome> outcomes =
        ConvertFiles(jobs, options, static_cast<int>(jobCount), showing ? showProgress : ConvertProgress(),
                     settings.drawingPreparation());
    int status = kExitOk;
    for (const ConvertOutcome& o : outcomes) {
        if (a.verbose)
            for (const std::string& w : o.loadWarnings) PrintError("warning: " + w);
        if (!a.quiet)
            for (const std::string& w : o.warnings) PrintError("warning: " + w);
        for (const std::string& e : o.errors) PrintError(e);
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
    kName,
    "convert FILE... (-o OUT | -d DIR) [--format F[,F...]] [--width N] [--jpeg-quality N] "
    "[--progressive] [--png-compression N] [--png-transparent] [--png-interlace] "
    "[--gif-compression lzw|rle] [--gif-colors N|NAME] [--gif-dither NAME] "
    "[--mono two-colour|grey] [--real-scale] [--no-aux-lines] [--thin-lines] [--no-pictures] "
    "[--draw-order stored|solids-first|pictures-first] [--clear-background] [--dxf-version 2000|2013] "
    "[-j N] [-q] [-v] "
    "[--settings FILE] [--jwcad-registry FILE|none] [--pens window|own|jwcad|drawing] [--set SECTION/KEY=VALUE]",
    run);

}  // namespace

}  // namespace korvel::cli
