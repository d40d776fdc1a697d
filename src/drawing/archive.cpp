#include "drawing/archive.h"

#include "drawing/cp932.h"

namespace korvel {

namespace {
// Reads the escaped length that both plain and UTF-16 strings use; `unicode` reports the marker.
bool readLength(ByteReader& r, uint64_t& length, bool& unicode, bool allowMarker) {
    uint8_t n = r.u8();
    if (n < 255) {
        length = n;
        return !r.failed();
    }
    uint16_t m = r.u16();
    if (m == 0xFFFE && allowMarker) {
        unicode = true;
        bool nested = false;
        return readLength(r, length, nested, false);
    }
    if (m == 0xFFFF) {
        length = r.u32();
        return !r.failed();
    }
    length = m;
    return !r.failed();
}
}  // namespace

void ReadArchive::str(std::string& s) {
    uint64_t length = 0;
    bool unicode = false;
    s.clear();
    if (!readLength(r_, length, unicode, true)) return;
    if (!unicode) {
        r_.bytes(static_cast<size_t>(length), s);  // fails before allocating when too long
        return;
    }
    if (length > r_.remaining() / 2) {
        r_.skip(r_.remaining() + 1);  // marks the failure at this offset
        return;
    }
    const uint8_t* p = r_.view(static_cast<size_t>(length) * 2);
    if (p) s = Utf16ToCp932(p, static_cast<size_t>(length), &replacedCharacters);
}

void SkimArchive::str(std::string& s) {
    uint64_t length = 0;
    bool unicode = false;
    s.clear();
    if (!readLength(r_, length, unicode, true)) return;
    if (unicode && length > r_.remaining() / 2) {
        r_.skip(r_.remaining() + 1);
        return;
    }
    r_.skip(static_cast<size_t>(unicode ? length * 2 : length));
}

void WriteArchive::str(const std::string& s) {
    const size_t n = s.size();
    if (n < 255) {
        w_.u8(static_cast<uint8_t>(n));
    } else if (n < 0xFFFE) {
        w_.u8(255);
        w_.u16(static_cast<uint16_t>(n));
    } else {
        w_.u8(255);
        w_.u16(0xFFFF);
        w_.u32(static_cast<uint32_t>(n));
    }
    w_.raw(s.data(), n);
}

}  // namespace korvel
