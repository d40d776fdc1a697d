// The reader chains of the open, damaged-open and .jwz commands, over bytes in memory, and the
// save and transfer writers.
#include "drawing/loaders.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "drawing/coordinate_range.h"
#include "drawing/cp932.h"
#include "drawing/record_stream.h"

namespace korvel {

namespace {

constexpr uint64_t kLargestFile = 1ull << 31;  // JWW offsets are 32-bit; nothing larger is real

// What a version-3.51 file cannot carry of a newer drawing.
std::string droppedBy351(const Drawing& d) {
    std::vector<std::string> parts;
    if (!d.header.SxfPens.empty()) parts.push_back("the SXF pen and line-type tables");
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

LoadResult scanFallback(Drawing& d, ByteReader& in, StreamReport& report, const std::string& why) {
    StreamReport scan;
    const bool ok = ScanAndReadRecords(d, in, scan);
    scan.warnings.insert(scan.warnings.begin(), why + "; the records were recovered by scanning");
    if (!ok) scan.error = why + ", and " + scan.error;
    LoadResult r = finish(d, ok, scan);
    r.recovered = true;
    return r;
}

std::string lowerExtension(const std::string& path) {
    std::string ext = std::filesystem::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext;
}

}  // namespace

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes, std::string& error) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        error = std::strerror(errno);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        error = "not a regular file";
        return false;
    }
    if (static_cast<uint64_t>(st.st_size) > kLargestFile) {
        error = "too large for a Jw_cad drawing (" + std::to_string(st.st_size) + " bytes)";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = std::strerror(errno);
        return false;
    }
    bytes.resize(static_cast<size_t>(st.st_size));
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (static_cast<size_t>(in.gcount()) != bytes.size()) {
        error = "could not be read to its end";
        return false;
    }
    return true;
}

LoadResult LoadJww(Drawing& d, const uint8_t* data, size_t size) {
    ByteReader in(data, size);
    StreamReport report;
    if (!ReadJwwHeader(d, in, report)) return scanFallback(d, in, report, "the JWW header cannot be read (" + report.error + ")");
    d.AllLayers = false;
    if (d.header.Version < 200) {
        return scanFallback(d, in, report, "version " + std::to_string(d.header.Version) + " data is read by scanning");
    }
    const bool ok = ReadRecords(d, in, report);
    return finish(d, ok, report);
}

LoadResult LoadDamagedJww(Drawing& d, const uint8_t* data, size_t size) {
    ByteReader in(data, size);
    StreamReport report;
    const bool ok = ScanAndReadRecords(d, in, report);
    LoadResult r = finish(d, ok, report);
    r.recovered = true;
    return r;
}

LoadResult LoadJws(Drawing& d, const uint8_t* data, size_t size) {
    ByteReader in(data, size);
    StreamReport report;
    if (!ReadJwsHeader(d, in, report)) return finish(d, false, report);
    d.AllLayers = true;
    return finish(d, ReadRecords(d, in, report), report);
}

LoadResult LoadJwz(Drawing& d, const uint8_t* data, size_t size) {
    ByteReader in(data, size);
    StreamReport report;
    d.ResetStore();
    // Jw_win data carries no version of its own: its class schemas say which layouts follow.
    // Starting from the previous drawing's version would read older data with newer layouts.
    d.header.Version = 0;
    if (!ReadJwWinHeader(d, in, report)) return finish(d, false, report);
    d.AllLayers = true;
    return finish(d, ReadRecords(d, in, report), report);
}

LoadResult LoadJwwHeaderOnly(Drawing& d, const uint8_t* data, size_t size) {
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
    const std::string ext = lowerExtension(path);
    if (ext == ".jww") return kind = DataKind::Jww, true;
    if (ext == ".jws") return kind = DataKind::Jws, true;
    if (ext == ".jwz") return kind = DataKind::Jwz, true;
    if (size >= 8 && std::memcmp(data, "JwwData.", 8) == 0) return kind = DataKind::Jww, true;
    if (size >= 8 && std::memcmp(data, "JwsData.", 8) == 0) return kind = DataKind::Jws, true;
    return false;
}

LoadResult LoadFile(Drawing& d, const std::string& path, bool recover, const DataKind* forcedKind) {
    std::vector<uint8_t> bytes;
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
    if (!r.ok) r.error = path + ": " + r.error + " (at byte " + std::to_string(r.errorOffset) + ")";

    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path p = fs::absolute(fs::path(path), ec);
    d.DrawingFolder = p.parent_path().string();
    d.fileName = Utf8ToCp932(p.filename().string());
    d.DrawingName = Utf8ToCp932(p.stem().string());
    d.DrawingPath = Utf8ToCp932(p.string());
    struct stat st {};
    d.fileTime = ::stat(path.c_str(), &st) == 0 ? static_cast<int64_t>(st.st_mtime) : 0;
    return r;
}

namespace {
void addWriteWarnings(const Drawing& d, uint32_t written, SaveResult& result) {
    if (d.header.Version > 351 && written == 351) {
        const std::string dropped = droppedBy351(d);
        result.warnings.push_back("version " + std::to_string(d.header.Version) + " drawing written as version 351" +
                                  (dropped.empty() ? std::string() : "; dropped: " + dropped));
    }
    if (d.completedDefinitions < d.BlockDefinitionCount()) {
        result.warnings.push_back(std::to_string(d.BlockDefinitionCount() - d.completedDefinitions) +
                                  " block definition(s) cut short in the source are not written");
    }
}
}  // namespace

std::vector<uint8_t> SaveJwwBytes(Drawing& d, uint32_t version, SaveResult& result) {
    if (version != 0) d.header.Version = version;
    // A drawing recovered from a broken header may carry a current text width that would make
    // the file we write unreadable; Jw_cad's own default keeps it openable.
    const double width = d.header.CurrentTextWidth;
    if (!(width >= 1e-7 && width <= 1e7)) {
        d.header.CurrentTextWidth = 3.0;
        result.warnings.push_back("the header's current text width was invalid and is written as 3");
    }
    ByteWriter out;
    WriteJwwHeader(d, out, d.header.Version);
    WriteRecords(d, out, d.header.Version);
    addWriteWarnings(d, WriteVersionFor(d, d.header.Version), result);
    result.ok = true;
    return std::vector<uint8_t>(out.bytes.begin(), out.bytes.end());
}

std::vector<uint8_t> SaveJwWinBytes(Drawing& d, SaveResult& result) {
    ByteWriter out;
    WriteJwWinHeader(d, out);
    WriteRecords(d, out, 351);
    addWriteWarnings(d, 351, result);
    result.ok = true;
    return std::vector<uint8_t>(out.bytes.begin(), out.bytes.end());
}

}  // namespace korvel
