// Loading drawings from bytes in memory, one entry per kind of data, and saving them again.
// Each loader starts from the state of a fresh drawing (only the pen table stays) and says what
// happened: success, or what failed and at which byte offset, plus warnings; a drawing read
// incomplete always carries a warning that says so.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "drawing/drawing.h"
#include "drawing/file_bytes.h"
#include "drawing/output_file.h"  // WriteFileAtomically, for the savers' callers

namespace korvel {

enum class DataKind { Jww, Jws, Jwz };

struct LoadResult {
    bool ok = false;
    std::string error;        // what failed, in plain English; empty on success
    size_t errorOffset = 0;   // byte offset of the failure
    std::vector<std::string> warnings;
    bool recovered = false;   // the records were found by scanning (damaged or very old data)
    DataKind kind = DataKind::Jww;  // the kind of data that was read
    // What a save (always JWW 3.51 or older) could not keep of this drawing; empty when nothing.
    // Kept apart from the warnings: it matters to saving, not to showing the drawing.
    std::string droppedOnSave;
    size_t replacedCharacters = 0;  // Unicode characters that CP932 could not hold
};

// A JWW file as the open command reads it: header, then the records; a version below 200 or a
// header that fails falls back to the scanning reader.
LoadResult LoadJww(Drawing& drawing, const uint8_t* data, size_t size);
// A damaged JWW file: the scanning reader only.
LoadResult LoadDamagedJww(Drawing& drawing, const uint8_t* data, size_t size);
// JWS data ("JwsData.").
LoadResult LoadJws(Drawing& drawing, const uint8_t* data, size_t size);
// Jw_win clipboard data, also kept as ".jwz" files.
LoadResult LoadJwz(Drawing& drawing, const uint8_t* data, size_t size);

// Only the header of a JWW file (layers, scales, pens, line types, text sizes): the start-up
// takes the settings of the drawing Jw_win has open before reading Jw_win's clipboard data. The
// store is reset; no record is read.
LoadResult LoadJwwHeaderOnly(Drawing& drawing, const uint8_t* data, size_t size);

LoadResult LoadBytes(Drawing& drawing, DataKind kind, bool recover, const uint8_t* data,
                     size_t size);

// Reads a file and loads it: the kind follows the extension (".jww", ".jws", ".jwz"), or the
// magic for other names; `forcedKind` overrides both. Errors name the file. Also sets the
// drawing's file name and modification time.
LoadResult LoadFile(Drawing& drawing, const std::string& path, bool recover = false,
                    const DataKind* forcedKind = nullptr);

// Guesses the kind of a file by its extension, then its magic; false when neither tells.
bool GuessDataKind(const std::string& path, const uint8_t* data, size_t size, DataKind& kind);

struct SaveResult {
    bool ok = false;
    std::string error;
    // Everything the file written holds less than the drawing: what the version cannot carry,
    // what was never read, inserts whose definition is not written.
    std::vector<std::string> warnings;
};

// A JWW file of the given version (351, 300, 230, 225, 223, 220); 0 writes the drawing's own
// version. Drawings above 351 are written as 351. The drawing's header is written as it is (a
// drawing read without a JWW header has a fresh one that shows every layer).
std::vector<uint8_t> SaveJwwBytes(Drawing& drawing, uint32_t version, SaveResult& result);
// Jw_win clipboard data: the Jw_win data header and a version-351 record stream.
std::vector<uint8_t> SaveJwWinBytes(Drawing& drawing, SaveResult& result);

}  // namespace korvel
