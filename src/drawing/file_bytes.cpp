// Reading a drawing file whole.
#include "drawing/file_bytes.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
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
    int release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

private:
    int fd_;
};

// Opens a regular file of at most `limit` bytes for reading; -1 with `error` set otherwise.
int openRegular(const std::string& path, uint64_t limit, FileReadError& error, struct stat& st) {
    error = FileReadError{};
    // Not blocking: opening a pipe for reading would otherwise wait for a writer.
    Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (fd.get() < 0) {
        error.code = errno;
        error.what = std::strerror(error.code);
        return -1;
    }
    if (::fstat(fd.get(), &st) != 0) {
        error.code = errno;
        error.what = std::strerror(error.code);
        return -1;
    }
    if (!S_ISREG(st.st_mode)) {
        error.kind = FileReadError::NotRegularFile;
        error.fileKind = kindOf(st.st_mode);
        error.what = std::string(error.fileKind) + ", not a regular file";
        return -1;
    }
    error.size = static_cast<uint64_t>(st.st_size);
    if (error.size > limit) {
        error.kind = FileReadError::TooLarge;
        error.what = "larger than " + std::to_string(limit) + " bytes (" + std::to_string(error.size) + " bytes)";
        return -1;
    }
    return fd.release();
}

bool readInto(int fd, uint8_t* buffer, size_t size, FileReadError& error) {
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd, buffer + done, size - done);
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
    return true;
}

// The file's `size` bytes read into the space `place` gives.
bool readPlaced(int fd, size_t size, const std::function<uint8_t*(size_t)>& place, FileReadError& error) {
    uint8_t* buffer = place(size);
    if (!buffer && size > 0) {
        error.kind = FileReadError::NoMemory;
        error.what = "not enough memory to read its " + std::to_string(size) + " bytes";
        return false;
    }
    AdviseHugePages(buffer, size);
    return readInto(fd, buffer, size, error);
}

// The mappings the bus-error handler answers for. A slot is claimed by swapping its start in;
// the handler reads starts and lengths only, so it never waits on a lock.
struct Watched {
    std::atomic<uintptr_t> start{0};
    std::atomic<size_t> length{0};
    std::atomic<bool> cut{false};
};
constexpr int kWatched = 64;
Watched gWatched[kWatched];
std::atomic<size_t> gPageSize{4096};
struct sigaction gEarlierBusHandler {};

void onBusError(int sig, siginfo_t* info, void* context) {
    const uintptr_t at = reinterpret_cast<uintptr_t>(info->si_addr);
    for (Watched& w : gWatched) {
        const uintptr_t start = w.start.load(std::memory_order_acquire);
        const size_t length = w.length.load(std::memory_order_acquire);
        if (start == 0 || at < start || at - start >= length) continue;
        // Zero pages over the rest of the mapping: the read that faulted is tried again and
        // finds zeros, and the pages after it do not fault one by one.
        const uintptr_t page = at & ~(uintptr_t(gPageSize.load(std::memory_order_relaxed)) - 1);
        if (::mmap(reinterpret_cast<void*>(page), start + length - page, PROT_READ,
                   MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) != MAP_FAILED) {
            w.cut.store(true, std::memory_order_release);
            return;
        }
        break;
    }
    // Not a mapped file's: as it would have been without this handler.
    if ((gEarlierBusHandler.sa_flags & SA_SIGINFO) && gEarlierBusHandler.sa_sigaction) {
        gEarlierBusHandler.sa_sigaction(sig, info, context);
        return;
    }
    if (!(gEarlierBusHandler.sa_flags & SA_SIGINFO) && gEarlierBusHandler.sa_handler != SIG_DFL &&
        gEarlierBusHandler.sa_handler != SIG_IGN) {
        gEarlierBusHandler.sa_handler(sig);
        return;
    }
    ::signal(SIGBUS, SIG_DFL);  // the fault comes again on return and ends the program
}

bool installBusHandler() {
    static const bool installed = [] {
        const long page = ::sysconf(_SC_PAGESIZE);
        if (page > 0) gPageSize.store(static_cast<size_t>(page));
        struct sigaction action {};
        action.sa_sigaction = onBusError;
        action.sa_flags = SA_SIGINFO | SA_NODEFER;
        sigemptyset(&action.sa_mask);
        return ::sigaction(SIGBUS, &action, &gEarlierBusHandler) == 0;
    }();
    return installed;
}

int watch(const void* start, size_t length) {
    for (int i = 0; i < kWatched; ++i) {
        uintptr_t free = 0;
        if (gWatched[i].start.compare_exchange_strong(free, reinterpret_cast<uintptr_t>(start))) {
            gWatched[i].cut.store(false);
            gWatched[i].length.store(length, std::memory_order_release);
            return i;
        }
    }
    return -1;
}

// Maps a whole file, watched; false when it cannot be (the caller reads it instead).
bool mapFile(int fd, size_t size, const uint8_t*& data, size_t& mappedLength, int& slot) {
    if (!installBusHandler()) return false;
    const size_t page = gPageSize.load();
    const size_t length = (size + page - 1) / page * page;
    // Populated: the pages are the file's cached ones, entered in one call rather than a fault each.
    void* p = ::mmap(nullptr, length, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
    if (p == MAP_FAILED) return false;
    const int watched = watch(p, length);
    if (watched < 0) {
        ::munmap(p, length);
        return false;
    }
    data = static_cast<const uint8_t*>(p);
    mappedLength = length;
    slot = watched;
    return true;
}

}  // namespace

const char* const kCutWhileRead = "it was cut short while being read";

bool ReadRegularFile(const std::string& path, uint64_t limit, const std::function<uint8_t*(size_t)>& place,
                     FileReadError& error, int64_t* modified) {
    struct stat st {};
    const Descriptor fd(openRegular(path, limit, error, st));
    if (fd.get() < 0) return false;
    if (!readPlaced(fd.get(), static_cast<size_t>(st.st_size), place, error)) return false;
    if (modified) *modified = static_cast<int64_t>(st.st_mtime);
    return true;
}

FileBytes::~FileBytes() { release(); }

void FileBytes::release() {
    if (mappedLength_ > 0) {
        // Out of the handler's sight before the pages go; the length first, so that a slot
        // claimed again is never seen with its old length.
        gWatched[watch_].length.store(0, std::memory_order_release);
        gWatched[watch_].start.store(0, std::memory_order_release);
        ::munmap(const_cast<uint8_t*>(data_), mappedLength_);
        mappedLength_ = 0;
        watch_ = -1;
    }
    bytes_.reset();
    data_ = nullptr;
    size_ = 0;
}

bool FileBytes::cutShort() const {
    return mappedLength_ > 0 && gWatched[watch_].cut.load(std::memory_order_acquire);
}

bool ReadWholeFile(const std::string& path, FileBytes& bytes, std::string& error) {
    bytes.release();
    FileReadError failure;
    struct stat st {};
    const Descriptor fd(openRegular(path, kLargestFile, failure, st));
    const size_t size = static_cast<size_t>(failure.size);
    bool ok = fd.get() >= 0;
    if (ok && size >= kMappedFileBytes &&
        mapFile(fd.get(), size, bytes.data_, bytes.mappedLength_, bytes.watch_)) {
        bytes.size_ = size;
    } else if (ok) {
        ok = readPlaced(fd.get(), size, [&bytes](size_t n) {
            bytes.bytes_.reset(new (std::nothrow) uint8_t[n > 0 ? n : 1]);
            return bytes.bytes_.get();
        }, failure);
        bytes.data_ = bytes.bytes_.get();
        bytes.size_ = size;
    }
    if (!ok) {
        bytes.release();
        error = failure.kind == FileReadError::TooLarge
                    ? "too large for a Jw_cad drawing (" + std::to_string(failure.size) + " bytes)"
                    : failure.what;
        return false;
    }
    bytes.modified_ = static_cast<int64_t>(st.st_mtime);
    return true;
}

}  // namespace korvel
