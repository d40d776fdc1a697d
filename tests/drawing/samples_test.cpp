// The real drawings read as EXPECTED.md beside them says, and survive being written back.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <map>
#include <sstream>

#include "drawing/byte_reader.h"
#include "drawing/cp932.h"
#include "drawing/drawing_builder.h"
#include "drawing/extents.h"
#include "drawing/loaders.h"
#include "drawing/record_stream.h"
#include "record_compare.h"
#include "test_support.h"

namespace korvel {
namespace {

struct ExpectedRow {
    std::string file;
    uint32_t version = 0, announced = 0;
    uint32_t lines = 0, circles = 0, texts = 0, points = 0, dims = 0, solids = 0, inserts = 0, defs = 0, members = 0;
    double minX = 0, minY = 0, maxX = 0, maxY = 0;
    std::string memo;
};

std::vector<std::string> cells(const std::string& line) {
    std::vector<std::string> out;
    std::stringstream ss(line);
    std::string cell;
    std::getline(ss, cell, '|');
    while (std::getline(ss, cell, '|')) {
        size_t a = cell.find_first_not_of(' '), b = cell.find_last_not_of(' ');
        out.push_back(a == std::string::npos ? "" : cell.substr(a, b - a + 1));
    }
    return out;
}

std::string unescapeMemo(std::string s) {
    for (size_t at; (at = s.find("\\r\\n")) != std::string::npos;) s.replace(at, 4, "\r\n");
    return s;
}

// Reads the table and the memo list of EXPECTED.md.
std::vector<ExpectedRow> expectedRows() {
    std::ifstream in(test::samplesDir() + "/EXPECTED.md");
    std::vector<ExpectedRow> rows;
    std::map<std::string, std::string> memos;
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("| ", 0) == 0 && line.find(".jww") != std::string::npos) {
            auto c = cells(line);
            if (c.size() < 15) continue;
            ExpectedRow r;
            r.file = c[0];
            r.version = std::stoul(c[1]);
            r.announced = std::stoul(c[2]);
            r.lines = std::stoul(c[3]);
            r.circles = std::stoul(c[4]);
            r.texts = std::stoul(c[5]);
            r.points = std::stoul(c[6]);
            r.dims = std::stoul(c[7]);
            r.solids = std::stoul(c[8]);
            r.inserts = std::stoul(c[9]);
            r.defs = std::stoul(c[10]);
            r.members = std::stoul(c[11]);
            r.minX = std::stod(c[12]);
            r.minY = std::stod(c[13]);
            r.maxX = std::stod(c[14]);
            r.maxY = std::stod(c[15]);
            rows.push_back(r);
        } else if (line.rfind("- ", 0) == 0 && line.find(".jww: \"") != std::string::npos) {
            size_t colon = line.find(": \"");
            memos[line.substr(2, colon - 2)] = unescapeMemo(line.substr(colon + 3, line.size() - colon - 4));
        }
    }
    for (auto& r : rows) r.memo = memos[r.file];
    return rows;
}

void expectMatches(const ExpectedRow& e, const Drawing& d) {
    SCOPED_TRACE(e.file);
    EXPECT_EQ(d.header.Version, e.version);
    EXPECT_EQ(d.ExpectedCount, e.announced);
    EXPECT_EQ(d.LineCount(), e.lines);
    EXPECT_EQ(d.CircleCount(), e.circles);
    EXPECT_EQ(d.TextCount(), e.texts);
    EXPECT_EQ(d.PointCount(), e.points);
    EXPECT_EQ(d.DimensionCount(), e.dims);
    EXPECT_EQ(d.SolidCount(), e.solids);
    EXPECT_EQ(d.BlockInsertCount(), e.inserts);
    EXPECT_EQ(d.BlockDefinitionCount(), e.defs);
    EXPECT_EQ(d.members.size(), e.members);
    EXPECT_NEAR(d.extents.MinX, e.minX, 1e-6);
    EXPECT_NEAR(d.extents.MinY, e.minY, 1e-6);
    EXPECT_NEAR(d.extents.MaxX, e.maxX, 1e-6);
    EXPECT_NEAR(d.extents.MaxY, e.maxY, 1e-6);
    EXPECT_EQ(Cp932ToUtf8(d.header.Memo), e.memo);
}

TEST(Samples, ReadAsExpected) {
    KORVEL_REQUIRE_SAMPLES();
    auto rows = expectedRows();
    ASSERT_EQ(rows.size(), 15u) << "EXPECTED.md lists fifteen drawings";
    for (const ExpectedRow& e : rows) {
        Drawing d;
        LoadResult r = LoadFile(d, test::samplesDir() + "/" + e.file);
        ASSERT_TRUE(r.ok) << e.file << ": " << r.error;
        EXPECT_FALSE(r.recovered) << e.file;
        EXPECT_FALSE(d.Truncated) << e.file;
        EXPECT_FALSE(d.Stopped) << e.file;
        expectMatches(e, d);
    }
}

// Written at each version the save command offers, every sample reads back with the same
// records, as far as the version carries their fields.
TEST(Samples, RoundTripAtEveryVersion) {
    KORVEL_REQUIRE_SAMPLES();
    for (const ExpectedRow& e : expectedRows()) {
        Drawing original;
        ASSERT_TRUE(LoadFile(original, test::samplesDir() + "/" + e.file).ok);
        for (uint32_t v : {351u, 300u, 230u, 225u, 223u, 220u}) {
            SCOPED_TRACE(e.file + " at version " + std::to_string(v));
            Drawing copy = original;
            SaveResult saved;
            std::vector<uint8_t> bytes = SaveJwwBytes(copy, v, saved);
            Drawing back;
            LoadResult r = LoadJww(back, bytes.data(), bytes.size());
            ASSERT_TRUE(r.ok) << r.error;
            EXPECT_EQ(back.header.Version, v);
            test::ExpectSameRecords(original, back, v);
            test::ExpectSameHeader(original.header, back.header, v);
            EXPECT_NEAR(back.extents.MinX, e.minX, 1e-6);
            EXPECT_NEAR(back.extents.MaxY, e.maxY, 1e-6);
        }
    }
}

}  // namespace
}  // namespace korvel

namespace korvel {
namespace {

// Our own demo drawing holds what the real samples lack (dimensions, special points, solids of
// both kinds, nested blocks, hidden and greyed layers); it too survives every version.
TEST(Samples, DemoDrawingRoundTripsAtEveryVersion) {
    Drawing original;
    LoadResult loaded = LoadFile(original, test::sourcePath("samples/demo.jww"));
    ASSERT_TRUE(loaded.ok) << loaded.error;
    ASSERT_EQ(original.DimensionCount(), 2u);
    ASSERT_EQ(original.BlockDefinitionCount(), 2u);
    for (uint32_t v : {351u, 300u, 230u, 225u, 223u, 220u}) {
        SCOPED_TRACE("version " + std::to_string(v));
        Drawing copy = original;
        SaveResult saved;
        std::vector<uint8_t> bytes = SaveJwwBytes(copy, v, saved);
        Drawing back;
        LoadResult r = LoadJww(back, bytes.data(), bytes.size());
        ASSERT_TRUE(r.ok) << r.error;
        test::ExpectSameRecords(original, back, v);
        test::ExpectSameHeader(original.header, back.header, v);
        EXPECT_DOUBLE_EQ(back.extents.MinY, original.extents.MinY);
        EXPECT_DOUBLE_EQ(back.extents.MaxX, original.extents.MaxX);
    }
}

}  // namespace
}  // namespace korvel

namespace korvel {
namespace {

// The extents of a drawing as it is when every layer is shown.
Extents allLayersExtents(Drawing d) {
    d.AllLayers = true;
    d.extents = Extents{};
    ExtentsBuilder e(d);
    for (const RecordRef& ref : d.top.sequence) e.AddRecord(d.top, ref);
    std::vector<std::string> warnings;
    e.ExpandBlockInserts(warnings);
    e.FinishExtents();
    return d.extents;
}

// JWS data of a drawing: magic, 192 bytes Jw_cad keeps for itself, version, reference point,
// group scales, 104 more such bytes, the count and a version-351 record stream.
std::vector<uint8_t> jwsOf(Drawing& d) {
    ByteWriter w;
    w.raw("JwsData.", 8);
    w.raw(std::string(192, '\0').data(), 192);
    w.u32(351);
    w.f64(d.header.GridReferenceX);
    w.f64(d.header.GridReferenceY);
    for (double scale : d.header.LayerGroupScale) w.f64(scale);
    w.raw(std::string(104, '\0').data(), 104);
    const uint32_t count = RecordsToWrite(d);
    if (count < 0xFFFF) {
        w.u16(static_cast<uint16_t>(count));
    } else {
        w.u16(0xFFFF);
        w.u32(count);
    }
    WriteRecords(d, w, 351);
    return std::vector<uint8_t>(w.bytes.begin(), w.bytes.end());
}

bool everyLayerShown(const DrawingHeader& h) {
    for (int g = 0; g < kLayerGroups; ++g)
        for (int l = 0; l < kLayers; ++l)
            if (h.LayerGroupState[g] == 0 || h.LayerState[g][l] == 0) return false;
    return true;
}

// Read as it is, by recovery, or as Jw_win or JWS data (none of which has a JWW header), then
// saved as JWW: the file shows what the data showed, the headerless ones every layer in the box
// of the drawing with every layer shown.
TEST(Samples, ReadWithoutTheirHeaderAndSavedTheyShowEveryLayer) {
    KORVEL_REQUIRE_SAMPLES();
    for (const ExpectedRow& e : expectedRows()) {
        const std::string path = test::samplesDir() + "/" + e.file;
        Drawing original;
        ASSERT_TRUE(LoadFile(original, path).ok) << e.file;
        const Extents expected = allLayersExtents(original);
        const std::vector<uint8_t> file = test::readFileBytes(path);
        SaveResult saved;
        Drawing forJwz = original, forJws = original;
        const std::vector<uint8_t> jwz = SaveJwWinBytes(forJwz, saved);
        const std::vector<uint8_t> jws = jwsOf(forJws);
        for (int path = 0; path < 4; ++path) {
            static const char* const kPaths[] = {"read", "recovered", "jwz", "jws"};
            SCOPED_TRACE(e.file + " " + kPaths[path]);
            Drawing d;
            d.header = NewDrawingHeader();  // the pens a load starts from
            LoadResult r = path == 0   ? LoadJww(d, file.data(), file.size())
                           : path == 1 ? LoadDamagedJww(d, file.data(), file.size())
                           : path == 2 ? LoadJwz(d, jwz.data(), jwz.size())
                                       : LoadJws(d, jws.data(), jws.size());
            ASSERT_TRUE(r.ok) << r.error;
            EXPECT_EQ(d.RecordCount(), original.RecordCount());
            SaveResult written;
            const std::vector<uint8_t> bytes = SaveJwwBytes(d, 0, written);
            Drawing back;
            ASSERT_TRUE(LoadJww(back, bytes.data(), bytes.size()).ok);
            EXPECT_FALSE(back.AllLayers);
            // A drawing with its own header keeps its layers as they were (Ａマンション立面例 hides
            // one that holds records); the others show all, in the all-layers box.
            if (path == 0) EXPECT_EQ(back.header.LayerState, original.header.LayerState);
            else EXPECT_TRUE(everyLayerShown(back.header));
            const Extents& box = path == 0 ? original.extents : expected;
            EXPECT_NEAR(back.extents.MinX, box.MinX, 1e-6);
            EXPECT_NEAR(back.extents.MinY, box.MinY, 1e-6);
            EXPECT_NEAR(back.extents.MaxX, box.MaxX, 1e-6);
            EXPECT_NEAR(back.extents.MaxY, box.MaxY, 1e-6);
        }
    }
}

}  // namespace
}  // namespace korvel
