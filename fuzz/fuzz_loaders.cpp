// libFuzzer target: every loader on the same bytes, and a save of whatever was read.
#include <cstddef>
#include <cstdint>

#include "drawing/loaders.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace korvel;
    for (int kind = 0; kind < 4; ++kind) {
        Drawing d;
        LoadResult r;
        switch (kind) {
            case 0: r = LoadJww(d, data, size); break;
            case 1: r = LoadDamagedJww(d, data, size); break;
            case 2: r = LoadJws(d, data, size); break;
            case 3: r = LoadJwz(d, data, size); break;
        }
        if (!r.ok && r.error.empty()) __builtin_trap();  // every failure must say why
        if (!r.ok && r.errorOffset > size) __builtin_trap();  // ...at a byte of the data
        if (r.ok && !d.completeness.complete && r.warnings.empty()) __builtin_trap();  // and a loss is said
        if (r.ok && d.RecordCount() > 0 && kind == 0) {
            SaveResult saved;
            std::vector<uint8_t> bytes = SaveJwwBytes(d, 351, saved);
            Drawing back;
            if (!LoadJww(back, bytes.data(), bytes.size()).ok) __builtin_trap();  // what we write, we read
        }
    }
    return 0;
}
