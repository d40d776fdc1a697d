// The three header kinds: JWW files, JWS data and Jw_win clipboard data.
#include <cstring>

#include "drawing/jww_layout.h"
#include "drawing/record_stream.h"

namespace korvel {

namespace {

constexpr char kJwwMagic[] = "JwwData.";
constexpr char kJwsMagic[] = "JwsData.";

bool magicIs(ByteReader& in, const char* magic) {
    const uint8_t* p = in.view(8);
    return p && std::memcmp(p, magic, 8) == 0;
}

// A u16 record count, escaping to a u32 when it is 0xFFFF.
uint32_t readCount(ByteReader& in) {
    uint16_t n = in.u16();
    return n == 0xFFFF ? in.u32() : n;
}

void writeCount(ByteWriter& out, uint32_t n) {
    if (n < 32768) {
        out.u16(static_cast<uint16_t>(n));
    } else {
        out.u16(0xFFFF);
        out.u32(n);
    }
}

bool headerFailed(ByteReader& in, StreamReport& report, const char* what) {
    report.error = std::string("the data ends inside the ") + what;
    report.errorOffset = in.failOffset();
    return false;
}

}  // namespace

uint32_t WriteVersionFor(const Drawing& d, uint32_t requestedVersion) {
    uint32_t v = d.header.Version == 0 ? 351 : d.header.Version;
    if (requestedVersion >= 200) v = requestedVersion;
    // Our layouts end at 3.51: newer drawings are written in that form.
    return v > 351 ? 351 : v;
}

bool ReadJwwHeader(Drawing& d, ByteReader& in, StreamReport& report) {
    d.ResetStore();
    in.seek(0);
    if (!magicIs(in, kJwwMagic)) {
        report.error = "not a JWW file (it does not begin with \"JwwData.\")";
        report.errorOffset = 0;
        return false;
    }
    ReadArchive ar(in);
    archiveJwwHeaderBody(ar, d.header, 0);
    report.replacedCharacters += ar.replacedCharacters;
    if (in.failed()) return headerFailed(in, report, "JWW header");
    for (auto& c : d.header.PenColor) c &= 0x00FFFFFF;
    for (auto& c : d.header.PrtPenColor) c &= 0x00FFFFFF;
    d.ExpectedCount = readCount(in);
    if (in.failed()) return headerFailed(in, report, "JWW header");
    d.RecordsStart = in.position();
    const double w = d.header.CurrentTextWidth;
    if (!(w >= 1e-7 && w <= 1e7)) {
        report.error = "the JWW header does not pass its sanity check (current text width " +
                       std::to_string(w) + ")";
        report.errorOffset = in.position();
        return false;
    }
    return true;
}

bool ReadJwsHeader(Drawing& d, ByteReader& in, StreamReport& report) {
    d.ResetStore();
    in.seek(0);
    if (!magicIs(in, kJwsMagic)) {
        report.error = "not JWS data (it does not begin with \"JwsData.\")";
        report.errorOffset = 0;
        return false;
    }
    in.skip(192);
    d.header.Version = in.u32();
    d.header.GridReferenceX = in.f64();
    d.header.GridReferenceY = in.f64();
    for (auto& s : d.header.LayerGroupScale) s = in.f64();
    in.skip(6 * 4 + 6 * 8 + 4 * 8);  // values Jw_cad keeps for itself
    d.ExpectedCount = readCount(in);
    if (in.failed()) return headerFailed(in, report, "JWS header");
    d.RecordsStart = in.position();
    return true;
}

bool ReadJwWinHeader(Drawing& d, ByteReader& in, StreamReport& report) {
    in.seek(0);
    d.header.GridReferenceX = in.f64();
    d.header.GridReferenceY = in.f64();
    for (auto& s : d.header.LayerGroupScale) s = in.f64();
    d.ExpectedCount = readCount(in);
    if (in.failed()) return headerFailed(in, report, "Jw_win data header");
    d.RecordsStart = in.position();
    return true;
}

void WriteJwwHeader(const DrawingHeader& h, uint32_t recordCount, uint32_t writeVersion, ByteWriter& out) {
    out.raw(kJwwMagic, 8);
    WriteArchive ar(out);
    archiveJwwHeaderBody(ar, h, writeVersion);
    writeCount(out, recordCount);
}

void WriteJwwHeader(Drawing& d, ByteWriter& out, uint32_t requestedVersion) {
    WriteJwwHeader(d.header, RecordsToWrite(d), WriteVersionFor(d, requestedVersion), out);
    d.RecordsStart = out.position();
}

void WriteJwWinHeader(Drawing& d, ByteWriter& out) {
    out.f64(d.header.GridReferenceX);
    out.f64(d.header.GridReferenceY);
    // Jw_win takes a scale below 1 for a broken one; 1/500 is its usual drawing scale.
    for (double s : d.header.LayerGroupScale) out.f64(s < 1.0 ? 500.0 : s);
    writeCount(out, RecordsToWrite(d));
    d.RecordsStart = out.position();
}

}  // namespace korvel
