// DXF export speed: the 1,040,000-record synthetic drawing (a million lines, 20,000 arcs and
// 20,000 texts) written as DXF into memory, in both flavours.
//
//   build/bench/bench_dxf
#include <benchmark/benchmark.h>

#include "output/dxf_export.h"
#include "synthetic_drawing.h"

using namespace korvel;

namespace {

const Drawing& syntheticDrawing() {
    static const Drawing d = bench::SyntheticDrawing(bench::SyntheticSize{});
    return d;
}

void BM_DxfSynthetic(benchmark::State& state) {
    const Drawing& d = syntheticDrawing();
    const DxfVersion version = state.range(0) == 2013 ? DxfVersion::R2013 : DxfVersion::R2000;
    size_t bytes = 0;
    for (auto _ : state) {
        std::vector<uint8_t> out;
        const DxfExportResult r = ExportDxf(d, RenderOptions{}, version, "", out);
        if (!r.ok) state.SkipWithError(r.error.c_str());
        bytes = out.size();
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["records"] = static_cast<double>(d.RecordCount());
    state.counters["MB"] = static_cast<double>(bytes) / 1e6;
}
BENCHMARK(BM_DxfSynthetic)->Arg(2000)->Arg(2013)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
