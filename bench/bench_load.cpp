// Loading drawings from bytes in memory: the 1,040,000-record synthetic drawing against a loop
// that only sums its bytes, reading it from its file, recovering it whole and with its front cut
// away, each real sample, and the peak memory of one load.
//   bench_load                 run the benchmarks (and measure the peak in a child process)
//   bench_load --peak FILE     load FILE once and print the peak memory it took
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numeric>
#include <string>

#include "drawing/file_bytes.h"
#include "drawing/loaders.h"
#include "synthetic_drawing.h"

using namespace korvel;

namespace {

const std::vector<uint8_t>& syntheticBytes() {
    static const std::vector<uint8_t> bytes = bench::SyntheticJww({});
    return bytes;
}

void BM_LoadSynthetic(benchmark::State& state) {
    const std::vector<uint8_t>& bytes = syntheticBytes();
    for (auto _ : state) {
        Drawing d;
        LoadResult r = LoadJww(d, bytes.data(), bytes.size());
        if (!r.ok || d.RecordCount() != 1040000) state.SkipWithError("the synthetic drawing did not load whole");
        benchmark::DoNotOptimize(d.extents.MaxX);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
    state.counters["MB"] = static_cast<double>(bytes.size()) / 1e6;
}
BENCHMARK(BM_LoadSynthetic)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The floor: touching every byte once.
void BM_SumBytes(benchmark::State& state) {
    const std::vector<uint8_t>& bytes = syntheticBytes();
    for (auto _ : state) {
        uint64_t sum = std::accumulate(bytes.begin(), bytes.end(), uint64_t{0});
        benchmark::DoNotOptimize(sum);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_SumBytes)->Unit(benchmark::kMillisecond)->MinTime(1.0);

std::string syntheticFile() { return (std::filesystem::temp_directory_path() / "korvel-synthetic.jww").string(); }

// Reading the file into memory, as every command does before it loads.
void BM_ReadWholeFile(benchmark::State& state) {
    for (auto _ : state) {
        FileBytes bytes;
        std::string error;
        if (!ReadWholeFile(syntheticFile(), bytes, error)) state.SkipWithError(error.c_str());
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * syntheticBytes().size()));
}
BENCHMARK(BM_ReadWholeFile)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Recovery of the whole drawing (class entries where the records begin) and of its record
// stream with the first kilobyte cut away (classes learned from the records).
void BM_RecoverSynthetic(benchmark::State& state) {
    const std::vector<uint8_t>& bytes = syntheticBytes();
    const size_t cut = static_cast<size_t>(state.range(0));
    Drawing probe;
    LoadJww(probe, bytes.data(), bytes.size());
    const size_t from = cut == 0 ? 0 : probe.RecordsStart + cut;
    for (auto _ : state) {
        Drawing d;
        LoadResult r = LoadDamagedJww(d, bytes.data() + from, bytes.size() - from);
        if (!r.ok || d.RecordCount() < 1039000) state.SkipWithError("recovery lost records");
        benchmark::DoNotOptimize(d.extents.MaxX);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * (bytes.size() - from)));
}
BENCHMARK(BM_RecoverSynthetic)->Arg(0)->Arg(1000)->Unit(benchmark::kMillisecond)->MinTime(2.0);

std::vector<uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void BM_LoadSample(benchmark::State& state, std::string path) {
    const std::vector<uint8_t> bytes = readFile(path);
    for (auto _ : state) {
        Drawing d;
        benchmark::DoNotOptimize(LoadJww(d, bytes.data(), bytes.size()).ok);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}

void registerSamples() {
    const char* env = std::getenv("KORVEL_SAMPLES");
    std::string dir = env ? env : std::string(KORVEL_SOURCE_DIR) + "/../shared/samples/jww";
    std::error_code ec;
    if (!std::filesystem::is_directory(dir, ec)) return;
    std::vector<std::string> files;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        if (e.path().extension() == ".jww") files.push_back(e.path().string());
    std::sort(files.begin(), files.end());
    for (const std::string& f : files) {
        benchmark::RegisterBenchmark(("BM_LoadSample/" + std::filesystem::path(f).filename().string()).c_str(),
                                     BM_LoadSample, f)
            ->Unit(benchmark::kMicrosecond);
    }
}

long residentKiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
    return 0;
}

// Peak memory of one load in a fresh process: the file's bytes plus the drawing.
int measurePeak(const char* path) {
    const long before = residentKiB();
    std::vector<uint8_t> bytes = readFile(path);
    Drawing d;
    LoadResult r = LoadJww(d, bytes.data(), bytes.size());
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const double fileMB = static_cast<double>(bytes.size()) / (1024.0 * 1024.0);
    const double peakMB = static_cast<double>(usage.ru_maxrss - before) / 1024.0;
    std::printf("peak memory of one load: %.1f MiB for a %.1f MiB file (%.2f times the file size), %u records%s\n",
                peakMB, fileMB, peakMB / fileMB, d.RecordCount(), r.ok ? "" : " (load failed)");
    return r.ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--peak") == 0) return measurePeak(argv[2]);
    benchmark::Initialize(&argc, argv);
    registerSamples();
    const std::string tmp = syntheticFile();
    {
        const std::vector<uint8_t>& bytes = syntheticBytes();
        std::ofstream(tmp, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                    static_cast<std::streamsize>(bytes.size()));
    }
    benchmark::RunSpecifiedBenchmarks();
    std::fflush(stdout);
    const std::string command = "\"" + std::string(argv[0]) + "\" --peak \"" + tmp + "\"";
    const int status = std::system(command.c_str());
    std::filesystem::remove(tmp);
    benchmark::Shutdown();
    return status == 0 ? 0 : 1;
}
