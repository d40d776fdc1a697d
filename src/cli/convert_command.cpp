// korvel convert: drawings to images, fitted to a chosen width.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/settings_session.h"
#include "cli/command.h"
#include "cli/options.h"
#include "drawing/loaders.h"
#include "output/png_encoder.h"
#include "output/qimage_view.h"
#include "output/raster_render.h"
#include "platform/headless_app.h"

namespace korvel::cli {

namespace {

constexpr long kDefaultWidth = 720;

struct ConvertJob {
    std::vector<std::string> files;
    std::string output;     // -o: one file
    std::string directory;  // -d: one image per drawing, named after it
    int width = kDefaultWidth;
    RenderOptions render;
    const SettingsSession* settings = nullptr;  // the settings file and Jw_cad's settings
};

// DIR/<drawing name>.png
std::string outputPathFor(const ConvertJob& job, const std::string& file) {
    if (!job.output.empty()) return job.output;
    const std::filesystem::path name = std::filesystem::path(file).stem().string() + ".png";
    return (std::filesystem::path(job.directory) / name).string();
}

bool writePng(const QImage& image, const std::string& path, std::string& error) {
    QImage storage;
    std::vector<uint8_t> bytes;
    const EncodeResult encoded = EncodePng(ViewOfQImage(image, storage), PngOptions{}, bytes);
    if (!encoded) {
        error = path + ": " + encoded.error;
        return false;
    }
    return WriteFileAtomically(path, bytes, error);
}

bool convertOne(const ConvertJob& job, const std::string& file) {
    Drawing drawing;
    job.settings->prepareDrawing(drawing);
    const LoadResult loaded = LoadFile(drawing, file);
    if (!loaded.ok) {
        PrintError(loaded.error);
        return false;
    }
    // A broken Jw_cad setting does not stop the conversion: it draws with the pens it has.
    for (const std::string& problem : job.settings->applyPens(drawing)) PrintError(file + ": " + problem);
    const RasterRenderResult rendered = RenderToImage(drawing, job.render, job.width);
    const std::string out = outputPathFor(job, file);
    if (rendered.image.isNull()) {
        PrintError(file + ": the image of " + std::to_string(job.width) + " pixels' width cannot be made");
        return false;
    }
    std::string error;
    if (!writePng(rendered.image, out, error)) {
        PrintError(error);
        return false;
    }
    return true;
}

bool parseJob(const std::vector<std::string>& args, ConvertJob& job) {
    OptionParser p("convert", args);
    std::string width;
    p.value("-o|--output", job.output);
    p.value("-d|--directory", job.directory);
    p.value("-w|--width", width);
    if (!p.parse()) return false;
    job.files = p.files();
    long w = job.width;
    if (!width.empty() && !ParseInt(width, 1, kMaxRasterSide, w)) {
        PrintError("convert: --width takes a whole number from 1 to " + std::to_string(kMaxRasterSide) +
                   ", not '" + width + "'");
        return false;
    }
    job.width = static_cast<int>(w);
    if (job.files.empty()) {
        PrintError("convert: no drawing given");
        return false;
    }
    if (job.output.empty() == job.directory.empty()) {
        PrintError("convert: give either -o OUT.png or -d DIR");
        return false;
    }
    if (!job.output.empty() && job.files.size() > 1) {
        PrintError("convert: -o takes one drawing; use -d DIR for several");
        return false;
    }
    return true;
}

int runConvert(const std::vector<std::string>& commandArgs) {
    std::vector<std::string> args = commandArgs;
    SettingsOptions settingsOptions;
    std::string settingsError;
    if (!TakeSettingsOptions(args, settingsOptions, settingsError)) {
        PrintError("convert: " + settingsError);
        return kExitUsage;
    }
    const SettingsSession settings = SettingsSession::start(settingsOptions);
    for (const std::string& warning : settings.warnings) PrintError(warning);
    ConvertJob job;
    job.settings = &settings;
    job.render = settings.renderOptions();
    job.width = std::min(std::max(settings.settings.outputWidth, 1), kMaxRasterSide);
    if (!parseJob(args, job)) {
        std::fprintf(stderr, "usage: korvel convert FILE... (-o OUT.png | -d DIR) [--width N]\n%s", kSettingsOptionsHelp);
        return kExitUsage;
    }
    if (!job.directory.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(job.directory, ec);
        if (ec) {
            PrintError(job.directory + ": " + ec.message());
            return kExitFailed;
        }
    }
    EnsureHeadlessGuiApplication();
    const bool showProgress = job.files.size() > 1 && isatty(STDERR_FILENO);
    int status = kExitOk;
    for (size_t i = 0; i < job.files.size(); ++i) {
        if (showProgress) std::fprintf(stderr, "\r[%zu/%zu] %s\033[K", i + 1, job.files.size(), job.files[i].c_str());
        if (!convertOne(job, job.files[i])) status = kExitFailed;
    }
    if (showProgress) std::fprintf(stderr, "\n");
    return status;
}

CommandRegistrar registrar("convert", "convert FILE... (-o OUT.png | -d DIR) [--width N]", runConvert);

}  // namespace

}  // namespace korvel::cli
