// Links are followed by hand rather than by realpath(): the file they lead to may not exist
// yet, and /dev/stdout leads through /proc to names like "pipe:[1234]" that are no paths at all;
// those are recognised on the way and written through the descriptor they stand for.
#include "drawing/output_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "drawing/path_kind.h"

namespace korvel {

namespace {

constexpr int kMostLinks = 40;  // as the kernel allows before ELOOP

// The process's file creation mask, read without changing it: setting it to read it back would
// leave other threads creating files under a mask of 0 for that moment.
mode_t processUmask() {
    static const mode_t mask = [] {
        std::ifstream status("/proc/self/status");
        for (std::string line; std::getline(status, line);) {
            if (line.rfind("Umask:", 0) == 0) return static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8));
        }
        return static_cast<mode_t>(022);
    }();
    return mask;
}

int descriptorNumber(const std::string& digits) {
    if (digits.empty() || digits.size() > 9) return -1;
    for (char c : digits)
        if (c < '0' || c > '9') return -1;
    return std::atoi(digits.c_str());
}

// The descriptor a path stands for (/dev/stdout, /dev/fd/1, /proc/self/fd/1...), or -1.
int descriptorNamed(const std::string& path) {
    if (path == "/dev/stdin") return 0;
    if (path == "/dev/stdout") return 1;
    if (path == "/dev/stderr") return 2;
    const std::string own = "/proc/" + std::to_string(::getpid()) + "/fd/";
    for (const std::string& prefix : {std::string("/dev/fd/"), std::string("/proc/self/fd/"),
                                      std::string("/proc/thread-self/fd/"), own}) {
        if (path.compare(0, prefix.size(), prefix) == 0) return descriptorNumber(path.substr(prefix.size()));
    }
    return -1;
}

bool readLink(const std::string& path, std::string& target) {
    std::string buffer(256, '\0');
    for (;;) {
        const ssize_t n = ::readlink(path.c_str(), buffer.data(), buffer.size());
        if (n < 0) return false;
        if (static_cast<size_t>(n) < buffer.size()) {
            target.assign(buffer.data(), static_cast<size_t>(n));
            return true;
        }
        if (buffer.size() >= PATH_MAX) {
            errno = ENAMETOOLONG;
            return false;
        }
        buffer.resize(buffer.size() * 2);
    }
}

std::string folderOf(const std::string& path) {
    const std::filesystem::path p(path);
    return p.has_parent_path() ? p.parent_path().string() : std::string(".");
}

bool writeAll(int fd, const void* data, size_t size) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, bytes + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

// Gives the new file the old one's owner and group where this user may, then its permissions
// (in that order: a change of owner clears the set-user-ID bit).
void keepOwnerAndMode(int fd, const struct stat& old) {
    if (old.st_uid != ::geteuid() || old.st_gid != ::getegid()) {
        if (::fchown(fd, old.st_uid, old.st_gid) != 0) (void)::fchown(fd, static_cast<uid_t>(-1), old.st_gid);
    }
    ::fchmod(fd, old.st_mode & 07777);
}

}  // namespace

OutputFile::~OutputFile() { discard(); }

std::string OutputFile::failure(const std::string& what, int errorNumber) const {
    return given_ + ": " + what + ": " + std::strerror(errorNumber);
}

bool OutputFile::open(const std::string& path, std::string& error) {
    discard();
    given_ = path;
    target_.clear();
    direct_ = finished_ = false;
    if (path.empty()) {
        error = "no output file was given";
        return false;
    }
    std::string current = path;
    for (int links = 0;; ++links) {
        const int descriptor = descriptorNamed(current);
        if (descriptor >= 0) return openDirect(current, descriptor, error);
        struct stat st {};
        if (::lstat(current.c_str(), &st) != 0) {
            if (errno == ENOENT) return openBeside(current, nullptr, error);
            error = failure("cannot be reached", errno);
            return false;
        }
        switch (KindOfMode(st.st_mode)) {
            case PathKind::Regular: return openBeside(current, &st, error);
            case PathKind::Fifo:
            case PathKind::CharacterDevice: return openDirect(current, -1, error);
            case PathKind::Directory:
                error = given_ + ": is a folder; give a file name";
                return false;
            case PathKind::SymbolicLink: break;
            default:
                error = given_ + ": is " + PathKindName(KindOfMode(st.st_mode)) +
                        "; outputs go to files, pipes or terminals";
                return false;
        }
        std::string link;
        if (links == kMostLinks) errno = ELOOP;
        if (links == kMostLinks || !readLink(current, link)) {
            error = failure("cannot follow the link", errno);
            return false;
        }
        current = !link.empty() && link[0] == '/' ? link : folderOf(current) + "/" + link;
    }
}

bool OutputFile::openDirect(const std::string& path, int descriptor, std::string& error) {
    int fd = -1;
    if (descriptor >= 0) {
        struct stat st {};
        if (::fstat(descriptor, &st) != 0) {
            error = given_ + ": descriptor " + std::to_string(descriptor) + " is not open";
            return false;
        }
        // What the program printed there before comes first.
        if (descriptor == 1) std::fflush(stdout);
        if (descriptor == 2) std::fflush(stderr);
        fd = ::fcntl(descriptor, F_DUPFD_CLOEXEC, 3);
    } else {
        do fd = ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
        while (fd < 0 && errno == EINTR);
    }
    if (fd < 0) {
        error = failure("cannot be opened for writing", errno);
        return false;
    }
    directFd_ = fd;
    direct_ = true;
    return true;
}

bool OutputFile::openBeside(const std::string& target, const struct stat* existing, std::string& error) {
    const std::string name = std::filesystem::path(target).filename().string();
    if (name.empty() || name == "." || name == "..") {
        error = given_ + ": names a folder, not a file";
        return false;
    }
    // A file the user may not write is theirs to keep, even where the folder would allow a rename.
    if (existing && ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) {
        error = failure("cannot be written", errno);
        return false;
    }
    if (!temp_.create(folderOf(target), name)) {
        error = failure("cannot create a temporary file beside it", errno);
        return false;
    }
    if (existing) keepOwnerAndMode(temp_.fd(), *existing);
    else ::fchmod(temp_.fd(), 0666 & ~processUmask());
    target_ = target;
    return true;
}

bool OutputFile::terminal() const { return direct_ && directFd_ >= 0 && ::isatty(directFd_) == 1; }

bool OutputFile::write(const void* data, size_t size, std::string& error) {
    const int fd = direct_ ? directFd_ : temp_.fd();
    if (fd < 0 || finished_) {
        error = given_ + ": not open for writing";
        return false;
    }
    if (!writeAll(fd, data, size)) {
        error = failure("write failed", errno);
        return false;
    }
    return true;
}

bool OutputFile::finish(bool flush, std::string& error) {
    if (finished_) return true;
    if (direct_) {
        const int fd = directFd_;
        directFd_ = -1;
        if (fd < 0 || ::close(fd) != 0) {
            error = failure("write failed", fd < 0 ? EBADF : errno);
            return false;
        }
        finished_ = true;
        return true;
    }
    if (temp_.fd() < 0) {
        error = given_ + ": not open for writing";
        return false;
    }
    if ((flush && ::fsync(temp_.fd()) != 0) || !temp_.close()) {
        error = failure("write failed", errno);
        temp_.remove();
        return false;
    }
    finished_ = true;
    return true;
}

bool OutputFile::commit(std::string& error) {
    if (!finished_ && !finish(true, error)) return false;
    if (direct_) return true;
    if (!temp_.renameTo(target_)) {
        error = failure("cannot replace the file", errno);
        temp_.remove();
        return false;
    }
    return true;
}

void OutputFile::discard() {
    temp_.remove();
    if (directFd_ >= 0) ::close(directFd_);
    directFd_ = -1;
}

bool WriteFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error) {
    OutputFile out;
    return out.open(path, error) && out.write(bytes.data(), bytes.size(), error) && out.finish(true, error) &&
           out.commit(error);
}

}  // namespace korvel
