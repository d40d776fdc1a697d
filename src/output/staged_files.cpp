// syncfs flushes a whole file system in one journal commit; the directories of the targets tell
// which file systems to flush.
#include "output/staged_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>

namespace korvel {

namespace {

std::string folderOf(const std::string& path) {
    const std::filesystem::path p(path);
    return p.has_parent_path() ? p.parent_path().string() : std::string(".");
}

bool writeAll(int fd, const std::vector<uint8_t>& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

StagedFiles::StagedFiles() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode_ = 0666u & ~static_cast<unsigned>(mask);
}

StagedFiles::~StagedFiles() {
    for (const Entry& e : staged_) ::unlink(e.temp.c_str());
}

bool StagedFiles::stage(const std::string& path, const std::vector<uint8_t>& bytes,
                        std::string& error) {
    const std::filesystem::path target(path);
    std::string temp = (std::filesystem::path(folderOf(path)) /
                        ("." + target.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        error = path + ": cannot create a temporary file beside it: " + std::strerror(errno);
        return false;
    }
    ::fchmod(fd, static_cast<mode_t>(mode_));
    const bool written = writeAll(fd, bytes);
    const int writeErrno = errno;
    if (::close(fd) != 0 || !written) {
        error = path + ": write failed: " + std::strerror(written ? errno : writeErrno);
        ::unlink(temp.c_str());
        return false;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    staged_.push_back({temp, path});
    return true;
}

std::vector<StagedFiles::Failure> StagedFiles::commit() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<Failure> failures;
    std::set<std::string> folders;
    for (const Entry& e : staged_) folders.insert(folderOf(e.target));
    std::map<std::string, int> unflushed;  // folder -> errno
    for (const std::string& folder : folders) {
        const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
        if (fd < 0 || ::syncfs(fd) != 0) unflushed[folder] = errno;
        if (fd >= 0) ::close(fd);
    }
    for (const Entry& e : staged_) {
        const std::string folder = folderOf(e.target);
        std::string error;
        const auto failed = unflushed.find(folder);
        if (failed != unflushed.end())
            error = e.target + ": the data could not be flushed to disk: " + std::strerror(failed->second);
        else if (::rename(e.temp.c_str(), e.target.c_str()) != 0)
            error = e.target + ": cannot replace the file: " + std::strerror(errno);
        if (!error.empty()) {
            ::unlink(e.temp.c_str());
            failures.push_back({e.target, error});
        }
    }
    staged_.clear();
    return failures;
}

}  // namespace korvel
