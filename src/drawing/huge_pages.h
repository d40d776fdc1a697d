// Big buffers on large pages: a drawing of a million records fills some hundred megabytes, and
// faulting them in 4 KB at a time costs a good part of a second on a virtual machine.
#pragma once

#include <cstddef>

namespace korvel {

// Asks the kernel to back the whole 2 MB pages inside [data, data + bytes) with large pages, when
// the buffer is big enough to gain; best done before the buffer is first written. Only advice:
// where the system does not take it, nothing changes.
void AdviseHugePages(const void* data, size_t bytes);

}  // namespace korvel
