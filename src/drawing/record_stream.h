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

// Where one record lies in the data: its tag (or class entry) and its fields.
struct RecordSpan {
    RecordClass cls;
    size_t tagAt;   // first byte of the tag or class entry
    size_t begin;   // first byte of the fields
    size_t end;     // one past the last
};

// What one load met besides its records.
struct StreamReport {
    std::vector<std::string> warnings;
    size_t replacedCharacters = 0;
    std::string error;        // set when a reader returns false
    size_t errorOffset = 0;
    bool truncatedInsideRecord = false;
    // When set, every record read whole is listed here (for tools that measure what a reader
    // keeps of damaged data).
    std::vector<RecordSpan>* spans = nullptr;
};

// Each header reader rewinds `in`; the JWW and JWS readers reset the store first. All set
// ExpectedCount and RecordsStart.
bool ReadJwwHeader(Drawing& d, ByteReader& in, StreamReport& report);
bool ReadJwsHeader(Drawing& d, ByteReader& in, StreamReport& report);
bool ReadJwWinHeader(Drawing& d, ByteReader& in, StreamReport& report);

// Reads the records from RecordsStart to the end tag, the end of the data, a truncated record
// or a stop; files them and finishes the extents.
bool ReadRecords(Drawing& d, ByteReader& in, StreamReport& report);
// Reads damaged data (no header, or a record stream with garbage in it or its front cut away):
// finds the records wherever they lie, on all layers. False when none was found.
bool ScanAndReadRecords(Drawing& d, ByteReader& in, StreamReport& report);
// The same where the caller knows whether the data's own header reads: `knownStart` is where
// it says the records begin, SIZE_MAX when it does not read.
bool ScanAndReadRecords(Drawing& d, ByteReader& in, StreamReport& report, size_t knownStart);

// Writers append to an empty writer. The version written is `requestedVersion` when it is 200
// or more, else the drawing's own (351 when that is 0); versions above 351 are written as 351.
void WriteJwwHeader(Drawing& d, ByteWriter& out, uint32_t requestedVersion);
// A given header announcing `recordCount` records, in the layout of `writeVersion`.
void WriteJwwHeader(const DrawingHeader& h, uint32_t recordCount, uint32_t writeVersion, ByteWriter& out);
void WriteJwWinHeader(Drawing& d, ByteWriter& out);
void WriteRecords(Drawing& d, ByteWriter& out, uint32_t requestedVersion);

// The version a write with `requestedVersion` produces.
uint32_t WriteVersionFor(const Drawing& d, uint32_t requestedVersion);

// What a write keeps: the definitions read to their last member, and every record but the
// inserts that would refer to a definition not written. RecordsToWrite counts the top-level
// records written (the count a header announces); InsertsLeftOutByWrite counts the inserts
// left out, at the top level and in definitions, and names the block of the first.
uint32_t DefinitionsToWrite(const Drawing& d);
uint32_t RecordsToWrite(const Drawing& d);
size_t InsertsLeftOutByWrite(const Drawing& d, uint32_t& firstBlock);

}  // namespace korvel
