#include "output/deflate_join.h"

#include <zlib.h>

namespace korvel {

// zlib's inflate, stopping at every block boundary, finds where the final block starts (its first
// bit says "last") and how many bits of the last byte the stream leaves unused. The empty stored
// block's three header bits are all zero: they go in those unused bits when three are left, in
// one more zero byte otherwise, and its lengths 0 and ~0 follow on the byte boundary.
size_t LeaveDeflateStreamOpen(uint8_t* data, size_t size, size_t capacity) {
    if (size == 0 || size > UINT32_MAX) return 0;
    z_stream z{};
    if (inflateInit2(&z, -15) != Z_OK) return 0;
    z.next_in = data;
    z.avail_in = static_cast<uInt>(size);
    uint8_t sink[1 << 15];
    // At a block boundary data_type holds 128, plus 64 when the block just ended was the final
    // one, plus the unused bits of the last byte read; the end of the stream reports no bits.
    size_t lastHeaderBit = 0;
    int unusedBits = -1;
    int r = Z_OK;
    while (r == Z_OK) {
        z.next_out = sink;
        z.avail_out = sizeof sink;
        r = inflate(&z, Z_BLOCK);
        if (r != Z_OK || !(z.data_type & 128)) continue;
        if (z.data_type & 64)
            unusedBits = z.data_type & 7;
        else
            lastHeaderBit = size_t(z.next_in - data) * 8 - size_t(z.data_type & 7);
    }
    const bool whole = r == Z_STREAM_END && z.avail_in == 0 && unusedBits >= 0;
    inflateEnd(&z);
    const size_t extra = unusedBits >= 3 ? 4 : 5;
    if (!whole || size + extra > capacity) return 0;
    data[lastHeaderBit / 8] &= uint8_t(~(1u << (lastHeaderBit % 8)));
    data[size - 1] &= uint8_t((1u << (8 - unusedBits)) - 1);
    uint8_t* end = data + size;
    if (extra == 5) *end++ = 0;
    const uint8_t lengths[4] = {0x00, 0x00, 0xFF, 0xFF};
    for (uint8_t b : lengths) *end++ = b;
    return size + extra;
}

}  // namespace korvel
