#include "drawing/huge_pages.h"

#include <sys/mman.h>

#include <cstdint>

namespace korvel {

void AdviseHugePages(const void* data, size_t bytes) {
#ifdef MADV_HUGEPAGE
    constexpr uintptr_t kPage = uintptr_t(2) << 20;
    if (!data || bytes < 2 * kPage) return;
    const uintptr_t from = (reinterpret_cast<uintptr_t>(data) + kPage - 1) & ~(kPage - 1);
    const uintptr_t to = (reinterpret_cast<uintptr_t>(data) + bytes) & ~(kPage - 1);
    if (to > from) madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
#else
    (void)data;
    (void)bytes;
#endif
}

}  // namespace korvel
