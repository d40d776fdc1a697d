#include "drawing/page_warmer.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>

namespace korvel {

PageWarmer::PageWarmer() : thread_([this] { run(); }) {}

PageWarmer::~PageWarmer() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
        waiting_.clear();
    }
    wake_.notify_one();
    thread_.join();
}

void PageWarmer::warm(const void* from, size_t bytes) {
    if (bytes == 0) return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        waiting_.emplace_back(reinterpret_cast<uintptr_t>(from), bytes);
    }
    wake_.notify_one();
}

size_t PageWarmer::rangesWarmed() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return warmed_;
}

void PageWarmer::run() {
    const uintptr_t page = static_cast<uintptr_t>(::sysconf(_SC_PAGESIZE) > 0 ? ::sysconf(_SC_PAGESIZE) : 4096);
    bool kernelCan = true;
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || !waiting_.empty(); });
        if (stopping_) return;
        const auto [from, bytes] = waiting_.front();
        waiting_.erase(waiting_.begin());
        lock.unlock();
        // Whole pages inside the range only: the pages at its ends may hold other data, which
        // faulting in would not change, but the range is all the caller vouched for.
        const uintptr_t start = (from + page - 1) & ~(page - 1);
        const uintptr_t end = (from + bytes) & ~(page - 1);
#ifdef MADV_POPULATE_WRITE
        // Faulting in for writing without writing: the list's owner may be writing these pages.
        // A kernel without it says EINVAL, and the owner faults its pages in itself as before.
        if (kernelCan && end > start &&
            ::madvise(reinterpret_cast<void*>(start), end - start, MADV_POPULATE_WRITE) != 0 && errno == EINVAL)
            kernelCan = false;
#endif
        lock.lock();
        ++warmed_;
    }
}

}  // namespace korvel
