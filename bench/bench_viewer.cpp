// The window's reading aids on a large drawing (a million lines, 20,000 arcs, 20,000 texts): the
// layer panel's counts, gathering the snap points when measuring starts, one snap as the pointer
// moves, and a text search. Goals: the counts and the search well under 50 ms, the gathering
// under a second (measuring starts once it is done), a snap under a millisecond (it runs at
// every pointer move).
#include <benchmark/benchmark.h>

#include "render/layer_choice.h"
#include "render/snap_geometry.h"
#include "render/text_search.h"
#include "synthetic_drawing.h"

namespace korvel {
namespace {

const Drawing& large() {
    static const Drawing d = [] {
        Drawing drawing = bench::SyntheticDrawing({});
        for (auto& g : drawing.header.LayerGroupState) g = 2;
        for (auto& group : drawing.header.LayerState)
            for (auto& l : group) l = 2;
        return drawing;
    }();
    return d;
}

void BM_LayerCounts(benchmark::State& state) {
    const Drawing& d = large();
    for (auto _ : state) {
        uint32_t outside = 0;
        benchmark::DoNotOptimize(CountRecordsByLayer(d, outside));
    }
}
BENCHMARK(BM_LayerCounts)->Unit(benchmark::kMillisecond);

void BM_GatherSnapPoints(benchmark::State& state) {
    const Drawing& d = large();
    for (auto _ : state) {
        SnapGeometry g = SnapGeometry::Collect(d, RenderOptions{});
        benchmark::DoNotOptimize(g.pointCount());
    }
}
BENCHMARK(BM_GatherSnapPoints)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_SnapAtThePointer(benchmark::State& state) {
    static const SnapGeometry g = SnapGeometry::Collect(large(), RenderOptions{});
    double x = 0.0;
    for (auto _ : state) {
        // Across the sheet, a pointer of 10 pixels at about 1 mm per pixel.
        x = x >= 1000.0 ? 0.0 : x + 7.3;
        benchmark::DoNotOptimize(g.snap({x, 350.0}, 10.0));
    }
}
BENCHMARK(BM_SnapAtThePointer)->Unit(benchmark::kMicrosecond);

void BM_FindTexts(benchmark::State& state) {
    const Drawing& d = large();
    const LayerChoice layers;
    for (auto _ : state) benchmark::DoNotOptimize(FindTexts(d, layers, "ａｂ").hits.size());
}
BENCHMARK(BM_FindTexts)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace korvel

BENCHMARK_MAIN();
