// The records come from the clipboard as well as from us: every offset and count is checked
// against the record that holds it before it is read, and anything unexpected is copied as it is.
// The device context state that decides where the glyphs of a text go (the selected font's
// escapement, the text alignment, the mapping mode) is followed through the records before it.
#include "platform/emf_text_split.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <unordered_map>
#include <vector>

namespace korvel {

namespace {

constexpr uint32_t kHeader = 1;
constexpr uint32_t kSetMapMode = 17;
constexpr uint32_t kSetTextAlign = 22;
constexpr uint32_t kSaveDc = 33;
constexpr uint32_t kRestoreDc = 34;
constexpr uint32_t kSelectObject = 37;
constexpr uint32_t kDeleteObject = 40;
constexpr uint32_t kExtCreateFont = 82;
constexpr uint32_t kExtTextOutW = 84;

constexpr uint32_t kMapModeText = 1;
// TA_UPDATECP, TA_RIGHT (TA_CENTER is both bits), TA_RTLREADING.
constexpr uint32_t kAlignNotLeft = 0x0001 | 0x0006 | 0x0100;
constexpr uint32_t kEtoOpaque = 0x0002;
constexpr uint32_t kEtoGlyphIndex = 0x0010;
constexpr uint32_t kEtoRtlReading = 0x0080;
constexpr uint32_t kEtoPdy = 0x2000;

// The fixed part of EMR_EXTTEXTOUTW up to the end of its EMRTEXT, and where EMRTEXT's fields are.
constexpr size_t kTextFixed = 76;
constexpr size_t kReference = 36, kCount = 44, kStringOffset = 48, kOptions = 52, kDxOffset = 72;
// Saved device contexts followed, at most; deeper saves are not restored from.
constexpr size_t kMaxSaved = 1024;

uint32_t u32At(const char* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}
void put32(char* p, uint32_t v) { std::memcpy(p, &v, 4); }

struct Font {
    int escapement = 0;
    bool vertical = false;  // an "@" face: the glyphs go down the page
};

struct DcState {
    Font font;
    uint32_t align = 0;
    uint32_t mapMode = kMapModeText;
};

size_t padded(size_t bytes) { return (bytes + 3) & ~size_t(3); }

// Appends the one-glyph records of the text record at `r` (`size` bytes) to `out` and returns
// how many; 0 (and nothing appended) when the record is not one to split.
size_t splitText(const char* r, uint32_t size, const DcState& dc, QByteArray& out) {
    if (size < kTextFixed) return 0;
    const uint32_t count = u32At(r + kCount), stringAt = u32At(r + kStringOffset);
    const uint32_t options = u32At(r + kOptions), dxAt = u32At(r + kDxOffset);
    if (count < 2 || dxAt == 0 || (options & (kEtoPdy | kEtoRtlReading)) || (dc.align & kAlignNotLeft) ||
        dc.font.vertical || (dc.font.escapement != 0 && dc.mapMode != kMapModeText))
        return 0;
    if (stringAt < kTextFixed || dxAt < kTextFixed || uint64_t(stringAt) + 2ull * count > size ||
        uint64_t(dxAt) + 4ull * count > size)
        return 0;
    const bool glyphIndices = options & kEtoGlyphIndex;
    const double angle = dc.font.escapement * (M_PI / 1800.0);
    const double cosA = dc.font.escapement == 0 ? 1.0 : std::cos(angle);
    const double sinA = dc.font.escapement == 0 ? 0.0 : std::sin(angle);
    const int32_t x0 = static_cast<int32_t>(u32At(r + kReference));
    const int32_t y0 = static_cast<int32_t>(u32At(r + kReference + 4));

    size_t made = 0;
    int64_t advance = 0;  // along the baseline from the reference point to the glyph
    for (uint32_t i = 0; i < count;) {
        uint16_t unit;
        std::memcpy(&unit, r + stringAt + 2 * i, 2);
        // A surrogate pair is one character: its two units stay in one record.
        uint32_t units = 1;
        if (!glyphIndices && unit >= 0xD800 && unit < 0xDC00 && i + 1 < count) {
            uint16_t low;
            std::memcpy(&low, r + stringAt + 2 * (i + 1), 2);
            if (low >= 0xDC00 && low < 0xE000) units = 2;
        }
        const size_t stringBytes = padded(2 * units);
        const size_t recordSize = kTextFixed + stringBytes + 4 * units;
        const qsizetype start = out.size();
        out.append(r, static_cast<qsizetype>(kTextFixed));
        out.append(QByteArray(static_cast<qsizetype>(recordSize - kTextFixed), '\0'));
        char* g = out.data() + start;
        put32(g + 4, static_cast<uint32_t>(recordSize));
        const double along = static_cast<double>(advance);
        put32(g + kReference, static_cast<uint32_t>(static_cast<int32_t>(x0 + std::llround(along * cosA))));
        put32(g + kReference + 4, static_cast<uint32_t>(static_cast<int32_t>(y0 - std::llround(along * sinA))));
        put32(g + kCount, units);
        put32(g + kStringOffset, kTextFixed);
        // An opaque box is filled once, under the first glyph, or it would cover the ones before.
        put32(g + kOptions, made == 0 ? options : options & ~kEtoOpaque);
        put32(g + kDxOffset, static_cast<uint32_t>(kTextFixed + stringBytes));
        std::memcpy(g + kTextFixed, r + stringAt + 2 * i, 2 * units);
        std::memcpy(g + kTextFixed + stringBytes, r + dxAt + 4 * i, 4 * units);
        for (uint32_t k = 0; k < units; ++k) advance += u32At(r + dxAt + 4 * (i + k));
        i += units;
        ++made;
    }
    return made;
}

}  // namespace

QByteArray SplitTextAdvances(const QByteArray& emf) {
    const char* b = emf.constData();
    const size_t n = static_cast<size_t>(emf.size());
    if (n < 56 || u32At(b) != kHeader) return emf;

    QByteArray out, pieces;
    size_t copied = 0;  // bytes of `emf` already in `out`
    DcState dc;
    std::vector<DcState> saved;
    std::unordered_map<uint32_t, Font> fonts;
    size_t added = 0;
    size_t at = 0;
    while (at + 8 <= n) {
        const uint32_t type = u32At(b + at), size = u32At(b + at + 4);
        if (size < 8 || size % 4 != 0 || size > n - at) break;
        const char* r = b + at;
        const uint32_t param = size >= 12 ? u32At(r + 8) : 0;
        switch (type) {
        case kExtCreateFont:
            // Handle, then LOGFONT: height, width, escapement, ..., face name at 28 bytes in.
            if (size >= 12 + 32 + 2) {
                Font f;
                f.escapement = static_cast<int32_t>(u32At(r + 12 + 8));
                uint16_t first;
                std::memcpy(&first, r + 12 + 28, 2);
                f.vertical = first == u'@';
                fonts[param] = f;
            }
            break;
        case kSelectObject:
            if (size >= 12) {
                const auto it = fonts.find(param);
                if (it != fonts.end()) dc.font = it->second;
                else if (param & 0x80000000u) {
                    // Stock fonts are upright; other stock objects leave the font alone.
                    if (param >= 0x8000000Au && param <= 0x80000011u && param != 0x8000000Fu) dc.font = Font{};
                }
            }
            break;
        case kDeleteObject:
            if (size >= 12) fonts.erase(param);
            break;
        case kSetTextAlign:
            if (size >= 12) dc.align = param;
            break;
        case kSetMapMode:
            if (size >= 12) dc.mapMode = param;
            break;
        case kSaveDc:
            if (saved.size() < kMaxSaved) saved.push_back(dc);
            break;
        case kRestoreDc: {
            const int32_t relative = static_cast<int32_t>(param);
            if (size >= 12 && relative < 0 && size_t(-int64_t(relative)) <= saved.size()) {
                saved.resize(saved.size() - size_t(-int64_t(relative)) + 1);
                dc = saved.back();
                saved.pop_back();
            }
            break;
        }
        default: break;
        }
        if (type == kExtTextOutW) {
            pieces.clear();
            const size_t made = splitText(r, size, dc, pieces);
            if (made > 0) {
                if (copied == 0) out.reserve(static_cast<qsizetype>(n + n / 2));
                out.append(b + copied, static_cast<qsizetype>(at - copied));
                out.append(pieces);
                copied = at + size;
                added += made - 1;
            }
        }
        at += size;
    }
    if (copied == 0) return emf;
    out.append(b + copied, static_cast<qsizetype>(n - copied));  // the rest, and what no walk could read
    if (uint64_t(out.size()) > 0xFFFFFFFFull) return emf;        // beyond what the header can count
    put32(out.data() + 48, static_cast<uint32_t>(out.size()));
    put32(out.data() + 52, u32At(b + 52) + static_cast<uint32_t>(added));
    return out;
}

}  // namespace korvel
