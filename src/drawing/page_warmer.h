// Fresh memory costs a fault and a cleared page the first time each page is written, and a
// reader filing a million records into growing lists stops for every one. A page warmer has
// another thread fault in the pages just ahead of where the lists will write, while the reader
// goes on reading.
#pragma once

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace korvel {

class PageWarmer {
public:
    PageWarmer();
    ~PageWarmer();  // waits for the range being warmed, drops the rest
    PageWarmer(const PageWarmer&) = delete;
    PageWarmer& operator=(const PageWarmer&) = delete;

    // Asks for [from, from + bytes) to be made present and writable; returns at once. The range
    // must lie in memory the caller owns; its contents are never touched.
    void warm(const void* from, size_t bytes);
    // Ranges warmed so far, for tests.
    size_t rangesWarmed() const;

private:
    void run();

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::vector<std::pair<uintptr_t, size_t>> waiting_;
    size_t warmed_ = 0;
    bool stopping_ = false;
    std::thread thread_;
};

// Warms a list that grows by appending, a step ahead of its end. `ahead()` costs a comparison
// per append; it asks for more only when the end comes within a step of the part warmed.
class ListWarmth {
public:
    static constexpr size_t kStep = size_t(4) << 20;

    template <class T>
    void ahead(PageWarmer& warmer, const std::vector<T>& list) {
        if (list.size() < nextAt_) return;
        const uintptr_t base = reinterpret_cast<uintptr_t>(list.data());
        const size_t end = list.size() * sizeof(T);
        const size_t capacity = list.capacity() * sizeof(T);
        if (base != base_) {  // a new buffer: nothing of it past the end was warmed
            base_ = base;
            warmedTo_ = end;
        }
        const size_t to = std::min(capacity, std::max(warmedTo_, end) + 2 * kStep);
        if (to > warmedTo_) warmer.warm(reinterpret_cast<const void*>(base + warmedTo_), to - warmedTo_);
        warmedTo_ = std::max(warmedTo_, to);
        // Asked again a step before the warm part ends, or once the list outgrows its buffer.
        nextAt_ = warmedTo_ >= capacity ? list.capacity() + 1 : (warmedTo_ - kStep) / sizeof(T);
    }

private:
    size_t nextAt_ = 0;
    uintptr_t base_ = 0;
    size_t warmedTo_ = 0;
};

}  // namespace korvel
