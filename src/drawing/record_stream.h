// Jw_cad's header kinds and record stream: reading into the store, the scanning reader for
// damaged data, and writing both back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "drawing/byte_reader.h"
#include "drawing/drawing.h"

namespace korvel {

// What one load met besides its records.
struct StreamReport {
    std::vector<std::string> warnings;
    size_t replacedCharacters = 0;
    std::string error;        // set when a reader returns false
    size_t errorOffset = 0;
    bool truncatedInsideRecord = false;
};

// Each header reader rewinds `in`; the JWW and JWS readers reset the store first. All set
// ExpectedCount and RecordsStart.
bool ReadJwwHeader(Drawing& d, ByteReader& in, StreamReport& report);
bool ReadJwsHeader(Drawing& d, ByteReader& in, StreamReport& report);
bool ReadJwWinHeader(Drawing& d, ByteReader& in, StreamReport& report);

// Reads the records from RecordsStart to the end tag, the end of the data, a truncated record
// or a stop; files them and finishes the extents.
bool ReadRecords(Drawing& d, ByteReader& in, StreamReport& report);
// Finds the first class entry in damaged data and reads from there, on all layers.
bool ScanAndReadRecords(Drawing& d, ByteReader& in, StreamReport& report);

// Writers append to an empty writer. The version written is `requestedVersion` when it is 200
// or more, else the drawing's own (351 when that is 0); versions above 351 are written as 351.
void WriteJwwHeader(Drawing& d, ByteWriter& out, uint32_t requestedVersion);
void WriteJwWinHeader(Drawing& d, ByteWriter& out);
void WriteRecords(Drawing& d, ByteWriter& out, uint32_t requestedVersion);

// The version a write with `requestedVersion` produces.
uint32_t WriteVersionFor(const Drawing& d, uint32_t requestedVersion);

}  // namespace korvel
