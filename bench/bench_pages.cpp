// PDF and SVG pages of the 1,040,000-record synthetic drawing against its PNG at 2,000 pixels:
// the page should cost no more than twice the picture and stay under 40 MB.
//
//   build/bench/bench_pages --benchmark_counters_tabular=true
//
// Times are this thread's CPU time (the machine is shared); "MB" is the size of the file.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "drawing/output_file.h"
#include "output/image_export.h"
#include "platform/headless_app.h"
#include "synthetic_drawing.h"

using namespace korvel;

namespace {

const Drawing& synthetic() {
    static const Drawing drawing = bench::SyntheticDrawing(bench::SyntheticSize{});
    return drawing;
}

double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec * 1e-9;
}

void exportSynthetic(benchmark::State& state, ImageFormat format, bool fitted = false) {
    EnsureHeadlessGuiApplication();
    const Drawing& drawing = synthetic();
    ExportOptions options;
    options.width = 2000;
    // The synthetic sheet is larger than the A3 paper its header names: as `korvel convert`
    // writes it, most records lie off the page (and are written all the same); fitted, the page
    // is made to the drawing and every dash is drawn on it.
    if (fitted) options.page = PageChoice{PageRule::Fit, 0};
    double seconds = 0;
    size_t size = 0;
    for (auto _ : state) {
        std::vector<uint8_t> bytes;
        const double start = cpuSeconds();
        const ExportResult r = ExportImage(drawing, format, options, bytes);
        seconds += cpuSeconds() - start;
        if (!r.ok) {
            state.SkipWithError(r.error.c_str());
            return;
        }
        size = bytes.size();
        benchmark::DoNotOptimize(bytes.data());
        // KORVEL_BENCH_KEEP=DIR keeps the files for looking at.
        if (const char* keep = std::getenv("KORVEL_BENCH_KEEP")) {
            std::string error;
            WriteFileAtomically(std::string(keep) + "/synthetic" + (fitted ? "-fitted" : "") +
                                    ImageFormatExtension(format),
                                bytes, error);
        }
    }
    state.counters["cpu_s"] = seconds / state.iterations();
    state.counters["MB"] = size / 1.0e6;
}

void BM_SyntheticPng2000(benchmark::State& state) { exportSynthetic(state, ImageFormat::Png); }
void BM_SyntheticPdf(benchmark::State& state) { exportSynthetic(state, ImageFormat::Pdf); }
void BM_SyntheticPdfFitted(benchmark::State& state) { exportSynthetic(state, ImageFormat::Pdf, true); }
void BM_SyntheticSvg(benchmark::State& state) { exportSynthetic(state, ImageFormat::Svg); }

}  // namespace

BENCHMARK(BM_SyntheticPng2000)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_SyntheticPdf)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_SyntheticPdfFitted)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_SyntheticSvg)->Unit(benchmark::kMillisecond)->Iterations(1);

BENCHMARK_MAIN();
