// The bounding box: what each kind adds, hidden layers, blocks, pictures and the margin.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

#include "drawing/coordinate_range.h"
#include "drawing/drawing_builder.h"
#include "drawing/extents.h"
#include "drawing/loaders.h"

namespace korvel {
namespace {

constexpr double kPi = 3.14159265358979323846;

class ExtentsTest : public ::testing::Test {
protected:
    ExtentsTest() { d.header = NewDrawingHeader(); }
    Extents measure(const std::function<void(DrawingBuilder&)>& fill) {
        DrawingBuilder b(d);
        fill(b);
        b.finish();
        return d.extents;
    }
    Drawing d;
};

TEST_F(ExtentsTest, OneLineGetsAMillimetreOfMarginAndItsCentre) {
    TDataSen s;
    s.end = {10, 5};
    Extents e = measure([&](DrawingBuilder& b) { b.add(s); });
    EXPECT_DOUBLE_EQ(e.MinX, -1);
    EXPECT_DOUBLE_EQ(e.MaxX, 11);
    EXPECT_DOUBLE_EQ(e.MinY, -1);
    EXPECT_DOUBLE_EQ(e.MaxY, 6);
    EXPECT_DOUBLE_EQ(e.CenterX, 5);
    EXPECT_DOUBLE_EQ(e.CenterY, 2.5);
    EXPECT_DOUBLE_EQ(e.Aspect, 12.0 / 7.0);
}

// An arc of kind 5 (a fan) reaches to its centre as well.
TEST_F(ExtentsTest, AFanAddsItsCentre) {
    TDataEnko fan;
    fan.center = {10, 0};
    fan.radius = 1;
    fan.arcAngle = 0.1;
    fan.fullCircle = 5;
    const Extents e = measure([&](DrawingBuilder& b) { b.add(fan); });
    EXPECT_DOUBLE_EQ(e.MinX, 9);
    EXPECT_DOUBLE_EQ(e.MaxX, 12);
    EXPECT_DOUBLE_EQ(e.MinY, -1);
    EXPECT_NEAR(e.MaxY, 1 + std::sin(0.1), 1e-12);
}

TEST_F(ExtentsTest, CirclesEllipsesAndArcs) {
    TDataEnko c;
    c.radius = 10;
    c.flatness = 0.5;
    c.fullCircle = 100;  // read as 1
    Extents e = measure([&](DrawingBuilder& b) { b.add(c); });
    EXPECT_DOUBLE_EQ(e.MaxX, 11);
    EXPECT_DOUBLE_EQ(e.MaxY, 6);
    EXPECT_DOUBLE_EQ(e.MinY, -6);

    // A tilted ellipse encloses its own-axis rectangle turned counter-clockwise by the tilt.
    TDataEnko t;
    t.radius = 10;
    t.flatness = 0.5;
    t.fullCircle = 1;
    t.tiltAngle = kPi / 2;
    e = measure([&](DrawingBuilder& b) { b.add(t); });
    EXPECT_NEAR(e.MaxX, 6, 1e-9);
    EXPECT_NEAR(e.MaxY, 11, 1e-9);

    // An arc of exactly 15 degrees adds only its ends.
    TDataEnko a;
    a.radius = 10;
    a.arcAngle = kPi / 12;
    e = measure([&](DrawingBuilder& b) { b.add(a); });
    EXPECT_NEAR(e.MaxX, 11, 1e-9);
    EXPECT_NEAR(e.MinX, 10 * std::cos(kPi / 12) - 1, 1e-9);
    EXPECT_NEAR(e.MaxY, 10 * std::sin(kPi / 12) + 1, 1e-9);

    // A quarter arc sampled every 15 degrees reaches its top; a negative sweep runs backwards.
    a.arcAngle = -kPi / 2;
    a.startAngle = kPi;
    e = measure([&](DrawingBuilder& b) { b.add(a); });
    EXPECT_NEAR(e.MinX, -11, 1e-9);
    EXPECT_NEAR(e.MaxY, 11, 1e-9);
    EXPECT_NEAR(e.MinY, -1, 1e-9);
}

TEST_F(ExtentsTest, ArcsAreMeasuredAtEvery15DegreesFromTheirStartAndAtTheirEnd) {
    // From 80 to 100 degrees: the samples are 80, 95 and the end at 100, so the box stops at
    // sin 95 degrees, short of the true top at 90 (the way Jw_cad measures it).
    const double deg = kPi / 180;
    TDataEnko a;
    a.radius = 10;
    a.startAngle = 80 * deg;
    a.arcAngle = 20 * deg;
    Extents e = measure([&](DrawingBuilder& b) { b.add(a); });
    EXPECT_NEAR(e.MaxY, 10 * std::sin(95 * deg) + 1, 1e-9);
    EXPECT_NEAR(e.MinX, 10 * std::cos(100 * deg) - 1, 1e-9);
    EXPECT_NEAR(e.MaxX, 10 * std::cos(80 * deg) + 1, 1e-9);
    // The same arc written backwards from 100 degrees is sampled from its lower end.
    a.startAngle = 100 * deg;
    a.arcAngle = -20 * deg;
    e = measure([&](DrawingBuilder& b) { b.add(a); });
    EXPECT_NEAR(e.MaxY, 10 * std::sin(95 * deg) + 1, 1e-9);
    // 1.5 turns from 100 degrees are measured as one turn and a sample: every 15 degrees from
    // 100 reaches 190 and 280 but never 0, 90 or 180.
    a.startAngle = 100 * deg;
    a.arcAngle = 3 * kPi;
    e = measure([&](DrawingBuilder& b) { b.add(a); });
    EXPECT_NEAR(e.MinX, 10 * std::cos(175 * deg) - 1, 1e-9);
    EXPECT_NEAR(e.MaxX, 10 * std::cos(355 * deg) + 1, 1e-9);
    EXPECT_NEAR(e.MinY, 10 * std::sin(265 * deg) - 1, 1e-9);
}

TEST_F(ExtentsTest, HiddenLayersCountOnlyWithAllLayers) {
    d.header.LayerState[2][5] = 0;
    TDataSen hidden;
    hidden.layerGroup = 2;
    hidden.layer = 5;
    hidden.end = {100, 100};
    TDataSen shown;
    shown.end = {1, 1};
    Extents e = measure([&](DrawingBuilder& b) {
        b.add(hidden);
        b.add(shown);
    });
    EXPECT_DOUBLE_EQ(e.MaxX, 2);
    // Nor do the members of an insert on a hidden layer.
    TDataBlock hiddenInsert;
    hiddenInsert.layerGroup = 2;
    hiddenInsert.layer = 5;
    hiddenInsert.origin = {500, 500};
    e = measure([&](DrawingBuilder& b) {
        b.add(shown);
        b.add(hiddenInsert);
        b.beginBlock(TDataList{});
        b.add(shown);
    });
    EXPECT_DOUBLE_EQ(e.MaxX, 2);
    d.AllLayers = true;
    ExtentsBuilder all(d);
    d.extents = Extents{};
    all.AddToExtents(hidden);
    EXPECT_DOUBLE_EQ(d.extents.MaxX, 100);
}

TEST_F(ExtentsTest, BlockMembersGoThroughTheInsertTransform) {
    TDataBlock insert;
    insert.origin = {100, 0};
    insert.scaleX = -1;  // mirrored: the member runs from x 100 back to 90, as it is drawn
    insert.scaleY = 2;
    TDataSen member;
    member.end = {10, 10};
    Extents e = measure([&](DrawingBuilder& b) {
        b.add(insert);
        b.beginBlock(TDataList{});
        b.add(member);
    });
    EXPECT_DOUBLE_EQ(e.MinX, 89);
    EXPECT_DOUBLE_EQ(e.MaxX, 101);
    EXPECT_DOUBLE_EQ(e.MaxY, 21);

    insert.scaleX = 1;
    insert.scaleY = 1;
    insert.rotation = kPi / 2;  // the member's end (10, 10) turns counter-clockwise to (-10, 10)
    e = measure([&](DrawingBuilder& b) {
        b.add(insert);
        b.beginBlock(TDataList{});
        b.add(member);
    });
    EXPECT_NEAR(e.MinX, 89, 1e-9);
    EXPECT_NEAR(e.MaxX, 101, 1e-9);
    EXPECT_NEAR(e.MaxY, 11, 1e-9);
    EXPECT_NEAR(e.MinY, -1, 1e-9);

    // Turned by an angle of cosine 0.8 and sine 0.6: (10, 10) from the origin goes to (2, 14).
    insert.rotation = std::atan2(0.6, 0.8);
    e = measure([&](DrawingBuilder& b) {
        b.add(insert);
        b.beginBlock(TDataList{});
        b.add(member);
    });
    EXPECT_NEAR(e.MinX, 99, 1e-9);
    EXPECT_NEAR(e.MaxX, 103, 1e-9);
    EXPECT_NEAR(e.MinY, -1, 1e-9);
    EXPECT_NEAR(e.MaxY, 15, 1e-9);

    // A scale of nothing (a damaged record) is measured as 1; one of 1e-9 is taken as it is.
    insert.rotation = 0;
    insert.scaleX = 0;
    insert.scaleY = 1e-9;
    e = measure([&](DrawingBuilder& b) {
        b.add(insert);
        b.beginBlock(TDataList{});
        b.add(member);
    });
    EXPECT_DOUBLE_EQ(e.MaxX, 111);
    EXPECT_DOUBLE_EQ(e.MaxY, 1 + 1e-8);
}

TEST_F(ExtentsTest, NestedBlocksAreMeasuredThroughEveryInsert) {
    // Block 1 is a line of 10 along x; block 0 holds block 1 turned a quarter about (5, 0); the
    // drawing inserts block 0 mirrored at (100, 0). The line is drawn from (95, 0) to (95, 10).
    TDataBlock outer;
    outer.origin = {100, 0};
    outer.scaleX = -1;
    TDataBlock inner;
    inner.origin = {5, 0};
    inner.rotation = kPi / 2;
    inner.blockNumber = 1;
    TDataSen member;
    member.end = {10, 0};
    Extents e = measure([&](DrawingBuilder& b) {
        b.add(outer);
        b.beginBlock(TDataList{});
        b.add(inner);
        b.beginBlock(TDataList{});
        b.add(member);
    });
    EXPECT_NEAR(e.MinX, 94, 1e-9);
    EXPECT_NEAR(e.MaxX, 101, 1e-9);  // the insertion point itself
    EXPECT_NEAR(e.MinY, -1, 1e-9);
    EXPECT_NEAR(e.MaxY, 11, 1e-9);

    // A block that inserts itself is measured once, not forever.
    inner.blockNumber = 0;
    e = measure([&](DrawingBuilder& b) {
        b.add(outer);
        b.beginBlock(TDataList{});
        b.add(inner);
        b.add(member);
    });
    EXPECT_NEAR(e.MinX, 89, 1e-9);
    EXPECT_NEAR(e.MaxX, 101, 1e-9);
}

// Thirty definitions, each inserting the next one twice, one unit apart: the last one holds a
// line. Measuring goes through 2^29 inserts unless every definition is measured only once.
TEST_F(ExtentsTest, EachDefinitionIsMeasuredOnceHoweverOftenItIsInserted) {
    constexpr int kLevels = 30;
    TDataBlock top;
    TDataSen member;
    member.end = {1, 0};
    const Extents e = measure([&](DrawingBuilder& b) {
        b.add(top);
        for (int k = 0; k < kLevels; ++k) {
            b.beginBlock(TDataList{});
            if (k == kLevels - 1) {
                b.add(member);
                break;
            }
            TDataBlock next;
            next.blockNumber = static_cast<uint32_t>(k + 1);
            b.add(next);
            next.origin = {0, 1};
            b.add(next);
        }
    });
    EXPECT_NEAR(e.MinX, -1, 1e-9);
    EXPECT_NEAR(e.MaxX, 2, 1e-9);
    EXPECT_NEAR(e.MinY, -1, 1e-9);
    EXPECT_NEAR(e.MaxY, kLevels, 1e-9);
    // Each definition counts its own members only.
    ASSERT_EQ(d.top.definitions.size(), static_cast<size_t>(kLevels));
    for (int k = 0; k + 1 < kLevels; ++k) EXPECT_EQ(d.top.definitions[k].count, 2u) << k;
    EXPECT_EQ(d.top.definitions.back().count, 1u);
}

TEST_F(ExtentsTest, TextsAddTheirTopEdge) {
    TDataMoji t;
    t.start = {0, 0};
    t.end = {20, 0};
    t.sizeY = 5;
    t.text = "abc";
    Extents e = measure([&](DrawingBuilder& b) { b.add(t); });
    EXPECT_DOUBLE_EQ(e.MaxY, 6);
    EXPECT_DOUBLE_EQ(e.MaxX, 21);
    t.end = {0, 20};  // written upwards: the box lies to the left
    e = measure([&](DrawingBuilder& b) { b.add(t); });
    EXPECT_NEAR(e.MinX, -6, 1e-9);
}

TEST_F(ExtentsTest, DimensionsAddTheirLineAndTheirTextBox) {
    TDataSunpou dim;
    dim.line.start = {0, 0};
    dim.line.end = {50, 10};
    dim.text.start = {10, 20};
    dim.text.end = {30, 20};
    dim.text.sizeY = 4;
    Extents e = measure([&](DrawingBuilder& b) { b.add(dim); });
    EXPECT_EQ((std::vector<double>{e.MinX, e.MinY, e.MaxX, e.MaxY}), (std::vector<double>{-1, -1, 51, 25}));
    // The line's start away from the origin, below and left of everything else.
    dim.line.start = {-8, -2};
    e = measure([&](DrawingBuilder& b) { b.add(dim); });
    EXPECT_EQ((std::vector<double>{e.MinX, e.MinY, e.MaxX, e.MaxY}), (std::vector<double>{-9, -3, 51, 25}));
}

TEST_F(ExtentsTest, PictureReferencesByWidthAndHeight) {
    TDataMoji p;
    p.start = {0, 0};
    auto maxOf = [&](const std::string& text) {
        p.text = text;
        Extents e = measure([&](DrawingBuilder& b) { b.add(p); });
        return std::make_pair(e.MaxX - 1, e.MaxY - 1);
    };
    EXPECT_EQ(maxOf("^@BMa.bmp,80,60"), std::make_pair(80.0, 60.0));
    EXPECT_EQ(maxOf("^@BMa.bmp,40"), std::make_pair(40.0, 40.0));
    // Jw_cad 8's further fields after the height take no part.
    EXPECT_EQ(maxOf("^@BM%temp%logo.bmp,100,64.5,0,0,1,0,255,255,255"), std::make_pair(100.0, 64.5));
    // Full-width digits, as Jw_cad users type them ("８０,６０").
    EXPECT_EQ(maxOf("^@BMa.bmp,\x82\x57\x82\x4F,\x82\x55\x82\x4F"), std::make_pair(80.0, 60.0));
    EXPECT_EQ(maxOf("^@BMa.bmp,wide,high"), std::make_pair(0.0, 0.0));
    // Away from the origin the picture spans from its start point.
    p.start = {30, -20};
    p.text = "^@BMa.bmp,80,60";
    Extents e = measure([&](DrawingBuilder& b) { b.add(p); });
    EXPECT_EQ((std::vector<double>{e.MinX, e.MinY, e.MaxX, e.MaxY}), (std::vector<double>{29, -21, 111, 41}));
}

// The box as {MinX, MinY, MaxX, MaxY} without the margin.
std::vector<double> boxOf(const Extents& e) { return {e.MinX + 1, e.MinY + 1, e.MaxX - 1, e.MaxY - 1}; }

TEST_F(ExtentsTest, PictureReferencesOutOfRangeOrWithOnlyAHeight) {
    TDataMoji p;
    p.start = {10, 20};
    auto boxFor = [&](const std::string& text) {
        p.text = text;
        return boxOf(measure([&](DrawingBuilder& b) { b.add(p); }));
    };
    EXPECT_EQ(boxFor("^@BMa.bmp,,60"), (std::vector<double>{10, 20, 70, 80}));
    // Sizes past the coordinate range leave the start point alone.
    EXPECT_EQ(boxFor("^@BMa.bmp,2e9,60"), (std::vector<double>{10, 20, 10, 20}));
    EXPECT_EQ(boxFor("^@BMa.bmp,60,-2e9"), (std::vector<double>{10, 20, 10, 20}));
    EXPECT_EQ(boxFor("^@BMa.bmp,-30,-5"), (std::vector<double>{-20, 15, 10, 20}));
}

TEST_F(ExtentsTest, TextsWithoutLengthOrHeightAddOnlyTheirEnds) {
    TDataMoji t;
    t.start = {5, 6};
    t.end = {5, 6};
    t.sizeY = 3;
    t.text = "x";
    EXPECT_EQ(boxOf(measure([&](DrawingBuilder& b) { b.add(t); })), (std::vector<double>{5, 6, 5, 6}));
    t.end = {5 + 0.5e-7, 6 - 0.5e-7};
    EXPECT_EQ(boxOf(measure([&](DrawingBuilder& b) { b.add(t); }))[3], 6.0);
    t.end = {5 + 2e-7, 6};  // long enough to have a direction: its top edge counts
    EXPECT_NEAR(boxOf(measure([&](DrawingBuilder& b) { b.add(t); }))[3], 9.0, 1e-9);
    t.end = {25, 6};
    t.sizeY = 0.5e-9;
    EXPECT_EQ(boxOf(measure([&](DrawingBuilder& b) { b.add(t); })), (std::vector<double>{5, 6, 25, 6}));
    t.sizeY = -2;  // a negative height hangs below
    EXPECT_NEAR(boxOf(measure([&](DrawingBuilder& b) { b.add(t); }))[1], 4.0, 1e-9);
}

TEST_F(ExtentsTest, ArcsOfFlatnessZeroAreRoundAndTinyEllipsesEncloseNothing) {
    TDataEnko a;
    a.center = {0, 0};
    a.radius = 10;
    a.startAngle = 0;
    a.arcAngle = kPi / 2;
    a.flatness = 0;
    const std::vector<double> quarter = boxOf(measure([&](DrawingBuilder& b) { b.add(a); }));
    EXPECT_NEAR(quarter[3], 10, 1e-9);
    EXPECT_NEAR(quarter[1], 0, 1e-9);
    a.flatness = 0.5;
    EXPECT_NEAR(boxOf(measure([&](DrawingBuilder& b) { b.add(a); }))[3], 5, 1e-9);

    TDataSen s;
    s.end = {1, 1};
    TDataEnko tiny;
    tiny.center = {100, 100};
    tiny.flatness = 0.5;
    tiny.tiltAngle = 0.3;
    tiny.fullCircle = 1;
    for (double r : {1e-9, -1e-9, 2e-9}) {
        tiny.radius = r;
        const std::vector<double> box = boxOf(measure([&](DrawingBuilder& b) {
            b.add(s);
            b.add(tiny);
        }));
        EXPECT_NEAR(box[2], r > 1.5e-9 ? 100 : 1, 1e-6) << r;
    }
}

// Definitions 0 to 39 each insert the next one unit up; the last holds a line far to the right.
// Measuring stops 32 inserts deep, where drawing stops: the box ends at that insertion point.
TEST_F(ExtentsTest, InsertsNestedDeeperThan32AreNotMeasured) {
    constexpr int kLevels = 40;
    TDataSen far;
    far.start = {1000, 0};
    far.end = {1001, 0};
    const Extents e = measure([&](DrawingBuilder& b) {
        b.add(TDataBlock{});
        for (int k = 0; k < kLevels; ++k) {
            b.beginBlock(TDataList{});
            if (k == kLevels - 1) {
                b.add(far);
                break;
            }
            TDataBlock next;
            next.origin = {0, 1};
            next.blockNumber = static_cast<uint32_t>(k + 1);
            b.add(next);
        }
    });
    EXPECT_EQ(boxOf(e), (std::vector<double>{0, 0, 0, 32}));
}

TEST(ReferenceNumbers, FullWidthFormsAreReadAsJwcadShowsThem) {
    auto read = [](const std::string& field) {
        double v = -12345.0;
        return ParseReferenceNumber(field, v) ? v : -12345.0;
    };
    // "０９", "８０．５", "－１２", "＋３", and ideographic spaces around "４０".
    EXPECT_EQ(read("\x82\x4F\x82\x58"), 9.0);
    EXPECT_EQ(read("\x82\x57\x82\x4F\x81\x44\x82\x54"), 80.5);
    EXPECT_EQ(read("\x81\x7C\x82\x50\x82\x51"), -12.0);
    EXPECT_EQ(read("\x81\x7B\x82\x52"), 3.0);
    EXPECT_EQ(read("\x81\x40\x82\x53\x82\x4F\x81\x40"), 40.0);
    EXPECT_EQ(read(" 1e3 "), 1000.0);
    // Beside the digits in CP932 but none of them: 0x82 0x4E and 0x82 0x59 (unused), "Ａ"
    // (0x82 0x60); "，" (0x81 0x43) and "・" (0x81 0x45) beside "．"; a lead byte at the end.
    for (const std::string& no : {std::string("\x82\x4E"), std::string("\x82\x59"), std::string("\x82\x60"),
                                  std::string("1\x81\x43" "5"), std::string("1\x81\x45" "5"), std::string("  "),
                                  std::string(""), std::string("0x10"), std::string("inf"), std::string("nan"),
                                  std::string("1e999"), std::string("12\x82")})
        EXPECT_EQ(read(no), -12345.0) << no;
}

TEST_F(ExtentsTest, JwcadSettingsTextsAreLeftOut) {
    TDataMoji settings;
    settings.penColor = 9;
    settings.penStyle = 9;
    settings.start = settings.end = {0, -1000};
    settings.sizeY = 3;
    settings.text = "View_Direct2d = 1";
    TDataSen s;
    s.end = {1, 1};
    Extents e = measure([&](DrawingBuilder& b) {
        b.add(settings);
        b.add(s);
    });
    EXPECT_DOUBLE_EQ(e.MinY, -1);
}

TEST_F(ExtentsTest, ArcSolidsAndCorruptSweepsStayBounded) {
    TDataSolid arc;
    arc.penStyle = 101;
    arc.corner1 = {0, 0};
    arc.corner2 = {10, 1};                 // radius, flatness
    arc.corner3 = {0, 0};                  // tilt, start
    arc.corner4 = {kPi / 2, 5};            // sweep, kind 5 (includes the centre)
    Extents e = measure([&](DrawingBuilder& b) { b.add(arc); });
    EXPECT_NEAR(e.MinX, -1, 1e-9);
    EXPECT_NEAR(e.MaxY, 11, 1e-9);
    TDataEnko wild;
    wild.radius = 1;
    wild.arcAngle = 1e300;
    e = measure([&](DrawingBuilder& b) { b.add(wild); });
    EXPECT_NEAR(e.MaxX, 2, 1e-9);
}

}  // namespace
}  // namespace korvel

namespace korvel {
namespace {

// One record of each kind with a number that cannot be drawn, beside lines that can.
Drawing unusableRecords() {
    const double inf = std::numeric_limits<double>::infinity();
    Drawing d;
    d.header = NewDrawingHeader();
    DrawingBuilder b(d);
    TDataSen good;
    good.end = {10, 5};
    b.add(good);
    TDataSen bad = good;
    bad.end.x = inf;
    b.add(bad);
    bad.end.x = -1.5e9;  // a flipped exponent byte
    b.add(bad);
    TDataEnko circle;
    circle.radius = std::nan("");
    b.add(circle);
    TDataMoji text;
    text.text = "x";
    text.sizeY = 1e300;
    b.add(text);
    TDataSolid solid;
    solid.corner3 = {2e9, 0};
    b.add(solid);
    b.finish();
    return d;
}

TEST(UnusableCoordinates, LeftOutOfTheExtentsAndCountedWhenLoaded) {
    Drawing d = unusableRecords();
    EXPECT_DOUBLE_EQ(d.extents.MinX, -1);
    EXPECT_DOUBLE_EQ(d.extents.MaxX, 11);
    EXPECT_DOUBLE_EQ(d.extents.MinY, -1);
    EXPECT_DOUBLE_EQ(d.extents.MaxY, 6);
    EXPECT_EQ(CountOutOfRangeRecords(d), 5u);

    SaveResult saved;
    const std::vector<uint8_t> bytes = SaveJwwBytes(d, 351, saved);
    Drawing back;
    const LoadResult r = LoadJww(back, bytes.data(), bytes.size());
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_DOUBLE_EQ(back.extents.MaxX, 11);
    EXPECT_DOUBLE_EQ(back.extents.MaxY, 6);
    EXPECT_EQ(r.warnings, (std::vector<std::string>{
                              "5 record(s) have coordinates that are not finite or lie beyond 1e9 mm; they are left "
                              "out of the extents and not drawn"}));
    // Kept in the store all the same, and written back as they were.
    EXPECT_EQ(back.LineCount(), 3u);
    EXPECT_EQ(back.top.lines[2].end.x, -1.5e9);
}

TEST(UnusableCoordinates, RangeEndsAtAThousandKilometres) {
    TDataSen s;
    s.end = {1e9, -1e9};
    EXPECT_TRUE(InDrawableRange(s));
    s.end.x = std::nextafter(1e9, 2e9);
    EXPECT_FALSE(InDrawableRange(s));
    TDataEnko c;
    c.radius = 1e6;
    c.flatness = 1e4;  // an ellipse whose other axis reaches 1e10
    EXPECT_FALSE(InDrawableRange(c));
    c.flatness = 0.5;
    c.startAngle = 1e12;  // many turns: still an angle
    EXPECT_TRUE(InDrawableRange(c));
    TDataTen p;
    p.scale = std::numeric_limits<double>::infinity();
    EXPECT_TRUE(InDrawableRange(p));  // a plain point has no scale
    p.penStyle = 100;
    EXPECT_FALSE(InDrawableRange(p));
    // An insert by its scales and turn as well as its place; a dimension by its text as well.
    TDataBlock insert;
    EXPECT_TRUE(InDrawableRange(insert));
    insert.scaleY = -2e9;
    EXPECT_FALSE(InDrawableRange(insert));
    insert.scaleY = 1;
    insert.rotation = std::numeric_limits<double>::infinity();
    EXPECT_FALSE(InDrawableRange(insert));
    TDataSunpou dim;
    EXPECT_TRUE(InDrawableRange(dim));
    dim.text.spacing = 2e9;
    EXPECT_FALSE(InDrawableRange(dim));
}

}  // namespace
}  // namespace korvel
