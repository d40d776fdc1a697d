// The record index: which records a part of the drawing can show, and renders that walk only
// those, in the same order as a render that walks everything.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "drawing_builder.h"
#include "render/record_index.h"
#include "render/recording_target.h"
#include "render/render_driver.h"

namespace korvel {
namespace {

using test::DrawingBuilder;

std::vector<uint32_t> positionsIn(const DrawingBuilder& b, DrawingArea area, bool reverse = false) {
    const RecordIndex index(b.drawing);
    std::vector<uint32_t> out;
    index.positionsIn(b.drawing, area, reverse, out);
    return out;
}

RecordingTarget render(const Drawing& d, const RecordIndex* index, DeviceRect shown = {},
                       const RenderOptions& o = RenderOptions{}) {
    RecordingTarget t;
    RenderRequest r;
    r.width = 100;
    r.height = 100;
    r.scale = 1.0;
    r.index = index;
    r.shown = shown;
    RenderDrawing(t, d, o, r);
    return t;
}

std::string listing(const RecordingTarget& t) {
    std::string out;
    for (const RecordedCall& c : t.calls) {
        out += std::to_string(int(c.kind));
        for (const DevicePoint& p : c.points) out += " " + std::to_string(p.x) + "," + std::to_string(p.y);
        out += "\n";
    }
    return out;
}

TEST(RecordIndex, ListsTheRecordsThatMeetTheArea) {
    DrawingBuilder b;
    b.line(0, 0, 10, 0);          // 0
    b.line(500, 500, 510, 500);   // 1: far away
    b.circle(100, 0, 95);         // 2: centre outside, its curve passes through x = 5
    b.point(5, 5);                // 3
    b.solid({-20, -20}, {-15, -20}, {-15, -15}, {-20, -15});  // 4: just outside
    EXPECT_EQ(positionsIn(b, {0, -1, 10, 1}), (std::vector<uint32_t>{0, 2}));
    EXPECT_EQ(positionsIn(b, {4, 4, 6, 6}), (std::vector<uint32_t>{2, 3}));
    EXPECT_EQ(positionsIn(b, {-30, -30, -16, -16}), (std::vector<uint32_t>{4}));
    EXPECT_EQ(positionsIn(b, {1000, 1000, 2000, 2000}), (std::vector<uint32_t>{}));
    // Edges touching count: a line along the area's edge can colour its pixels.
    EXPECT_EQ(positionsIn(b, {10, 0, 20, 0}), (std::vector<uint32_t>{0, 2}));
}

TEST(RecordIndex, ReverseOrderListsThePositionThatDrawsTheRecord) {
    DrawingBuilder b;
    b.line(0, 0, 10, 0);       // position 0, record 0
    b.text(500, 500, "A");     // position 1
    b.line(100, 0, 110, 0);    // position 2, record 1
    // Walked from the last, position 0 draws record 1 and position 2 draws record 0.
    EXPECT_EQ(positionsIn(b, {0, -1, 10, 1}, false), (std::vector<uint32_t>{0}));
    EXPECT_EQ(positionsIn(b, {0, -1, 10, 1}, true), (std::vector<uint32_t>{2}));
    EXPECT_EQ(positionsIn(b, {100, -1, 110, 1}, true), (std::vector<uint32_t>{0}));
}

// A few records of many are looked up by their positions, not by walking the stream; both ways
// must name the positions the walk draws them at, from the last when reversed.
TEST(RecordIndex, FewRecordsOfManyAreFoundAtTheirPositions) {
    DrawingBuilder b;
    for (int i = 0; i < 60; ++i) {
        b.line(i * 10, 0, i * 10 + 4, 0);
        b.circle(i * 10 + 5, 0, 1);
    }
    EXPECT_EQ(positionsIn(b, {100, -1, 115, 1}), (std::vector<uint32_t>{20, 21, 22, 23}));
    EXPECT_EQ(positionsIn(b, {100, -1, 115, 1}, true), (std::vector<uint32_t>{96, 97, 98, 99}));
    EXPECT_EQ(positionsIn(b, {-1, -1, 0, 1}, true), (std::vector<uint32_t>{118}));
    EXPECT_EQ(positionsIn(b, {0, -1, 600, 1}).size(), 120u);
}

// Records of every length among many short ones: the long ones are filed in coarser cells than
// the short ones, and a query must find each record whose line meets it, whatever its length.
TEST(RecordIndex, RecordsOfEveryLengthAreFoundWhereTheyReach) {
    DrawingBuilder b;
    struct Segment {
        double x1, y1, x2, y2;
    };
    std::vector<Segment> lines;
    const auto add = [&](double x1, double y1, double x2, double y2) {
        b.line(x1, y1, x2, y2);
        lines.push_back({x1, y1, x2, y2});
    };
    for (int i = 0; i < 40; ++i)
        for (int j = 0; j < 40; ++j) add(i * 10 + 1, j * 10 + 1, i * 10 + 2, j * 10 + 1);
    for (int k = 0; k < 40; ++k) {
        const double length = 3.0 + k * k * 0.25;  // from under a cell to the whole drawing
        add(k * 7 % 400, k * 10 + 5, k * 7 % 400 + length, k * 10 + 5);
        add(k * 10 + 5, k * 13 % 400, k * 10 + 5, k * 13 % 400 + length);
    }
    const RecordIndex index(b.drawing);
    uint32_t state = 12345;
    const auto next = [&state](int range) {
        state = state * 1103515245u + 12345u;
        return double((state >> 8) % uint32_t(range));
    };
    for (int q = 0; q < 300; ++q) {
        const double x = next(420) - 10, y = next(420) - 10, w = next(q % 3 == 0 ? 200 : 12) + 0.5,
                     h = next(q % 3 == 0 ? 200 : 12) + 0.5;
        const DrawingArea area{x, y, x + w, y + h};
        std::vector<uint32_t> expected;
        for (uint32_t p = 0; p < lines.size(); ++p) {
            const Segment& l = lines[p];
            if (std::min(l.x1, l.x2) <= area.maxX && std::max(l.x1, l.x2) >= area.minX &&
                std::min(l.y1, l.y2) <= area.maxY && std::max(l.y1, l.y2) >= area.minY)
                expected.push_back(p);
        }
        std::vector<uint32_t> found;
        index.positionsIn(b.drawing, area, false, found);
        ASSERT_EQ(found, expected) << "area " << area.minX << "," << area.minY << " " << w << " x " << h;
        std::vector<uint8_t> flags;
        index.recordsIn(RecordClass::Sen, area, flags);
        ASSERT_EQ(flags.size(), lines.size());
        for (uint32_t p : expected) ASSERT_EQ(flags[p], 1) << "record " << p;
        ASSERT_EQ(size_t(std::count(flags.begin(), flags.end(), uint8_t(1))), expected.size());
    }
}

// A query of a small area reads a few cells wherever it lies, not the records of the whole
// drawing: the point of the index.
TEST(RecordIndex, AQueryOfASmallAreaReadsOnlyTheRecordsNearIt) {
    DrawingBuilder b;
    for (int i = 0; i < 40; ++i)
        for (int j = 0; j < 40; ++j) b.line(i * 10 + 1, j * 10 + 1, i * 10 + 2, j * 10 + 1);
    const RecordIndex index(b.drawing);
    for (const DrawingArea area : {DrawingArea{0, 0, 3, 3}, DrawingArea{390, 0, 393, 3}, DrawingArea{0, 390, 3, 393},
                                   DrawingArea{390, 390, 393, 393}, DrawingArea{200, 200, 203, 203}}) {
        EXPECT_LE(index.entriesIn(area), 8u) << "area at " << area.minX << "," << area.minY;
    }
    // The whole drawing reads every record, a few of them twice where they cross a cell's edge.
    const size_t whole = index.entriesIn(DrawingArea{0, 0, 400, 400});
    EXPECT_GE(whole, 1600u);
    EXPECT_LT(whole, 1700u);
}

TEST(RecordIndex, TextsPicturesAndSymbolsKeepTheirReachInsideScaledBlocks) {
    DrawingBuilder b;
    b.beginBlock();
    b.text(0, 0, "ABCDEFGH");  // size 3: its glyphs reach about 24 mm right of its start
    b.endBlock();
    b.beginBlock();
    b.specialPoint(0, 0, 1, 2.0);  // an arrow of scale 2 reaches 15 mm
    b.endBlock();
    b.beginBlock();
    b.text(0, 0, "^@BMpicture.bmp,40,30");
    b.endBlock();
    // Scaled down a thousand times, the members' points shrink to nothing; the glyphs do not.
    b.insert(0, 100, 100, 0.0, 0.001, 0.001);
    b.insert(1, 300, 100, 0.0, 0.001, 0.001);
    b.insert(2, 500, 100, 0.0, 0.001, 0.001);
    // Positions 0 to 2 are the block definitions.
    EXPECT_EQ(positionsIn(b, {115, 99, 116, 101}), (std::vector<uint32_t>{3}));
    EXPECT_EQ(positionsIn(b, {286, 99, 287, 101}), (std::vector<uint32_t>{4}));
    EXPECT_EQ(positionsIn(b, {535, 125, 536, 126}), (std::vector<uint32_t>{5}));
    EXPECT_EQ(positionsIn(b, {200, 200, 250, 250}), (std::vector<uint32_t>{}));
}

TEST(RecordIndex, RecordsItCannotMeasureAreListedEverywhere) {
    DrawingBuilder b;
    b.line(0, 0, 10, 0);
    b.line(0, 0, std::numeric_limits<double>::quiet_NaN(), 0);  // out of range: counted where met
    b.text(900, 900, "%f");   // a code that expands into the drawing's name
    b.beginBlock();
    b.line(0, 0, 1, 1);
    b.insert(0, 5, 5);  // the block inserts itself
    b.endBlock();
    b.insert(0, 800, 800);
    b.insert(7, 800, 800);  // no such block
    b.text(700, 700, "^@BMa.bmp,wide,30");  // warned about where it is drawn
    b.line(1e300, 0, 1e300, 1);
    const RecordIndex index(b.drawing);
    EXPECT_EQ(index.alwaysDrawnCount(), 6u);
    std::vector<uint32_t> positions;
    index.positionsIn(b.drawing, {-5000, -5000, -4000, -4000}, false, positions);
    EXPECT_EQ(positions, (std::vector<uint32_t>{1, 2, 4, 5, 6, 7}));
}

TEST(RecordIndex, ClusteredDrawingWithOneFarRecordStillFindsEachRecord) {
    DrawingBuilder b;
    for (int i = 0; i < 2000; ++i) b.line(i, 0, i + 0.5, 0);
    b.line(9e8, 9e8, 9e8 + 1, 9e8);
    std::vector<uint32_t> expected;
    for (uint32_t i = 1500; i <= 1510; ++i) expected.push_back(i);
    EXPECT_EQ(positionsIn(b, {1500, -1, 1510, 1}), expected);
    EXPECT_EQ(positionsIn(b, {9e8, 9e8, 9e8 + 1, 9e8}), (std::vector<uint32_t>{2000}));
    // Long records spanning many cells are found from anywhere along them.
    b.line(-10, 5, 3000, 5);
    EXPECT_EQ(positionsIn(b, {2500, 4, 2501, 6}), (std::vector<uint32_t>{2001}));
}

TEST(RecordIndex, RenderOfTheWholeAreaMatchesTheWalkOfEveryRecord) {
    DrawingBuilder b;
    b.extents(0, 0, 100, 100);
    b.solid({10, 10}, {20, 10}, {20, 20}, {10, 20});
    b.line(0, 90, 100, 90, 2, 3);
    b.text(20, 50, "AB");
    b.line(5, 95, 95, 5, 7);
    b.solid({60, 60}, {70, 60}, {70, 70}, {60, 70}, 3);
    b.text(60, 30, "^@BMnone.bmp,10,10");
    b.circle(50, 50, 20);
    b.dimension(10, 40, 90, 40);
    const RecordIndex index(b.drawing);
    for (int reverse = 0; reverse <= 1; ++reverse) {
        for (int mode = 0; mode <= 2; ++mode) {
            for (int last = 0; last <= 1; ++last) {
                b.drawing.header.DisplayOption[3] = reverse;
                RenderOptions o;
                o.drawOrder = mode;
                o.lastDraw = last;
                const std::string all = listing(render(b.drawing, nullptr, {}, o));
                EXPECT_EQ(listing(render(b.drawing, &index, {}, o)), all) << reverse << mode << last;
            }
        }
    }
}

TEST(RecordIndex, RenderOfPartWalksOnlyWhatReachesIt) {
    DrawingBuilder b;
    b.extents(0, 0, 1000, 100);
    b.line(0, 50, 10, 50);
    b.line(990, 50, 1000, 50);
    b.solid({500, 0}, {510, 0}, {510, 10}, {500, 10});
    const RecordIndex index(b.drawing);
    // The device area is 100 x 100 at 1 unit per mm: x 0..100 of 0..1000.
    EXPECT_EQ(render(b.drawing, &index).only(CallKind::Polyline).size(), 1u);
    EXPECT_EQ(render(b.drawing, nullptr).only(CallKind::Polyline).size(), 2u);
    // A part of the area far from everything walks nothing but the background.
    EXPECT_EQ(render(b.drawing, &index, {0, 0, 1, 1}).only(CallKind::Polyline).size(), 0u);
    // Without random lines the reach is the widest pen plus 8, and the 1 mm of text backgrounds.
    EXPECT_FALSE(index.hasRandomLines());
    EXPECT_EQ(render(b.drawing, &index, {0, 35, 1, 36}).only(CallKind::Polyline).size(), 1u);
    EXPECT_EQ(render(b.drawing, &index, {0, 34, 1, 35}).only(CallKind::Polyline).size(), 0u);
    // Without an index every record is walked, and lines pass over the part where they cannot
    // reach it, random lines or not: the widest pen (5), random lines (12) plus 8, and the 1 mm
    // of text backgrounds, 26 units.
    EXPECT_EQ(render(b.drawing, nullptr, {0, 0, 1, 1}).only(CallKind::Polyline).size(), 0u);
    EXPECT_EQ(render(b.drawing, nullptr, {0, 23, 1, 24}).only(CallKind::Polyline).size(), 1u);
    EXPECT_EQ(render(b.drawing, nullptr, {0, 22, 1, 23}).only(CallKind::Polyline).size(), 0u);
    EXPECT_EQ(render(b.drawing, nullptr, {0, 76, 1, 77}).only(CallKind::Polyline).size(), 1u);
    EXPECT_EQ(render(b.drawing, nullptr, {0, 77, 1, 78}).only(CallKind::Polyline).size(), 0u);
    b.line(500, 0, 510, 0, 2, 13);  // a random line, far from the others
    const RecordIndex withRandom(b.drawing);
    EXPECT_TRUE(withRandom.hasRandomLines());
    // Within the reach of the widest pen (5) and the random lines (2 x (2 + 4)) plus 8, 25 units,
    // and of text backgrounds, 1 mm: 26 units at this scale.
    EXPECT_EQ(render(b.drawing, &withRandom, {0, 23, 1, 24}).only(CallKind::Polyline).size(), 1u);
    EXPECT_EQ(render(b.drawing, &withRandom, {0, 22, 1, 23}).only(CallKind::Polyline).size(), 0u);
    // An index of other records is not used.
    DrawingBuilder other;
    other.line(0, 0, 1, 1);
    const RecordIndex stale(other.drawing);
    EXPECT_FALSE(stale.fits(b.drawing));
    EXPECT_EQ(render(b.drawing, &stale).only(CallKind::Polyline).size(), 3u);
}

// Lines whose ends both lie beyond a part, on either side of it, cross it and are drawn there.
TEST(RecordIndex, LinesCrossingAPartAreDrawnInIt) {
    DrawingBuilder b;
    b.extents(0, 0, 100, 100);
    b.line(50, 100, 52, 0);  // top to bottom
    b.line(0, 40, 100, 60);  // left to right
    const RecordIndex index(b.drawing);
    for (const RecordIndex* walk : {static_cast<const RecordIndex*>(nullptr), &index}) {
        EXPECT_EQ(render(b.drawing, walk, {0, 45, 100, 46}).only(CallKind::Polyline).size(), 2u);
        EXPECT_EQ(render(b.drawing, walk, {45, 0, 46, 100}).only(CallKind::Polyline).size(), 2u);
        EXPECT_EQ(render(b.drawing, walk, {0, 45, 10, 46}).only(CallKind::Polyline).size(), 1u);
    }
}

// Without an index a part of the picture (a band) still passes over the texts that cannot reach
// it, by the box the index would keep; texts whose codes may expand, and texts whose characters
// run far past their end point, are drawn wherever they may reach.
TEST(RecordIndex, TextsThatCannotReachAPartArePassedOverWithoutAnIndex) {
    DrawingBuilder b;
    b.extents(0, 0, 100, 100);
    b.text(10, 50, "AB");
    // Each character is a call of its own.
    const auto texts = [&](DeviceRect part) { return render(b.drawing, nullptr, part).only(CallKind::Text).size(); };
    EXPECT_EQ(texts({}), 2u);
    EXPECT_EQ(texts({0, 45, 1, 46}), 2u);
    EXPECT_EQ(texts({0, 0, 1, 1}), 0u);
    EXPECT_EQ(texts({99, 99, 100, 100}), 0u);
    // The part's call is the whole picture's call.
    EXPECT_EQ(listing(render(b.drawing, nullptr, {0, 45, 1, 46})), listing(render(b.drawing, nullptr)));

    b.text(10, 95, "A=B");  // "=" may begin a code that expands to any length
    EXPECT_EQ(texts({99, 0, 100, 1}), 3u);
    DrawingBuilder longer;
    longer.extents(0, 0, 100, 100);
    longer.text(2, 95, std::string(60, 'W'));  // its end point says 10 mm, its 60 characters 90
    EXPECT_EQ(render(longer.drawing, nullptr, {90, 0, 91, 1}).only(CallKind::Text).size(), 60u);
}

TEST(RecordIndex, PrePassesKeepTheirOrderAndSkipWhatIsNotShown) {
    DrawingBuilder b;
    b.solid({0, 0}, {1, 0}, {1, 1}, {0, 1});
    b.solid({900, 0}, {901, 0}, {901, 1}, {900, 1});
    b.solid({2, 0}, {3, 0}, {3, 1}, {2, 1});
    const RecordIndex index(b.drawing);
    std::vector<uint8_t> flags;
    index.recordsIn(RecordClass::Solid, {0, 0, 10, 10}, flags);
    EXPECT_EQ(flags, (std::vector<uint8_t>{1, 0, 1}));
    index.recordsIn(RecordClass::Sen, {0, 0, 10, 10}, flags);
    EXPECT_TRUE(flags.empty());
}

// The window builds its index on the render thread and stops it when the render is cancelled.
// A big drawing's index built with and without a way to stop it: both must list the same
// records, unmeasurable ones included, in the same order.
TEST(RecordIndex, MeasuredOnManyThreadsItFindsWhatOneThreadFinds) {
    DrawingBuilder b;
    for (int i = 0; i < 120000; ++i) {
        const double x = (i * 37) % 1000, y = (i * 91) % 700;
        if (i % 5000 == 17) b.line(x, y, std::numeric_limits<double>::quiet_NaN(), 0);
        else if (i % 7 == 0) b.circle(x, y, 3);
        else b.line(x, y, x + 4, y + 2);
    }
    const RecordIndex many(b.drawing), one(b.drawing, [] { return true; });
    EXPECT_EQ(many.alwaysDrawnCount(), 24u);
    EXPECT_EQ(one.alwaysDrawnCount(), 24u);
    for (const DrawingArea area : {DrawingArea{0, 0, 1000, 700}, DrawingArea{100, 100, 103, 101},
                                   DrawingArea{990, 690, 1010, 710}, DrawingArea{-50, -50, -40, -40}}) {
        for (bool reverse : {false, true}) {
            std::vector<uint32_t> fromMany, fromOne;
            many.positionsIn(b.drawing, area, reverse, fromMany);
            one.positionsIn(b.drawing, area, reverse, fromOne);
            EXPECT_EQ(fromMany, fromOne) << area.minX << "," << area.minY << (reverse ? " reversed" : "");
        }
    }
}

TEST(RecordIndex, BuildingStoppedOnRequestFitsNoDrawing) {
    test::DrawingBuilder b;
    for (int i = 0; i < 10000; ++i) b.line(i, 0, i + 1, 0);
    int asked = 0;
    const RecordIndex stopped(b.drawing, [&asked] { return ++asked < 2; });
    EXPECT_EQ(asked, 2) << "asked after each 4096 records until told to stop";
    EXPECT_TRUE(stopped.stopped());
    EXPECT_FALSE(stopped.fits(b.drawing));
    const RecordIndex whole(b.drawing, [&asked] { return ++asked > 0; });
    EXPECT_FALSE(whole.stopped());
    EXPECT_TRUE(whole.fits(b.drawing));
    EXPECT_EQ(asked, 4);
}

}  // namespace
}  // namespace korvel
