// Reading damaged data: streams whose front is cut away, garbage in the middle, and on every
// real drawing the share of intact records that
// recovery keeps (printed as a table; at least 90 % must hold).
#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <random>

#include "drawing/archive.h"
#include "drawing/byte_reader.h"
#include "drawing/cp932.h"
#include "drawing/drawing_builder.h"
#include "drawing/jww_layout.h"
#include "drawing/loaders.h"
#include "drawing/record_kinds.h"
#include "drawing/record_stream.h"
#include "record_compare.h"
#include "test_support.h"

namespace korvel {
namespace {

TDataSen line(double x) {
    TDataSen s;
    s.start = {x, 0};
    s.end = {x, 10};
    return s;
}

// A record stream of `lines` lines, then a text and a circle, as our writer writes it.
std::vector<uint8_t> streamOf(int lines) {
    Drawing d;
    d.header = NewDrawingHeader();
    DrawingBuilder b(d);
    for (int i = 0; i < lines; ++i) b.add(line(i));
    TDataMoji text;
    text.start = {1, 1};
    text.end = {5, 1};
    text.sizeY = 2;
    text.text = "abc";
    b.add(text);
    TDataEnko circle;
    circle.radius = 3;
    circle.fullCircle = 1;
    b.add(circle);
    b.finish();
    SaveResult saved;
    const std::vector<uint8_t> bytes = SaveJwwBytes(d, 351, saved);
    return std::vector<uint8_t>(bytes.begin() + static_cast<long>(d.RecordsStart), bytes.end());
}

TEST(Recovery, AStreamWhoseFrontIsCutAwayIsReadFromItsFirstWholeRecord) {
    const std::vector<uint8_t> stream = streamOf(40);
    // The class entry of the lines (14 bytes) and the first line go; 39 lines remain whole
    // after 1 to 47 bytes more of the cut, 38 after 48 to 96.
    for (size_t cut : {14u + 47u + 1u, 14u + 47u + 20u, 14u + 47u + 49u + 10u}) {
        const std::vector<uint8_t> damaged(stream.begin() + static_cast<long>(cut), stream.end());
        Drawing d;
        LoadResult r = LoadDamagedJww(d, damaged.data(), damaged.size());
        ASSERT_TRUE(r.ok) << cut << ": " << r.error;
        const uint32_t whole = cut < 14 + 2 * 47 + 2 ? 38 : 37;
        ASSERT_EQ(d.LineCount(), whole) << cut;
        EXPECT_EQ(d.TextCount(), 1u) << cut;
        EXPECT_EQ(d.CircleCount(), 1u) << cut;
        EXPECT_EQ(d.top.lines.back().start.x, 39.0) << cut;
        // What came before the first whole record is the damage it reports.
        EXPECT_FALSE(d.completeness.complete);
        EXPECT_EQ(d.completeness.skippedStretches, 1u);
        EXPECT_EQ(d.completeness.damagedAt, 0u);
        ASSERT_FALSE(r.warnings.empty());
        EXPECT_NE(r.warnings.back().find("passed over, the first at byte 0"), std::string::npos) << r.warnings.back();
    }
}

// Without a class entry to say so, the shorter attribute block of old drawings is told from the
// records themselves.
TEST(Recovery, AnOldStreamWithoutItsClassEntriesKeepsItsOwnLayout) {
    Drawing d;
    d.header = NewDrawingHeader();
    DrawingBuilder b(d);
    for (int i = 0; i < 30; ++i) b.add(line(i));
    // The last line is all zeros: read in the longer layout it also ends whole, at the data's
    // end, but the records before it outvote it.
    b.add(TDataSen{});
    b.finish();
    SaveResult saved;
    const std::vector<uint8_t> bytes = SaveJwwBytes(d, 300, saved);
    // The class entry (14 bytes) and the first line (45 bytes in this layout) are cut away.
    const size_t cut = d.RecordsStart + 14 + 45;
    Drawing back;
    const LoadResult r = LoadDamagedJww(back, bytes.data() + cut, bytes.size() - cut);
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(back.LineCount(), 30u);
    EXPECT_EQ(back.top.lines.back().end.y, 0.0);
    for (uint32_t i = 0; i < 29; ++i) {
        EXPECT_EQ(back.top.lines[i].start.x, i + 1.0) << i;
        EXPECT_EQ(back.top.lines[i].end.y, 10.0) << i;
    }
    EXPECT_EQ(back.completeness.skippedBytes, 0u);
}

TEST(Recovery, GarbageInsideTheStreamCostsOnlyTheRecordsItHits) {
    std::vector<uint8_t> stream = streamOf(60);
    // 16 bytes over the tag and attributes of line 20 (each line after the first is a 2-byte
    // tag and 47 bytes of fields).
    const size_t line20 = 14 + 47 + 19 * 49;
    for (size_t i = 0; i < 16; ++i) stream[line20 + i] = static_cast<uint8_t>(0xA5 ^ (i * 37));
    Drawing d;
    LoadResult r = LoadDamagedJww(d, stream.data(), stream.size());
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(d.LineCount(), 59u);
    EXPECT_EQ(d.TextCount(), 1u);
    EXPECT_EQ(d.CircleCount(), 1u);
    for (const TDataSen& l : d.top.lines) EXPECT_NE(l.start.x, 20.0);
    EXPECT_EQ(d.completeness.skippedStretches + d.completeness.droppedRecords, 1u);
}

TEST(Recovery, AWholeStreamIsCompleteAndCountsWhatCp932CannotHold) {
    std::vector<uint8_t> stream = streamOf(10);
    Drawing whole;
    LoadResult r = LoadDamagedJww(whole, stream.data(), stream.size());
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(whole.LineCount(), 10u);
    EXPECT_TRUE(whole.completeness.complete);
    EXPECT_EQ(whole.completeness.skippedStretches, 0u);
    EXPECT_EQ(whole.completeness.droppedRecords, 0u);
    EXPECT_EQ(r.replacedCharacters, 0u);

    // The text "abc" as a UTF-16 string (a marked length) holding "a" and U+1F600, which CP932
    // lacks: one character replaced, whether the front of the stream is there or not.
    const uint8_t plain[] = {3, 'a', 'b', 'c'};
    const uint8_t unicode[] = {0xFF, 0xFE, 0xFF, 3, 'a', 0, 0x3D, 0xD8, 0x00, 0xDE};
    const auto at = std::search(stream.begin(), stream.end(), std::begin(plain), std::end(plain));
    ASSERT_NE(at, stream.end());
    const size_t offset = static_cast<size_t>(at - stream.begin());
    stream.erase(at, at + 4);
    stream.insert(stream.begin() + static_cast<long>(offset), std::begin(unicode), std::end(unicode));
    for (size_t cut : {size_t{0}, size_t{14 + 47 + 1}}) {
        Drawing d;
        r = LoadDamagedJww(d, stream.data() + cut, stream.size() - cut);
        ASSERT_TRUE(r.ok) << r.error;
        ASSERT_EQ(d.TextCount(), 1u) << cut;
        EXPECT_EQ(d.top.texts[0].text, std::string("a") + kCp932Replacement) << cut;
        EXPECT_EQ(r.replacedCharacters, 1u) << cut;
        EXPECT_EQ(d.completeness.complete, cut == 0) << cut;
    }
}

// One record of every kind, a definition with two members and its insert, as our writer writes
// them at `version`; no dimension when the stream is to be read as a version that gives them
// their SXF part.
Drawing everyKind(bool withDimension) {
    Drawing d;
    d.header = NewDrawingHeader();
    DrawingBuilder b(d);
    TDataSen l = line(1.5);
    l.penColor = 356;  // the last pen colour a record may have
    l.layerGroup = 15;
    l.layer = 15;
    l.penWidth = 7;
    b.add(l);
    TDataEnko arc;
    arc.center = {3, 4};
    arc.radius = 5;
    arc.startAngle = 0.25;
    arc.arcAngle = 1.5;
    arc.flatness = 0.5;
    arc.tiltAngle = -0.75;
    b.add(arc);
    TDataTen point;
    point.point = {-2, 8};
    b.add(point);
    TDataTen special = point;
    special.penStyle = 100;
    special.code = 7;
    special.angle = 0.5;
    special.scale = 2;
    b.add(special);
    TDataMoji text;
    text.start = {1, 1};
    text.end = {9, 1};
    text.sizeX = text.sizeY = 2.5;
    text.spacing = 0.25;
    text.angle = 30;
    text.textType = 10003;
    text.fontName = "MS Gothic";
    text.text = Utf8ToCp932("平面図");
    b.add(text);
    if (withDimension) {
        TDataSunpou dim;
        dim.line.start = {0, -5};
        dim.line.end = {20, -5};
        dim.text = text;
        b.add(dim);
    }
    TDataSolid solid;
    solid.penColor = 10;
    solid.color = 0x123456;
    solid.corner1 = {0, 0};
    solid.corner2 = {4, 0};
    solid.corner3 = {4, 4};
    solid.corner4 = {0, 4};
    b.add(solid);
    TDataBlock insert;
    insert.origin = {50, 50};
    insert.scaleX = 2;
    insert.scaleY = -1;
    insert.rotation = 0.5;
    b.add(insert);
    TDataList definition;
    definition.name = "part";
    b.beginBlock(definition);
    b.add(line(100));
    TDataEnko c;
    c.radius = 3;
    c.fullCircle = 1;
    c.arcAngle = 6.283185307179586;
    b.add(c);
    b.endBlock();
    b.finish();
    return d;
}

// The records of `d` as the file stream our writer gives; with `schema`, every class entry
// then names that schema, as a newer Jw_cad writes it.
std::vector<uint8_t> recordsOf(Drawing& d, uint32_t version, uint16_t schema = 0) {
    SaveResult saved;
    const std::vector<uint8_t> bytes = SaveJwwBytes(d, version, saved);
    std::vector<uint8_t> stream(bytes.begin() + static_cast<long>(d.RecordsStart), bytes.end());
    for (size_t p = 6; schema != 0 && p + 5 <= stream.size(); ++p) {
        if (std::memcmp(&stream[p], "CData", 5) == 0 && stream[p - 6] == 0xFF && stream[p - 5] == 0xFF) {
            stream[p - 4] = static_cast<uint8_t>(schema & 0xFF);
            stream[p - 3] = static_cast<uint8_t>(schema >> 8);
        }
    }
    return stream;
}

// Where each record of `stream` lies, as the stream reader finds it; false when it cannot read it.
bool spansOf(const std::vector<uint8_t>& stream, std::vector<RecordSpan>& spans) {
    Drawing read;
    read.header = NewDrawingHeader();
    ByteReader in(stream.data(), stream.size());
    StreamReport report;
    report.spans = &spans;
    return ReadRecords(read, in, report);
}

TEST(Recovery, EveryKindReadsAsTheStreamReaderReadsIt) {
    for (uint32_t version : {200u, 300u, 351u}) {
        SCOPED_TRACE(version);
        Drawing original = everyKind(true);
        const std::vector<uint8_t> stream = recordsOf(original, version);
        Drawing read, recovered;
        ByteReader in(stream.data(), stream.size());
        StreamReport report;
        read.header = NewDrawingHeader();
        read.header.Version = version;
        ASSERT_TRUE(ReadRecords(read, in, report)) << report.error;
        const LoadResult r = LoadDamagedJww(recovered, stream.data(), stream.size());
        ASSERT_TRUE(r.ok) << r.error;
        test::ExpectSameSet(read.top, recovered.top, version);
        test::ExpectSameSet(read.members, recovered.members, version);
        test::ExpectSameSet(original.top, recovered.top, version);
        test::ExpectSameSet(original.members, recovered.members, version);
        EXPECT_EQ(recovered.header.Version, version);
        EXPECT_TRUE(recovered.completeness.complete);
        EXPECT_EQ(recovered.completeness.read, 8u);
        EXPECT_EQ(recovered.RecordsStart, 0u);
    }
}

// From version 420 a dimension carries its SXF part: two more lines and four points.
TEST(Recovery, ADimensionOfVersion420OnTakesItsSxfPart) {
    Drawing d;
    d.header = NewDrawingHeader();
    DrawingBuilder b(d);
    b.add(line(0));
    TDataSunpou dim = b.dimension(0, -5, 20, -5);
    b.add(line(1));
    b.finish();
    std::vector<RecordSpan> spans;
    ASSERT_TRUE(spansOf(recordsOf(d, 351), spans));
    ASSERT_EQ(spans.size(), 3u);
    ASSERT_EQ(spans[1].cls, RecordClass::Sunpou);
    dim.sxfMode = 2;
    dim.auxLine[1] = line(7);
    dim.sxfPoint[3].point = {4, 6};
    const auto streamWith = [&](const TDataSunpou& written) {
        ByteWriter w;
        WriteArchive out(w);
        archiveAny(out, written, 600);
        std::vector<uint8_t> bytes = recordsOf(d, 351, 600);
        bytes.erase(bytes.begin() + static_cast<long>(spans[1].begin), bytes.begin() + static_cast<long>(spans[1].end));
        bytes.insert(bytes.begin() + static_cast<long>(spans[1].begin), w.bytes.begin(), w.bytes.end());
        return bytes;
    };
    const std::vector<uint8_t> stream = streamWith(dim);

    Drawing read, recovered;
    read.header = NewDrawingHeader();
    read.header.Version = 600;
    ByteReader in(stream.data(), stream.size());
    StreamReport report;
    ASSERT_TRUE(ReadRecords(read, in, report)) << report.error;
    const LoadResult r = LoadDamagedJww(recovered, stream.data(), stream.size());
    ASSERT_TRUE(r.ok) << r.error;
    for (const Drawing* got : {&read, &recovered}) {
        EXPECT_EQ(got->LineCount(), 2u);
        ASSERT_EQ(got->top.dimensions.size(), 1u);
        const TDataSunpou& back = got->top.dimensions[0];
        EXPECT_TRUE(back.hasSxf);
        EXPECT_EQ(back.sxfMode, 2);
        EXPECT_EQ(back.auxLine[1].end.x, 7.0);
        EXPECT_EQ(back.sxfPoint[3].point.y, 6.0);
        EXPECT_EQ(back.line.end.x, 20.0);
    }
    EXPECT_TRUE(recovered.completeness.complete);
    EXPECT_EQ(recovered.header.Version, 600u);

    // A value out of range in the SXF part leaves the dimension out alone.
    for (int part = 0; part < 3; ++part) {
        SCOPED_TRACE(part);
        TDataSunpou bad = dim;
        if (part == 0) bad.auxLine[0].start.x = 2e9;
        if (part == 1) bad.sxfPoint[1].point.y = 2e9;
        if (part == 2) bad.sxfPoint[2].layer = 16;
        const std::vector<uint8_t> damaged = streamWith(bad);
        Drawing back;
        ASSERT_TRUE(LoadDamagedJww(back, damaged.data(), damaged.size()).ok);
        EXPECT_EQ(back.LineCount(), 2u);
        EXPECT_EQ(back.top.dimensions.size(), 0u);
        EXPECT_EQ(back.completeness.droppedRecords, 1u);
    }
}

// A class entry naming a schema past any Jw_cad's is damage: the layout is then the one drawings
// of today have.
TEST(Recovery, SchemasPast1000AreNotTaken) {
    for (uint16_t schema : {351, 1000, 1001}) {
        SCOPED_TRACE(schema);
        Drawing d;
        d.header = NewDrawingHeader();
        DrawingBuilder b(d);
        for (int i = 0; i < 5; ++i) b.add(line(i));
        b.finish();
        const std::vector<uint8_t> stream = recordsOf(d, 351, schema);
        Drawing back;
        const LoadResult r = LoadDamagedJww(back, stream.data(), stream.size());
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(back.LineCount(), 5u);
        EXPECT_EQ(back.header.Version, schema > 1000 ? 600u : schema);
    }
}

// Jw_cad 8 writes its embedded pictures straight after the last member of the last definition,
// with no end tag; anything after them but a few bytes of padding is not that.
TEST(Recovery, PicturesAfterTheLastDefinitionEndTheDataFromVersion700) {
    const std::vector<uint8_t> pictures = {1, 0, 0, 0, 5, 'a', '.', 'b', 'm', 'p', 3, 0, 0, 0, 'B', 'M', '!'};
    for (uint16_t schema : {699, 700}) {
        for (size_t padding : {size_t{0}, size_t{34}, size_t{35}}) {
            SCOPED_TRACE(std::to_string(schema) + " padding " + std::to_string(padding));
            Drawing original = everyKind(false);
            std::vector<uint8_t> stream = recordsOf(original, 351, schema);
            ASSERT_EQ(stream[stream.size() - 2] | stream[stream.size() - 1], 0);
            stream.resize(stream.size() - 2);  // the end tag
            stream.insert(stream.end(), pictures.begin(), pictures.end());
            stream.insert(stream.end(), padding, 0);
            Drawing d;
            const LoadResult r = LoadDamagedJww(d, stream.data(), stream.size());
            ASSERT_TRUE(r.ok) << r.error;
            EXPECT_EQ(d.header.Version, schema);
            const bool taken = schema >= 700 && padding < 35;
            EXPECT_EQ(d.completeness.complete, taken);
            if (taken) {
                test::ExpectSameSet(original.top, d.top, 351);
                test::ExpectSameSet(original.members, d.members, 351);
            } else {
                // They are damage after the last member, which is then lost with them.
                EXPECT_EQ(d.top.sequence.size(), original.top.sequence.size());
                EXPECT_EQ(d.members.sequence.size(), 1u);
                EXPECT_EQ(d.completeness.skippedBytes, 77 + pictures.size() + padding);
            }
            ASSERT_EQ(d.embeddedPictures.size(), taken ? 1u : 0u);
            if (taken) {
                EXPECT_EQ(d.embeddedPictures[0].name, "a.bmp");
                EXPECT_EQ(d.embeddedPictures[0].bytes, (std::vector<uint8_t>{'B', 'M', '!'}));
            }
        }
    }
}

// From version 700 the pictures may also follow the end tag; the last record, out of range,
// is then left out alone, the pictures proving that nothing else was lost.
TEST(Recovery, PicturesAfterTheEndTagEndTheDataFromVersion700) {
    const std::vector<uint8_t> pictures = {1, 0, 0, 0, 5, 'a', '.', 'b', 'm', 'p', 3, 0, 0, 0, 'B', 'M', '!'};
    for (uint16_t schema : {699, 700}) {
        SCOPED_TRACE(schema);
        Drawing d;
        d.header = NewDrawingHeader();
        DrawingBuilder b(d);
        for (int i = 0; i < 5; ++i) b.add(line(i));
        b.add(line(5)).end.y = 2e9;
        b.finish();
        std::vector<uint8_t> stream = recordsOf(d, 351, schema);
        stream.insert(stream.end(), pictures.begin(), pictures.end());
        Drawing back;
        const LoadResult r = LoadDamagedJww(back, stream.data(), stream.size());
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(back.LineCount(), 5u);
        EXPECT_EQ(back.embeddedPictures.size(), schema >= 700 ? 1u : 0u);
        EXPECT_EQ(back.completeness.droppedRecords, schema >= 700 ? 1u : 0u);
        EXPECT_EQ(back.completeness.skippedStretches, schema >= 700 ? 0u : 1u);
    }
}

// The least record of a kind (strings of one byte), last in data whose end tag is cut off, is
// read: the size a record must have left before it is read is never above the true least.
TEST(Recovery, TheLeastRecordOfEachKindAtTheVeryEndIsRead) {
    for (int kind = 0; kind < 3; ++kind) {
        SCOPED_TRACE(kind);
        Drawing d;
        d.header = NewDrawingHeader();
        DrawingBuilder b(d);
        b.add(line(0));
        if (kind == 0) b.add(line(1));
        if (kind == 1) b.add(TDataMoji{});
        if (kind == 2) b.add(TDataTen{});
        b.finish();
        std::vector<uint8_t> stream = recordsOf(d, 351);
        stream.resize(stream.size() - 2);  // the end tag
        const std::vector<uint8_t> exact(stream.begin(), stream.end());
        Drawing back;
        const LoadResult r = LoadDamagedJww(back, exact.data(), exact.size());
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(back.LineCount(), kind == 0 ? 2u : 1u);
        EXPECT_EQ(back.TextCount(), kind == 1 ? 1u : 0u);
        EXPECT_EQ(back.PointCount(), kind == 2 ? 1u : 0u);
    }
}

// A long tag's first two bytes at the very end of the data, after a text: no record can follow
// them, and nothing past the data may be looked at to find out (the copy below is exactly as
// long as the data, so that a sanitizer sees any read beyond it).
TEST(Recovery, ALongTagCutAfterItsFirstTwoBytesEndsTheData) {
    Drawing d;
    d.header = NewDrawingHeader();
    DrawingBuilder b(d);
    for (int i = 0; i < 4; ++i) b.add(line(i));
    TDataMoji text;
    text.start = {1, 1};
    text.end = {5, 1};
    text.sizeY = 2;
    text.text = "abc";
    b.add(text);
    b.finish();
    std::vector<uint8_t> stream = recordsOf(d, 351);
    stream.resize(stream.size() - 2);  // the end tag
    for (size_t tail : {size_t{2}, size_t{4}}) {
        SCOPED_TRACE(tail);
        std::vector<uint8_t> data(stream);
        data.push_back(0xFF);
        data.push_back(0x7F);
        if (tail == 4) data.insert(data.end(), {0x00, 0x80});
        const std::vector<uint8_t> exact(data.begin(), data.end());
        Drawing back;
        const LoadResult r = LoadDamagedJww(back, exact.data(), exact.size());
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(back.LineCount(), 4u);
        EXPECT_EQ(back.TextCount(), 1u);
        EXPECT_EQ(back.completeness.skippedBytes, tail);
        EXPECT_EQ(back.completeness.damagedAt, stream.size());
    }
}

// Clipboard data comes in rounded-up blocks: fewer than 35 zero bytes after the end tag are that.
TEST(Recovery, ZerosAfterTheEndTagArePaddingUpTo34Bytes) {
    for (size_t padding : {size_t{1}, size_t{34}, size_t{35}, size_t{60}}) {
        SCOPED_TRACE(padding);
        std::vector<uint8_t> stream = streamOf(5);
        stream.insert(stream.end(), padding, 0);
        Drawing d;
        const LoadResult r = LoadDamagedJww(d, stream.data(), stream.size());
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(d.LineCount(), 5u);
        EXPECT_EQ(d.completeness.complete, padding < 35);
        EXPECT_EQ(d.completeness.skippedBytes, padding < 35 ? 0u : padding + 2);
        EXPECT_EQ(d.completeness.endedAt, stream.size());
    }
}

// A record that reads whole with one value no drawing holds (beyond 1,000 km, denormal, a layer
// or pen that does not exist) is left out alone; at the limits it is kept.
TEST(Recovery, ARecordWithAnyValueNoDrawingHoldsIsLeftOutAlone) {
    const double far = 1.5e9, tiny = 1e-310;
    TDataTen special;
    special.penStyle = 100;
    special.scale = 1;
    using Change = std::function<void(DrawingBuilder&)>;
    const auto sen = [](std::function<void(TDataSen&)> f) -> Change {
        return [f](DrawingBuilder& b) { f(b.add(line(50))); };
    };
    const auto enko = [](std::function<void(TDataEnko&)> f) -> Change {
        return [f](DrawingBuilder& b) { f(b.circle(1, 1, 1)); };
    };
    const auto moji = [](std::function<void(TDataMoji&)> f) -> Change {
        return [f](DrawingBuilder& b) { f(b.text(1, 1, "a")); };
    };
    const auto solid = [](std::function<void(TDataSolid&)> f) -> Change {
        return [f](DrawingBuilder& b) { f(b.solid({0, 0}, {1, 0}, {1, 1}, {0, 1})); };
    };
    const auto block = [](std::function<void(TDataBlock&)> f) -> Change {
        return [f](DrawingBuilder& b) { f(b.insert(0, 1, 1)); };
    };
    const std::vector<Change> dropped = {
        sen([&](TDataSen& r) { r.start.x = far; }), sen([&](TDataSen& r) { r.start.y = -far; }),
        sen([&](TDataSen& r) { r.end.x = tiny; }), sen([&](TDataSen& r) { r.end.y = far; }),
        sen([](TDataSen& r) { r.layer = 16; }), sen([](TDataSen& r) { r.layerGroup = 16; }),
        sen([](TDataSen& r) { r.penColor = 357; }),
        enko([&](TDataEnko& r) { r.center.x = far; }), enko([&](TDataEnko& r) { r.center.y = far; }),
        enko([&](TDataEnko& r) { r.radius = far; }), enko([&](TDataEnko& r) { r.startAngle = tiny; }),
        enko([&](TDataEnko& r) { r.arcAngle = far; }), enko([&](TDataEnko& r) { r.tiltAngle = far; }),
        enko([&](TDataEnko& r) { r.flatness = tiny; }),
        [&](DrawingBuilder& b) { b.point(far, 0); }, [&](DrawingBuilder& b) { b.point(0, tiny); },
        [&](DrawingBuilder& b) { b.specialPoint(0, 0, 1, far); },
        [&](DrawingBuilder& b) { b.specialPoint(0, 0, 1, 1, far); },
        moji([&](TDataMoji& r) { r.start.x = far; }), moji([&](TDataMoji& r) { r.start.y = far; }),
        moji([&](TDataMoji& r) { r.end.x = far; }), moji([&](TDataMoji& r) { r.end.y = far; }),
        moji([&](TDataMoji& r) { r.sizeX = far; }), moji([&](TDataMoji& r) { r.sizeY = tiny; }),
        moji([&](TDataMoji& r) { r.spacing = far; }), moji([&](TDataMoji& r) { r.angle = far; }),
        [&](DrawingBuilder& b) { b.dimension(0, 0, 1, 0).line.end.y = far; },
        [&](DrawingBuilder& b) { b.dimension(0, 0, 1, 0).text.sizeX = far; },
        [&](DrawingBuilder& b) { b.dimension(0, 0, 1, 0).layer = 16; },
        solid([&](TDataSolid& r) { r.corner1.x = far; }), solid([&](TDataSolid& r) { r.corner1.y = far; }),
        solid([&](TDataSolid& r) { r.corner2.x = far; }), solid([&](TDataSolid& r) { r.corner2.y = far; }),
        solid([&](TDataSolid& r) { r.corner3.x = far; }), solid([&](TDataSolid& r) { r.corner3.y = far; }),
        solid([&](TDataSolid& r) { r.corner4.x = far; }), solid([&](TDataSolid& r) { r.corner4.y = tiny; }),
        block([&](TDataBlock& r) { r.origin.x = far; }), block([&](TDataBlock& r) { r.origin.y = far; }),
        block([&](TDataBlock& r) { r.scaleX = far; }), block([&](TDataBlock& r) { r.scaleY = tiny; }),
        block([&](TDataBlock& r) { r.rotation = far; }),
    };
    const std::vector<Change> kept = {
        sen([](TDataSen& r) { r.start = {1e9, DBL_MIN}; r.end = {-1e9, 0}; r.layer = r.layerGroup = 15; }),
        [&](DrawingBuilder& b) { b.specialPoint(0, 0, 1, 1e9, -1e9); },
    };
    for (size_t i = 0; i < dropped.size() + kept.size(); ++i) {
        SCOPED_TRACE(i);
        const bool drop = i < dropped.size();
        Drawing d;
        d.header = NewDrawingHeader();
        DrawingBuilder b(d);
        for (int k = 0; k < 5; ++k) b.add(line(k));
        (drop ? dropped[i] : kept[i - dropped.size()])(b);
        for (int k = 5; k < 10; ++k) b.add(line(k));
        b.beginBlock();  // for the inserts
        b.add(line(100));
        b.endBlock();
        b.finish();
        const std::vector<uint8_t> stream = recordsOf(d, 351);
        Drawing back;
        const LoadResult r = LoadDamagedJww(back, stream.data(), stream.size());
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(back.top.sequence.size(), drop ? 11u : 12u);
        EXPECT_EQ(back.top.lines.size(), i < 7 || i == dropped.size() ? 11u - drop : 10u);
        EXPECT_EQ(back.members.lines.size(), 1u);
        EXPECT_EQ(back.completeness.droppedRecords, drop ? 1u : 0u);
        EXPECT_EQ(back.completeness.skippedStretches, 0u);
    }

    // The last record before the definitions: what follows it is their count, then them.
    Drawing d;
    d.header = NewDrawingHeader();
    DrawingBuilder b(d);
    for (int k = 0; k < 5; ++k) b.add(line(k));
    b.add(line(50)).start.x = far;
    for (int k = 0; k < 2; ++k) {
        b.beginBlock();
        b.add(line(100 + k));
        b.endBlock();
    }
    b.finish();
    const std::vector<uint8_t> stream = recordsOf(d, 351);
    Drawing back;
    ASSERT_TRUE(LoadDamagedJww(back, stream.data(), stream.size()).ok);
    EXPECT_EQ(back.top.lines.size(), 5u);
    EXPECT_EQ(back.top.definitions.size(), 2u);
    EXPECT_EQ(back.members.lines.size(), 2u);
    EXPECT_EQ(back.completeness.droppedRecords, 1u);
    EXPECT_EQ(back.completeness.skippedStretches, 0u);
}

// Past 0x7FFE records, tags take six bytes: 0x7FFF, then the class index with its top bit set.
// Damage among records under such tags is passed over to the next of them.
TEST(Recovery, LongTagsAreReadAndFoundAgainPastDamage) {
    Drawing d;
    d.header = NewDrawingHeader();
    DrawingBuilder b(d);
    for (int i = 0; i < 3; ++i) b.add(line(i));
    for (int i = 0; i < 6; ++i) b.text(i, 0, "t" + std::to_string(i));
    b.finish();
    std::vector<uint8_t> stream = recordsOf(d, 351);
    std::vector<RecordSpan> spans;
    ASSERT_TRUE(spansOf(stream, spans));
    ASSERT_EQ(spans.size(), 9u);
    // Every text after the first (whose tag is its class entry) gets the long form, from the last.
    for (size_t i = spans.size() - 1; i > 3; --i) {
        const size_t at = spans[i].tagAt;
        ASSERT_EQ(spans[i].begin, at + 2);
        const uint32_t index = (stream[at] | (stream[at + 1] << 8)) - 0x8000u;
        const uint8_t tag[] = {0xFF, 0x7F, static_cast<uint8_t>(index), static_cast<uint8_t>(index >> 8), 0, 0x80};
        stream.erase(stream.begin() + static_cast<long>(at), stream.begin() + static_cast<long>(at) + 2);
        stream.insert(stream.begin() + static_cast<long>(at), std::begin(tag), std::end(tag));
    }
    for (bool damaged : {false, true}) {
        SCOPED_TRACE(damaged);
        std::vector<uint8_t> data = stream;
        const size_t fifth = spans[7].tagAt + 3 * 4;  // the tag of "t4", after three longer tags
        if (damaged) std::fill(data.begin() + static_cast<long>(fifth), data.begin() + static_cast<long>(fifth) + 6, 0x5A);
        Drawing back;
        const LoadResult r = LoadDamagedJww(back, data.data(), data.size());
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(back.LineCount(), 3u);
        std::string texts;
        for (const TDataMoji& t : back.top.texts) texts += t.text;
        EXPECT_EQ(texts, damaged ? "t0t1t2t3t5" : "t0t1t2t3t4t5");
        EXPECT_EQ(back.completeness.skippedStretches, damaged ? 1u : 0u);
        if (damaged) {
            EXPECT_EQ(back.completeness.damagedAt, fifth);
        }
    }
    Drawing longRead;
    longRead.header = NewDrawingHeader();
    ByteReader longIn(stream.data(), stream.size());
    StreamReport longReport;
    ASSERT_TRUE(ReadRecords(longRead, longIn, longReport)) << longReport.error;
    EXPECT_EQ(longRead.TextCount(), 6u);
    EXPECT_EQ(longRead.top.texts.back().text, "t5");
}

// Where the data ends inside the second of two definitions, that one keeps the members found
// and counts them, and the loss is told.
TEST(Recovery, ADefinitionCutShortKeepsTheMembersFound) {
    Drawing d;
    d.header = NewDrawingHeader();
    DrawingBuilder b(d);
    b.add(line(0));
    for (int first : {1, 3}) {
        b.beginBlock();
        for (int i = first; i < first + (first == 1 ? 2 : 3); ++i) b.add(line(i));
        b.endBlock();
    }
    b.finish();
    const std::vector<uint8_t> stream = recordsOf(d, 351);
    // The data ends before the tag of the last member (its start.x is 5, after 15 bytes of
    // attributes).
    const double five = 5;
    const auto x5 = std::search(stream.begin(), stream.end(), reinterpret_cast<const uint8_t*>(&five),
                                reinterpret_cast<const uint8_t*>(&five) + 8);
    ASSERT_NE(x5, stream.end());
    const size_t cut = static_cast<size_t>(x5 - stream.begin()) - 17;
    Drawing back;
    const LoadResult r = LoadDamagedJww(back, stream.data(), cut);
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(back.top.definitions.size(), 2u);
    EXPECT_EQ(back.top.definitions[0].count, 2);
    EXPECT_EQ(back.top.definitions[1].count, 2);
    EXPECT_EQ(back.members.lines.size(), 4u);
    EXPECT_EQ(back.memberStart, (std::vector<uint32_t>{0, 2}));
    EXPECT_EQ(r.warnings, (std::vector<std::string>{
                              "1 block definition(s) lost members to the damage; they keep the members found"}));
}

// Definitions are never guessed (one taken wrongly would make the records after it its
// members): where their class entry is cut away with the front of the stream, their class is
// learned from the definitions that follow, if they are enough: at least two, and a twentieth
// of the records of the commonest class.
TEST(Recovery, DefinitionsWhoseClassEntryIsCutAwayAreLearnedWhenEnoughFollow) {
    using Adder = std::function<void(DrawingBuilder&, int)>;
    const auto recovered = [](int lines, int definitions, const Adder& other = nullptr) {
        Drawing d;
        d.header = NewDrawingHeader();
        DrawingBuilder b(d);
        for (int i = 0; i < lines; ++i) b.add(line(i));
        for (int i = 0; other && i < 80; ++i) other(b, i);
        for (int k = 0; k < definitions; ++k) b.insert(static_cast<uint32_t>(k), 10.0 * k, 0);
        for (int k = 0; k < definitions; ++k) {
            TDataList definition;
            definition.name = "b" + std::to_string(k);
            b.beginBlock(definition);
            b.add(line(100 + 2 * k));
            b.add(line(101 + 2 * k));
            b.endBlock();
        }
        b.finish();
        const std::vector<uint8_t> stream = recordsOf(d, 351);
        // The class entry of the lines and the first line go; the cut takes two records off the
        // count, so the class entries after it name the wrong indices.
        const size_t cut = 14 + 47;
        Drawing back;
        const LoadResult r = LoadDamagedJww(back, stream.data() + cut, stream.size() - cut);
        std::string said = std::to_string(back.top.sequence.size()) + " in all, " +
                           std::to_string(back.LineCount()) + " lines, " + std::to_string(back.BlockInsertCount()) +
                           " inserts,";
        for (const TDataList& def : back.top.definitions) said += " " + def.name + ":" + std::to_string(def.count);
        said += ", " + std::to_string(back.members.lines.size()) + " members, " +
                std::to_string(back.completeness.skippedStretches) + " skipped, " + std::to_string(r.warnings.size()) +
                " warnings";
        return said;
    };
    EXPECT_EQ(recovered(6, 4), "13 in all, 5 lines, 4 inserts, b0:2 b1:2 b2:2 b3:2, 8 members, 0 skipped, 0 warnings");
    // Too few: each definition after the first is passed over, and its members are read as
    // records of the drawing.
    EXPECT_EQ(recovered(6, 2), "10 in all, 7 lines, 2 inserts, b0:2, 2 members, 1 skipped, 2 warnings");
    EXPECT_EQ(recovered(60, 3), "67 in all, 63 lines, 3 inserts, b0:2, 2 members, 2 skipped, 2 warnings");
    // Eighty records of any kind of fixed size make theirs the commonest class.
    const std::vector<Adder> kinds = {
        [](DrawingBuilder& b, int i) { b.circle(i, 0, 1); },
        [](DrawingBuilder& b, int i) { b.point(i, 0); },
        [](DrawingBuilder& b, int i) { b.specialPoint(i, 0, 1, 1); },
        [](DrawingBuilder& b, int i) { b.solid({0, 0}, {1, 0}, {1, 1}, {0, double(i)}); },
        [](DrawingBuilder& b, int i) { b.solid({0, 0}, {1, 0}, {1, 1}, {0, double(i)}, 10); },
        [](DrawingBuilder& b, int i) { b.insert(0, i, 0); },
    };
    for (size_t k = 0; k < kinds.size(); ++k) {
        EXPECT_EQ(recovered(1, 3, kinds[k]), "88 in all, 4 lines, " + std::to_string(k + 1 < kinds.size() ? 3 : 83) +
                                                 " inserts, b0:2, 2 members, 2 skipped, 2 warnings")
            << k;
    }
}

// Damage that takes the class entry of the definitions: definitions are never guessed, and
// these are named so that no other kind reads whole at them, so only learning their class from
// the ones after the damage finds them.
TEST(Recovery, DefinitionsPastTheDamageThatTookTheirClassEntryAreLearned) {
    Drawing d;
    d.header = NewDrawingHeader();
    DrawingBuilder b(d);
    for (int i = 0; i < 6; ++i) b.add(line(i));
    b.insert(3, 0, 0);  // keeps every definition
    for (int k = 0; k < 4; ++k) {
        TDataList definition;
        definition.name = "\xFF\xFF\xFF" + std::to_string(k);
        b.beginBlock(definition);
        b.endBlock();
    }
    b.finish();
    std::vector<uint8_t> stream = recordsOf(d, 351);
    const char name[] = "CDataList";
    const auto entry = std::search(stream.begin(), stream.end(), name, name + 9);
    ASSERT_NE(entry, stream.end());
    std::fill(entry - 6, entry + 9, 0x11);
    Drawing back;
    const LoadResult r = LoadDamagedJww(back, stream.data(), stream.size());
    ASSERT_TRUE(r.ok) << r.error;
    std::string said = std::to_string(back.LineCount()) + " lines, " + std::to_string(back.BlockInsertCount()) +
                       " inserts,";
    for (const TDataList& def : back.top.definitions)
        said += " " + def.name.substr(3) + ":" + std::to_string(def.count);
    said += ", " + std::to_string(back.completeness.skippedStretches) + " skipped";
    EXPECT_EQ(said, "6 lines, 1 inserts, 1:0 2:0 3:0, 1 skipped");
}

// A definition is numbered by its place among at most 0x7FFE: one numbered past them is left out.
TEST(Recovery, ADefinitionNumberedPastTheLastPlaceIsLeftOut) {
    for (const uint32_t number : {0x7FFEu, 0x7FFFu}) {
        SCOPED_TRACE(number);
        Drawing d;
        d.header = NewDrawingHeader();
        DrawingBuilder b(d);
        for (int k = 0; k < 5; ++k) b.add(line(k));
        b.insert(0, 0, 0);
        b.beginBlock();
        b.add(line(100));
        b.endBlock();
        b.finish();
        d.top.definitions[0].number = number;
        const std::vector<uint8_t> stream = recordsOf(d, 351);
        Drawing back;
        const LoadResult r = LoadDamagedJww(back, stream.data(), stream.size());
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(back.completeness.droppedRecords, number == 0x7FFF ? 1u : 0u);
        EXPECT_EQ(back.BlockDefinitionCount(), number == 0x7FFF ? 0u : 1u);
    }
}

// Without class entries, a tag that stands before records of two kinds is taken for neither
// unless one clearly outnumbers the other: here the lines' tag also stands before five circles.
TEST(Recovery, ATagBeforeTwoKindsIsNotLearnedForTheCommonerAlone) {
    Drawing d;
    d.header = NewDrawingHeader();
    DrawingBuilder b(d);
    for (int i = 0; i < 4; ++i) b.add(line(i));
    for (int i = 0; i < 5; ++i) b.circle(i, 0, 1);
    b.finish();
    std::vector<uint8_t> stream = recordsOf(d, 351);
    const char name[] = "CDataEnko";
    const size_t entry =
        static_cast<size_t>(std::search(stream.begin(), stream.end(), name, name + 9) - stream.begin()) - 6;
    ASSERT_LT(entry, stream.size());
    // The circles' class entry (15 bytes) becomes the lines' tag, and so do the tags after it.
    for (size_t k = 1; k < 5; ++k) {
        const size_t at = entry + 15 + 75 + (k - 1) * 77;
        ASSERT_EQ(stream[at + 1], 0x80);
        stream[at] = 0x01;
    }
    stream.erase(stream.begin() + static_cast<long>(entry), stream.begin() + static_cast<long>(entry) + 13);
    stream[entry] = 0x01;
    stream[entry + 1] = 0x80;
    const size_t cut = 14 + 47;  // the lines' class entry and the first line
    Drawing back;
    const LoadResult r = LoadDamagedJww(back, stream.data() + cut, stream.size() - cut);
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_GE(back.LineCount(), 3u);
    for (int i = 1; i < 4; ++i) {
        EXPECT_EQ(back.top.lines[i - 1].start.x, i);
        EXPECT_EQ(back.top.lines[i - 1].end.y, 10);
    }
}

// A damaged string length that swallows the records after it: the text reads whole, but
// nothing follows it and whole records begin inside it, so it is not taken and they are.
TEST(Recovery, ATextWhoseLengthSwallowsTheRecordsAfterItIsPassedOver) {
    Drawing d;
    d.header = NewDrawingHeader();
    DrawingBuilder b(d);
    for (int i = 0; i < 20; ++i) {
        if (i == 10) b.text(0, 0, "abc");
        b.add(line(i));
    }
    b.finish();
    std::vector<uint8_t> stream = recordsOf(d, 351);
    const uint8_t plain[] = {3, 'a', 'b', 'c'};
    const auto at = std::search(stream.begin(), stream.end(), std::begin(plain), std::end(plain));
    ASSERT_NE(at, stream.end());
    *at = 200;
    Drawing back;
    const LoadResult r = LoadDamagedJww(back, stream.data(), stream.size());
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(back.LineCount(), 20u);
    EXPECT_EQ(back.TextCount(), 0u);
    EXPECT_EQ(back.completeness.skippedStretches, 1u);
    // From its class entry (ten lines in) to the end of its text.
    EXPECT_EQ(back.completeness.damagedAt, 14u + 47 + 9 * 49);
    EXPECT_EQ(back.completeness.skippedBytes, static_cast<size_t>(at - stream.begin()) + 4 - (14 + 47 + 9 * 49));

    // Swallowing exactly the next line, it ends where a long tag's first word stands before an
    // index without its top bit: no tag, so the text is still passed over, and the line it
    // swallowed kept. The line after that, its tag gone, is lost.
    *at = 3 + 49;
    const size_t next = static_cast<size_t>(at - stream.begin()) + 4 + 49;
    const uint8_t noTag[] = {0xFF, 0x7F, 1, 0, 0, 0};
    stream.erase(stream.begin() + static_cast<long>(next), stream.begin() + static_cast<long>(next) + 2);
    stream.insert(stream.begin() + static_cast<long>(next), std::begin(noTag), std::end(noTag));
    Drawing shifted;
    ASSERT_TRUE(LoadDamagedJww(shifted, stream.data(), stream.size()).ok);
    EXPECT_EQ(shifted.LineCount(), 19u);
    EXPECT_EQ(shifted.TextCount(), 0u);
    for (const TDataSen& l : shifted.top.lines) EXPECT_NE(l.start.x, 11.0);
}

// Texts under a tag known nowhere else, at the very front of the data, whose first bytes also
// read as a line followed by that same tag: several kinds read whole there and two seem
// followed, but only as texts do the records after them follow on, so they are taken. One text
// alone, or three among a hundred lines (too few to learn their class from), the same tag
// after the first naming the same kind.
TEST(Recovery, TextsAtTheFrontAreTakenAsTheKindTheRecordsAfterThemBearOut) {
    for (int texts : {1, 3}) {
        SCOPED_TRACE(texts);
        const int lines = texts == 1 ? 5 : 100;
        Drawing d;
        d.header = NewDrawingHeader();
        DrawingBuilder b(d);
        for (int i = 0; i < 5; ++i) b.add(line(i));
        for (int i = 0; i <= texts; ++i) b.text(i, 2, "t" + std::to_string(i));
        for (int i = 0; i < lines; ++i) b.add(line(i));
        b.finish();
        std::vector<uint8_t> stream = recordsOf(d, 351);
        std::vector<RecordSpan> spans;
        ASSERT_TRUE(spansOf(stream, spans));
        // Their text types (after the attributes and both ends) made the value of their own tag.
        for (int i = 1; i <= texts; ++i) {
            const RecordSpan& t = spans[5 + i];
            ASSERT_EQ(t.begin, t.tagAt + 2);
            std::copy(stream.begin() + static_cast<long>(t.tagAt), stream.begin() + static_cast<long>(t.begin),
                      stream.begin() + static_cast<long>(t.begin) + 47);
        }
        const size_t cut = spans[6].tagAt;
        Drawing back;
        const LoadResult r = LoadDamagedJww(back, stream.data() + cut, stream.size() - cut);
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(back.LineCount(), static_cast<uint32_t>(lines));
        ASSERT_EQ(back.TextCount(), static_cast<uint32_t>(texts));
        EXPECT_EQ(back.top.texts.back().text, "t" + std::to_string(texts));
        EXPECT_EQ(back.completeness.skippedStretches, 0u);
        EXPECT_EQ(back.RecordsStart, 0u);
    }
}

// Small values where a record should begin are no count of definitions unless a definition's
// class entry follows: they are damage passed over.
TEST(Recovery, SmallValuesBetweenRecordsArePassedOver) {
    std::vector<uint8_t> stream = streamOf(8);
    const size_t line5 = 14 + 47 + 4 * 49;
    const uint8_t small[] = {5, 0};  // before a line's tag
    stream.insert(stream.begin() + static_cast<long>(line5), std::begin(small), std::end(small));
    Drawing d;
    const LoadResult r = LoadDamagedJww(d, stream.data(), stream.size());
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(d.LineCount(), 8u);
    EXPECT_EQ(d.StreamBlockDefinitionCount, 0u);
    EXPECT_EQ(d.completeness.skippedStretches, 1u);
    EXPECT_EQ(d.completeness.skippedBytes, 2u);
    EXPECT_EQ(d.completeness.damagedAt, line5);
}

TEST(Recovery, DataWithoutRecordsOrWithoutAnythingDrawnIsRefusedAndSaysWhich) {
    const std::vector<uint8_t> noise(300, 0x5A);
    Drawing d;
    LoadResult r = LoadDamagedJww(d, noise.data(), noise.size());
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, "no Jw_cad record was found in the data");

    Drawing solids;
    solids.header = NewDrawingHeader();
    DrawingBuilder b(solids);
    b.solid({0, 0}, {1, 0}, {1, 1}, {0, 1});
    b.solid({2, 0}, {3, 0}, {3, 1}, {2, 1});
    b.finish();
    SaveResult saved;
    const std::vector<uint8_t> bytes = SaveJwwBytes(solids, 351, saved);
    r = LoadDamagedJww(d, bytes.data() + solids.RecordsStart, bytes.size() - solids.RecordsStart);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, "no line, circle, text or point could be recovered");
}

// A drawing file's own beginning without a single class entry holds no records: its tags are
// not learned there. The same bytes not so named are records whose class entry was lost.
TEST(Recovery, ADrawingFileWithoutClassEntriesHoldsNoRecordsToLearn) {
    Drawing lines;
    lines.header = NewDrawingHeader();
    DrawingBuilder b(lines);
    for (int i = 0; i < 10; ++i) b.add(line(i));
    b.finish();
    const std::vector<uint8_t> stream = recordsOf(lines, 351);
    for (const char* magic : {"JwwData.", "JwsData.", "JwwDatum"}) {
        SCOPED_TRACE(magic);
        std::vector<uint8_t> data(magic, magic + 8);
        data.insert(data.end(), stream.begin() + 14 + 47, stream.end());  // from the second line on
        Drawing d;
        const LoadResult r = LoadDamagedJww(d, data.data(), data.size());
        if (magic[7] == '.') {
            EXPECT_FALSE(r.ok);
            EXPECT_EQ(r.error, "no Jw_cad record was found in the data");
        } else {
            ASSERT_TRUE(r.ok) << r.error;
            EXPECT_EQ(d.LineCount(), 9u);
        }
    }
}

// ---- Figures on the real drawings ----

struct Figures {
    size_t intact = 0;    // records of the original that the damage left whole
    size_t kept = 0;      // of those, read back exactly where they lie
    size_t damaged = 0;   // records read where a damaged record of the original lies
    size_t spurious = 0;  // records read that are none of the original's
};

// Reads `data` by recovery and counts, against the original's record spans shifted by
// `shift`, what was kept; `hit` tells whether an original span was touched by the damage.
template <class Hit>
Figures measure(const std::vector<uint8_t>& data, const std::vector<RecordSpan>& original, size_t shift, Hit hit) {
    Figures f;
    Drawing d;
    std::vector<RecordSpan> spans;
    StreamReport report;
    report.spans = &spans;
    ByteReader in(data.data(), data.size());
    ScanAndReadRecords(d, in, report);
    std::vector<std::pair<size_t, size_t>> intact, hitSpans;
    for (const RecordSpan& s : original) {
        (hit(s) ? hitSpans : intact).push_back({s.begin, s.end});
    }
    f.intact = intact.size();
    std::sort(intact.begin(), intact.end());
    std::sort(hitSpans.begin(), hitSpans.end());
    for (const RecordSpan& s : spans) {
        const std::pair<size_t, size_t> at{s.begin + shift, s.end + shift};
        if (std::binary_search(intact.begin(), intact.end(), at)) ++f.kept;
        else if (std::binary_search(hitSpans.begin(), hitSpans.end(), at)) ++f.damaged;
        else ++f.spurious;
    }
    return f;
}

std::vector<std::string> sampleFiles() {
    std::vector<std::string> files;
    if (test::samplesDir().empty()) return files;
    for (const auto& e : std::filesystem::directory_iterator(test::samplesDir()))
        if (e.path().extension() == ".jww") files.push_back(e.path().string());
    std::sort(files.begin(), files.end());
    return files;
}

double share(const Figures& f) { return f.intact == 0 ? 1.0 : static_cast<double>(f.kept) / f.intact; }

TEST(Recovery, KeepsNineTenthsOfTheIntactRecordsOfEverySample) {
    KORVEL_REQUIRE_SAMPLES();
    std::printf("%-26s %8s | %-17s %-17s %-17s %-17s | %-17s %s\n", "drawing", "records", "cut 1", "cut 10",
                "cut 100", "cut 1000", "16 B x 20, 10 copies", "damaged/spurious");
    for (const std::string& file : sampleFiles()) {
        const std::vector<uint8_t> bytes = test::readFileBytes(file);
        Drawing original;
        std::vector<RecordSpan> spans;
        StreamReport report;
        report.spans = &spans;
        ByteReader in(bytes.data(), bytes.size());
        ASSERT_TRUE(ReadJwwHeader(original, in, report));
        ASSERT_TRUE(ReadRecords(original, in, report));
        const size_t start = original.RecordsStart;
        const std::vector<uint8_t> stream(bytes.begin() + static_cast<long>(start), bytes.end());
        for (RecordSpan& s : spans) s.tagAt -= start, s.begin -= start, s.end -= start;

        const std::string name = std::filesystem::path(file).filename().string();
        std::printf("%-26s %8zu |", name.c_str(), spans.size());
        size_t spurious = 0, damagedRead = 0;
        for (size_t cut : {1u, 10u, 100u, 1000u}) {
            if (cut >= stream.size()) {
                std::printf(" %-17s", "-");
                continue;
            }
            const std::vector<uint8_t> damaged(stream.begin() + static_cast<long>(cut), stream.end());
            const Figures f = measure(damaged, spans, cut, [&](const RecordSpan& s) { return s.tagAt < cut; });
            std::printf(" %5zu/%-5zu %3.0f%% ", f.kept, f.intact, 100.0 * share(f));
            EXPECT_GE(share(f), 0.9) << name << " cut " << cut;
            spurious += f.spurious;
            damagedRead += f.damaged;
        }
        // Twenty stretches of 16 bytes destroy a fifth of a stream of 1.5 KB and most of one of
        // 500 bytes; what is left whole there is a few records, so ten damaged copies are
        // pooled for the share, and the worst single copy is shown beside it.
        Figures pooled, worst;
        for (unsigned seed = 1; seed <= 10; ++seed) {
            std::mt19937 random(seed);
            std::vector<uint8_t> damaged = stream;
            std::vector<size_t> places;
            std::uniform_int_distribution<size_t> at(0, stream.size() - 16);
            for (int i = 0; i < 20; ++i) places.push_back(at(random));
            for (size_t p : places)
                for (size_t i = 0; i < 16; ++i) damaged[p + i] = static_cast<uint8_t>(random());
            const Figures f = measure(damaged, spans, 0, [&](const RecordSpan& s) {
                for (size_t p : places)
                    if (p < s.end && s.tagAt < p + 16) return true;
                return false;
            });
            pooled.intact += f.intact;
            pooled.kept += f.kept;
            if (seed == 1 || share(f) < share(worst)) worst = f;
            spurious += f.spurious;
            damagedRead += f.damaged;
        }
        EXPECT_GE(share(pooled), 0.9) << name << " overwritten";
        std::printf("| %5zu/%-5zu %3.0f%% (worst %zu/%zu)  %zu/%zu\n", pooled.kept, pooled.intact, 100.0 * share(pooled),
                    worst.kept, worst.intact, damagedRead, spurious);
    }
}

}  // namespace
}  // namespace korvel
