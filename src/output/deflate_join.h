// Raw deflate streams made apart and joined into one, for compressing a picture on every core
// with a compressor that writes whole streams only.
#pragma once

#include <cstddef>
#include <cstdint>

namespace korvel {

// Makes the whole raw deflate stream in data[0, size) one that goes on: its final block's
// last-block bit is cleared and an empty stored block (what zlib's sync flush writes) ends it on
// a byte, so another stream's bytes can follow. Needs up to 5 bytes beyond `size` within
// `capacity`. Returns the new size, or 0 when the bytes are not one whole stream or there is no
// room; the bytes are then unchanged.
size_t LeaveDeflateStreamOpen(uint8_t* data, size_t size, size_t capacity);

}  // namespace korvel
