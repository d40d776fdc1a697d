// Reading a drawing file whole.
#include "drawing/file_bytes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>

#include "drawing/huge_pages.h"

namespace korvel {

namespace {

constexpr uint64_t kLargestFile = 1ull << 31;  // JWW offsets are 32-bit; nothing larger is real

// What a file that is not a regular file is, for the message.
const char* kindOf(mode_t mode) {
    if (S_ISDIR(mode)) return "a folder";
    if (S_ISFIFO(mode)) return "a pipe (FIFO)";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
    if (S_ISSOCK(mode)) return "a socket";
    return "something other than a file";
}

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

}  // namespace

bool ReadRegularFile(const std::string& path, uint64_t limit, const std::function<uint8_t*(size_t)>& place,
                     FileReadError& error, int64_t* modified) {
    error = FileReadError{};
    // Not blocking: opening a pipe for reading would otherwise wait for a writer.
    const Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (fd.get() < 0) {
        error.code = errno;
        error.what = std::strerror(error.code);
        return false;
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) {
        error.code = errno;
        error.what = std::strerror(error.code);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        error.kind = FileReadError::NotRegularFile;
        error.fileKind = kindOf(st.st_mode);
        error.what = std::string(error.fileKind) + ", not a regular file";
        return false;
    }
    const uint64_t size = static_cast<uint64_t>(st.st_size);
    error.size = size;
    if (size > limit) {
        error.kind = FileReadError::TooLarge;
        error.what = "larger than " + std::to_string(limit) + " bytes (" + std::to_string(size) + " bytes)";
        return false;
    }
    uint8_t* buffer = place(static_cast<size_t>(size));
    if (!buffer && size > 0) {
        error.kind = FileReadError::NoMemory;
        error.what = "not enough memory to read its " + std::to_string(size) + " bytes";
        return false;
    }
    AdviseHugePages(buffer, static_cast<size_t>(size));
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd.get(), buffer + done, static_cast<size_t>(size) - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            error.kind = FileReadError::ReadFailed;
            error.code = errno;
            error.what = std::strerror(error.code);
            return false;
        }
        if (n == 0) {
            error.kind = FileReadError::Shrank;
            error.what = "it shrank while being read (" + std::to_string(done) + " of " + std::to_string(size) + " bytes)";
            return false;
        }
        done += static_cast<size_t>(n);
    }
    if (modified) *modified = static_cast<int64_t>(st.st_mtime);
    return true;
}

bool ReadWholeFile(const std::string& path, FileBytes& bytes, std::string& error) {
    std::unique_ptr<uint8_t[]> buffer;
    size_t size = 0;
    int64_t modified = 0;
    FileReadError failure;
    const bool ok = ReadRegularFile(path, kLargestFile, [&](size_t n) {
        buffer.reset(new (std::nothrow) uint8_t[n > 0 ? n : 1]);
        size = n;
        return buffer.get();
    }, failure, &modified);
    if (!ok) {
        error = failure.kind == FileReadError::TooLarge
                    ? "too large for a Jw_cad drawing (" + std::to_string(failure.size) + " bytes)"
                    : failure.what;
        return false;
    }
    bytes.bytes_ = std::move(buffer);
    bytes.size_ = size;
    bytes.modified_ = modified;
    return true;
}

}  // namespace korvel
