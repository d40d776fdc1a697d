#include "output/batch_convert.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <mutex>
#include <numeric>
#include <stdexcept>
#include <thread>

#include "drawing/loaders.h"
#include "output/dxf_export.h"
#include "output/image_export.h"
#include "output/staged_files.h"

namespace korvel {

namespace {

uintmax_t sizeOf(const std::string& path) {
    std::error_code ec;
    const uintmax_t size = std::filesystem::file_size(path, ec);
    return ec ? 0 : size;
}

// A file that could not be put in place turns its job into a failure.
void commitStaged(StagedFiles& staged, std::vector<ConvertOutcome>& outcomes) {
    for (const StagedFiles::Failure& f : staged.commit()) {
        for (ConvertOutcome& o : outcomes) {
            const auto it = std::find(o.written.begin(), o.written.end(), f.path);
            if (it == o.written.end()) continue;
            o.written.erase(it);
            o.errors.push_back(f.error);
            o.ok = false;
        }
    }
}

bool writeOutput(const std::string& path, const std::vector<uint8_t>& bytes, StagedFiles* staged,
                 ConvertOutcome& outcome) {
    std::string error;
    const bool written = staged ? staged->stage(path, bytes, error) : WriteFileAtomically(path, bytes, error);
    if (!written) {
        outcome.errors.push_back(error);
        return false;
    }
    outcome.written.push_back(path);
    return true;
}

// A DXF and the embedded pictures it names, which go beside it.
ExportResult exportDxf(const Drawing& drawing, const ConvertTarget& target, const ExportOptions& options,
                       std::vector<uint8_t>& bytes, StagedFiles* staged, ConvertOutcome& outcome) {
    const bool toFile = target.path != "-";
    const std::filesystem::path path(target.path);
    DxfExportResult dxf = ExportDxf(drawing, options.render, options.dxfVersion,
                                    toFile ? path.stem().string() : std::string(), bytes);
    ExportResult result;
    result.ok = dxf.ok;
    result.error = dxf.error;
    result.warnings = std::move(dxf.warnings);
    for (const DxfCompanionFile& file : dxf.companions) {
        writeOutput((path.parent_path() / file.name).string(), file.bytes, staged, outcome);
    }
    return result;
}

}  // namespace

ConvertOutcome ConvertOne(const ConvertJob& job, const ExportOptions& options,
                          const DrawingPreparation& prepare, StagedFiles* staged) {
    ConvertOutcome outcome;
    Drawing drawing;
    if (prepare.beforeLoad) prepare.beforeLoad(drawing);
    const LoadResult loaded = LoadFile(drawing, job.input);
    for (const std::string& w : loaded.warnings) outcome.loadWarnings.push_back(job.input + ": " + w);
    if (!loaded.ok) {
        outcome.errors.push_back(loaded.error);
        return outcome;
    }
    ExportOptions drawingOptions = options;
    if (prepare.afterLoad)
        for (const std::string& w : prepare.afterLoad(drawing, drawingOptions))
            outcome.warnings.push_back(job.input + ": " + w);
    for (const ConvertTarget& target : job.targets) {
        std::vector<uint8_t> bytes;
        const ExportResult result = target.format == ImageFormat::Dxf
                                        ? exportDxf(drawing, target, drawingOptions, bytes, staged, outcome)
                                        : ExportImage(drawing, target.format, drawingOptions, bytes);
        for (const std::string& w : result.warnings) outcome.warnings.push_back(job.input + ": " + w);
        if (!result.ok) {
            outcome.errors.push_back(job.input + ": " + result.error);
            continue;
        }
        if (target.path == "-") {
            outcome.standardOutput.insert(outcome.standardOutput.end(), bytes.begin(), bytes.end());
            continue;
        }
        writeOutput(target.path, bytes, staged, outcome);
    }
    outcome.ok = outcome.errors.empty();
    return outcome;
}

std::vector<ConvertOutcome> ConvertFiles(const std::vector<ConvertJob>& jobs,
                                         const ExportOptions& options, int threads,
                                         const ConvertProgress& progress,
                                         const DrawingPreparation& prepare) {
    std::vector<ConvertOutcome> outcomes(jobs.size());
    std::vector<size_t> order(jobs.size());
    std::iota(order.begin(), order.end(), 0);
    std::vector<uintmax_t> sizes(jobs.size());
    for (size_t i = 0; i < jobs.size(); ++i) sizes[i] = sizeOf(jobs[i].input);
    std::stable_sort(order.begin(), order.end(), [&sizes](size_t a, size_t b) { return sizes[a] > sizes[b]; });

    StagedFiles staged;
    std::atomic<size_t> next{0};
    std::mutex progressMutex;
    size_t done = 0;
    auto work = [&] {
        for (size_t k = next++; k < order.size(); k = next++) {
            const size_t i = order[k];
            try {
                outcomes[i] = ConvertOne(jobs[i], options, prepare, &staged);
            } catch (const std::exception& e) {
                // An exception must not leave a worker thread: that would end the whole batch.
                outcomes[i] = ConvertOutcome();
                outcomes[i].errors.push_back(jobs[i].input + ": " + e.what());
            }
            std::lock_guard<std::mutex> lock(progressMutex);
            ++done;
            if (progress) progress(done, jobs.size(), jobs[i].input);
        }
    };
    const size_t workers = std::min<size_t>(std::max(threads, 1), std::max<size_t>(jobs.size(), 1));
    std::vector<std::thread> pool;
    for (size_t t = 1; t < workers; ++t) pool.emplace_back(work);
    work();
    for (std::thread& t : pool) t.join();
    commitStaged(staged, outcomes);
    return outcomes;
}

}  // namespace korvel
