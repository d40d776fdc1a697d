// The reader chains of the open, damaged-open and .jwz commands, over bytes in memory, and the
// save and transfer writers.
#include "drawing/loaders.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "drawing/coordinate_range.h"
#include "drawing/cp932.h"
#include "drawing/drawing_builder.h"
#include "drawing/file_bytes.h"
#include "drawing/file_extension.h"
#include "drawing/record_kinds.h"
#include "drawing/record_stream.h"

namespace korvel {

namespace {

// What a version-3.51 file cannot carry of a newer drawing.
// Jw_win data has no header of pens and line types to lose: `withHeader` is false for it.
std::string droppedBy351(const Drawing& d, bool withHeader = true) {
    std::vector<std::string> parts;
    if (withHeader && !d.header.SxfPens.empty()) parts.push_back("the SXF pen and line-type tables");
    const size_t sxfDims = std::count_if(d.top.dimensions.begin(), d.top.dimensions.end(),
                                         [](const TDataSunpou& s) { return s.hasSxf; });
    if (sxfDims > 0) parts.push_back("the SXF parts of " + std::to_string(sxfDims) + " dimension(s)");
    if (!d.embeddedPictures.empty()) parts.push_back(std::to_string(d.embeddedPictures.size()) + " embedded picture(s)");
    std::string out;
    for (const std::string& p : parts) out += (out.empty() ? "" : ", ") + p;
    return out;
}

LoadResult finish(Drawing& d, bool ok, const StreamReport& report) {
    LoadResult r;
    r.ok = ok;
    r.error = ok ? std::string() : report.error;
    r.errorOffset = ok ? 0 : report.errorOffset;
    r.warnings = report.warnings;
    r.replacedCharacters = report.replacedCharacters;
    if (report.replacedCharacters > 0) {
        r.warnings.push_back(std::to_string(report.replacedCharacters) +
                             " character(s) that the Japanese code page cannot hold were replaced by \"？\"");
    }
    if (ok) {
        const std::string outOfRange = OutOfRangeWarning(CountOutOfRangeRecords(d));
        if (!outOfRange.empty()) r.warnings.push_back(outOfRange);
    }
    if (ok && d.header.Version > 351) {
        const std::string dropped = droppedBy351(d);
        if (!dropped.empty()) r.droppedOnSave = "saving writes JWW version 3.51, which cannot keep " + dropped;
    }
    return r;
}

// Every load starts from the state a fresh drawing has: what the previous drawing held never
// chooses how this one is read. Only the pen table stays, until the data brings its own.
void startFresh(Drawing& d, HeaderKind kind) {
    d.ResetStore();
    d.header = FreshHeaderKeepingPens(d.header);
    d.headerKind = kind;
}

LoadResult scanFallback(Drawing& d, const DrawingHeader& start, ByteReader& in, bool headerRead,
                        const std::string& why) {
    const size_t recordsStart = d.RecordsStart;
    d.header = start;
    d.headerKind = HeaderKind::None;
    StreamReport scan;
    // The header did not read (or holds data too old for it): the scan need not try it again.
    const bool ok = ScanAndReadRecords(d, in, scan, headerRead ? recordsStart : SIZE_MAX);
    scan.warnings.insert(scan.warnings.begin(), why + "; the records were recovered by scanning");
    if (!ok) scan.error = why + ", and " + scan.error;
    LoadResult r = finish(d, ok, scan);
    r.recovered = true;
    return r;
}

}  // namespace

LoadResult LoadJww(Drawing& d, const uint8_t* data, size_t size) {
    startFresh(d, HeaderKind::Jww);
    const DrawingHeader start = d.header;
    ByteReader in(data, size);
    StreamReport report;
    if (!ReadJwwHeader(d, in, report))
        return scanFallback(d, start, in, false, "the JWW header cannot be read (" + report.error + ")");
    d.AllLayers = false;
    if (d.header.Version < 200) {
        return scanFallback(d, start, in, true, "version " + std::to_string(d.header.Version) + " data is read by scanning");
    }
    const bool ok = ReadRecords(d, in, report);
    return finish(d, ok, report);
}

LoadResult LoadDamagedJww(Drawing& d, const uint8_t* data, size_t size) {
    startFresh(d, HeaderKind::None);
    ByteReader in(data, size);
    StreamReport report;
    const bool ok = ScanAndReadRecords(d, in, report);
    LoadResult r = finish(d, ok, report);
    r.recovered = true;
    return r;
}

LoadResult LoadJws(Drawing& d, const uint8_t* data, size_t size) {
    startFresh(d, HeaderKind::Jws);
    ByteReader in(data, size);
    StreamReport report;
    if (!ReadJwsHeader(d, in, report)) return finish(d, false, report);
    d.AllLayers = true;
    return finish(d, ReadRecords(d, in, report), report);
}

LoadResult LoadJwz(Drawing& d, const uint8_t* data, size_t size) {
    // Jw_win data carries no version of its own: its class schemas say which layouts follow.
    startFresh(d, HeaderKind::JwWin);
    ByteReader in(data, size);
    StreamReport report;
    if (!ReadJwWinHeader(d, in, report)) return finish(d, false, report);
    d.AllLayers = true;
    return finish(d, ReadRecords(d, in, report), report);
}

LoadResult LoadJwwHeaderOnly(Drawing& d, const uint8_t* data, size_t size) {
    startFresh(d, HeaderKind::Jww);
    ByteReader in(data, size);
    StreamReport report;
    return finish(d, ReadJwwHeader(d, in, report), report);
}

LoadResult LoadBytes(Drawing& d, DataKind kind, bool recover, const uint8_t* data, size_t size) {
    LoadResult r;
    switch (kind) {
        case DataKind::Jww: r = recover ? LoadDamagedJww(d, data, size) : LoadJww(d, data, size); break;
        case DataKind::Jws: r = LoadJws(d, data, size); break;
        case DataKind::Jwz: r = LoadJwz(d, data, size); break;
    }
    r.kind = kind;
    return r;
}

bool GuessDataKind(const std::string& path, const uint8_t* data, size_t size, DataKind& kind) {
    if (HasExtension(path, ".jww")) return kind = DataKind::Jww, true;
    if (HasExtension(path, ".jws")) return kind = DataKind::Jws, true;
    if (HasExtension(path, ".jwz")) return kind = DataKind::Jwz, true;
    if (size >= 8 && std::memcmp(data, "JwwData.", 8) == 0) return kind = DataKind::Jww, true;
    if (size >= 8 && std::memcmp(data, "JwsData.", 8) == 0) return kind = DataKind::Jws, true;
    return false;
}

LoadResult LoadFile(Drawing& d, const std::string& path, bool recover, const DataKind* forcedKind) {
    FileBytes bytes;
    std::string error;
    if (!ReadWholeFile(path, bytes, error)) {
        LoadResult r;
        r.error = path + ": " + error;
        return r;
    }
    DataKind kind = DataKind::Jww;
    if (forcedKind) {
        kind = *forcedKind;
    } else if (!GuessDataKind(path, bytes.data(), bytes.size(), kind)) {
        LoadResult r;
        r.error = path + ": not a Jw_cad drawing (the extension is not .jww, .jws or .jwz and the data does "
                         "not begin with \"JwwData.\" or \"JwsData.\")";
        return r;
    }
    LoadResult r = LoadBytes(d, kind, recover, bytes.data(), bytes.size());
    r.kind = kind;
    if (bytes.cutShort()) {
        // Part of what was read is zeros standing in for lost bytes: none of it is the drawing.
        d.ResetStore();
        r = LoadResult{};
        r.kind = kind;
        r.error = path + ": " + kCutWhileRead;
        return r;
    }
    if (!r.ok) r.error = path + ": " + r.error + " (at byte " + std::to_string(r.errorOffset) + ")";

    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path p = fs::absolute(fs::path(path), ec);
    d.DrawingFolder = p.parent_path().string();
    d.fileName = Utf8ToCp932(p.filename().string());
    d.DrawingName = Utf8ToCp932(p.stem().string());
    d.DrawingPath = Utf8ToCp932(p.string());
    d.fileTime = bytes.modified();
    return r;
}

namespace {

// Counts the records of both sets (top level and block members) for which `pred` holds.
template <class Pred>
size_t countRecords(const Drawing& d, Pred pred) {
    size_t n = 0;
    for (const RecordSet* set : {&d.top, &d.members})
        for (const RecordRef& ref : set->sequence) withRecord(*set, ref, [&](const auto& r) { n += pred(r) ? 1 : 0; });
    return n;
}

bool carriesPenWidth(const TJwData& r) { return r.penWidth != 0; }
bool carriesPenWidth(const TDataSunpou& r) { return r.penWidth || r.line.penWidth || r.text.penWidth; }

template <class T, size_t N>
bool anySet(const std::array<T, N>& values, size_t from = 0) {
    for (size_t i = from; i < N; ++i)
        if (values[i] != T{}) return true;
    return false;
}

// Header values that came with later versions, and whether a header holds any of them.
struct HeaderPart {
    uint32_t since;
    const char* name;
    bool (*holds)(const DrawingHeader&);
};
const HeaderPart kLaterHeaderParts[] = {
    {300, "the sky map settings", [](const DrawingHeader& h) { return h.SkyMapLevel != 0.0 || h.SkyMapRadius != 0.0; }},
    {300, "jump marks 5 to 10 and the marks' layer groups",
     [](const DrawingHeader& h) {
         for (size_t i = 0; i < h.MarkJump.size(); ++i) {
             const MarkJumpEntry& m = h.MarkJump[i];
             if (m.layerGroup != 0 || (i >= 4 && (m.scale != 0.0 || m.x != 0.0 || m.y != 0.0))) return true;
         }
         return false;
     }},
    {230, "the second extra options", [](const DrawingHeader& h) { return anySet(h.ExtraOption2); }},
    {225, "the second extra values", [](const DrawingHeader& h) { return anySet(h.ExtraValue2); }},
    {223, "the extra options and values", [](const DrawingHeader& h) { return anySet(h.ExtraOption) || anySet(h.ExtraValue); }},
};

// What writing a drawing of version `source` as version `written` leaves out.
std::vector<std::string> droppedByVersion(const Drawing& d, uint32_t source, uint32_t written, bool withHeader) {
    std::vector<std::string> parts;
    if (source > 351 && written <= 351) {
        const std::string sxf = droppedBy351(d, withHeader);
        if (!sxf.empty()) parts.push_back(sxf);
    }
    if (written < 351) {
        const size_t widths = countRecords(d, [](const auto& r) { return carriesPenWidth(r); });
        if (widths > 0) parts.push_back("the pen widths of " + std::to_string(widths) + " record(s)");
    }
    if (written < 300) {
        const size_t special = countRecords(d, [](const auto& r) {
            if constexpr (std::is_same_v<std::decay_t<decltype(r)>, TDataTen>) return r.penStyle == 100;
            return false;
        });
        if (special > 0) parts.push_back("the codes, angles and sizes of " + std::to_string(special) + " special point(s)");
    }
    for (const HeaderPart& part : kLaterHeaderParts)
        if (withHeader && written < part.since && part.holds(d.header)) parts.push_back(part.name);
    return parts;
}

void addWriteWarnings(const Drawing& d, uint32_t written, bool withHeader, SaveResult& result) {
    const uint32_t source = d.header.Version == 0 ? 351 : d.header.Version;
    const std::vector<std::string> dropped = droppedByVersion(d, source, written, withHeader);
    // Jw_win data is always of version 3.51: only what it drops is worth a word.
    if ((withHeader && source > written) || !dropped.empty()) {
        std::string text = "version " + std::to_string(source) + " drawing written as version " + std::to_string(written);
        for (size_t i = 0; i < dropped.size(); ++i) text += (i == 0 ? "; dropped: " : ", ") + dropped[i];
        result.warnings.push_back(text);
    }
    if (!d.completeness.complete) {
        result.warnings.push_back("the file holds only what was read of the drawing: " +
                                  DescribeIncompleteRead(d.completeness));
    }
    if (d.Stopped) result.warnings.push_back("block definitions that no insert uses were left out when it was read");
    if (d.completedDefinitions < d.BlockDefinitionCount()) {
        result.warnings.push_back(std::to_string(d.BlockDefinitionCount() - d.completedDefinitions) +
                                  " block definition(s) cut short in the source are not written");
    }
    uint32_t firstBlock = 0;
    if (const size_t orphans = InsertsLeftOutByWrite(d, firstBlock)) {
        result.warnings.push_back(std::to_string(orphans) + " block insert(s) of block " + std::to_string(firstBlock) +
                                  " or others without a written definition are not written");
    }
}

}  // namespace

std::vector<uint8_t> SaveJwwBytes(Drawing& d, uint32_t version, SaveResult& result) {
    const uint32_t written = WriteVersionFor(d, version);
    DrawingHeader header = d.header;
    // A header that would make the file unreadable (a current text width that fails the
    // reader's check) is written with Jw_cad's own default instead.
    const double width = header.CurrentTextWidth;
    if (!(width >= 1e-7 && width <= 1e7)) {
        header.CurrentTextWidth = 3.0;
        result.warnings.push_back("the header's current text width was invalid and is written as 3");
    }
    ByteWriter out;
    WriteJwwHeader(header, RecordsToWrite(d), written, out);
    d.RecordsStart = out.position();
    WriteRecords(d, out, written);
    addWriteWarnings(d, written, true, result);
    result.ok = true;
    return std::vector<uint8_t>(out.bytes.begin(), out.bytes.end());
}

std::vector<uint8_t> SaveJwWinBytes(Drawing& d, SaveResult& result) {
    ByteWriter out;
    WriteJwWinHeader(d, out);
    WriteRecords(d, out, 351);
    addWriteWarnings(d, 351, false, result);
    result.ok = true;
    return std::vector<uint8_t>(out.bytes.begin(), out.bytes.end());
}

}  // namespace korvel
