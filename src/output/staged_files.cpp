// syncfs flushes a whole file system in one journal commit; the folders of the targets tell
// which file systems to flush.
#include "output/staged_files.h"

#include <fcntl.h>
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

}  // namespace

bool StagedFiles::stage(const std::string& path, const std::vector<uint8_t>& bytes,
                        std::string& error) {
    auto file = std::make_unique<OutputFile>();
    if (!file->open(path, error) || !file->write(bytes.data(), bytes.size(), error) ||
        !file->finish(false, error))
        return false;
    if (file->direct()) return file->commit(error);
    std::lock_guard<std::mutex> lock(mutex_);
    staged_.push_back(std::move(file));
    return true;
}

std::vector<StagedFiles::Failure> StagedFiles::commit() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<Failure> failures;
    std::set<std::string> folders;
    for (const auto& file : staged_) folders.insert(folderOf(file->target()));
    std::map<std::string, int> unflushed;  // folder -> errno
    for (const std::string& folder : folders) {
        const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0 || ::syncfs(fd) != 0) unflushed[folder] = errno;
        if (fd >= 0) ::close(fd);
    }
    for (const auto& file : staged_) {
        std::string error;
        const auto failed = unflushed.find(folderOf(file->target()));
        if (failed != unflushed.end()) {
            error = file->path() + ": the data could not be flushed to disk: " + std::strerror(failed->second);
            file->discard();
        } else {
            file->commit(error);
        }
        if (!error.empty()) failures.push_back({file->path(), error});
    }
    staged_.clear();
    return failures;
}

}  // namespace korvel
