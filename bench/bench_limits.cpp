// Hostile drawings, converted as a thumbnailer converts them: blocks nested twelve deep ten
// times over, a hundred dashed lines of a kilometre as a real-scale metafile, and 300 references
// to 30 pictures of 100 megapixels. Each must stay within a few seconds and a few hundred
// megabytes however the drawing multiplies (peak_rss_mb is the process's peak so far: run one
// benchmark at a time with --benchmark_filter to read it for that one).
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <filesystem>

#include "hostile_drawings.h"
#include "output/image_export.h"
#include "platform/headless_app.h"

namespace korvel {
namespace {

void convert(benchmark::State& state, const Drawing& drawing, ImageFormat format, bool realScale) {
    EnsureHeadlessGuiApplication();
    ExportOptions options;
    options.width = 128;
    options.realScale = realScale;
    size_t bytes = 0;
    for (auto _ : state) {
        std::vector<uint8_t> out;
        const ExportResult r = ExportImage(drawing, format, options, out);
        if (!r.ok) state.SkipWithError(r.error.c_str());
        bytes = out.size();
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["output_bytes"] = double(bytes);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_rss_mb"] = double(usage.ru_maxrss) / 1024.0;  // of the whole run so far
}

void BM_NestedBlocksJittered(benchmark::State& state) {
    static const Drawing d = test::nestedBlocks(12, 10, test::Nesting::Jittered);
    convert(state, d, ImageFormat::Png, false);
}
BENCHMARK(BM_NestedBlocksJittered)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_NestedBlocksJitteredEmf(benchmark::State& state) {
    static const Drawing d = test::nestedBlocks(12, 10, test::Nesting::Jittered);
    convert(state, d, ImageFormat::Emf, true);
}
BENCHMARK(BM_NestedBlocksJitteredEmf)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_DashedKilometresEmf(benchmark::State& state) {
    static const Drawing d = test::longDashedLines(100, 1'000'000.0);
    convert(state, d, ImageFormat::Emf, true);
}
BENCHMARK(BM_DashedKilometresEmf)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_HugePictures(benchmark::State& state) {
    static const std::vector<std::string> files = [] {
        const std::string dir = (std::filesystem::temp_directory_path() / "korvel-bench-pictures").string();
        std::filesystem::create_directories(dir);
        std::vector<std::string> out;
        for (int i = 0; i < 30; ++i) {
            out.push_back(dir + "/picture" + std::to_string(i) + ".png");
            if (!std::filesystem::exists(out.back())) test::writeLargePng(out.back(), 10000, 10000);
        }
        return out;
    }();
    static const Drawing d = test::pictureReferences(300, files);
    convert(state, d, ImageFormat::Png, false);
}
BENCHMARK(BM_HugePictures)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
}  // namespace korvel

BENCHMARK_MAIN();
