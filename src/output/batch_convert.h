// Converting many drawing files to images, several at a time: each file is loaded and rendered
// on its own, so one that fails leaves the others alone.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "drawing/drawing.h"
#include "output/export_options.h"

namespace korvel {

struct ConvertTarget {
    ImageFormat format = ImageFormat::Png;
    std::string path;  // where to write; "-" keeps the bytes in the outcome (standard output)
};

struct ConvertJob {
    std::string input;
    std::vector<ConvertTarget> targets;  // one load, one export per target
};

struct ConvertOutcome {
    bool ok = false;
    std::vector<std::string> errors;    // each names the file it is about
    std::vector<std::string> warnings;      // from rendering and exporting
    std::vector<std::string> loadWarnings;  // from reading the drawing
    std::vector<std::string> written;   // paths written, in target order
    std::vector<uint8_t> standardOutput;  // the bytes of a "-" target
};

// How each drawing is set up around its load, for callers that keep settings: `beforeLoad`
// seeds the header (a load keeps what the data does not carry), `afterLoad` puts the pens to draw
// the loaded drawing with into its copy of the options and returns what went wrong with them.
// Both may be empty; both must be safe to call from several workers at once.
struct DrawingPreparation {
    std::function<void(Drawing&)> beforeLoad;
    std::function<std::vector<std::string>(const Drawing&, ExportOptions&)> afterLoad;
};

// Called after each job from the worker that finished it (calls are serialised).
using ConvertProgress = std::function<void(size_t done, size_t total, const std::string& input)>;

class StagedFiles;

// Loads one drawing and writes its images: each through a temporary file and a rename of its
// own, or, with `staged`, left for the caller to commit.
ConvertOutcome ConvertOne(const ConvertJob& job, const ExportOptions& options,
                          const DrawingPreparation& prepare = {}, StagedFiles* staged = nullptr);

// Runs the jobs on `threads` workers (at least 1), the largest input files first so that a
// batch does not end waiting for one big file; outcomes come back in the order of `jobs`. The
// files are staged and renamed into place together at the end, after one flush.
std::vector<ConvertOutcome> ConvertFiles(const std::vector<ConvertJob>& jobs,
                                         const ExportOptions& options, int threads,
                                         const ConvertProgress& progress = {},
                                         const DrawingPreparation& prepare = {});

}  // namespace korvel
