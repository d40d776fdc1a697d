// What a load and a save say and keep: a fresh start for every load, reads that stop early,
// headers written for drawings read without one, what each version drops, and definitions
// that only other definitions use.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <tuple>

#include "drawing/drawing_builder.h"
#include "drawing/loaders.h"
#include "drawing/record_stream.h"
#include "test_support.h"

namespace korvel {
namespace {

TDataSen line(double x) {
    TDataSen s;
    s.start = {x, 0};
    s.end = {x, 10};
    return s;
}

Drawing linesAndText(int lines) {
    Drawing d;
    d.header = NewDrawingHeader();
    DrawingBuilder b(d);
    for (int i = 0; i < lines; ++i) b.add(line(i));
    TDataMoji t;
    t.start = {0, 20};
    t.end = {10, 20};
    t.sizeY = 3;
    t.text = "note";
    b.add(t);
    b.finish();
    return d;
}

std::vector<uint8_t> save(Drawing& d, uint32_t version = 0) {
    SaveResult r;
    return SaveJwwBytes(d, version, r);
}

bool contains(const std::vector<std::string>& all, const std::string& part) {
    for (const std::string& s : all)
        if (s.find(part) != std::string::npos) return true;
    return false;
}

TEST(FreshLoads, DamagedDataIsNotReadWithThePreviousDrawingsVersion) {
    // A version-3.00 file (13-byte attribute blocks) whose magic is broken, read by a drawing
    // object that last held a version-600 drawing: the scan must choose the layouts afresh.
    Drawing old = linesAndText(20);
    std::vector<uint8_t> bytes = save(old, 300);
    bytes[0] = 'X';
    Drawing d = linesAndText(1);
    d.header.Version = 600;
    d.header.SxfPens.resize(kSxfPens);
    for (bool damagedCommand : {false, true}) {
        LoadResult r = damagedCommand ? LoadDamagedJww(d, bytes.data(), bytes.size()) : LoadJww(d, bytes.data(), bytes.size());
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(d.LineCount(), 20u);
        EXPECT_EQ(d.TextCount(), 1u);
        EXPECT_EQ(d.header.Version, 300u);
        EXPECT_TRUE(d.header.SxfPens.empty());  // nothing of the drawing before
        EXPECT_EQ(d.headerKind, HeaderKind::None);
        d.header.Version = 600;
    }
}

TEST(IncompleteReads, GarbageBeforeTheRecordsIsSaidWithBothCountsAndTheOffset) {
    Drawing original = linesAndText(30);
    std::vector<uint8_t> bytes = save(original);
    const size_t start = original.RecordsStart;
    const char garbage[] = "garbage\0\1\2";
    bytes.insert(bytes.begin() + static_cast<long>(start), garbage, garbage + 10);
    Drawing d;
    LoadResult r = LoadJww(d, bytes.data(), bytes.size());
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_LT(d.RecordCount(), 31u);
    EXPECT_FALSE(d.completeness.complete);
    EXPECT_EQ(d.completeness.announced, 31u);
    EXPECT_EQ(d.completeness.read, d.RecordCount());
    EXPECT_TRUE(d.completeness.damaged);
    EXPECT_EQ(d.completeness.damagedAt, start);
    EXPECT_TRUE(contains(r.warnings, "read incomplete: 31 record(s) announced, " + std::to_string(d.RecordCount()) +
                                         " read; the record stream is damaged at byte " + std::to_string(start)));
    // ...and again when it is saved: the file holds only what was read.
    SaveResult saved;
    SaveJwwBytes(d, 0, saved);
    EXPECT_TRUE(contains(saved.warnings, "the file holds only what was read of the drawing: read incomplete: 31"));
    // Read as damaged data, everything is there.
    Drawing recovered;
    ASSERT_TRUE(LoadDamagedJww(recovered, bytes.data(), bytes.size()).ok);
    EXPECT_EQ(recovered.LineCount(), 30u);
    EXPECT_EQ(recovered.TextCount(), 1u);
}

TEST(IncompleteReads, DataCutAtARecordBoundaryIsSaid) {
    Drawing original = linesAndText(30);
    const std::vector<uint8_t> bytes = save(original);
    // Ten lines whole, nothing of the rest, no end tag: no record is cut short.
    const size_t cut = original.RecordsStart + 14 + 47 + 9 * 49;
    Drawing d;
    LoadResult r = LoadJww(d, bytes.data(), cut);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(d.LineCount(), 10u);
    EXPECT_FALSE(d.Truncated);
    EXPECT_FALSE(d.completeness.complete);
    EXPECT_EQ(d.completeness.endedAt, cut);
    EXPECT_TRUE(contains(r.warnings, "read incomplete: 31 record(s) announced, 10 read; the data ends before the end of "
                                     "the records (reading ended at byte " + std::to_string(cut) + " of " +
                                         std::to_string(cut) + ")"));
    // Whole data says nothing.
    Drawing whole;
    LoadResult all = LoadJww(whole, bytes.data(), bytes.size());
    EXPECT_TRUE(whole.completeness.complete);
    EXPECT_TRUE(all.warnings.empty());
}

bool everyLayerShown(const DrawingHeader& h) {
    for (int g = 0; g < kLayerGroups; ++g) {
        if (h.LayerGroupState[g] == 0) return false;
        for (int l = 0; l < kLayers; ++l)
            if (h.LayerState[g][l] == 0) return false;
    }
    return true;
}

TEST(SavedHeaders, ADrawingReadWithoutAJwwHeaderSavesWithItsLayersShown) {
    Drawing original = linesAndText(5);
    original.header.LayerGroupState[0] = 0;  // hidden in the original: JWS and Jw_win data show it
    original.header.LayerGroupScale[2] = 250.0;
    original.header.PenColor[3] = 0x00AA00;
    SaveResult saved;
    const std::vector<uint8_t> jwz = SaveJwWinBytes(original, saved);
    std::vector<uint8_t> jww = save(original);
    jww[3] = '?';  // the header no longer reads

    Drawing settings;  // the pens of the settings, as a load starts from them
    settings.header = NewDrawingHeader();
    settings.header.PenColor[3] = 0x0000CC;
    for (int kind = 0; kind < 2; ++kind) {
        SCOPED_TRACE(kind == 0 ? "jwz" : "recovered");
        Drawing d = settings;
        LoadResult r = kind == 0 ? LoadJwz(d, jwz.data(), jwz.size()) : LoadJww(d, jww.data(), jww.size());
        ASSERT_TRUE(r.ok) << r.error;
        std::vector<uint8_t> written = save(d);
        Drawing back;
        ASSERT_TRUE(LoadJww(back, written.data(), written.size()).ok);
        EXPECT_FALSE(back.AllLayers);
        EXPECT_TRUE(everyLayerShown(back.header));
        EXPECT_EQ(back.header.LayerGroupScale[2], kind == 0 ? 250.0 : 1.0);  // the scales the data carried
        EXPECT_EQ(back.header.PenColor[3], 0x0000CCu);                       // the settings' pens
        EXPECT_EQ(back.header.PaperSize, NewDrawingHeader().PaperSize);
        EXPECT_DOUBLE_EQ(back.extents.MinX, -1.0);
        EXPECT_DOUBLE_EQ(back.extents.MaxX, 11.0);
        EXPECT_DOUBLE_EQ(back.extents.MaxY, 24.0);
    }
}

TEST(SavedVersions, WhatEachVersionDropsIsSaidWhateverVersionIsAsked) {
    Drawing d = linesAndText(2);
    d.header.Version = 600;
    d.header.SxfPens.resize(kSxfPens);
    d.header.SkyMapRadius = 5;
    d.top.lines[0].penWidth = 3;
    d.embeddedPictures.push_back({"logo.bmp", {1, 2, 3}});
    for (uint32_t v : {0u, 351u}) {
        SaveResult r;
        SaveJwwBytes(d, v, r);
        ASSERT_EQ(r.warnings.size(), 1u) << v;
        EXPECT_EQ(r.warnings[0], "version 600 drawing written as version 351; dropped: the SXF pen and line-type "
                                 "tables, 1 embedded picture(s)");
    }
    SaveResult old;
    SaveJwwBytes(d, 230, old);
    ASSERT_EQ(old.warnings.size(), 1u);
    EXPECT_EQ(old.warnings[0], "version 600 drawing written as version 230; dropped: the SXF pen and line-type tables, "
                               "1 embedded picture(s), the pen widths of 1 record(s), the sky map settings");
    EXPECT_EQ(d.header.Version, 600u);  // saving leaves the drawing as it was
    // Without SXF tables of its own a drawing loses none; with nothing else lost, only the
    // version is said.
    d.header.SxfPens.clear();
    d.embeddedPictures.clear();
    SaveResult withoutSxf;
    SaveJwwBytes(d, 351, withoutSxf);
    EXPECT_EQ(withoutSxf.warnings, std::vector<std::string>{"version 600 drawing written as version 351"});
    // Special points keep their code, angle and size from version 300.
    Drawing points;
    points.header = NewDrawingHeader();
    {
        DrawingBuilder b(points);
        b.specialPoint(1, 2, 5, 1.0);
        b.specialPoint(3, 4, 6, 1.0);
        b.point(5, 6);
        b.finish();
    }
    for (uint32_t v : {299u, 300u}) {
        SaveResult r;
        SaveJwwBytes(points, v, r);
        ASSERT_EQ(r.warnings.size(), 1u) << v;
        EXPECT_EQ(r.warnings[0], "version 351 drawing written as version " + std::to_string(v) +
                                     (v < 300 ? "; dropped: the codes, angles and sizes of 2 special point(s)" : ""));
    }
    // A drawing written at its own version, or a newer one, loses nothing.
    Drawing plain = linesAndText(2);
    SaveResult none;
    SaveJwwBytes(plain, 351, none);
    EXPECT_TRUE(none.warnings.empty());
}

// Each later part of the header is said dropped just below the version that brought it.
TEST(SavedVersions, EachLaterHeaderPartIsDroppedJustBelowItsVersion) {
    using Set = std::function<void(DrawingHeader&)>;
    const std::vector<std::tuple<uint32_t, std::string, Set>> parts = {
        {300, "the sky map settings", [](DrawingHeader& h) { h.SkyMapRadius = 5; }},
        {300, "the sky map settings", [](DrawingHeader& h) { h.SkyMapLevel = 1; }},
        {300, "jump marks 5 to 10 and the marks' layer groups", [](DrawingHeader& h) { h.MarkJump[4].scale = 2; }},
        {300, "jump marks 5 to 10 and the marks' layer groups", [](DrawingHeader& h) { h.MarkJump[9].y = 1; }},
        {300, "jump marks 5 to 10 and the marks' layer groups", [](DrawingHeader& h) { h.MarkJump[0].layerGroup = 3; }},
        {230, "the second extra options", [](DrawingHeader& h) { h.ExtraOption2[1] = 1; }},
        {225, "the second extra values", [](DrawingHeader& h) { h.ExtraValue2[3] = 1; }},
        {223, "the extra options and values", [](DrawingHeader& h) { h.ExtraOption[4] = 1; }},
        {223, "the extra options and values", [](DrawingHeader& h) { h.ExtraValue[0] = 1; }},
    };
    for (const auto& [since, name, set] : parts) {
        SCOPED_TRACE(name + " " + std::to_string(since));
        Drawing d = linesAndText(1);
        set(d.header);
        for (const uint32_t v : {since, since - 1}) {
            SaveResult r;
            SaveJwwBytes(d, v, r);
            ASSERT_EQ(r.warnings.size(), 1u) << v;
            EXPECT_EQ(r.warnings[0], "version 351 drawing written as version " + std::to_string(v) +
                                         (v < since ? "; dropped: " + name : "")) << v;
        }
    }
    // The first four jump marks are kept at any version; a drawing of no version counts as 3.51.
    Drawing d = linesAndText(1);
    d.header.MarkJump[3].scale = 2;
    d.header.Version = 0;
    SaveResult r;
    SaveJwwBytes(d, 299, r);
    EXPECT_EQ(r.warnings, std::vector<std::string>{"version 351 drawing written as version 299"});
}

// Block 0 is inserted by the drawing; block 1 only by block 0.
Drawing nestedBlocks() {
    Drawing d;
    d.header = NewDrawingHeader();
    DrawingBuilder b(d);
    TDataBlock outer;
    outer.origin = {50, 50};
    b.add(outer);
    b.beginBlock(TDataList{});
    TDataBlock inner;
    inner.blockNumber = 1;
    b.add(inner);
    b.add(line(0));
    b.beginBlock(TDataList{});
    b.add(line(5));
    b.finish();
    return d;
}

TEST(BlockDefinitionsKept, ADefinitionOnlyAnotherDefinitionUsesIsKept) {
    Drawing d = nestedBlocks();
    std::vector<uint8_t> bytes = save(d);
    Drawing back;
    LoadResult r = LoadJww(back, bytes.data(), bytes.size());
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_FALSE(back.Stopped);
    ASSERT_EQ(back.BlockDefinitionCount(), 2u);
    EXPECT_EQ(back.completedDefinitions, 2u);
    EXPECT_TRUE(r.warnings.empty());
    // Measured as drawn: the inner line at x 55, 0..10 above the insert at (50, 50).
    EXPECT_DOUBLE_EQ(back.extents.MaxX, 56.0);
    EXPECT_DOUBLE_EQ(back.extents.MaxY, 61.0);
}

TEST(BlockDefinitionsKept, NoSaveWritesAnInsertOfAMissingDefinition) {
    Drawing d = nestedBlocks();
    // The inner definition was cut short in the source: it cannot be written, and neither can
    // the insert inside block 0 that refers to it, nor a top-level one.
    d.completedDefinitions = 1;
    TDataBlock stray;
    stray.blockNumber = 1;
    d.top.inserts.push_back(stray);
    d.top.sequence.insert(d.top.sequence.begin() + 1, {RecordClass::Block, 1});
    SaveResult saved;
    std::vector<uint8_t> bytes = SaveJwwBytes(d, 0, saved);
    EXPECT_TRUE(contains(saved.warnings, "1 block definition(s) cut short in the source are not written"));
    EXPECT_TRUE(contains(saved.warnings, "2 block insert(s) of block 1 or others without a written definition are not written"));
    Drawing back;
    LoadResult r = LoadJww(back, bytes.data(), bytes.size());
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_TRUE(back.completeness.complete);
    EXPECT_EQ(back.ExpectedCount, 1u);
    ASSERT_EQ(back.BlockDefinitionCount(), 1u);
    EXPECT_EQ(back.top.definitions[0].count, 1u);  // the line only
    EXPECT_EQ(back.members.size(), 1u);
    EXPECT_EQ(back.members.sequence[0].cls, RecordClass::Sen);
}

// The count of definitions is one word below 0x7FFF, the long-tag marker: definitions past
// 32,766 are not written, and neither are the inserts of them, at the top or in themselves.
TEST(BlockDefinitionsKept, NoMoreThan32766DefinitionsAreWritten) {
    Drawing d;
    d.header = NewDrawingHeader();
    DrawingBuilder b(d);
    b.insert(0x7FFD, 0, 0);
    b.insert(0x7FFE, 0, 0);
    for (int k = 0; k <= 0x7FFE; ++k) b.beginBlock(TDataList{});
    b.insert(0x7FFE, 1, 1);
    b.finish();
    SaveResult saved;
    const std::vector<uint8_t> bytes = SaveJwwBytes(d, 0, saved);
    EXPECT_EQ(saved.warnings, (std::vector<std::string>{
                                  "1 block insert(s) of block 32766 or others without a written definition are not written"}));
    Drawing back;
    LoadResult r = LoadJww(back, bytes.data(), bytes.size());
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_TRUE(r.warnings.empty());
    EXPECT_EQ(back.StreamBlockDefinitionCount, 0x7FFEu);
    EXPECT_EQ(back.BlockDefinitionCount(), 0x7FFEu);
    EXPECT_EQ(back.BlockInsertCount(), 1u);
    EXPECT_EQ(back.members.size(), 0u);
}

}  // namespace
}  // namespace korvel
