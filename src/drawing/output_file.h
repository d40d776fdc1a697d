// The one way Korvel writes a file the user named. A file (or a name where there is none yet)
// is written under a temporary name beside it and renamed into place, so a failed or stopped
// write leaves the old file whole; a replaced file keeps its permissions and, where this user may
// give them, its owner and group. A symbolic link is followed and the file it leads to replaced.
// Pipes, terminals and other character devices, and /dev/stdout, /dev/fd/N and their kin, are
// written directly: nothing there is replaced. Folders, sockets and block devices are refused.
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "drawing/temporary_file.h"

namespace korvel {

class OutputFile {
public:
    OutputFile() = default;
    ~OutputFile();  // an output never committed leaves nothing behind
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Finds where `path` leads and opens it for writing. Errors name `path` and say what is wrong.
    bool open(const std::string& path, std::string& error);
    bool write(const void* data, size_t size, std::string& error);
    // Ends the writing; `flush` waits until the bytes are on disk (a batch flushes once for all).
    bool finish(bool flush, std::string& error);
    // Puts the finished file in place. Direct outputs have nothing left to do.
    bool commit(std::string& error);
    void discard();

    bool direct() const { return direct_; }
    // A direct output that is a terminal (until finished).
    bool terminal() const;
    const std::string& path() const { return given_; }
    // The file a commit replaces, links followed; empty for direct outputs.
    const std::string& target() const { return target_; }

private:
    bool openDirect(const std::string& path, int descriptor, std::string& error);
    bool openBeside(const std::string& target, const struct stat* existing, std::string& error);
    std::string failure(const std::string& what, int errorNumber) const;

    std::string given_;
    std::string target_;
    TemporaryFile temp_;
    int directFd_ = -1;
    bool direct_ = false;
    bool finished_ = false;
};

// Opens, writes, flushes and commits `bytes` in one go.
bool WriteFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error);

}  // namespace korvel
