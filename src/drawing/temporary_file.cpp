// The signal handler may run on any thread at any moment, so the live temporaries are kept where
// it can read them without locks or allocation: fixed slots of atomics, in chunks that are added
// but never freed. A slot's name buffer is only ever replaced by a larger one and the old one is
// kept, so a handler still reading it never reads freed memory; a generation count tells it
// whether the name changed while it copied.
#include "drawing/temporary_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <new>
#include <set>
#include <vector>

namespace korvel {

namespace {

constexpr char kMarker[] = ".korvel-tmp-";
constexpr size_t kMarkerSize = sizeof kMarker - 1;
constexpr size_t kRandomSize = 6;   // mkstemp's XXXXXX
constexpr size_t kLongestName = 100;  // of the target's name inside the temporary's
constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

enum SlotState : int { kFree, kChanging, kLive };

struct Slot {
    std::atomic<int> state{kFree};
    std::atomic<unsigned> generation{0};
    std::atomic<std::atomic<char>*> name{nullptr};  // NUL-terminated within `capacity`
    size_t capacity = 0;  // touched only by the thread that claimed the slot
};

constexpr int kSlotsPerChunk = 64;

struct Chunk {
    Slot slots[kSlotsPerChunk];
    std::atomic<Chunk*> next{nullptr};
};

Chunk firstChunk;
std::atomic<bool> stopping{false};
// Threads between making a temporary and entering it in the table. They hold the stop signals
// off, but the signal may land on another thread, whose handler must then wait for the entry.
std::atomic<int> entering{0};

Slot* claimSlot() {
    for (Chunk* chunk = &firstChunk;;) {
        for (Slot& s : chunk->slots) {
            int expected = kFree;
            if (s.state.compare_exchange_strong(expected, kChanging)) return &s;
        }
        Chunk* next = chunk->next.load();
        if (!next) {
            Chunk* fresh = new (std::nothrow) Chunk;
            if (!fresh) return nullptr;
            if (chunk->next.compare_exchange_strong(next, fresh)) next = fresh;
            else delete fresh;  // another thread added one first; `next` is now that one
        }
        chunk = next;
    }
}

// A name buffer a handler may still be reading is kept for the life of the process.
void retire(std::atomic<char>* buffer) {
    static std::mutex mutex;
    static std::vector<std::unique_ptr<std::atomic<char>[]>> retired;
    std::lock_guard<std::mutex> lock(mutex);
    retired.emplace_back(buffer);
}

// Fills a claimed slot with `path` and makes it visible to the handler.
bool publish(Slot& slot, const std::string& path) {
    if (slot.capacity < path.size() + 1) {
        const size_t capacity = std::max({path.size() + 1, 2 * slot.capacity, size_t{256}});
        auto* buffer = new (std::nothrow) std::atomic<char>[capacity];
        if (!buffer) return false;
        for (size_t i = 0; i < capacity; ++i) buffer[i].store(0, std::memory_order_relaxed);
        if (std::atomic<char>* old = slot.name.exchange(buffer)) retire(old);
        slot.capacity = capacity;
    }
    std::atomic<char>* buffer = slot.name.load();
    for (size_t i = 0; i < path.size(); ++i) buffer[i].store(path[i], std::memory_order_relaxed);
    buffer[path.size()].store(0, std::memory_order_relaxed);
    slot.generation.fetch_add(1);
    slot.state.store(kLive);
    return true;
}

void release(Slot& slot) {
    slot.state.store(kChanging);
    slot.generation.fetch_add(1);
    slot.state.store(kFree);
}

// Waits, at most a second, for temporaries being made on other threads to be entered.
void waitForEntries() {
    for (int waited = 0; entering.load() > 0 && waited < 1000; ++waited) {
        const struct timespec millisecond = {0, 1000 * 1000};
        ::nanosleep(&millisecond, nullptr);
    }
}

// Async-signal-safe: atomics, nanosleep, unlink and nothing else.
void removeLiveTemporaries() {
    // A thread that starts entering after this store sees it and makes no temporary; one that
    // started before is waited for.
    stopping.store(true);
    waitForEntries();
    char copy[4096];
    for (Chunk* chunk = &firstChunk; chunk; chunk = chunk->next.load()) {
        for (Slot& s : chunk->slots) {
            if (s.state.load() != kLive) continue;
            const unsigned generation = s.generation.load();
            const std::atomic<char>* name = s.name.load();
            if (!name) continue;
            size_t n = 0;
            for (char c; n + 1 < sizeof copy && (c = name[n].load(std::memory_order_relaxed)) != 0; ++n) copy[n] = c;
            copy[n] = 0;
            if (name[n].load(std::memory_order_relaxed) != 0) continue;  // longer than the copy
            if (s.state.load() == kLive && s.generation.load() == generation) ::unlink(copy);
        }
    }
}

extern "C" void onStopSignal(int signal) {
    const int savedErrno = errno;
    removeLiveTemporaries();
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    ::sigaction(signal, &fallback, nullptr);
    // Delivered when the handler returns, with the default action: the process ends as it would
    // have without the handler, and its parent sees the same signal.
    ::raise(signal);
    errno = savedErrno;
}

// Holds the stop signals off this thread while a temporary is created and entered in the table,
// so that none is created and then missed by the handler.
class StopSignalsHeld {
public:
    StopSignalsHeld() {
        sigset_t set;
        sigemptyset(&set);
        for (int s : kStopSignals) sigaddset(&set, s);
        held_ = ::pthread_sigmask(SIG_BLOCK, &set, &previous_) == 0;
    }
    ~StopSignalsHeld() {
        if (held_) ::pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
    }

private:
    sigset_t previous_{};
    bool held_ = false;
};

bool isContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

bool firstWriteTo(const std::string& folder) {
    static std::mutex mutex;
    static std::set<std::string> swept;
    std::lock_guard<std::mutex> lock(mutex);
    return swept.insert(folder).second;
}

}  // namespace

std::string TemporaryNameTemplate(const std::string& folder, const std::string& name) {
    size_t keep = std::min(name.size(), kLongestName);
    while (keep > 0 && keep < name.size() && isContinuationByte(name[keep])) --keep;  // whole UTF-8 characters
    std::string path = folder;
    if (!path.empty() && path.back() != '/') path += '/';
    return path + "." + name.substr(0, keep) + kMarker + std::string(kRandomSize, 'X');
}

bool IsTemporaryName(const std::string& name) {
    const size_t tail = kMarkerSize + kRandomSize;
    if (name.size() < 1 + tail || name[0] != '.') return false;
    if (name.compare(name.size() - tail, kMarkerSize, kMarker) != 0) return false;
    return std::all_of(name.end() - kRandomSize, name.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    });
}

int SweepStaleTemporaries(const std::string& folder, long maxAgeSeconds) {
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) return 0;
    const int dirFd = ::dirfd(dir);
    const time_t cutoff = std::time(nullptr) - maxAgeSeconds;
    int removed = 0;
    while (const dirent* entry = ::readdir(dir)) {
        if (!IsTemporaryName(entry->d_name)) continue;
        struct stat st {};
        if (::fstatat(dirFd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
        // Only what can be nobody else's: a plain file of this user, with no other name.
        if (!S_ISREG(st.st_mode) || st.st_uid != ::geteuid() || st.st_nlink != 1) continue;
        if (st.st_mtime >= cutoff) continue;
        if (::unlinkat(dirFd, entry->d_name, 0) == 0) ++removed;
    }
    ::closedir(dir);
    return removed;
}

void InstallTemporaryFileCleanup() {
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    for (int s : kStopSignals) sigaddset(&action.sa_mask, s);
    for (int s : kStopSignals) {
        struct sigaction current {};
        if (::sigaction(s, nullptr, &current) != 0) continue;
        if ((current.sa_flags & SA_SIGINFO) || current.sa_handler != SIG_DFL) continue;
        ::sigaction(s, &action, nullptr);
    }
}

TemporaryFile::~TemporaryFile() { remove(); }

bool TemporaryFile::create(const std::string& folder, const std::string& name) {
    remove();
    if (firstWriteTo(folder)) SweepStaleTemporaries(folder, kStaleTemporaryAge);
    std::string path = TemporaryNameTemplate(folder, name);
    const StopSignalsHeld held;
    struct Entering {
        Entering() { entering.fetch_add(1); }
        ~Entering() { entering.fetch_sub(1); }
    } enteringNow;
    if (stopping.load()) {
        errno = EINTR;
        return false;
    }
    const int fd = ::mkostemp(path.data(), O_CLOEXEC);
    if (fd < 0) return false;
    fd_ = fd;
    path_ = path;
    Slot* slot = claimSlot();
    if (slot && publish(*slot, path_)) slot_ = slot;
    else if (slot) release(*slot);
    // A handler that gave up waiting for this entry has swept the table without it.
    if (stopping.load()) ::unlink(path_.c_str());
    return true;
}

bool TemporaryFile::close() {
    if (fd_ < 0) return true;
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
}

bool TemporaryFile::renameTo(const std::string& target) {
    if (path_.empty()) {
        errno = ENOENT;
        return false;
    }
    if (::rename(path_.c_str(), target.c_str()) != 0) return false;
    // Taken out of the table only after the rename: a signal in between finds the name gone.
    forget();
    return true;
}

void TemporaryFile::remove() {
    const int savedErrno = errno;  // callers report the failure that led here, not this clean-up
    close();
    if (!path_.empty()) ::unlink(path_.c_str());
    forget();
    errno = savedErrno;
}

void TemporaryFile::forget() {
    if (slot_) release(*static_cast<Slot*>(slot_));
    slot_ = nullptr;
    path_.clear();
}

}  // namespace korvel
