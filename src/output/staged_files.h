// Many output files made safe with one flush: each is written under a temporary name beside its
// target, the file systems are flushed once, and then every file is renamed into place. A batch
// of small images would otherwise wait for the disk once per file.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace korvel {

class StagedFiles {
public:
    StagedFiles();   // reads the process's file-creation mask while still single-threaded
    ~StagedFiles();  // removes whatever was staged and not committed

    StagedFiles(const StagedFiles&) = delete;
    StagedFiles& operator=(const StagedFiles&) = delete;

    // Writes `bytes` to a temporary file beside `path`; may be called from several threads.
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
    struct Entry {
        std::string temp;
        std::string target;
    };
    unsigned mode_ = 0644;
    std::mutex mutex_;
    std::vector<Entry> staged_;
};

}  // namespace korvel
