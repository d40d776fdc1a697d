// Many output files made safe with one flush: each is written under a temporary name beside its
// target, the file systems are flushed once, and then every file is renamed into place. A batch
// of small images would otherwise wait for the disk once per file.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "drawing/output_file.h"

namespace korvel {

class StagedFiles {
public:
    StagedFiles() = default;
    ~StagedFiles() = default;  // whatever was staged and not committed is removed

    StagedFiles(const StagedFiles&) = delete;
    StagedFiles& operator=(const StagedFiles&) = delete;

    // Writes `bytes` to a temporary file beside `path`; may be called from several threads.
    // Pipes and terminals have nothing to stage: they are written at once.
    bool stage(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error);

    struct Failure {
        std::string path;
        std::string error;
    };
    // Flushes, then renames every staged file to its target. Returns the files that could not
    // be put in place (their temporaries are removed); the targets of the others now hold the
    // new bytes.
    std::vector<Failure> commit();

private:
    std::mutex mutex_;
    std::vector<std::unique_ptr<OutputFile>> staged_;
};

}  // namespace korvel
