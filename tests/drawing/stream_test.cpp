// The record stream: class tags, truncation, stops, block members, recovery scanning, and the
// writer's tags.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>

#include "drawing/byte_reader.h"
#include "drawing/drawing_builder.h"
#include "drawing/loaders.h"
#include "drawing/record_stream.h"
#include "record_compare.h"

namespace korvel {
namespace {

TDataSen line(double x1, double y1, double x2, double y2) {
    TDataSen s;
    s.start = {x1, y1};
    s.end = {x2, y2};
    s.penColor = 2;
    return s;
}

TDataEnko circle(double x, double y, double r) {
    TDataEnko c;
    c.center = {x, y};
    c.radius = r;
    c.arcAngle = 6.283185307179586;
    c.fullCircle = 1;
    return c;
}

Drawing newDrawing() {
    Drawing d;
    d.header = NewDrawingHeader();
    return d;
}

Drawing twoLines() {
    Drawing d = newDrawing();
    DrawingBuilder b(d);
    b.add(line(0, 0, 1, 1));
    b.add(line(1, 1, 2, 2));
    b.finish();
    return d;
}

std::vector<uint8_t> save(Drawing& d, uint32_t version = 351) {
    SaveResult r;
    return SaveJwwBytes(d, version, r);
}

uint16_t u16At(const std::vector<uint8_t>& b, size_t at) { return static_cast<uint16_t>(b[at] | (b[at + 1] << 8)); }

// Finds the record stream of a file we wrote: the header writer sets RecordsStart.
size_t streamStart(Drawing& d, uint32_t version = 351) {
    ByteWriter w;
    WriteJwwHeader(d, w, version);
    return d.RecordsStart;
}

TEST(WriterTags, NewClassThenKnownClassByTheArchiveRule) {
    Drawing d = newDrawing();
    DrawingBuilder b(d);
    b.add(line(0, 0, 1, 1));
    b.add(line(1, 1, 2, 2));
    b.add(circle(0, 0, 5));
    b.finish();
    std::vector<uint8_t> bytes = save(d);
    size_t at = streamStart(d);
    EXPECT_EQ(u16At(bytes, at), 0xFFFF);
    EXPECT_EQ(u16At(bytes, at + 2), 351);  // schema: the version written
    ASSERT_EQ(u16At(bytes, at + 4), 8);
    EXPECT_EQ(std::string(bytes.begin() + at + 6, bytes.begin() + at + 14), "CDataSen");
    at += 14 + 47;
    EXPECT_EQ(u16At(bytes, at), 0x8001);  // the line class has index 1
    at += 2 + 47;
    EXPECT_EQ(u16At(bytes, at), 0xFFFF);
    EXPECT_EQ(std::string(bytes.begin() + at + 6, bytes.begin() + at + 15), "CDataEnko");
    at += 15 + 75;
    EXPECT_EQ(u16At(bytes, at), 0);  // end of the stream
    EXPECT_EQ(at + 2, bytes.size());
}

TEST(WriterTags, BlockDefinitionsFollowTheCountAndCarryTheirMembers) {
    Drawing d = newDrawing();
    DrawingBuilder b(d);
    TDataBlock insert;
    insert.origin = {10, 10};
    b.add(insert);
    TDataList def;
    def.name = "door";
    b.beginBlock(def);
    b.add(line(0, 0, 1, 0));
    b.add(line(0, 0, 0, 1));
    b.finish();
    std::vector<uint8_t> bytes = save(d);
    size_t at = streamStart(d);
    at += 6 + 10 + 15 + 44;  // the insert with its class entry ("CDataBlock")
    EXPECT_EQ(u16At(bytes, at), 1);  // one definition follows
    EXPECT_EQ(u16At(bytes, at + 2), 0xFFFF);
    EXPECT_EQ(std::string(bytes.begin() + at + 8, bytes.begin() + at + 17), "CDataList");
    Drawing back;
    ASSERT_TRUE(LoadJww(back, bytes.data(), bytes.size()).ok);
    EXPECT_EQ(back.BlockDefinitionCount(), 1u);
    EXPECT_EQ(back.members.size(), 2u);
    size_t first = 0, count = 0;
    ASSERT_TRUE(back.blockMembers(0, first, count));
    EXPECT_EQ(first, 0u);
    EXPECT_EQ(count, 2u);
    test::ExpectSameRecords(d, back, 351);
}

TEST(WriterTags, BigTagsPastRecord32768ReadBackWhole) {
    Drawing d = newDrawing();
    DrawingBuilder b(d);
    for (int i = 0; i < 100000; ++i) {
        b.add(line(i, 0, i, 1));
        if (i == 50000) b.add(circle(0, 0, 1));  // a class first named after the switch
    }
    b.finish();
    std::vector<uint8_t> bytes = save(d);
    // Lines of 47 bytes: the first behind its class entry, then 16-bit tags up to the record
    // numbered 32,768 (counting the first as 0) and the 32-bit form from 32,769 on.
    const size_t first = streamStart(d) + 14 + 47;
    const size_t at32768 = first + 32767 * (2 + 47);
    EXPECT_EQ(u16At(bytes, at32768 - 49), 0x8001);
    EXPECT_EQ(u16At(bytes, at32768), 0x8001);
    EXPECT_EQ(u16At(bytes, at32768 + 49), 0x7FFF);
    EXPECT_EQ(u16At(bytes, at32768 + 51), 0x0001);  // 0x80000001, little-endian
    EXPECT_EQ(u16At(bytes, at32768 + 53), 0x8000);
    EXPECT_EQ(u16At(bytes, at32768 + 49 + 6 + 47), 0x7FFF);
    Drawing back;
    LoadResult r = LoadJww(back, bytes.data(), bytes.size());
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(back.LineCount(), 100000u);
    EXPECT_EQ(back.CircleCount(), 1u);
    EXPECT_EQ(back.ExpectedCount, 100001u);
    EXPECT_EQ(back.top.sequence[50001].cls, RecordClass::Enko);
    EXPECT_EQ(back.top.lines.back().start.x, 99999.0);

    // A class first named at index 0x7FFF takes the long tag from its second record, before the
    // switch: 0x8000 + 0x7FFF would be the mark of a new class.
    Drawing late = newDrawing();
    DrawingBuilder lb(late);
    for (int i = 0; i < 0x7FFF - 2; ++i) lb.add(line(i, 0, i, 1));
    lb.add(circle(0, 0, 1));
    lb.add(circle(0, 0, 2));
    lb.finish();
    const std::vector<uint8_t> lateBytes = save(late);
    EXPECT_EQ(u16At(lateBytes, lateBytes.size() - 2 - 75 - 6), 0x7FFF);
    Drawing lateBack;
    r = LoadJww(lateBack, lateBytes.data(), lateBytes.size());
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_TRUE(r.warnings.empty());
    ASSERT_EQ(lateBack.CircleCount(), 2u);
    EXPECT_EQ(lateBack.top.circles[1].radius, 2.0);

    // Recovery reads the long tags too: whole, and with the lines' class entry cut away, so
    // that the class of their tags is learned from the records, short and long alike.
    const std::vector<uint8_t> stream(bytes.begin() + static_cast<long>(streamStart(d)), bytes.end());
    // From the first long tag on, only long tags name the lines.
    const size_t firstLong = at32768 + 49 - streamStart(d);
    for (size_t cut : {size_t{0}, size_t{14 + 47}, firstLong}) {
        SCOPED_TRACE(cut);
        Drawing recovered;
        r = LoadDamagedJww(recovered, stream.data() + cut, stream.size() - cut);
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(recovered.LineCount(), cut == 0 ? 100000u : cut == firstLong ? 67231u : 99999u);
        EXPECT_EQ(recovered.CircleCount(), 1u);
        EXPECT_EQ(recovered.top.lines.back().start.x, 99999.0);
        EXPECT_EQ(recovered.completeness.skippedBytes, 0u);
    }
}

// A stream whose first class entry carries `schema` as its version, followed by `tail`.
std::vector<uint8_t> withSchemaAndTail(Drawing& d, uint16_t schema, bool dropEndTag,
                                       const std::vector<uint8_t>& tail) {
    std::vector<uint8_t> bytes = save(d);
    const size_t at = streamStart(d);
    bytes[at + 2] = schema & 0xFF;
    bytes[at + 3] = schema >> 8;
    if (dropEndTag) bytes.resize(bytes.size() - 2);
    bytes.insert(bytes.end(), tail.begin(), tail.end());
    return bytes;
}

TEST(ReadRecords, EmbeddedPicturesAreReadFromVersion700) {
    // One picture: its count, its name as an archive string, its size and bytes.
    const std::vector<uint8_t> pictures = {1, 0, 0, 0, 5, 'a', '.', 'b', 'm', 'p', 3, 0, 0, 0, 'B', 'M', '!'};
    Drawing plain = newDrawing();
    DrawingBuilder pb(plain);
    pb.add(line(0, 0, 1, 1));
    pb.finish();
    // Without block definitions the pictures follow the end tag.
    for (uint16_t schema : {699, 700}) {
        SCOPED_TRACE(schema);
        const std::vector<uint8_t> bytes = withSchemaAndTail(plain, schema, false, pictures);
        Drawing back;
        ASSERT_TRUE(LoadJww(back, bytes.data(), bytes.size()).ok);
        EXPECT_EQ(back.LineCount(), 1u);
        if (schema < 700) {
            EXPECT_TRUE(back.embeddedPictures.empty());
            continue;
        }
        ASSERT_EQ(back.embeddedPictures.size(), 1u);
        EXPECT_EQ(back.embeddedPictures[0].name, "a.bmp");
        EXPECT_EQ(back.embeddedPictures[0].bytes, (std::vector<uint8_t>{'B', 'M', '!'}));
    }
    // With block definitions Jw_cad 8 puts them right after the last definition's last member,
    // with no end tag between.
    Drawing blocks = newDrawing();
    DrawingBuilder b(blocks);
    b.add(TDataBlock{});
    b.beginBlock(TDataList{});
    b.add(line(0, 0, 2, 0));
    b.finish();
    const std::vector<uint8_t> bytes = withSchemaAndTail(blocks, 700, true, pictures);
    Drawing back;
    LoadResult r = LoadJww(back, bytes.data(), bytes.size());
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_TRUE(r.warnings.empty());
    EXPECT_EQ(back.members.size(), 1u);
    ASSERT_EQ(back.embeddedPictures.size(), 1u);
    EXPECT_EQ(back.embeddedPictures[0].bytes.size(), 3u);
}

// What the reader says of what follows the records or breaks the class entries, each exactly.
TEST(ReadRecords, TailsPicturesCutShortAndUnknownSchemasAreSaid) {
    Drawing d = twoLines();
    auto load = [&](uint16_t schema, bool dropEndTag, const std::vector<uint8_t>& tail, Drawing& back) {
        const std::vector<uint8_t> bytes = withSchemaAndTail(d, schema, dropEndTag, tail);
        LoadResult r = LoadJww(back, bytes.data(), bytes.size());
        EXPECT_TRUE(r.ok) << r.error;
        EXPECT_EQ(back.LineCount(), 2u);
        return r.warnings;
    };
    const size_t end = save(d).size();  // where the tail begins
    Drawing back;
    // Zeros after the end tag: up to 34 are padding.
    EXPECT_TRUE(load(351, false, std::vector<uint8_t>(34, 0), back).empty());
    EXPECT_TRUE(back.completeness.complete);
    EXPECT_EQ(load(351, false, std::vector<uint8_t>(35, 0), back),
              (std::vector<std::string>{"read incomplete: 2 record(s) announced, 2 read; 35 byte(s) after the end of "
                                        "the records were not read (reading ended at byte " +
                                        std::to_string(end) + " of " + std::to_string(end + 35) + ")"}));
    EXPECT_EQ(back.completeness.reason, "35 byte(s) after the end of the records were not read");
    EXPECT_EQ(back.completeness.endedAt, end);
    // From version 700, pictures after the end tag; three bytes cannot even hold their count.
    EXPECT_TRUE(load(700, false, {1, 0, 0}, back).empty());
    EXPECT_TRUE(back.embeddedPictures.empty());
    // A count with nothing after it: no picture, not one empty one.
    EXPECT_EQ(load(700, false, {1, 0, 0, 0}, back),
              (std::vector<std::string>{"the embedded pictures at byte " + std::to_string(end) +
                                        " are cut short; 0 of 1 were read"}));
    EXPECT_TRUE(back.embeddedPictures.empty());
    EXPECT_EQ(load(700, false, {2, 0, 0, 0, 1, 'a', 2, 0, 0, 0, 'x', 'y', 1, 'b', 9, 0, 0, 0, 'z'}, back),
              (std::vector<std::string>{"the embedded pictures at byte " + std::to_string(end) +
                                        " are cut short; 1 of 2 were read"}));
    ASSERT_EQ(back.embeddedPictures.size(), 1u);
    EXPECT_EQ(back.embeddedPictures[0].bytes, (std::vector<uint8_t>{'x', 'y'}));
    // Schemas up to 1000 are versions; one past it is damage and leaves the version alone.
    load(1000, false, {}, back);
    EXPECT_EQ(back.header.Version, 1000u);
    EXPECT_FALSE(back.completeness.damaged);
    const std::vector<std::string> said = load(1001, false, {}, back);
    EXPECT_TRUE(back.completeness.damaged);
    EXPECT_EQ(back.completeness.damagedAt, streamStart(d));
    EXPECT_EQ(said, (std::vector<std::string>{"data that belongs to no record at byte " +
                                              std::to_string(streamStart(d)) + " was passed over"}));
}

TEST(ReadRecords, TruncationKeepsEverythingBefore) {
    Drawing d = newDrawing();
    DrawingBuilder b(d);
    for (int i = 0; i < 5; ++i) b.add(line(i, 0, i, 1));
    b.finish();
    std::vector<uint8_t> bytes = save(d);
    // Cut inside the last record (and without the end tag).
    for (size_t cut : {bytes.size() - 2 - 1, bytes.size() - 2 - 40, bytes.size() - 2 - 46}) {
        Drawing back;
        LoadResult r = LoadJww(back, bytes.data(), cut);
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_TRUE(back.Truncated);
        EXPECT_EQ(back.LineCount(), 4u);
        EXPECT_FALSE(r.warnings.empty());
        EXPECT_DOUBLE_EQ(back.extents.MaxX, 4.0);  // extents finished over what was read
    }
}

TEST(ReadRecords, ARecordCutAfterItsLastByteIsKeptAndOneByteSoonerIsNot) {
    // Each kind at its smallest (empty strings, no special tail, no own colour) and the longer
    // forms, as the last bytes of a stream that lost its end tag.
    TDataTen special;
    special.penStyle = 100;
    TDataSolid coloured;
    coloured.penColor = 10;
    TDataSunpou dimension;
    TDataMoji text;
    const std::vector<std::function<void(DrawingBuilder&)>> kinds = {
        [](DrawingBuilder& b) { b.add(line(0, 0, 1, 1)); },
        [](DrawingBuilder& b) { b.add(circle(0, 0, 1)); },
        [](DrawingBuilder& b) { b.add(TDataTen{}); },
        [&](DrawingBuilder& b) { b.add(special); },
        [&](DrawingBuilder& b) { b.add(text); },
        [&](DrawingBuilder& b) { b.add(dimension); },
        [](DrawingBuilder& b) { b.add(TDataSolid{}); },
        [&](DrawingBuilder& b) { b.add(coloured); },
        [](DrawingBuilder& b) {  // an insert, then its definition last
            b.add(TDataBlock{});
            b.beginBlock(TDataList{});
            b.endBlock();
        },
    };
    for (uint32_t version : {230u, 300u, 351u}) {
        for (size_t k = 0; k < kinds.size(); ++k) {
            SCOPED_TRACE(testing::Message() << "version " << version << ", kind " << k);
            Drawing d = newDrawing();
            DrawingBuilder b(d);
            kinds[k](b);
            b.finish();
            const std::vector<uint8_t> bytes = save(d, version);
            Drawing full, whole, cut;
            ASSERT_TRUE(LoadJww(full, bytes.data(), bytes.size()).ok);
            ASSERT_TRUE(LoadJww(whole, bytes.data(), bytes.size() - 2).ok);
            EXPECT_EQ(whole.RecordCount(), full.RecordCount());
            EXPECT_FALSE(whole.Truncated);
            const LoadResult r = LoadJww(cut, bytes.data(), bytes.size() - 3);
            EXPECT_EQ(cut.RecordCount(), full.RecordCount() - 1);
            EXPECT_TRUE(cut.Truncated);
            EXPECT_FALSE(r.warnings.empty());
            // Lines, circles, points and dimensions at their smallest are seen to be one byte
            // short before they are read; the other kinds' least sizes leave their strings (or a
            // solid's colour) out, so those and the longer forms fail while they are read.
            const bool longer = (k == 3 && version >= 300) || k == 4 || k >= 6;
            const std::string& reason = cut.completeness.reason;
            EXPECT_EQ(reason.rfind(longer ? "the data ends inside a record that begins at byte " : "a record at byte ", 0), 0u)
                << reason;
            EXPECT_EQ(reason.find(" is cut short") != std::string::npos, !longer) << reason;
        }
    }
}

TEST(ReadRecords, EmptyStreamSucceeds) {
    // A drawing never loaded announces no records: callers take that for "no drawing".
    const Drawing never;
    EXPECT_EQ(never.ExpectedCount, 0u);
    EXPECT_EQ(never.RecordCount(), 0u);
    Drawing d = newDrawing();
    DrawingBuilder(d).finish();
    std::vector<uint8_t> bytes = save(d);
    Drawing back;
    LoadResult r = LoadJww(back, bytes.data(), bytes.size());
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(back.RecordCount(), 0u);
    EXPECT_DOUBLE_EQ(back.extents.MinX, 999999998.9);
    EXPECT_DOUBLE_EQ(back.extents.MaxX, -999999998.9);
    EXPECT_DOUBLE_EQ(back.extents.Aspect, 1.0);
}

TEST(ReadRecords, SchemaRaisesTheVersionForLaterRecords) {
    // A version-350 header whose first class entry says 351: records carry penWidth from there.
    Drawing d = newDrawing();
    DrawingBuilder b(d);
    TDataSen s = line(0, 0, 1, 1);
    s.penWidth = 7;
    b.add(s);
    b.finish();
    std::vector<uint8_t> bytes = save(d, 351);
    // Patch the header's version to 350; the stream's schema stays 351.
    bytes[8] = 350 & 0xFF;
    bytes[9] = 350 >> 8;
    Drawing back;
    ASSERT_TRUE(LoadJww(back, bytes.data(), bytes.size()).ok);
    EXPECT_EQ(back.header.Version, 351u);
    ASSERT_EQ(back.LineCount(), 1u);
    EXPECT_EQ(back.top.lines[0].penWidth, 7);
    EXPECT_EQ(back.top.lines[0].end.x, 1.0);
}

TEST(ReadRecords, SpecialPointsCarryTheirTailFromVersion300) {
    Drawing d = newDrawing();
    DrawingBuilder b(d);
    TDataTen plain, special;
    special.penStyle = 100;
    special.code = 3;
    special.angle = 0.5;
    special.scale = 2.0;
    b.add(plain);
    b.add(special);
    b.finish();
    std::vector<uint8_t> v300 = save(d, 300), v230 = save(d, 230);
    Drawing back;
    ASSERT_TRUE(LoadJww(back, v300.data(), v300.size()).ok);
    EXPECT_EQ(back.top.points[1].code, 3u);
    EXPECT_EQ(back.top.points[1].scale, 2.0);
    ASSERT_TRUE(LoadJww(back, v230.data(), v230.size()).ok);
    EXPECT_EQ(back.top.points[1].code, 0u);
    // The same two points are 20 bytes longer at 3.00: the special point's tail.
    ByteWriter h300, h230;
    WriteJwwHeader(d, h300, 300);
    WriteJwwHeader(d, h230, 230);
    EXPECT_EQ((v300.size() - h300.bytes.size()) - (v230.size() - h230.bytes.size()), 20u);
}

TEST(ReadRecords, SolidColourOnlyForPenColour10) {
    Drawing d = newDrawing();
    DrawingBuilder b(d);
    TDataSolid own, pen9;
    own.penColor = 10;
    own.color = 0x123456;
    pen9.penColor = 9;
    pen9.color = 0x654321;  // not stored
    b.add(own);
    b.add(pen9);
    b.finish();
    std::vector<uint8_t> bytes = save(d);
    Drawing back;
    ASSERT_TRUE(LoadJww(back, bytes.data(), bytes.size()).ok);
    EXPECT_EQ(back.top.solids[0].color, 0x123456u);
    EXPECT_EQ(back.top.solids[1].color, 0u);
}

TEST(ReadRecords, OldStreamsHaveNoPenWidth) {
    Drawing d = newDrawing();
    DrawingBuilder b(d);
    TDataSen s = line(0, 0, 1, 1);
    s.penWidth = 9;
    b.add(s);
    b.finish();
    std::vector<uint8_t> bytes = save(d, 300);
    Drawing back;
    ASSERT_TRUE(LoadJww(back, bytes.data(), bytes.size()).ok);
    EXPECT_EQ(back.top.lines[0].penWidth, 0);
}

TEST(BlockDefinitions, MembersFollowEachOtherInOneFlatList) {
    Drawing d = newDrawing();
    DrawingBuilder b(d);
    TDataBlock i0, i1;
    i1.blockNumber = 1;
    b.add(i0);
    b.add(i1);
    b.beginBlock(TDataList{});
    for (int k = 0; k < 3; ++k) b.add(line(k, 0, k, 1));
    b.beginBlock(TDataList{});
    b.add(circle(0, 0, 1));
    b.add(circle(0, 0, 2));
    b.finish();
    std::vector<uint8_t> bytes = save(d);
    Drawing back;
    ASSERT_TRUE(LoadJww(back, bytes.data(), bytes.size()).ok);
    size_t first = 0, count = 0;
    ASSERT_TRUE(back.blockMembers(1, first, count));
    EXPECT_EQ(first, 3u);
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(back.members.sequence[4].cls, RecordClass::Enko);
    EXPECT_EQ(back.members.circles[back.members.sequence[4].index].radius, 2.0);
    // A count beyond the members there are is cut to them, so no caller reads past the end.
    back.top.definitions[1].count = 10;
    ASSERT_TRUE(back.blockMembers(1, first, count));
    EXPECT_EQ(count, 2u);
    EXPECT_FALSE(back.blockMembers(2, first, count));
}

TEST(BlockDefinitions, ADefinitionBeyondEveryInsertStopsReading) {
    Drawing d = newDrawing();
    DrawingBuilder b(d);
    b.add(TDataBlock{});  // refers to definition 0 only
    TDataList a, c;
    b.beginBlock(a);
    b.add(line(0, 0, 1, 0));
    b.beginBlock(c);  // numbered 1: no insert reaches it
    b.add(line(0, 0, 2, 0));
    b.finish();
    std::vector<uint8_t> bytes = save(d);
    Drawing back;
    LoadResult r = LoadJww(back, bytes.data(), bytes.size());
    ASSERT_TRUE(r.ok);
    EXPECT_TRUE(back.Stopped);
    EXPECT_EQ(back.BlockDefinitionCount(), 1u);
    EXPECT_EQ(back.members.size(), 1u);
    EXPECT_EQ(r.warnings, (std::vector<std::string>{
                              "block definition 1 is inserted nowhere: it and the 1 record(s) after it were left out"}));
}

// The count of definitions is taken as damage unless a known class tag follows it; a short tag
// names its class by the index that tag minus 0x8000 gives.
TEST(BlockDefinitions, ACountFollowedByAKnownTagIsNoDamage) {
    Drawing d = twoLines();
    std::vector<uint8_t> bytes = save(d);
    const size_t second = streamStart(d) + 14 + 47;  // the second line's tag, 0x8001
    ASSERT_EQ(u16At(bytes, second), 0x8001);
    for (const uint16_t next : {uint16_t{0x8001}, uint16_t{0x8002}}) {
        SCOPED_TRACE(next);
        std::vector<uint8_t> counted = bytes;
        counted[second] = next & 0xFF;
        counted[second + 1] = next >> 8;
        counted.insert(counted.begin() + static_cast<long>(second), {1, 0});
        Drawing back;
        const LoadResult r = LoadJww(back, counted.data(), counted.size());
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(back.completeness.damaged, next != 0x8001);
        if (next == 0x8001) EXPECT_TRUE(r.warnings.empty()) << r.warnings.front();
        else EXPECT_EQ(back.completeness.damagedAt, second);
    }
}

TEST(BlockDefinitions, AnInsertWithoutDefinitionIsSkippedNotFatal) {
    Drawing d = newDrawing();
    DrawingBuilder b(d);
    b.add(line(0, 0, 10, 10));
    TDataBlock insert;
    insert.origin = {100, 100};
    insert.scaleX = 0.75;  // found again in the bytes below
    b.add(insert);
    b.beginBlock(TDataList{});
    b.add(line(0, 0, 1, 1));
    b.finish();
    std::vector<uint8_t> bytes = save(d);
    // Our writer never writes an insert without its definition: make one in the bytes.
    const double marker = 0.75;
    auto at = std::search(bytes.begin(), bytes.end(), reinterpret_cast<const uint8_t*>(&marker),
                          reinterpret_cast<const uint8_t*>(&marker) + 8);
    ASSERT_NE(at, bytes.end());
    const uint32_t missing = 5;
    std::memcpy(&*(at + 8 + 8 + 8), &missing, 4);  // past scaleX, scaleY and rotation
    Drawing back;
    LoadResult r = LoadJww(back, bytes.data(), bytes.size());
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(back.LineCount(), 1u);
    ASSERT_EQ(back.BlockInsertCount(), 1u);
    EXPECT_EQ(back.top.inserts[0].blockNumber, 5u);
    ASSERT_FALSE(r.warnings.empty());
    EXPECT_NE(r.warnings.front().find("no definition"), std::string::npos);
    EXPECT_DOUBLE_EQ(back.extents.MaxX, 101.0);  // the insert's own origin still counts
}

std::vector<uint8_t> recordStreamOnly(Drawing& d) {
    std::vector<uint8_t> bytes = save(d);
    size_t at = streamStart(d);
    return std::vector<uint8_t>(bytes.begin() + at, bytes.end());
}

TEST(Scanning, FindsTheFirstClassEntryBehindGarbage) {
    Drawing d = newDrawing();
    d.header.LayerState[0][1] = 0;  // hidden: the scan reads all layers anyway
    DrawingBuilder b(d);
    TDataSen hidden = line(0, 0, 5, 5);
    hidden.layer = 1;
    b.add(hidden);
    b.add(line(1, 1, 2, 2));
    b.finish();
    std::vector<uint8_t> stream = recordStreamOnly(d);
    std::vector<uint8_t> damaged = {'g', 'a', 'r', 'b', 'a', 'g', 'e', 0, 1, 2};
    damaged.insert(damaged.end(), stream.begin(), stream.end());
    Drawing back;
    LoadResult r = LoadDamagedJww(back, damaged.data(), damaged.size());
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_TRUE(back.AllLayers);
    EXPECT_EQ(back.LineCount(), 2u);
    EXPECT_EQ(back.RecordsStart, 10u);
    EXPECT_EQ(back.ExpectedCount, 2u);
    EXPECT_DOUBLE_EQ(back.extents.MinX, -1.0);
}

TEST(Scanning, AClassEntryRightAfterAStrayCIsFound) {
    Drawing d = newDrawing();
    DrawingBuilder b(d);
    b.add(line(0, 0, 1, 1));
    b.add(circle(3, 3, 1));
    b.finish();
    std::vector<uint8_t> stream = recordStreamOnly(d);
    // A "C" within seven bytes before the entry's name: the scan once took it and the next
    // seven bytes as one candidate and went on after them, past the entry.
    for (const std::string front : {"C", "xxC", "CC", "xyzCD", "CData"}) {
        const std::string head = std::string(20, 'x') + front;
        std::vector<uint8_t> damaged(head.begin(), head.end());
        damaged.insert(damaged.end(), stream.begin(), stream.end());
        Drawing back;
        LoadResult r = LoadDamagedJww(back, damaged.data(), damaged.size());
        ASSERT_TRUE(r.ok) << front << ": " << r.error;
        EXPECT_EQ(back.LineCount(), 1u) << front;
        EXPECT_EQ(back.CircleCount(), 1u) << front;
        EXPECT_EQ(back.RecordsStart, 20 + front.size()) << front;
    }
}

TEST(Scanning, OldVersionsAndBrokenHeadersFallBackToTheScan) {
    Drawing d = newDrawing();
    DrawingBuilder b(d);
    b.add(line(0, 0, 1, 1));
    b.finish();
    std::vector<uint8_t> bytes = save(d);
    std::vector<uint8_t> broken = bytes;
    broken[0] = 'X';  // the magic no longer matches
    Drawing back;
    LoadResult r = LoadJww(back, broken.data(), broken.size());
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_TRUE(r.recovered);
    EXPECT_EQ(back.LineCount(), 1u);
    EXPECT_TRUE(back.AllLayers);

    // Versions before 200 are scanned; 200 is read as it stands.
    for (const uint32_t v : {150u, 199u, 200u}) {
        Drawing old = newDrawing();
        DrawingBuilder ob(old);
        ob.add(line(0, 0, 3, 3));
        ob.finish();
        old.header.Version = v;
        ByteWriter w;
        WriteJwwHeader(old, w, v);
        WriteRecords(old, w, v);
        Drawing backOld;
        r = LoadJww(backOld, reinterpret_cast<const uint8_t*>(w.bytes.data()), w.bytes.size());
        ASSERT_TRUE(r.ok) << v << ": " << r.error;
        EXPECT_EQ(r.recovered, v < 200) << v;
        EXPECT_EQ(r.warnings.empty(), v >= 200) << v;
        EXPECT_EQ(backOld.LineCount(), 1u) << v;
    }
}

TEST(JwWinData, HeaderScalesAndRoundTrip) {
    Drawing d = newDrawing();
    d.header.LayerGroupScale[3] = 0.5;
    d.header.GridReferenceX = 12.5;
    DrawingBuilder b(d);
    b.add(line(0, 0, 1, 1));
    b.add(circle(3, 3, 1));
    b.finish();
    SaveResult saved;
    std::vector<uint8_t> bytes = SaveJwWinBytes(d, saved);
    Drawing back;
    back.header.Version = 700;  // a previous drawing's version must not choose the layouts
    LoadResult r = LoadJwz(back, bytes.data(), bytes.size());
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_TRUE(back.AllLayers);
    EXPECT_EQ(back.header.LayerGroupScale[3], 500.0);
    EXPECT_EQ(back.header.LayerGroupScale[0], 1.0);
    EXPECT_EQ(back.header.GridReferenceX, 12.5);
    EXPECT_EQ(back.header.Version, 351u);
    test::ExpectSameRecords(d, back, 351);
}

}  // namespace
}  // namespace korvel
