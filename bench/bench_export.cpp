// Export speed: how much of a PNG export is neither rendering nor libpng, GIF reduction with
// Floyd-Steinberg, and `korvel convert` on every sample with one worker and with two.
//
//   build/bench/bench_export --benchmark_counters_tabular=true
//
// The real drawings are read from $KORVEL_SAMPLES or ../shared/samples/jww beside the checkout.
#include <benchmark/benchmark.h>

#include <ctime>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_samples.h"
#include "drawing/loaders.h"
#include "output/gif_encoder.h"
#include "output/image_export.h"
#include "output/png_encoder.h"
#include "output/qimage_view.h"
#include "output/raster_image.h"
#include "output/raster_render.h"
#include "platform/headless_app.h"

namespace fs = std::filesystem;
using namespace korvel;

namespace {

std::string samplesDir() { return benchSamplesDir(); }

bool loadSample(const std::string& name, Drawing& drawing) {
    const std::string dir = samplesDir();
    return !dir.empty() && LoadFile(drawing, dir + "/" + name).ok;
}

// This thread's CPU time: the machine is shared, so wall time would count others' work.
double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec * 1e-9;
}

// The whole export of the big apartment plan at 3000 pixels, and within it the render and
// libpng's encode timed on their own; "outside" is the share left to everything else.
void BM_PngExportMansion3000(benchmark::State& state) {
    Drawing drawing;
    if (!loadSample("Ａマンション平面例.jww", drawing)) {
        state.SkipWithError("sample drawing not found");
        return;
    }
    ExportOptions options;
    options.width = 3000;
    int width = 0, height = 0;
    RasterExportSize(drawing, options, width, height);
    double total = 0, render = 0, encode = 0;
    for (auto _ : state) {
        const double t0 = cpuSeconds();
        std::vector<uint8_t> bytes;
        const ExportResult r = ExportImage(drawing, ImageFormat::Png, options, bytes);
        const double t1 = cpuSeconds();
        RasterRenderResult image = RenderToImage(drawing, options.render, width, height, 0.0);
        const double t2 = cpuSeconds();
        QImage storage;
        std::vector<uint8_t> encoded;
        EncodePng(ViewOfQImage(image.image, storage), PngOptions{}, encoded);
        const double t3 = cpuSeconds();
        if (!r.ok) state.SkipWithError(r.error.c_str());
        total += t1 - t0, render += t2 - t1, encode += t3 - t2;
        benchmark::DoNotOptimize(bytes.data());
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["export_ms"] = total / n * 1000;
    state.counters["render_ms"] = render / n * 1000;
    state.counters["libpng_ms"] = encode / n * 1000;
    state.counters["outside_pct"] = total > 0 ? std::max(0.0, (total - render - encode) / total * 100) : 0;
}
BENCHMARK(BM_PngExportMansion3000)->Unit(benchmark::kMillisecond)->Iterations(3);

// A 1600 x 1000 picture with far more than 256 colours: smooth hue and brightness ramps.
RgbImage gradientImage() {
    RgbImage image(1600, 1000);
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            const double h = x / 1600.0 * 6.0, v = 0.3 + 0.7 * y / 1000.0;
            const int r = static_cast<int>(255 * v * (0.5 + 0.5 * std::cos(h)));
            const int g = static_cast<int>(255 * v * (0.5 + 0.5 * std::cos(h - 2.094)));
            const int b = static_cast<int>(255 * v * (0.5 + 0.5 * std::cos(h + 2.094)));
            image.set(x, y, MakeColor(r, g, b));
        }
    return image;
}

void BM_Gif256OptimalFloydSteinberg(benchmark::State& state) {
    RgbImage gradient;
    QImage rendered, storage;
    ImageView view;
    if (state.range(0) == 0) {
        gradient = gradientImage();
        view = gradient.view();
    } else {
        Drawing drawing;
        if (!loadSample("Ａマンション平面例.jww", drawing)) {
            state.SkipWithError("sample drawing not found");
            return;
        }
        rendered = RenderToImage(drawing, RenderOptions{}, 1600, 1000, 0.0).image;
        view = ViewOfQImage(rendered, storage);
    }
    GifOptions options;
    options.reduction = ColorReduction::Optimal256;
    options.dither = DitherMode::FloydSteinberg;
    for (auto _ : state) {
        std::vector<uint8_t> bytes;
        if (!EncodeGif(view, options, bytes)) state.SkipWithError("GIF encoding failed");
        benchmark::DoNotOptimize(bytes.data());
    }
}
BENCHMARK(BM_Gif256OptimalFloydSteinberg)->Arg(0)->Arg(1)->ArgName("drawing")->Unit(benchmark::kMillisecond);

// `korvel convert` on every sample, one worker against two, at the default width (where
// reading and writing files weigh much) and at 3000 pixels (where rendering and encoding do).
// The command itself is run, start-up included, as a user would run it.
void BM_ConvertCommandAllSamples(benchmark::State& state) {
    const std::string dir = samplesDir();
    const fs::path korvel = fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "korvel";
    if (dir.empty() || !fs::exists(korvel)) {
        state.SkipWithError("samples or the korvel program not found");
        return;
    }
    const fs::path out = fs::temp_directory_path() / "korvel-bench-convert";
    std::string command = "'" + korvel.string() + "' convert -q -j " + std::to_string(state.range(0)) +
                          " --width " + std::to_string(state.range(1)) + " -d '" + out.string() + "'";
    size_t files = 0;
    for (const auto& entry : fs::directory_iterator(dir)) {
        if (entry.path().extension() != ".jww") continue;
        command += " '" + entry.path().string() + "'";
        ++files;
    }
    command += " 2>/dev/null";
    for (auto _ : state) {
        // Into an empty folder each time: replacing files costs this machine's disk (mounted
        // with online discard) several milliseconds a rename, which is not the program's work.
        state.PauseTiming();
        fs::remove_all(out);
        state.ResumeTiming();
        if (std::system(command.c_str()) != 0) state.SkipWithError("korvel convert failed");
    }
    state.counters["files"] = static_cast<double>(files);
    fs::remove_all(out);
}
BENCHMARK(BM_ConvertCommandAllSamples)
    ->Args({1, 720})->Args({2, 720})->Args({1, 3000})->Args({2, 3000})
    ->ArgNames({"jobs", "width"})->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    EnsureHeadlessGuiApplication();  // texts need Qt's font database
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
