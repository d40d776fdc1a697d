// The Jw_cad settings source: reading a Wine user.reg of a lived-in prefix, and the import that
// every window repaint runs while "PenColorFlag" is off.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "../tests/app/jwcad_fixture.h"
#include "app/jwcad_import.h"
#include "platform/registry_source.h"

namespace {

// Jw_cad's keys among `otherKeys` keys of other programs, ten values each, as Wine writes them.
std::vector<uint8_t> livedInUserReg(int otherKeys) {
    std::string text = korvel::test::JwCadRegistryFixture::typical().wineUserReg();
    for (int k = 0; k < otherKeys; ++k) {
        text += "\n[Software\\\\Vendor" + std::to_string(k % 40) + "\\\\App\\\\Section" + std::to_string(k) +
                "] 1733650000\n#time=1db4a1c2f3e4d50\n";
        for (int v = 0; v < 10; ++v)
            text += "\"Value" + std::to_string(v) + "\"=\"C:\\\\Program Files\\\\\\x56f3\\x9762\\\\file" +
                    std::to_string(v) + ".dat\"\n\"Count" + std::to_string(v) + "\"=dword:0000002a\n";
    }
    return {text.begin(), text.end()};
}

void BM_ReadWineUserRegistry(benchmark::State& state) {
    const std::vector<uint8_t> bytes = livedInUserReg(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        korvel::RegistryFile reg;
        benchmark::DoNotOptimize(reg.parse(bytes, "user.reg").ok);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
    state.counters["MB"] = static_cast<double>(bytes.size()) / 1e6;
}
BENCHMARK(BM_ReadWineUserRegistry)->Arg(1000)->Arg(5000)->Unit(benchmark::kMillisecond);

void BM_ImportJwCadSettings(benchmark::State& state) {
    const std::vector<uint8_t> bytes = livedInUserReg(5000);
    korvel::RegistryFile reg;
    reg.parse(bytes, "user.reg");
    korvel::DrawingHeader header;
    korvel::JwCadTextOptions text;
    for (auto _ : state) benchmark::DoNotOptimize(korvel::ImportJwCadSettings(reg, header, text).ok);
}
BENCHMARK(BM_ImportJwCadSettings)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
