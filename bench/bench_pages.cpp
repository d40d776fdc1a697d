// PDF and SVG pages of the 1,040,000-record synthetic drawing against its PNG at 2,000 pixels:
// the page should cost no more than twice the picture and stay under 40 MB.
//
//   build/bench/bench_pages --benchmark_counters_tabular=true
//
// Times are this thread's CPU time (the machine is shared); "MB" is the size of the file.
#include <benchmark/benchmark.h>

#include <ctime>
#include <vector>

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

void exportSynthetic(benchmark::State& state, ImageFormat format) {
    EnsureHeadlessGuiApplication();
    const Drawing& drawing = synthetic();
    ExportOptions options;
    options.width = 2000;
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
    }
    state.counters["cpu_s"] = seconds / state.iterations();
    state.counters["MB"] = size / 1.0e6;
}

void BM_SyntheticPng2000(benchmark::State& state) { exportSynthetic(state, ImageFormat::Png); }
void BM_SyntheticPdf(benchmark::State& state) { exportSynthetic(state, ImageFormat::Pdf); }
void BM_SyntheticSvg(benchmark::State& state) { exportSynthetic(state, ImageFormat::Svg); }

}  // namespace

BENCHMARK(BM_SyntheticPng2000)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_SyntheticPdf)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_SyntheticSvg)->Unit(benchmark::kMillisecond)->Iterations(1);

BENCHMARK_MAIN();
